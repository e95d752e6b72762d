#!/usr/bin/env python3
"""Korean Postal sweep: seeded random six-digit values drawn by zint, upright
and upside down, read by `scanner-sim decode` on a board with the factory
settings plus Korean Postal on. Counts reads, refusals (no label) and wrong
labels; any wrong label is listed and makes the exit status 1.

    tools/korean_postal_sweep.py build/scanner-sim [--count 20000] [--seed 1] [--jobs 2]
"""
import argparse
import concurrent.futures
import os
import random
import subprocess
import sys
import tempfile

BATCH = 500


def run(args, **kw):
    return subprocess.run(args, capture_output=True, text=True, check=True, **kw)


def make_board(sim, board):
    r = subprocess.run([sim, "command", "--board", board, "set read/korean_postal_authority:true", "save"],
                       capture_output=True, text=True, timeout=120)
    if r.returncode != 0 or "NAK" in r.stdout:
        sys.exit("board setup failed: " + r.stdout + r.stderr)


def read_batch(sim, board, folder, index, values, rotate):
    """Draws one batch, decodes it; returns (read, refused, wrong list)."""
    tag = "d" if rotate else "u"
    listing = os.path.join(folder, "%s%d.txt" % (tag, index))
    with open(listing, "w") as f:
        f.write("".join(v + "\n" for v in values))
    pattern = os.path.join(folder, "%s%d_~~~~~.png" % (tag, index))
    zint = ["zint", "-b", "KOREAPOST", "--batch", "-i", listing, "--notext", "--scale=1", "--whitesp=10", "--vwhitesp=4", "-o", pattern]
    if rotate:
        zint.append("--rotate=180")
    run(zint)
    files = [pattern.replace("~~~~~", "%05d" % (k + 1)) for k in range(len(values))]
    # decode answers 1 when some image gave no label.
    r = subprocess.run([sim, "decode", "--board", board] + files, capture_output=True, text=True, timeout=1800)
    if r.returncode not in (0, 1):
        raise RuntimeError("scanner-sim decode failed (%d): %s" % (r.returncode, r.stderr[-500:]))
    out = r.stdout
    labels = {}
    for line in out.splitlines():
        cols = line.split("\t")
        if len(cols) >= 4:
            labels.setdefault(cols[0], []).append(bytes.fromhex(cols[3]).decode("latin-1"))
    read = refused = 0
    wrong = []
    for value, name in zip(values, files):
        got = labels.get(name, [])
        if not got:
            refused += 1
        elif all(g == value for g in got):
            read += 1
        else:
            wrong.append((value, "upside down" if rotate else "upright", got))
        os.remove(name)
    os.remove(listing)
    return read, refused, wrong


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("sim")
    p.add_argument("--count", type=int, default=20000, help="values drawn (each read both ways)")
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--jobs", type=int, default=2)
    a = p.parse_args()
    sim = os.path.abspath(a.sim)
    rng = random.Random(a.seed)
    values = ["%06d" % rng.randrange(1000000) for _ in range(a.count)]
    with tempfile.TemporaryDirectory(prefix="korean-sweep-") as folder:
        board = os.path.join(folder, "board")
        os.mkdir(board)
        make_board(sim, board)
        totals = {False: [0, 0], True: [0, 0]}
        wrong = []
        with concurrent.futures.ThreadPoolExecutor(max_workers=a.jobs) as pool:
            jobs = []
            for rotate in (False, True):
                for i in range(0, len(values), BATCH):
                    jobs.append((rotate, pool.submit(read_batch, sim, board, folder, i // BATCH,
                                                     values[i:i + BATCH], rotate)))
            for rotate, job in jobs:
                read, refused, bad = job.result()
                totals[rotate][0] += read
                totals[rotate][1] += refused
                wrong += bad
    for rotate in (False, True):
        print("%-12s values %6d  read %6d  refused %6d  wrong %d" % (
            "upside down" if rotate else "upright", len(values), totals[rotate][0], totals[rotate][1],
            sum(1 for w in wrong if (w[1] == "upside down") == rotate)))
    for value, way, got in wrong:
        print("WRONG %s %s -> %s" % (value, way, got))
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
