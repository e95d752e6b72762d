#!/bin/bash
# The real-scene benchmark: installs what it needs (Debian packages, npm's
# zxing-wasm into the build tree), builds scanner-sim and the comparison
# reader, generates the frames, reads them with every reader and prints the
# report. Not part of CI.
#
#   bench/real_scene/run.sh [--quick] [--jobs N] [--build DIR] [--seed N] [--no-install]
#                           [--readers sim_factory,sim_all,zxing,zbar,zxing_wasm] [--copy-wrong DIR]
#                           [--families qr,micro_qr,...] [--per-condition N] [--free N] [--out NAME]
#
# The run's files go to BUILD/real_scene/full (or quick): frames/, manifest.json,
# results/, report.txt, report.json, read_rates.csv, times.csv, labels.csv,
# failing/ (the frames some reader failed on, by kind).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
quick=0
jobs=3
build="$root/build"
seed=20261209
install=1
readers="sim_factory,sim_all,zxing,zbar,zxing_wasm"
extra=()
genopt=()
name=""
while [ $# -gt 0 ]; do
    case "$1" in
        --quick) quick=1 ;;
        --jobs) jobs="$2"; shift ;;
        --build) build="$2"; shift ;;
        --seed) seed="$2"; shift ;;
        --readers) readers="$2"; shift ;;
        --no-install) install=0 ;;
        --copy-wrong) extra+=(--copy-wrong "$2"); shift ;;
        --families) genopt+=(--families "$2"); shift ;;
        --per-condition) genopt+=(--per-condition "$2"); shift ;;
        --free) genopt+=(--free "$2"); shift ;;
        --out) name="$2"; shift ;;
        -h|--help) sed -n '2,12p' "$0"; exit 0 ;;
        *) echo "unknown option $1" >&2; exit 2 ;;
    esac
    shift
done

py=/usr/bin/python3   # Debian's python: python3-skimage is installed for it
out="$build/real_scene"
mkdir -p "$out"

# --- what the benchmark needs -------------------------------------------------
# the build's own packages (zint, libzxing-dev and libzbar-dev among them)
if [ "$install" = 1 ]; then
    "$root/tools/deps.sh" || echo "tools/deps.sh failed (offline?): going on with what is installed" >&2
fi
need_pkgs=()
"$py" -c 'import skimage, numpy, scipy, PIL' 2>/dev/null ||
    need_pkgs+=(python3-skimage python3-numpy python3-scipy python3-pil)
command -v zint >/dev/null || need_pkgs+=(zint)
[ -e /usr/include/ZXing/ReadBarcode.h ] || need_pkgs+=(libzxing-dev)
[ -e /usr/include/zbar.h ] || need_pkgs+=(libzbar-dev)
command -v node >/dev/null || need_pkgs+=(nodejs)
command -v npm >/dev/null || need_pkgs+=(npm)
command -v c++ >/dev/null || need_pkgs+=(g++)
if [ ${#need_pkgs[@]} -gt 0 ]; then
    if [ "$install" = 1 ] && command -v apt-get >/dev/null; then
        echo "installing: ${need_pkgs[*]}"
        SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
        $SUDO apt-get update -qq || echo "apt-get update failed (offline?)" >&2
        $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need_pkgs[@]}" ||
            echo "could not install ${need_pkgs[*]}: the readers that need them are left out" >&2
    else
        echo "missing: ${need_pkgs[*]}" >&2
    fi
fi
"$py" -c 'import skimage, numpy, scipy, PIL' || { echo "python3-skimage is needed to make the frames" >&2; exit 1; }
command -v zint >/dev/null || { echo "zint is needed to draw the symbols" >&2; exit 1; }

# zxing-wasm: into the build tree, once; after that the run is offline
if [ ! -d "$out/node_modules/zxing-wasm" ] && command -v npm >/dev/null && [ "$install" = 1 ]; then
    (cd "$out" && npm install --prefix . --no-audit --no-fund --loglevel=error zxing-wasm@3) ||
        echo "npm install zxing-wasm failed (offline?): zxing-cpp 3 is left out" >&2
fi

# --- builds ----------------------------------------------------------------------
if [ ! -e "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSCANNER_BENCH=OFF
fi
cmake --build "$build" -j "$jobs" --target scanner-sim
other="$out/other_reader"
if [ -e /usr/include/ZXing/ReadBarcode.h ] && [ -e /usr/include/zbar.h ]; then
    if [ ! -x "$other" ] || [ "$here/other_reader.cpp" -nt "$other" ]; then
        c++ -O2 -std=c++17 -o "$other" "$here/other_reader.cpp" -lZXing -lzbar ||
            echo "the comparison reader did not build: zxing and zbar are left out" >&2
    fi
fi

# --- frames, readers, report -------------------------------------------------------
if [ "$quick" = 1 ]; then run="$out/quick"; gen=(--quick); else run="$out/full"; gen=(); fi
[ -n "$name" ] && run="$out/$name"
gen+=("${genopt[@]}")
rm -rf "$run"
echo "frames -> $run"
"$py" "$here/gen_frames.py" "$run" --seed "$seed" "${gen[@]}"
echo "load average before reading: $(cut -d' ' -f1-3 /proc/loadavg)"
"$py" "$here/run_readers.py" "$run" --sim "$build/scanner-sim" --other "$other" \
    --node-modules "$out/node_modules" --jobs "$jobs" --readers "$readers"
echo "load average after reading: $(cut -d' ' -f1-3 /proc/loadavg)"
"$py" "$here/report.py" "$run" "${extra[@]}"
echo
echo "files: $run/report.txt report.json read_rates.csv times.csv labels.csv failing/"
