#!/usr/bin/python3
"""Han Xin Code of every version range and error correction level, and
MaxiCode of every mode, in real scenes: zint symbols laid into photographs
through the camera model of bench/real_scene/gen_frames.py (imported, not
copied), read by scanner-sim, zxing-cpp (zxing-wasm) and Debian's zxing.

    bench/han_xin_scenes.py RUN_DIR [--seed N] [--per N] [--inverse-per N] [--maxi-per N]
                            [--build build] [--jobs 2] [--readers LIST] [--frames-only]

Families: hx_1_5, hx_6_20, hx_21_40 and hx_41_84 (a Han Xin version drawn
from the range for each frame, the error correction level running 1, 2, 3,
4 over the frames), hx_inverse (versions 1-40 light on dark, the quiet zone
dark too, on light paper), maxi_m2 .. maxi_m6 (MaxiCode modes 2 to 6). Each family
is drawn in the three conditions. A frame whose modules would come out below
2 pixels (a large symbol turned so it only fits the frame shrunk) is drawn
again, with another version of the range when it still does not fit; the
version, level and module size stand in manifest.json.

The sim_factory reader here is the factory board with Han Xin and MaxiCode
switched on (set read/chinese_sensible_code:true, set read/maxi_code:true);
sim_all is the every-symbology board of bench/real_scene/run_readers.py.

Run with Debian's /usr/bin/python3 (python3-skimage, python3-scipy,
python3-pil and zint installed, as bench/real_scene/run.sh installs them).
"""

import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "real_scene"))
import gen_frames as gf  # noqa: E402
import run_readers as rr  # noqa: E402

HX_WORDS = "Han Xin Code 2D symbol, read at any angle: 0123456789. "
HX_RANGES = [("hx_1_5", 1, 5), ("hx_6_20", 6, 20), ("hx_21_40", 21, 40), ("hx_41_84", 41, 84)]
# light-on-dark: the symbol with its quiet zone turned over, on light paper
HX_INVERSE = ("hx_inverse", 1, 40)
MAXI_MODES = [2, 3, 4, 5, 6]
GS = "\x1d"
FACTORY_PLUS = ["set read/chinese_sensible_code:true", "set read/maxi_code:true"]
MIN_MODULE_PX = 2.0
REDRAWS = 12


def hx_text(version, rng):
    """Text that fills a good part of the version at level 4 (as the Han Xin read-rate bench does)."""
    length = 8 + version * version // 4
    start = int(rng.integers(0, len(HX_WORDS)))
    s = ""
    while len(s) < length + start:
        s += HX_WORDS
    return s[start:start + length]


def hx_symbol(version, level, rng, tmp):
    """The symbol and its text; the text is shortened until the version holds it at the level."""
    text = hx_text(version, rng)
    while True:
        try:
            return gf.render(["-b", "116", "--vers=%d" % version, "--secure=%d" % level, "-d", text], tmp), text
        except RuntimeError:
            if len(text) <= 1:
                raise
            text = text[:len(text) * 3 // 4]


def maxi_symbol(mode, rng, tmp):
    """A MaxiCode of the mode with data of its own; the label the product gives for it."""
    digits = "".join(str(int(d)) for d in rng.integers(0, 10, 12))
    secondary = ["1Z%s" % digits[:8], "UPSN", "06X610", "159"]
    if mode == 2:
        post, country, service = digits[:9], "840", "%03d" % int(rng.integers(1, 999))
        args = ["--mode=2", "--primary=%s%s%s" % (post, country, service), "--esc", "-d", "\\G".join(secondary)]
        return gf.render(["-b", "57"] + args, tmp), GS.join([post, country, service] + secondary)
    if mode == 3:
        post = "B%s%s" % (digits[:4], chr(65 + int(rng.integers(0, 26))))
        country, service = "056", "999"
        args = ["--mode=3", "--primary=%s%s%s" % (post, country, service), "--esc", "-d", "\\G".join(secondary)]
        return gf.render(["-b", "57"] + args, tmp), GS.join([post, country, service] + secondary)
    if mode == 4:
        text = "MaxiCode mode 4: %s text" % digits
    elif mode == 5:
        text = "ENHANCED ERROR CORRECTION %s" % digits[:6]
    else:
        text = "READER PROGRAMMING %s" % digits[:4]
    return gf.render(["-b", "57", "--mode=%d" % mode, "-d", text], tmp), text


def draw(rng, bg, sym, fam, cond):
    """The symbol composited into the scene; None when its modules stay below the floor."""
    family = "maxicode" if fam.startswith("maxi") else "han_xin"
    for _ in range(REDRAWS):
        img8, p = gf.composite(rng, bg, sym, family, "matrix", cond)
        if p["module_px"] >= MIN_MODULE_PX:
            return img8, p
    return None, None


def frames_for(a, rng, frames_dir, photos, fitted, names):
    manifest = []
    sets = [(fam, (lo, hi), a.per) for fam, lo, hi in HX_RANGES]
    sets += [(HX_INVERSE[0], HX_INVERSE[1:], a.inverse_per)]
    sets += [("maxi_m%d" % m, m, a.maxi_per) for m in MAXI_MODES]
    skipped = 0
    with tempfile.TemporaryDirectory() as tmp:
        for fam, what, per in sets:
            for cond in gf.CONDITIONS:
                for j in range(per):
                    src = names[rng.integers(len(names))]
                    bg = gf.crop(rng, photos[src]) if rng.random() < 0.5 else fitted[src]
                    img8 = None
                    extra = {}
                    for _ in range(4):
                        if fam.startswith("hx"):
                            version = int(rng.integers(what[0], what[1] + 1))
                            level = 1 + j % 4
                            sym, text = hx_symbol(version, level, rng, tmp)
                            if fam == HX_INVERSE[0]:
                                sym = 1.0 - sym
                            extra = dict(version=version, level=level)
                        else:
                            sym, text = maxi_symbol(what, rng, tmp)
                            extra = dict(mode=what)
                        img8, p = draw(rng, bg, sym, fam, cond)
                        if img8 is not None:
                            break
                    if img8 is None:
                        skipped += 1
                        continue
                    p.update(extra)
                    name = "%s_%s_%02d" % (fam, cond, j)
                    gf.write_pgm(os.path.join(frames_dir, name + ".pgm"), img8)
                    manifest.append(dict(set="symbol", family=fam, kind="matrix", condition=cond, source=src,
                                         truths=[text], partials=[], params=p, frame=name))
    if skipped:
        print("%d frames left out: no draw kept %.1f pixels a module" % (skipped, MIN_MODULE_PX))
    return manifest


def read_factory_plus(a, sim, frames):
    """The factory board with Han Xin and MaxiCode on, written as the sim_factory reader's results."""
    board = os.path.join(a.out, "board_sim_factory")
    shutil.rmtree(board, ignore_errors=True)
    os.makedirs(board)
    _, reply = rr.sim_command(sim, board, *FACTORY_PLUS, "save")
    refused = [c for c, line in zip(FACTORY_PLUS, reply) if "NAK" in line]
    if refused:
        print("factory board: refused %s" % refused, file=sys.stderr)
    argv = [sim, "decode", "--board", "{board}", "--time"]
    results = rr.read_all("sim_factory", argv, frames, a.jobs, board)
    keyed = {re.sub(r"\.pgm$", "", os.path.basename(k)): v for k, v in results.items()}
    with open(os.path.join(a.out, "results", "sim_factory.json"), "w") as f:
        json.dump(dict(reader="sim_factory", argv=argv, settings=FACTORY_PLUS, frames=keyed), f)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("out")
    ap.add_argument("--seed", type=int, default=5801)
    ap.add_argument("--per", type=int, default=8, help="Han Xin frames per version range and condition")
    ap.add_argument("--inverse-per", type=int, default=4, help="light-on-dark Han Xin frames per condition")
    ap.add_argument("--maxi-per", type=int, default=5, help="MaxiCode frames per mode and condition")
    ap.add_argument("--build", default="build")
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--readers", default="sim_factory,sim_all,zxing_wasm")
    ap.add_argument("--frames-only", action="store_true")
    a = ap.parse_args()

    rng = np.random.default_rng(a.seed)
    frames_dir = os.path.join(a.out, "frames")
    os.makedirs(frames_dir, exist_ok=True)
    names, photos, fitted = gf.load_photos()
    manifest = frames_for(a, rng, frames_dir, photos, fitted, names)
    with open(os.path.join(a.out, "manifest.json"), "w") as f:
        json.dump(dict(seed=a.seed, quick=False, frames=manifest), f, indent=1)
    print("%d frames in %s" % (len(manifest), frames_dir))
    if a.frames_only:
        return
    sim = os.path.abspath(os.path.join(a.build, "scanner-sim"))
    readers = a.readers.split(",")
    others = [r for r in readers if r != "sim_factory"]
    if others:
        argv = [sys.executable, os.path.join(HERE, "real_scene", "run_readers.py"), a.out, "--sim", sim,
                "--jobs", str(a.jobs), "--readers", ",".join(others),
                "--node-modules", os.path.join(a.build, "real_scene", "node_modules")]
        if "zxing" in others or "zbar" in others:
            other = os.path.join(a.build, "real_scene", "other_reader")
            if not os.access(other, os.X_OK):
                os.makedirs(os.path.dirname(other), exist_ok=True)
                subprocess.run(["c++", "-O2", "-std=c++17", "-o", other,
                                os.path.join(HERE, "real_scene", "other_reader.cpp"), "-lZXing", "-lzbar"], check=True)
            argv += ["--other", other]
        subprocess.run(argv, check=True)
    if "sim_factory" in readers:
        os.makedirs(os.path.join(a.out, "results"), exist_ok=True)
        read_factory_plus(a, sim, [os.path.join(frames_dir, m["frame"] + ".pgm") for m in manifest])
    subprocess.run([sys.executable, os.path.join(HERE, "real_scene", "report.py"), a.out], check=True)


if __name__ == "__main__":
    main()
