#!/usr/bin/python3
"""Reads every frame of a generated set with each reader, in parallel batches.

    run_readers.py RUN_DIR --sim build/scanner-sim [--jobs 3] [--readers a,b,...]
                   [--other build/real_scene/other_reader] [--node-modules DIR]

Readers: sim_factory (scanner-sim decode --time on a board with the factory
settings), sim_all (every boolean key of `get read` on, every polarity key on
both), zxing (libzxing), zbar (libzbar), zxing_wasm (zxing-cpp through node).
Writes RUN_DIR/results/READER.json: per frame the labels (symbology, AIM
identifier, data as hex), the milliseconds and a status (ok, crash, timeout).
A batch whose process dies is read again one frame a process, so a crash is
pinned to its frame.
"""

import argparse
import concurrent.futures
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

POLARITY_KEYS = ["data_matrix", "qr_code", "pdf_417", "all_1d_and_composite_codes"]
BATCH = 25
FRAME_TIMEOUT_S = 60


def sim_command(sim, board, *commands):
    r = subprocess.run([sim, "command", "--board", board, *commands], capture_output=True, text=True, timeout=120)
    return r.returncode, r.stdout.splitlines()


def make_board(sim, board, every_on):
    """A board with the factory settings, or with every symbology on; returns the commands sent."""
    os.makedirs(board, exist_ok=True)
    if not every_on:
        sim_command(sim, board, "save")
        return []
    _, out = sim_command(sim, board, "get read")
    text = out[0].replace("<CR>", "") if out else "{}"
    keys = [k for k, v in json.loads(text).items() if isinstance(v, bool)]
    commands = ["set read/%s:true" % k for k in keys]
    commands += ['set readable_medium/positive_and_negative_codes/%s:"POSITIVE_AND_NEGATIVE"' % k
                 for k in POLARITY_KEYS]
    # one process: a setting lives until the process ends unless saved in it
    rc, reply = sim_command(sim, board, *commands, "save")
    refused = [c for c, line in zip(commands, reply) if "NAK" in line]
    _, out = sim_command(sim, board, "get read")
    now = json.loads(out[0].replace("<CR>", "")) if out else {}
    off = [k for k in keys if now.get(k) is not True]
    if refused or off:
        print("every-on board: refused %s; still off: %s" % (refused, off), file=sys.stderr)
    return commands


def parse(out, frames):
    """scanner-sim decode --time lines (the other readers print the same)."""
    res = {}
    names = set(frames)
    for line in out.splitlines():
        p = line.split("\t")
        if len(p) < 3 or p[0] not in names:
            continue
        e = res.setdefault(p[0], {"labels": [], "ms": 0.0, "status": "ok"})
        if p[1] == "-":
            e["ms"] = float(p[2])
        elif len(p) >= 5:
            e["labels"].append([p[1], p[2], p[3]])
            e["ms"] = max(e["ms"], float(p[4]))  # the time until the last label
    return res


def run_batch(argv_head, frames, board=None, timeout=None):
    tmp = None
    argv = list(argv_head)
    if board is not None:
        tmp = tempfile.mkdtemp(prefix="scene-board-")
        shutil.copytree(board, tmp, dirs_exist_ok=True)
        argv = [a if a != "{board}" else tmp for a in argv]
    try:
        r = subprocess.run(argv + frames, capture_output=True, text=True,
                           timeout=timeout or FRAME_TIMEOUT_S * len(frames))
        out, rc = r.stdout, r.returncode
    except subprocess.TimeoutExpired as e:
        out, rc = (e.stdout.decode() if isinstance(e.stdout, bytes) else e.stdout or ""), "timeout"
    finally:
        if tmp:
            shutil.rmtree(tmp, ignore_errors=True)
    res = parse(out, frames)
    missing = [f for f in frames if f not in res]
    return res, missing, rc


def read_all(name, argv_head, frames, jobs, board=None):
    results = {}
    batches = [frames[i:i + BATCH] for i in range(0, len(frames), BATCH)]
    retry = []
    t0 = time.time()
    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        for res, missing, rc in pool.map(lambda b: run_batch(argv_head, b, board), batches):
            results.update(res)
            retry += missing
    # frames a dead or stuck batch left unreported: one process each
    for f in retry:
        res, missing, rc = run_batch(argv_head, [f], board, timeout=FRAME_TIMEOUT_S)
        results.update(res)
        if missing:
            results[f] = {"labels": [], "ms": FRAME_TIMEOUT_S * 1000.0 if rc == "timeout" else 0.0,
                          "status": "timeout" if rc == "timeout" else "crash (exit %s)" % rc}
    print("%-11s %5d frames in %6.1f s wall (%d jobs)" % (name, len(frames), time.time() - t0, jobs),
          file=sys.stderr)
    return results


def read_then_report(run, build, jobs, readers):
    """Reads a run's frames with `readers` (scanner-sim and zxing-wasm of the
    build tree `build`) in a process of their own, then writes its report."""
    here = os.path.dirname(os.path.abspath(__file__))
    out = os.path.join(build, "real_scene")
    subprocess.run([sys.executable, os.path.join(here, "run_readers.py"), run, "--sim",
                    os.path.join(build, "scanner-sim"), "--node-modules", os.path.join(out, "node_modules"),
                    "--jobs", str(jobs), "--readers", readers], check=True)
    subprocess.run([sys.executable, os.path.join(here, "report.py"), run], check=True)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("run_dir")
    ap.add_argument("--sim", required=True)
    ap.add_argument("--other", default=None)
    ap.add_argument("--node-modules", default=None)
    ap.add_argument("--jobs", type=int, default=3)
    ap.add_argument("--readers", default="sim_factory,sim_all,zxing,zbar,zxing_wasm")
    a = ap.parse_args()
    with open(os.path.join(a.run_dir, "manifest.json")) as f:
        manifest = json.load(f)
    frames_dir = os.path.join(a.run_dir, "frames")
    frames = [os.path.join(frames_dir, m["frame"] + ".pgm") for m in manifest["frames"]]
    out_dir = os.path.join(a.run_dir, "results")
    os.makedirs(out_dir, exist_ok=True)
    sim = os.path.abspath(a.sim)
    setup = {}
    for reader in a.readers.split(","):
        board = None
        if reader in ("sim_factory", "sim_all"):
            board = os.path.join(a.run_dir, "board_" + reader)
            shutil.rmtree(board, ignore_errors=True)
            setup[reader] = make_board(sim, board, reader == "sim_all")
            argv = [sim, "decode", "--board", "{board}", "--time"]
        elif reader in ("zxing", "zbar"):
            if not a.other or not os.path.exists(a.other):
                print("%s: no comparison reader built, left out" % reader, file=sys.stderr)
                continue
            argv = [a.other, reader]
        elif reader == "zxing_wasm":
            if not a.node_modules or not os.path.isdir(os.path.join(a.node_modules, "zxing-wasm")):
                print("zxing_wasm: zxing-wasm not installed, left out", file=sys.stderr)
                continue
            here = os.path.dirname(os.path.abspath(__file__))
            argv = ["node", os.path.join(here, "wasm_reader.mjs"), os.path.abspath(a.node_modules)]
        else:
            print("unknown reader %s" % reader, file=sys.stderr)
            continue
        results = read_all(reader, argv, frames, a.jobs, board)
        # keyed by frame name, as the manifest names them
        keyed = {re.sub(r"\.pgm$", "", os.path.basename(k)): v for k, v in results.items()}
        with open(os.path.join(out_dir, reader + ".json"), "w") as f:
            json.dump(dict(reader=reader, argv=argv, settings=setup.get(reader, []), frames=keyed), f)


if __name__ == "__main__":
    main()
