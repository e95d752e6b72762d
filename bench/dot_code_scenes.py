#!/usr/bin/python3
"""DotCode of many shapes in real scenes: small, tall, wide and large
symbols, dark dots on light paper and light dots on a dark label, with dots
of about 2 to 6 pixels, laid into photographs through the real-scene camera
model (clean and moderate conditions, the hard one on request), then read by
the real-scene readers and reported as the real-scene bench reports.

    bench/dot_code_scenes.py [--build build] [--seed N] [--per-condition N]
                             [--conditions clean,moderate] [--jobs 2]
                             [--readers sim_factory,sim_all,zxing_wasm]
                             [--out NAME] [--frames-only]

Families are named dot_code_SHAPE_POLARITY; within a family the frames take
the three dot sizes in turn (the manifest's module_px; a dot is about 0.8 of
a module). The run's files go to BUILD/real_scene/NAME (default
dot_code_scenes). Frames are made with Debian's /usr/bin/python3.
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

# shape: zint columns, characters of text
SHAPES = [
    ("small", 12, 6),
    ("tall", 14, 40),
    ("wide", 48, 30),
    ("large", 40, 110),
]
# module pixels of the three dot sizes: dots of about 2-3, 3-4.5 and 4.5-6 px
MODULES = [(2.5, 3.75), (3.75, 5.6), (5.6, 7.5)]
POLARITIES = ["dark", "light"]

ALPHABET = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 -./"

PHOTO_CACHE = {}


def text_of(rng, n):
    return "".join(ALPHABET[k] for k in rng.integers(0, len(ALPHABET), n)).strip() or "1"


def composite_at(rng, bg, sym, family, cond, module):
    """gen_frames.composite with the module size drawn from `module`."""
    saved = gf.CONDITIONS
    gf.CONDITIONS = dict(saved)
    gf.CONDITIONS[cond] = dict(saved[cond], mod2d=module)
    try:
        return gf.composite(rng, bg, sym, family, "matrix", cond)
    finally:
        gf.CONDITIONS = saved


def make_frames(run, seed, per, conditions):
    rng = np.random.default_rng(seed)
    frames_dir = os.path.join(run, "frames")
    os.makedirs(frames_dir, exist_ok=True)
    manifest = []
    names = gf.present_photos()
    with tempfile.TemporaryDirectory() as tmp:
        for shape, cols, chars in SHAPES:
            for polarity in POLARITIES:
                family = "dot_code_%s_%s" % (shape, polarity)
                for cond in conditions:
                    for j in range(per):
                        text = text_of(rng, chars)
                        try:
                            sym = gf.render(["-b", "115", "--cols=%d" % cols, "-d", text], tmp)
                        except RuntimeError as e:
                            print(e, file=sys.stderr)
                            continue
                        if polarity == "light":
                            sym = 1.0 - sym
                        src = names[rng.integers(len(names))]
                        if src not in PHOTO_CACHE:
                            PHOTO_CACHE[src] = gf.load_photo(src)
                        photo = PHOTO_CACHE[src]
                        bg = gf.crop(rng, photo) if rng.random() < 0.5 else gf.fit(photo)
                        img8, p = composite_at(rng, bg, sym, family, cond, MODULES[j % len(MODULES)])
                        p["columns"] = cols
                        name = "%s_%s_%02d" % (family, cond, j)
                        gf.write_pgm(os.path.join(frames_dir, name + ".pgm"), img8)
                        manifest.append(dict(set="symbol", family=family, kind="matrix", condition=cond,
                                             source=src, truths=[text], partials=[], params=p, frame=name))
    with open(os.path.join(run, "manifest.json"), "w") as f:
        json.dump(dict(seed=seed, quick=False, frames=manifest), f, indent=1)
    print("%d frames in %s" % (len(manifest), frames_dir))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(os.path.dirname(HERE), "build"))
    ap.add_argument("--seed", type=int, default=58)
    ap.add_argument("--per-condition", type=int, default=6)
    ap.add_argument("--conditions", default="clean,moderate")
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--readers", default="sim_factory,sim_all,zxing_wasm")
    ap.add_argument("--out", default="dot_code_scenes")
    ap.add_argument("--frames-only", action="store_true")
    a = ap.parse_args()
    conditions = a.conditions.split(",")
    unknown = set(conditions) - set(gf.CONDITIONS)
    if unknown:
        sys.exit("unknown conditions: " + ",".join(sorted(unknown)))
    build = os.path.abspath(a.build)
    out = os.path.join(build, "real_scene")
    run = os.path.join(out, a.out)
    subprocess.run(["rm", "-rf", run], check=True)
    make_frames(run, a.seed, a.per_condition, conditions)
    if a.frames_only:
        return
    rr.read_then_report(run, build, a.jobs, a.readers)


if __name__ == "__main__":
    main()
