#!/usr/bin/python3
"""Aztec in real scenes at many sizes: compact symbols of 1-4 layers,
full-range symbols of 1-32 layers and Aztec Runes, laid into photographs
through the real-scene bench's camera model, plus a set wrapped round a
cylinder; read by scanner-sim, zxing-cpp (zxing-wasm) and Debian's zxing.

    bench/aztec_scenes.py RUN_DIR [--seed N] [--per N] [--cylinder N]
                          [--build build] [--jobs 2] [--readers LIST] [--frames-only]

RUN_DIR gets frames/, manifest.json and, unless --frames-only, the readers'
results and report.txt as bench/real_scene/run.sh writes them (the same
readers and report). Families are named by size: aztec_c2 (compact, 2
layers), aztec_f16 (full range, 16 layers), aztec_runes; cyl_c3 and the like
are the same symbols round a can (half-angle 35-60 degrees, shaded). Each
family is drawn in the three conditions, --per frames each.

Run with Debian's /usr/bin/python3 (python3-skimage, python3-scipy,
python3-pil and zint installed, as bench/real_scene/run.sh installs them).
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

WORDS = "Aztec scene at many sizes 0123456789 read in one run. "

# (family, zint version or None for runes, layers)
SIZES = [("aztec_c%d" % n, n) for n in range(1, 5)] + \
        [("aztec_f%d" % n, 4 + n) for n in (1, 2, 4, 5, 8, 11, 12, 16, 19, 20, 22, 26, 27, 28, 32)]
CYLINDER_SIZES = [("cyl_c%d" % n, n) for n in range(1, 5)] + [("cyl_f%d" % n, 4 + n) for n in (1, 2, 5, 8)]


def text_for(version, rng):
    """Text that fills about half of the given zint version's capacity."""
    layers = version if version <= 4 else version - 4
    length = 3 + layers * 6 if version <= 4 else 6 + layers * layers * 2
    start = int(rng.integers(0, len(WORDS)))
    s = ""
    while len(s) < length + start:
        s += WORDS
    return s[start:start + length]


def symbol(version, rng, tmp):
    if version is None:
        value = int(rng.integers(0, 256))
        return gf.render(["-b", "128", "-d", "%d" % value], tmp), "%03d" % value
    text = text_for(version, rng)
    return gf.render(["-b", "92", "--vers=%d" % version, "-d", text], tmp), text


def wrapped(sym, rng):
    """The symbol round a can, its shading laid into the paper."""
    out, shade = gf.cylinder(sym, rng)
    return out * shade


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("out")
    ap.add_argument("--seed", type=int, default=5701)
    ap.add_argument("--per", type=int, default=4, help="frames per size and condition")
    ap.add_argument("--cylinder", type=int, default=4, help="cylinder frames per size and condition (0: none)")
    ap.add_argument("--build", default="build")
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--readers", default="sim_factory,sim_all,zxing_wasm,zxing")
    ap.add_argument("--frames-only", action="store_true")
    a = ap.parse_args()

    rng = np.random.default_rng(a.seed)
    frames_dir = os.path.join(a.out, "frames")
    os.makedirs(frames_dir, exist_ok=True)
    names, photos, fitted = gf.load_photos()
    manifest = []
    sets = [(fam, v, False, a.per) for fam, v in SIZES] + [("aztec_runes", None, False, a.per)]
    sets += [(fam, v, True, a.cylinder) for fam, v in CYLINDER_SIZES]
    with tempfile.TemporaryDirectory() as tmp:
        for fam, version, round_can, per in sets:
            for cond in gf.CONDITIONS:
                for j in range(per):
                    # a symbol of its own per frame: the data differ, so no frame repeats another's modules
                    sym, text = symbol(version, rng, tmp)
                    if round_can:
                        sym = wrapped(sym, rng)
                    src = names[rng.integers(len(names))]
                    bg = gf.crop(rng, photos[src]) if rng.random() < 0.5 else fitted[src]
                    img8, p = gf.composite(rng, bg, sym, "aztec", "matrix", cond)
                    p["cylinder"] = round_can
                    name = "%s_%s_%02d" % (fam, cond, j)
                    gf.write_pgm(os.path.join(frames_dir, name + ".pgm"), img8)
                    manifest.append(dict(set="symbol", family=fam, kind="matrix", condition=cond, source=src,
                                         truths=[text], partials=[], params=p, frame=name))
    with open(os.path.join(a.out, "manifest.json"), "w") as f:
        json.dump(dict(seed=a.seed, quick=False, frames=manifest), f, indent=1)
    print("%d frames in %s" % (len(manifest), frames_dir))
    if a.frames_only:
        return
    other = os.path.join(a.build, "real_scene", "other_reader")
    if not os.access(other, os.X_OK):
        os.makedirs(os.path.dirname(other), exist_ok=True)
        subprocess.run(["c++", "-O2", "-std=c++17", "-o", other, os.path.join(HERE, "real_scene", "other_reader.cpp"),
                        "-lZXing", "-lzbar"], check=True)
    subprocess.run([sys.executable, os.path.join(HERE, "real_scene", "run_readers.py"), a.out,
                    "--sim", os.path.join(a.build, "scanner-sim"), "--other", other, "--jobs", str(a.jobs),
                    "--readers", a.readers, "--node-modules", os.path.join(a.build, "real_scene", "node_modules")],
                   check=True)
    subprocess.run([sys.executable, os.path.join(HERE, "real_scene", "report.py"), a.out], check=True)


if __name__ == "__main__":
    main()
