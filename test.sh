#!/usr/bin/env bash
# Installs what is missing, configures, builds and runs every test.
# Warnings are errors; the tests run once plain, again under the address and
# undefined-behaviour sanitizers and (those of the threaded code) under the
# thread sanitizer, and the fuzz targets run briefly.
set -euo pipefail
cd "$(dirname "$0")"
./tools/deps.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSCANNER_WERROR=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

if [ "${SCANNER_SKIP_SANITIZE:-0}" != 1 ]; then
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSCANNER_WERROR=ON \
        -DSCANNER_SANITIZE=ON -DSCANNER_BENCH=OFF
  cmake --build build-asan -j "$jobs"
  # The read-rate tables measure decoding, not memory safety: they run in the
  # plain pass only, which keeps the sanitizer pass short.
  ASAN_OPTIONS=detect_leaks=0 ctest --test-dir build-asan --output-on-failure -j "$jobs" -E 'ReadRate'
fi

if [ "${SCANNER_SKIP_TSAN:-0}" != 1 ]; then
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSCANNER_WERROR=ON \
        -DSCANNER_TSAN=ON -DSCANNER_BENCH=OFF
  # The tests of the code that runs threads (app, platform, format, sim) and the
  # scanner-sim they start; a data race or a lock-order inversion fails its test.
  cmake --build build-tsan -j "$jobs" \
        --target test_app test_platform test_platform_device test_format test_sim scanner-sim
  TSAN_OPTIONS=second_deadlock_stack=1 ctest --test-dir build-tsan --output-on-failure -j "$jobs" -E 'ReadRate'
fi

if [ "${SCANNER_SKIP_FUZZ:-0}" != 1 ] && ls fuzz/*.cpp >/dev/null 2>&1; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DSCANNER_FUZZ=ON -DSCANNER_TESTS=OFF -DSCANNER_BENCH=OFF
  cmake --build build-fuzz -j "$jobs"
  for f in build-fuzz/fuzz/fuzz_*; do
    name=$(basename "$f"); corpus=fuzz/corpus/${name#fuzz_}
    mkdir -p build-fuzz/corpus-"$name"
    args=(-max_total_time="${SCANNER_FUZZ_SECONDS:-15}" -timeout=10 -rss_limit_mb=4096)
    dirs=(build-fuzz/corpus-"$name")
    [ -d "$corpus" ] && dirs+=("$corpus")
    "$f" "${args[@]}" "${dirs[@]}"
  done
fi
echo "all tests passed"
