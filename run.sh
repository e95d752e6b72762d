#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job on the simulated board:
# the bundled sample image (or the images given) is put before the camera, the
# trigger is pressed and the bytes the host receives are printed.
set -euo pipefail
cd "$(dirname "$0")"
./tools/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target scanner-sim scanner
if (($#)); then
  exec build/scanner-sim scan "$@"
fi
exec build/scanner-sim scan samples/*.png
