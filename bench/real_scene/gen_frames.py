#!/usr/bin/python3
"""Real-scene frames: photographs fitted to 640 x 480 grey, alone, cropped,
tiled and under noise (no symbol), and zint symbols of every family laid into
them through a camera model (perspective, rotation, cylinder, blur, noise,
uneven light, low contrast, JPEG artefacts).

    gen_frames.py OUT_DIR [--quick] [--seed N]

Writes OUT_DIR/frames/*.pgm and OUT_DIR/manifest.json (one entry per frame:
the labels that count as a read, the labels that count as a partial read,
the family, the condition and the parameters drawn). Everything is drawn from
one seeded generator, so the same seed gives the same frames.
"""

import argparse
import io
import json
import math
import os
import subprocess
import sys
import tempfile

import numpy as np
from PIL import Image
from scipy import ndimage
from skimage import transform

W, H = 640, 480
PHOTO_DIR = "/usr/lib/python3/dist-packages/skimage/data"
PHOTOS = [
    "astronaut.png", "camera.png", "coffee.png", "chelsea.png", "motorcycle_left.png",
    "motorcycle_right.png", "ihc.png", "rocket.jpg", "retina.jpg", "hubble_deep_field.jpg",
    "moon.png", "brick.png", "grass.png", "gravel.png", "page.png", "text.png", "coins.png",
    "clock_motion.png", "color.png", "cell.png", "microaneurysms.png", "logo.png",
    "chessboard_GRAY.png",
]

GS = "\x1d"
FS = "\x1c"

# name, zint arguments, labels read, partial labels, kind
# kind: "linear" (bars; may be bent round a cylinder), "stacked", "matrix".
FAMILIES = [
    ("code128", ["-b", "20", "-d", "Scan-0042"], ["Scan-0042"], [], "linear"),
    ("ean13", ["-b", "13", "-d", "400638133393"], ["4006381333931"], [], "linear"),
    ("upca", ["-b", "34", "-d", "01234567890"], ["012345678905", "12345678905", "0012345678905"], [], "linear"),
    ("upce", ["-b", "37", "-d", "0123456"], ["01234565", "1234565", "012345000065", "0012345000065"], [], "linear"),
    ("ean8", ["-b", "13", "-d", "1234567"], ["12345670"], [], "linear"),
    ("code39", ["-b", "8", "-d", "C39-TEST"], ["C39-TEST", "*C39-TEST*"], [], "linear"),
    ("code93", ["-b", "25", "-d", "C93-TEST"], ["C93-TEST"], [], "linear"),
    ("code11", ["-b", "1", "--vers=1", "-d", "123-4567"], ["123-4567"], ["123-45675"], "linear"),
    ("codabar", ["-b", "18", "-d", "A12345678B"], ["12345678", "A12345678B"], [], "linear"),
    ("itf", ["-b", "3", "-d", "12345678"], ["12345678"], [], "linear"),
    ("itf14", ["-b", "89", "-d", "1234567890123"], ["12345678901231"], [], "linear"),
    ("industrial2of5", ["-b", "7", "-d", "394372"], ["394372"], [], "linear"),
    ("matrix2of5", ["-b", "2", "-d", "394292"], ["394292"], [], "linear"),
    ("iata2of5", ["-b", "4", "-d", "693517"], ["693517"], [], "linear"),
    ("msi", ["-b", "47", "--vers=1", "-d", "1234567"], ["1234567", "12345674"], [], "linear"),
    ("uk_plessey", ["-b", "86", "-d", "0A1B2C3D"], ["0A1B2C3D"], [], "linear"),
    ("telepen", ["-b", "32", "-d", "Telepen"], ["Telepen"], [], "linear"),
    ("korean_postal", ["-b", "77", "-d", "123456"], ["123456", "1234568"], [], "linear"),
    ("databar_omni", ["-b", "29", "-d", "0950110153000"], ["0109501101530003", "09501101530003"], [], "linear"),
    ("databar_limited", ["-b", "30", "-d", "0950110153000"], ["0109501101530003", "09501101530003"], [], "linear"),
    ("databar_expanded", ["-b", "31", "--gs1", "-d", "[01]09501101530003[3103]000123"],
     ["01095011015300033103000123"], [], "linear"),
    ("pdf417", ["-b", "55", "-d", "PDF417 scene 0123456789"], ["PDF417 scene 0123456789"], [], "stacked"),
    ("micropdf417", ["-b", "84", "-d", "MicroPDF 12345"], ["MicroPDF 12345"], [], "stacked"),
    ("composite_ean13", ["-b", "130", "--mode=1", "--gs1", "--primary=331234567890", "-d", "[99]1234-abcd"],
     ["3312345678903" + FS + "991234-abcd"], ["3312345678903", "991234-abcd"], "stacked"),
    ("composite_gs1_128", ["-b", "131", "--mode=1", "--gs1", "--primary=[01]09501101530003", "-d", "[10]ABC123"],
     ["0109501101530003" + FS + "10ABC123"], ["0109501101530003", "10ABC123"], "stacked"),
    ("composite_databar", ["-b", "133", "--mode=1", "--gs1", "--primary=0950110153000", "-d", "[10]ABC123"],
     ["0109501101530003" + FS + "10ABC123"], ["0109501101530003", "10ABC123"], "stacked"),
    ("codablock_f", ["-b", "74", "-d", "CODABLOCK F 123"], ["CODABLOCK F 123"],
     # its rows, read as Code 128 by a reader without Codablock F
     ["cCODA", "+BLOC", ",K F ", "-123", ".u)"], "stacked"),
    ("qr", ["-b", "58", "-d", "QR scene 0123456789"], ["QR scene 0123456789"], [], "matrix"),
    ("micro_qr", ["-b", "97", "-d", "MQR 1234"], ["MQR 1234"], [], "matrix"),
    ("data_matrix", ["-b", "71", "-d", "DM scene 0123456789"], ["DM scene 0123456789"], [], "matrix"),
    ("aztec", ["-b", "92", "-d", "Aztec scene 0123456789"], ["Aztec scene 0123456789"], [], "matrix"),
    ("dot_code", ["-b", "115", "-d", "DotCode 1234"], ["DotCode 1234"], [], "matrix"),
    ("maxicode", ["-b", "57", "--mode=4", "-d", "MaxiCode mode 4: 0123456789 text"],
     ["MaxiCode mode 4: 0123456789 text"], [], "matrix"),
    ("han_xin", ["-b", "116", "-d", "Han Xin 2D 1234"], ["Han Xin 2D 1234"], [], "matrix"),
]

# zint draws 2 pixels a module at --scale=1; the symbols are drawn at --scale=2.
HIRES_SCALE = 2
HIRES_MODULE = 4.0
# MaxiCode's hexagons: zint draws about 10 pixels a module at --scale=1.
MODULE_OF = {"maxicode": 20.0}

CONDITIONS = {
    # module (linear/stacked), module (matrix), perspective, contrast, light low,
    # blur sigma, noise sigma (8 bit), JPEG quality, rotation, cylinder share
    "clean": dict(mod=(3.0, 4.5), mod2d=(4.0, 6.0), persp=0.02, contrast=(0.65, 0.8), light=(0.9, 1.0),
                  blur=(0.3, 0.5), noise=(1.0, 2.5), jpeg=(88, 95), rot="near", cylinder=0.0),
    "moderate": dict(mod=(2.2, 3.4), mod2d=(3.0, 4.5), persp=0.08, contrast=(0.35, 0.55), light=(0.55, 0.85),
                     blur=(0.6, 1.0), noise=(3.0, 6.0), jpeg=(60, 80), rot="any", cylinder=0.15),
    "hard": dict(mod=(2.0, 3.2), mod2d=(2.8, 4.0), persp=0.15, contrast=(0.25, 0.4), light=(0.4, 0.65),
                 blur=(0.8, 1.2), noise=(5.0, 8.0), jpeg=(45, 60), rot="any", cylinder=0.4),
}


def load_photo(name):
    im = Image.open(os.path.join(PHOTO_DIR, name)).convert("L")
    return np.asarray(im, dtype=np.float64) / 255.0


def present_photos():
    """The photographs of the set that this machine has."""
    return [n for n in PHOTOS if os.path.exists(os.path.join(PHOTO_DIR, n))]


def load_photos():
    """The present photographs' names, the photographs, and each fitted to a frame."""
    names = present_photos()
    photos = {n: load_photo(n) for n in names}
    return names, photos, {n: fit(photos[n]) for n in names}


def fit(img, out_w=W, out_h=H):
    """Scale to cover out_w x out_h, then take the centre."""
    h, w = img.shape
    s = max(out_w / w, out_h / h)
    nh, nw = max(out_h, int(round(h * s))), max(out_w, int(round(w * s)))
    r = transform.resize(img, (nh, nw), order=1, anti_aliasing=s < 1, mode="edge")
    y0, x0 = (nh - out_h) // 2, (nw - out_w) // 2
    return r[y0:y0 + out_h, x0:x0 + out_w]


def crop(rng, img, out_w=W, out_h=H):
    """A random window of a photograph (a quarter to the whole of it) fitted to out_w x out_h."""
    h, w = img.shape
    f = rng.uniform(0.3, 0.9)
    ch = max(16, int(h * f))
    cw = max(16, min(w, int(ch * out_w / out_h)))
    ch = min(h, ch)
    y0 = rng.integers(0, h - ch + 1)
    x0 = rng.integers(0, w - cw + 1)
    return fit(img[y0:y0 + ch, x0:x0 + cw], out_w, out_h)


def tile(rng, photos, n):
    out = np.zeros((H, W))
    th, tw = H // n, W // n
    for i in range(n):
        for j in range(n):
            p = photos[rng.integers(len(photos))]
            out[i * th:(i + 1) * th, j * tw:(j + 1) * tw] = crop(rng, p, tw, th)
    return out


def to8(img):
    return np.clip(np.round(img * 255.0), 0, 255).astype(np.uint8)


def jpeg(img8, quality):
    buf = io.BytesIO()
    Image.fromarray(img8).save(buf, format="JPEG", quality=int(quality))
    buf.seek(0)
    return np.asarray(Image.open(buf).convert("L"))


def write_pgm(path, img8):
    with open(path, "wb") as f:
        f.write(b"P5\n%d %d\n255\n" % (img8.shape[1], img8.shape[0]))
        f.write(img8.tobytes())


def render(args, tmpdir):
    path = os.path.join(tmpdir, "sym.png")
    cmd = ["zint", "-o", path, "--scale=%d" % HIRES_SCALE, "--quietzones"] + args
    r = subprocess.run(cmd, capture_output=True, text=True)
    if r.returncode not in (0, 2) or not os.path.exists(path):  # 2: a warning only
        raise RuntimeError("zint failed: %s: %s" % (" ".join(cmd), r.stderr.strip()))
    img = np.asarray(Image.open(path).convert("L"), dtype=np.float64) / 255.0
    os.remove(path)
    return img


def cylinder(sym, rng):
    """The label round a can: columns squeezed towards the sides, shaded."""
    h, w = sym.shape
    phi = math.radians(rng.uniform(35, 60))
    u = np.arange(w) - w / 2.0
    # an arc of 2 phi seen from afar: the output column u shows the arc point at angle asin(u / R)
    ang = np.arcsin(np.clip(u / (w / 2.0) * math.sin(phi), -1, 1))
    src = w / 2.0 + ang / phi * (w / 2.0)
    shade = 0.55 + 0.45 * np.cos(ang)
    cols = np.clip(src, 0, w - 1)
    out = ndimage.map_coordinates(sym, [np.repeat(np.arange(h)[:, None], w, 1), np.repeat(cols[None, :], h, 0)],
                                  order=1, mode="nearest")
    return out, shade[None, :].repeat(h, 0)


def composite(rng, bg, sym, family, kind, cond):
    c = CONDITIONS[cond]
    p = {}
    shade = np.ones_like(sym)
    if kind == "linear" and rng.random() < c["cylinder"]:
        sym, shade = cylinder(sym, rng)
        p["cylinder"] = True
    # paper margin around the quiet zone
    pad = int(3 * HIRES_MODULE)
    sym = np.pad(sym, pad, constant_values=1.0)
    shade = np.pad(shade, pad, mode="edge")
    h, w = sym.shape
    hires_mod = MODULE_OF.get(family, HIRES_MODULE)
    lo, hi = c["mod2d"] if kind == "matrix" else c["mod"]
    mod = rng.uniform(lo, hi)
    s = mod / hires_mod
    diag = math.hypot(w, h) * s
    limit = 1.6 * W
    if diag > limit:
        s *= limit / diag
        mod = s * hires_mod
    p["module_px"] = round(mod, 2)
    if c["rot"] == "near":
        ang = rng.choice([0, 90, 180, 270]) + rng.uniform(-15, 15)
    else:
        ang = rng.uniform(0, 360)
    p["angle"] = round(float(ang), 1)
    # destination corners: scaled, rotated, moved, then each corner pushed
    corners = np.array([[0, 0], [w, 0], [w, h], [0, h]], dtype=np.float64) - [w / 2.0, h / 2.0]
    corners *= s
    t = math.radians(ang)
    rot = np.array([[math.cos(t), -math.sin(t)], [math.sin(t), math.cos(t)]])
    corners = corners @ rot.T
    size = max(w, h) * s
    corners += rng.uniform(-c["persp"], c["persp"], size=(4, 2)) * size
    ext = corners.max(0) - corners.min(0)
    # the whole label in the frame: shrink what would stick out
    shrink = min(1.0, 0.96 * W / ext[0], 0.96 * H / ext[1])
    if shrink < 1.0:
        corners *= shrink
        ext *= shrink
        mod *= shrink
        p["module_px"] = round(mod, 2)
    cx = rng.uniform(ext[0] / 2, max(ext[0] / 2, W - ext[0] / 2)) if ext[0] < W else W / 2
    cy = rng.uniform(ext[1] / 2, max(ext[1] / 2, H - ext[1] / 2)) if ext[1] < H else H / 2
    corners += [cx - (corners.max(0)[0] + corners.min(0)[0]) / 2, cy - (corners.max(0)[1] + corners.min(0)[1]) / 2]
    p["perspective"] = c["persp"]
    src = np.array([[0, 0], [w, 0], [w, h], [0, h]], dtype=np.float64)
    tf = transform.ProjectiveTransform()
    tf.estimate(src, corners)
    # low-pass before the resampling so the modules do not alias
    sigma = max(0.0, 0.45 / s - 0.3)
    symb = ndimage.gaussian_filter(sym, sigma) if sigma > 0 else sym
    warped = transform.warp(symb, tf.inverse, output_shape=(H, W), order=1, cval=1.0)
    mask = transform.warp(np.ones_like(sym), tf.inverse, output_shape=(H, W), order=1, cval=0.0)
    shadew = transform.warp(shade, tf.inverse, output_shape=(H, W), order=1, cval=1.0)
    contrast = rng.uniform(*c["contrast"])
    white = rng.uniform(max(contrast + 0.05, 0.6), 0.95)
    black = white - contrast
    p["contrast"] = round(contrast, 2)
    paper = (black + contrast * warped) * shadew
    # the background: the photograph somewhat darkened so the label stands out little or much
    bgk = bg * rng.uniform(0.6, 1.0) + rng.uniform(0.0, 0.1)
    img = bgk * (1 - mask) + paper * mask
    # uneven light: a plane and a soft spot
    low = rng.uniform(*c["light"])
    yy, xx = np.mgrid[0:H, 0:W] / np.array([H, W])[:, None, None]
    a = rng.uniform(0, 2 * math.pi)
    plane = (np.cos(a) * (xx - 0.5) + np.sin(a) * (yy - 0.5)) + 0.5
    light = low + (1.0 - low) * np.clip(plane, 0, 1)
    sx, sy = rng.uniform(0, 1), rng.uniform(0, 1)
    spot = np.exp(-(((xx - sx) ** 2 + (yy - sy) ** 2) / (2 * rng.uniform(0.05, 0.2) ** 2)))
    light = light * (1 - 0.25 * (1 - low)) + 0.25 * (1 - low) * spot
    img = img * light
    p["light_low"] = round(low, 2)
    blur = min(rng.uniform(*c["blur"]), 0.5 * mod)
    img = ndimage.gaussian_filter(img, blur)
    p["blur"] = round(blur, 2)
    noise = rng.uniform(*c["noise"])
    img = img + rng.normal(0, noise / 255.0, img.shape)
    p["noise"] = round(noise, 1)
    q = int(rng.integers(c["jpeg"][0], c["jpeg"][1] + 1))
    p["jpeg"] = q
    return jpeg(to8(img), q), p


def degrade(rng, img, kind):
    """Camera degradations of a symbol-free frame."""
    p = {}
    if kind == "plain":
        return to8(img), p
    blur = rng.uniform(0.0, 1.5)
    img = ndimage.gaussian_filter(img, blur) if blur > 0.05 else img
    noise = rng.uniform(2, 12)
    img = img * rng.uniform(0.5, 1.1) + rng.normal(0, noise / 255.0, img.shape)
    q = int(rng.integers(30, 90))
    p.update(blur=round(blur, 2), noise=round(noise, 1), jpeg=q)
    return jpeg(to8(img), q), p


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("out")
    ap.add_argument("--quick", action="store_true")
    ap.add_argument("--seed", type=int, default=20261209)
    ap.add_argument("--per-condition", type=int, default=None,
                    help="frames per family and condition (default 15, 2 with --quick)")
    ap.add_argument("--free", type=int, default=None,
                    help="symbol-free frames (default 360, 60 with --quick)")
    ap.add_argument("--families", default=None,
                    help="comma-separated families to draw (default: every family)")
    a = ap.parse_args()
    wanted = set(a.families.split(",")) if a.families else None
    if wanted:
        unknown = wanted - {f[0] for f in FAMILIES}
        if unknown:
            sys.exit("unknown families: " + ",".join(sorted(unknown)))
    per = a.per_condition or (2 if a.quick else 15)
    nfree = a.free if a.free is not None else (60 if a.quick else 360)
    rng = np.random.default_rng(a.seed)
    frames_dir = os.path.join(a.out, "frames")
    os.makedirs(frames_dir, exist_ok=True)
    names, photos, fitted = load_photos()
    plist = list(photos.values())
    manifest = []

    def add(name, img8, entry):
        path = os.path.join(frames_dir, name + ".pgm")
        write_pgm(path, img8)
        entry["frame"] = name
        manifest.append(entry)

    # symbol-free frames
    i = 0
    for n in names[:nfree]:  # each photograph fitted, untouched
        add("free_%04d" % i, to8(fitted[n]), dict(set="free", family="none", condition="photo",
                                                  source=n, truths=[], partials=[]))
        i += 1
    kinds = ["crop", "crop", "tile2", "tile3", "noise", "photo_degraded", "crop_degraded", "tile4"]
    while i < nfree:
        k = kinds[i % len(kinds)]
        p = {}
        if k.startswith("crop"):
            src = names[rng.integers(len(names))]
            img = crop(rng, photos[src])
            img8, p = degrade(rng, img, "camera" if k.endswith("degraded") else "plain")
        elif k.startswith("tile"):
            src = "tiles"
            img8, p = degrade(rng, tile(rng, plist, int(k[-1])), "camera" if rng.random() < 0.5 else "plain")
        elif k == "noise":
            src = "gaussian noise"
            sd = rng.uniform(5, 60)
            img8 = to8(rng.uniform(0.35, 0.65) + rng.normal(0, sd / 255.0, (H, W)))
            p = dict(noise=round(sd, 1))
        else:
            src = names[rng.integers(len(names))]
            img8, p = degrade(rng, fitted[src], "camera")
        add("free_%04d" % i, img8, dict(set="free", family="none", condition=k, source=src,
                                        truths=[], partials=[], params=p))
        i += 1

    # symbols in scenes
    with tempfile.TemporaryDirectory() as tmp:
        for fam, args, truths, partials, kind in FAMILIES:
            if wanted and fam not in wanted:
                continue
            try:
                sym = render(args, tmp)
            except RuntimeError as e:
                print(e, file=sys.stderr)
                continue
            for cond in CONDITIONS:
                for j in range(per):
                    src = names[rng.integers(len(names))]
                    bg = crop(rng, photos[src]) if rng.random() < 0.5 else fitted[src]
                    img8, p = composite(rng, bg, sym, fam, kind, cond)
                    add("%s_%s_%02d" % (fam, cond, j), img8,
                        dict(set="symbol", family=fam, kind=kind, condition=cond, source=src,
                             truths=truths, partials=partials, params=p))
    with open(os.path.join(a.out, "manifest.json"), "w") as f:
        json.dump(dict(seed=a.seed, quick=a.quick, frames=manifest), f, indent=1)
    print("%d frames (%d symbol-free) in %s" % (len(manifest), sum(1 for m in manifest if m["set"] == "free"),
                                                frames_dir))


if __name__ == "__main__":
    main()
