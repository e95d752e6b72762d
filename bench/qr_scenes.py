#!/usr/bin/python3
"""QR Code and Micro QR in real scenes: every version range and error
correction level, Micro QR M1-M4, symbols bent round a cylinder and symbols
with a finder or an alignment pattern damaged, laid into photographs through
the camera model of bench/real_scene/gen_frames.py (imported, not copied),
then read by the real-scene readers and reported as that bench reports.

    bench/qr_scenes.py [--build build] [--seed N] [--per-condition N] [--jobs 2]
                       [--readers sim_factory,sim_all,zxing_wasm] [--out NAME] [--frames-only]

The readers are those of bench/real_scene/run_readers.py (zxing needs
BUILD/real_scene/other_reader, zxing_wasm BUILD/real_scene/node_modules:
see bench/real_scene/README.md); --frames-only writes the set and stops.

Frames, manifest and report go to BUILD/real_scene/NAME (default qr_scenes).
Families (rows of the report): qr_v01_06, qr_v07_14, qr_v15_27, qr_v28_40
(the versions of each range drawn in turn, the levels L, M, Q, H in turn),
micro_qr_m1 .. micro_qr_m4, qr_cylinder (every frame bent), qr_finder_damaged
and qr_alignment_damaged.
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

LEVELS = "LMQH"


def qr_payload(version, level, j):
    # Short enough for every version and level; the version is forced.
    return "QR%d%s-%02d" % (version, level, j) + (" 0123456789" if version >= 3 else "")


def micro_payload(m, j):
    # M1 holds five digits; M2 at L six alphanumerics; M3/M4 bytes.
    return {1: "%05d" % (12345 + j), 2: "M2%03d" % j, 3: "MQR3-%02d" % j, 4: "MQR4 %02d AB" % j}[m]


def draw(args, tmp):
    return gf.render(args, tmp)


def damage(sym, side, quiet, rng, what):
    """Paints over part of a finder (one of the three, a corner or an edge of
    it) or of an alignment pattern (the one nearest the lower right) on the
    high-resolution drawing (gf.HIRES_MODULE pixels a module)."""
    m = gf.HIRES_MODULE
    out = sym.copy()

    def paint(mx, my, w, h, value):
        x0, y0 = int((quiet + mx) * m), int((quiet + my) * m)
        out[y0:y0 + int(h * m), x0:x0 + int(w * m)] = value

    if what == "finder":
        fx, fy = [(0, 0), (side - 7, 0), (0, side - 7)][rng.integers(3)]
        kind = rng.integers(3)
        if kind == 0:    # a corner of the outer ring gone light
            paint(fx + rng.integers(0, 5), fy + rng.integers(0, 5), 3, 3, 1.0)
        elif kind == 1:  # a stripe through the ring and the centre, grey
            if rng.random() < 0.5:
                paint(fx, fy + rng.integers(1, 5), 7, 1.5, 0.6)
            else:
                paint(fx + rng.integers(1, 5), fy, 1.5, 7, 0.6)
        else:            # the centre's corner smudged dark into the ring
            paint(fx + 1 + rng.integers(0, 3), fy + 1 + rng.integers(0, 3), 2.5, 2.5, 0.0)
    else:
        ax = ay = side - 7
        kind = rng.integers(3)
        if kind == 0:    # the whole pattern light
            paint(ax - 2, ay - 2, 5, 5, 1.0)
        elif kind == 1:  # its centre and inner ring dark
            paint(ax - 1, ay - 1, 3, 3, 0.0)
        else:            # half of it grey
            paint(ax - 2, ay - 2 + rng.integers(0, 3), 5, 2.5, 0.55)
    return out


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(HERE, "..", "build"))
    ap.add_argument("--seed", type=int, default=5700)
    ap.add_argument("--per-condition", type=int, default=8)
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--readers", default="sim_factory,sim_all,zxing_wasm")
    ap.add_argument("--out", default="qr_scenes")
    ap.add_argument("--frames-only", action="store_true")
    a = ap.parse_args()
    build = os.path.abspath(a.build)
    run = os.path.join(build, "real_scene", a.out)
    frames_dir = os.path.join(run, "frames")
    os.makedirs(frames_dir, exist_ok=True)
    for f in os.listdir(frames_dir):
        os.remove(os.path.join(frames_dir, f))
    rng = np.random.default_rng(a.seed)
    names, photos, fitted = gf.load_photos()
    manifest = []

    ranges = {"qr_v01_06": [1, 2, 3, 4, 5, 6], "qr_v07_14": [7, 8, 10, 12, 14], "qr_v15_27": [15, 18, 21, 24, 27],
              "qr_v28_40": [28, 32, 36, 40]}
    plan = []  # family, zint args, truth, side, quiet, extra
    for fam, versions in ranges.items():
        for j in range(a.per_condition):
            v = versions[j % len(versions)]
            lv = LEVELS[(j + j // len(versions)) % 4]
            text = qr_payload(v, lv, j)
            plan.append((fam, ["-b", "58", "--vers=%d" % v, "--secure=%d" % (LEVELS.index(lv) + 1), "-d", text],
                         text, 17 + 4 * v, 4, None))
    for m in range(1, 5):
        for j in range(a.per_condition):
            text = micro_payload(m, j)
            levels = {1: [0], 2: [1, 2], 3: [1, 2], 4: [1, 2, 3]}[m]
            args = ["-b", "97", "--vers=%d" % m, "-d", text]
            if m > 1:
                args[3:3] = ["--secure=%d" % levels[j % len(levels)]]
            plan.append(("micro_qr_m%d" % m, args, text, 9 + 2 * m, 2, None))
    for j in range(a.per_condition):
        v = [1, 2, 3, 4, 5, 7][j % 6]
        text = qr_payload(v, "M", j)
        plan.append(("qr_cylinder", ["-b", "58", "--vers=%d" % v, "--secure=2", "-d", text], text, 17 + 4 * v, 4,
                     "cylinder"))
    for what in ("finder", "alignment"):
        for j in range(a.per_condition):
            v = [2, 3, 5, 7, 10, 14][j % 6]
            lv = "MQH"[j % 3]
            text = qr_payload(v, lv, j)
            plan.append(("qr_%s_damaged" % what,
                         ["-b", "58", "--vers=%d" % v, "--secure=%d" % (LEVELS.index(lv) + 1), "-d", text], text,
                         17 + 4 * v, 4, what))

    counter = {}
    with tempfile.TemporaryDirectory() as tmp:
        for fam, args, truth, side, quiet, extra in plan:
            try:
                sym = draw(args, tmp)
            except RuntimeError as e:
                print(e, file=sys.stderr)
                continue
            for cond in gf.CONDITIONS:
                j = counter.get((fam, cond), 0)
                counter[(fam, cond)] = j + 1
                s = sym
                p_extra = {}
                if extra in ("finder", "alignment"):
                    s = damage(sym, side, quiet, rng, extra)
                    p_extra["damaged"] = extra
                src = names[rng.integers(len(names))]
                bg = gf.crop(rng, photos[src]) if rng.random() < 0.5 else fitted[src]
                if extra == "cylinder":
                    # composite bends only bars: the matrix symbol is bent here
                    # and its shading laid on as the paper's own.
                    bent, shade = gf.cylinder(s, rng)
                    s = bent * shade
                    p_extra["cylinder"] = True
                img8, p = gf.composite(rng, bg, s, "qr" if fam.startswith("qr") else "micro_qr", "matrix", cond)
                p.update(p_extra)
                p["zint"] = " ".join(args[:-2])
                name = "%s_%s_%02d" % (fam, cond, j)
                gf.write_pgm(os.path.join(frames_dir, name + ".pgm"), img8)
                manifest.append(dict(set="symbol", family=fam, kind="matrix", condition=cond, source=src,
                                     truths=[truth], partials=[], params=p, frame=name))
    with open(os.path.join(run, "manifest.json"), "w") as f:
        json.dump(dict(seed=a.seed, quick=False, frames=manifest), f, indent=1)
    print("%d frames in %s" % (len(manifest), frames_dir))
    if a.frames_only:
        return
    out = os.path.join(build, "real_scene")
    subprocess.run(["/usr/bin/python3", os.path.join(HERE, "real_scene", "run_readers.py"), run, "--sim",
                    os.path.join(build, "scanner-sim"), "--other", os.path.join(out, "other_reader"),
                    "--node-modules", os.path.join(out, "node_modules"), "--jobs", str(a.jobs), "--readers",
                    a.readers], check=True)
    subprocess.run(["/usr/bin/python3", os.path.join(HERE, "real_scene", "report.py"), run], check=True)


if __name__ == "__main__":
    main()
