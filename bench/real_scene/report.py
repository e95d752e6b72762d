#!/usr/bin/python3
"""The real-scene report: read rates per family and condition for each reader,
wrong labels, labels from symbol-free frames, per-frame time percentiles.

    report.py RUN_DIR [--copy-wrong DIR]

Prints the report and writes RUN_DIR/report.json, RUN_DIR/read_rates.csv,
RUN_DIR/times.csv and RUN_DIR/labels.csv. Frames a reader failed on (a wrong
label, a label from a symbol-free frame, a crash, a frame over 50 ms, a frame
zxing read and the firmware did not) are copied under RUN_DIR/failing/.

A label is a read when, stripped of control characters and of parentheses
(GS1 element strings come with FNC1 or with parenthesised AIs depending on the
reader), it equals one of the frame's accepted texts; a partial read when it
equals one of its partial texts (a composite's linear part alone); otherwise
it is a wrong label.
"""

import argparse
import csv
import json
import os
import shutil
import sys

READERS = ["sim_factory", "sim_all", "zxing", "zxing_wasm", "zbar"]
TIMED = ["sim_factory", "sim_all", "zxing", "zxing_wasm"]
SLOW_MS = 50.0


def norm(text):
    return "".join(ch for ch in text if ord(ch) >= 0x20 and ch not in "()")


def decode_hex(h):
    raw = bytes.fromhex(h)
    try:
        return raw.decode("utf-8")
    except UnicodeDecodeError:
        return raw.decode("latin-1")


def pct(values, q):
    if not values:
        return float("nan")
    v = sorted(values)
    k = (len(v) - 1) * q
    lo = int(k)
    hi = min(lo + 1, len(v) - 1)
    return v[lo] + (v[hi] - v[lo]) * (k - lo)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("run_dir")
    ap.add_argument("--copy-wrong", default=None, help="also copy each wrong-label frame here, with a context line")
    a = ap.parse_args()
    with open(os.path.join(a.run_dir, "manifest.json")) as f:
        manifest = json.load(f)["frames"]
    results = {}
    for r in READERS:
        p = os.path.join(a.run_dir, "results", r + ".json")
        if os.path.exists(p):
            with open(p) as f:
                results[r] = json.load(f)
    readers = [r for r in READERS if r in results]
    families = []
    for m in manifest:
        if m["set"] == "symbol" and m["family"] not in families:
            families.append(m["family"])
    conditions = ["clean", "moderate", "hard"]

    rates = {}       # (family, condition) -> reader -> [read, partial, frames]
    wrong = []       # label not the truth, on a symbol frame
    free_labels = []  # any label on a symbol-free frame
    problems = []    # crashes, timeouts
    times = {r: [] for r in readers}
    times_free = {r: [] for r in readers}
    slow = []
    labels_rows = []
    missed_by_sim = {r: [] for r in ("sim_factory", "sim_all")}
    for m in manifest:
        name = m["frame"]
        acc = {norm(t) for t in m["truths"]}
        part = {norm(t) for t in m["partials"]}
        read_by = {}
        for r in readers:
            e = results[r]["frames"].get(name, {"labels": [], "ms": 0.0, "status": "missing"})
            if e["status"] != "ok":
                problems.append(dict(frame=name, reader=r, status=e["status"]))
            times[r].append(e["ms"])
            if m["set"] == "free":
                times_free[r].append(e["ms"])
            if r.startswith("sim") and e["ms"] > SLOW_MS:
                slow.append(dict(frame=name, reader=r, ms=e["ms"], family=m["family"], condition=m["condition"]))
            got_read = got_partial = False
            for sym, aim, h in e["labels"]:
                text = decode_hex(h)
                n = norm(text)
                kind = "read" if n in acc else "partial" if n in part else "wrong"
                labels_rows.append([name, r, sym, aim, repr(text), kind])
                if m["set"] == "free":
                    free_labels.append(dict(frame=name, reader=r, symbology=sym, aim=aim, label=text,
                                            source=m.get("source"), condition=m["condition"]))
                elif kind == "wrong":
                    wrong.append(dict(frame=name, reader=r, symbology=sym, aim=aim, label=text,
                                      truth=m["truths"][0], family=m["family"], condition=m["condition"]))
                got_read |= kind == "read"
                got_partial |= kind == "partial"
            read_by[r] = got_read
            if m["set"] == "symbol":
                cell = rates.setdefault((m["family"], m["condition"]), {})
                c = cell.setdefault(r, [0, 0, 0])
                c[0] += got_read
                c[1] += (got_partial and not got_read)
                c[2] += 1
        if m["set"] == "symbol" and (read_by.get("zxing") or read_by.get("zxing_wasm")):
            for r in missed_by_sim:
                if r in read_by and not read_by[r]:
                    missed_by_sim[r].append(name)

    # the report
    out = []
    w = out.append
    w("Real-scene benchmark: %d frames (%d with a symbol, %d symbol-free)" % (
        len(manifest), sum(m["set"] == "symbol" for m in manifest), sum(m["set"] == "free" for m in manifest)))
    w("readers: " + ", ".join(readers))
    w("")
    w("Read rates (read/frames; +N partial reads), per family and condition")
    head = "%-20s %-9s" % ("family", "condition") + "".join("%14s" % r for r in readers)
    w(head)
    totals = {c: {r: [0, 0, 0] for r in readers} for c in conditions}
    for fam in families:
        for cond in conditions:
            cell = rates.get((fam, cond))
            if not cell:
                continue
            row = "%-20s %-9s" % (fam, cond)
            for r in readers:
                rd, pa, n = cell.get(r, [0, 0, 0])
                for i, v in enumerate((rd, pa, n)):
                    totals[cond][r][i] += v
                s = "%d/%d" % (rd, n) + ("+%dp" % pa if pa else "")
                row += "%14s" % s
            w(row)
    w("")
    for cond in conditions:
        row = "%-20s %-9s" % ("ALL", cond)
        for r in readers:
            rd, pa, n = totals[cond][r]
            row += "%14s" % ("%.1f%%" % (100.0 * rd / n) if n else "-")
        w(row)
    w("")
    w("Per-frame times in ms (scanner-sim: until the last label, or the whole decode when none; others: the whole frame)")
    w("%-12s %-7s %8s %8s %8s %8s %10s %7s" % ("reader", "frames", "median", "p90", "p99", "max", "total", ">50ms"))
    time_rows = []
    for r in [x for x in TIMED if x in readers]:
        for label, vals in (("all", times[r]), ("free", times_free[r])):
            row = [r, label, len(vals), pct(vals, 0.5), pct(vals, 0.9), pct(vals, 0.99), max(vals) if vals else 0,
                   sum(vals), sum(v > SLOW_MS for v in vals)]
            time_rows.append(row)
            w("%-12s %-7s %8.2f %8.2f %8.2f %8.1f %10.0f %7d" % (r + ("" if label == "all" else "/free"), row[2],
                                                                  *row[3:8], row[8]))
    stats = {(row[0], row[1]): row for row in time_rows}
    for sim in ("sim_factory", "sim_all"):
        for other in ("zxing", "zxing_wasm"):
            a_, b_ = stats.get((sim, "all")), stats.get((other, "all"))
            if a_ and b_ and b_[3] > 0 and b_[7] > 0:
                w("%s against %s: median x%.2f, total x%.2f; p99 %.1f ms (33 ms a frame at 30 a second), "
                  "%d frames over %d ms" % (sim, other, a_[3] / b_[3], a_[7] / b_[7], a_[5], a_[8], SLOW_MS))
    w("")
    w("scanner-sim per-frame times by family, ms (median / p90 / max)")
    fam_times = {}
    for m in manifest:
        key = m["family"] if m["set"] == "symbol" else "(symbol-free)"
        for r in ("sim_factory", "sim_all"):
            if r in results:
                e = results[r]["frames"].get(m["frame"])
                if e:
                    fam_times.setdefault(key, {}).setdefault(r, []).append(e["ms"])
    w("%-20s" % "family" + "".join("%26s" % r for r in ("sim_factory", "sim_all") if r in results))
    for key in families + ["(symbol-free)"]:
        row = "%-20s" % key
        for r in ("sim_factory", "sim_all"):
            if r in results:
                v = fam_times.get(key, {}).get(r, [])
                row += "%26s" % ("%.1f / %.1f / %.0f" % (pct(v, 0.5), pct(v, 0.9), max(v)) if v else "-")
        w(row)
    w("")
    w("Wrong labels on symbol frames (%d)" % len(wrong))
    for x in wrong:
        w("  %s  %s  %s %s %r (truth %r)" % (x["frame"], x["reader"], x["symbology"], x["aim"], x["label"], x["truth"]))
    w("")
    w("Labels from symbol-free frames (%d)" % len(free_labels))
    for x in free_labels:
        w("  %s  %s  %s %s %r  [%s, %s]" % (x["frame"], x["reader"], x["symbology"], x["aim"], x["label"],
                                          x["source"], x["condition"]))
    w("")
    w("Crashes and time-outs (%d)" % len(problems))
    for x in problems:
        w("  %s  %s  %s" % (x["frame"], x["reader"], x["status"]))
    w("")
    w("scanner-sim frames over %d ms (%d)" % (SLOW_MS, len(slow)))
    for x in sorted(slow, key=lambda x: -x["ms"])[:60]:
        w("  %-34s %-12s %8.1f ms" % (x["frame"], x["reader"], x["ms"]))
    if len(slow) > 60:
        w("  ... (all in report.json)")
    w("")
    for r, names in missed_by_sim.items():
        w("Symbol frames zxing read and %s did not: %d" % (r, len(names)))
    print("\n".join(out))

    with open(os.path.join(a.run_dir, "report.txt"), "w") as f:
        f.write("\n".join(out) + "\n")
    with open(os.path.join(a.run_dir, "read_rates.csv"), "w", newline="") as f:
        cw = csv.writer(f)
        cw.writerow(["family", "condition", "reader", "read", "partial", "frames"])
        for (fam, cond), cell in rates.items():
            for r in readers:
                cw.writerow([fam, cond, r, *cell.get(r, [0, 0, 0])])
    with open(os.path.join(a.run_dir, "times.csv"), "w", newline="") as f:
        cw = csv.writer(f)
        cw.writerow(["reader", "set", "frames", "median_ms", "p90_ms", "p99_ms", "max_ms", "total_ms", "over_50ms"])
        cw.writerows(time_rows)
    with open(os.path.join(a.run_dir, "labels.csv"), "w", newline="") as f:
        cw = csv.writer(f)
        cw.writerow(["frame", "reader", "symbology", "aim", "label", "kind"])
        cw.writerows(labels_rows)
    with open(os.path.join(a.run_dir, "report.json"), "w") as f:
        json.dump(dict(rates={"%s/%s" % k: v for k, v in rates.items()}, times=time_rows, wrong=wrong,
                       free_labels=free_labels, problems=problems, slow=slow, missed_by_sim=missed_by_sim,
                       settings={r: results[r].get("settings", []) for r in readers}), f, indent=1)

    # keep the failing frames together
    fail = os.path.join(a.run_dir, "failing")
    shutil.rmtree(fail, ignore_errors=True)
    frames = os.path.join(a.run_dir, "frames")

    def keep(sub, name):
        d = os.path.join(fail, sub)
        os.makedirs(d, exist_ok=True)
        shutil.copy2(os.path.join(frames, name + ".pgm"), d)

    for x in wrong:
        keep("wrong_label", x["frame"])
    for x in free_labels:
        keep("symbol_free_label", x["frame"])
    for x in problems:
        keep("crash", x["frame"])
    for x in slow:
        keep("over_50ms_" + x["reader"], x["frame"])
    for r, names in missed_by_sim.items():
        for n in names:
            keep("zxing_read_" + r + "_not", n)
    if a.copy_wrong:
        os.makedirs(a.copy_wrong, exist_ok=True)
        with open(os.path.join(a.copy_wrong, "context.txt"), "a") as f:
            for x in wrong + free_labels:
                if not x["reader"].startswith("sim"):
                    continue
                shutil.copy2(os.path.join(frames, x["frame"] + ".pgm"), a.copy_wrong)
                settings = "factory settings" if x["reader"] == "sim_factory" else \
                    "every read key on, both polarities (the commands in report.json)"
                board = os.path.abspath(os.path.join(a.run_dir, "board_" + x["reader"]))
                f.write("%s.pgm: %s gave %s %r (truth %r); %s; scanner-sim decode --board %s --time %s.pgm\n" % (
                    x["frame"], x["reader"], x["aim"], x["label"], x.get("truth", "no symbol"), settings, board,
                    x["frame"]))


if __name__ == "__main__":
    main()
