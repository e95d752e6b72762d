#!/usr/bin/python3
"""Data Matrix (and DotCode) of many sizes in real scenes: the real-scene
bench draws each family once, at one size; this set draws every ECC 200
square size from 10 x 10 to 144 x 144 and the six rectangles, each with its
own text, and DotCode at a few widths, through the same camera model, then
reads them with the same readers and prints the same report.

    bench/data_matrix_scenes.py [--build build] [--seed N] [--per-condition N]
                                [--sizes 10,24,144,8x32] [--no-dot-code]
                                [--jobs 2] [--readers sim_factory,sim_all,zxing_wasm]
                                [--out NAME] [--frames-only]

The run's files go to BUILD/real_scene/NAME (default data_matrix_scenes):
frames/, manifest.json, results/, report.txt, labels.csv, failing/. zxing-wasm
is read from BUILD/real_scene/node_modules, as the real-scene bench leaves it.
Frames are made with Debian's /usr/bin/python3 (python3-skimage).
"""

import argparse
import json
import os
import subprocess
import sys
import tempfile

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "real_scene"))
import gen_frames as gf  # noqa: E402
import run_readers as rr  # noqa: E402

# ECC 200 sizes: (rows, columns, data codewords); zint's --vers numbers them
# 1-24 (squares) and 25-30 (rectangles) in this order.
SQUARES = [(10, 3), (12, 5), (14, 8), (16, 12), (18, 18), (20, 22), (22, 30), (24, 36), (26, 44),
           (32, 62), (36, 86), (40, 114), (44, 144), (48, 174), (52, 204), (64, 280), (72, 368),
           (80, 456), (88, 576), (96, 696), (104, 816), (120, 1050), (132, 1304), (144, 1558)]
RECTANGLES = [(8, 18, 5), (8, 32, 10), (12, 26, 16), (12, 36, 22), (16, 36, 32), (16, 48, 49)]
DOT_CODE_COLUMNS = [16, 24, 40]

ALPHABET = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 -./"


def data_matrix_sizes():
    """(name, zint version, data codewords) of every ECC 200 size read here."""
    out = []
    for i, (side, cw) in enumerate(SQUARES):
        out.append(("%dx%d" % (side, side), i + 1, cw))
    for i, (r, c, cw) in enumerate(RECTANGLES):
        out.append(("%dx%d" % (r, c), 25 + i, cw))
    return out


def text_for(rng, codewords):
    """A text that fits the size: about two thirds of its data codewords in
    ASCII characters (a letter or a lone digit takes one codeword at most)."""
    n = max(1, (codewords * 2) // 3)
    return "".join(ALPHABET[k] for k in rng.integers(0, len(ALPHABET), n)).strip() or "1"


PHOTO_CACHE = {}


def draw(rng, tmp, family, args, truth, cond, per, add, index):
    try:
        sym = gf.render(args, tmp)
    except RuntimeError as e:
        print(e, file=sys.stderr)
        return index
    for j in range(per):
        names = gf.present_photos()
        src = names[rng.integers(len(names))]
        if src not in PHOTO_CACHE:
            PHOTO_CACHE[src] = gf.load_photo(src)
        photo = PHOTO_CACHE[src]
        bg = gf.crop(rng, photo) if rng.random() < 0.5 else gf.fit(photo)
        img8, p = gf.composite(rng, bg, sym, family, "matrix", cond)
        add("%s_%s_%02d" % (family, cond, j), img8,
            dict(set="symbol", family=family, kind="matrix", condition=cond, source=src,
                 truths=[truth], partials=[], params=p))
        index += 1
    return index


def make_frames(run, seed, per, sizes, dot_code):
    rng = np.random.default_rng(seed)
    frames_dir = os.path.join(run, "frames")
    os.makedirs(frames_dir, exist_ok=True)
    manifest = []

    def add(name, img8, entry):
        gf.write_pgm(os.path.join(frames_dir, name + ".pgm"), img8)
        entry["frame"] = name
        manifest.append(entry)

    n = 0
    with tempfile.TemporaryDirectory() as tmp:
        for name, vers, cw in data_matrix_sizes():
            if sizes and name not in sizes:
                continue
            text = text_for(rng, cw)
            args = ["-b", "71", "--vers=%d" % vers, "-d", text]
            for cond in gf.CONDITIONS:
                n = draw(rng, tmp, "dm_" + name, args, text, cond, per, add, n)
        if dot_code:
            for cols in DOT_CODE_COLUMNS:
                text = text_for(rng, cols)
                args = ["-b", "115", "--cols=%d" % cols, "-d", text]
                for cond in ("clean", "moderate"):
                    n = draw(rng, tmp, "dot_code_%dc" % cols, args, text, cond, per, add, n)
    with open(os.path.join(run, "manifest.json"), "w") as f:
        json.dump(dict(seed=seed, quick=False, frames=manifest), f, indent=1)
    print("%d frames in %s" % (len(manifest), frames_dir))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(os.path.dirname(HERE), "build"))
    ap.add_argument("--seed", type=int, default=57)
    ap.add_argument("--per-condition", type=int, default=3)
    ap.add_argument("--sizes", default=None, help="comma-separated sizes, e.g. 10x10,144x144,8x32")
    ap.add_argument("--no-dot-code", action="store_true")
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--readers", default="sim_factory,sim_all,zxing_wasm")
    ap.add_argument("--out", default="data_matrix_scenes")
    ap.add_argument("--frames-only", action="store_true")
    a = ap.parse_args()
    build = os.path.abspath(a.build)
    out = os.path.join(build, "real_scene")
    run = os.path.join(out, a.out)
    sizes = set(a.sizes.split(",")) if a.sizes else None
    if sizes:
        unknown = sizes - {s[0] for s in data_matrix_sizes()}
        if unknown:
            sys.exit("unknown sizes: " + ",".join(sorted(unknown)))
    subprocess.run(["rm", "-rf", run], check=True)
    make_frames(run, a.seed, a.per_condition, sizes, not a.no_dot_code)
    if a.frames_only:
        return
    rr.read_then_report(run, build, a.jobs, a.readers)


if __name__ == "__main__":
    main()
