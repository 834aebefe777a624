#!/usr/bin/env bash
# Benchmark of the picture library: builds it without sanitizers in Release, installs the peer
# libraries it is compared with (only here, not for the tests), and prints its tables: the native
# measurements, the sheet finder's quality, the quality and speed of clean page beside its
# alternatives on generated document photos, then the bitmap round trip under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
cd "$root"
EXTRA_PKGS="libmagickwand-6.q16-dev libvips-dev libpng-dev zlib1g-dev pkg-config" scripts/setup.sh
cmake -S platform/cximage/bench -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/bench -j2 >/dev/null
cmake -S platform/cximage/bench -B build/bench-win -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build build/bench-win -j2 >/dev/null
build/bench/cximage_bench
build/bench/cximage_sheet_quality
echo
build/bench/cximage_clean_quality "$(command -v convert-im6.q16 || command -v convert)"
# A Wine prefix of its own, so that stopping it does not touch the test runs' prefix.
export BUILD_ROOT="$root/build/bench-win"
. scripts/wine-env.sh
wine_env_start >/dev/null 2>&1 || true  # a wineserver left running by another session is fine
trap wine_env_stop EXIT
wine64 build/bench-win/cximage_bench_win.exe 2>/dev/null | tr -d '\r'
