#!/usr/bin/env bash
# Builds and runs the timed harnesses; each prints its own table of figures and ratios.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup.sh || exit 1
export BUILD_ROOT="$root/build"
cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null || exit 1
cmake --build build/win -j "$(nproc)" --target benchmarks || exit 1
. scripts/wine-env.sh
wine_env_start
trap wine_env_stop EXIT
# The step harness times the print button on the CUPS PDF queue; without it that row is left out.
if . scripts/test-services.sh; then
  trap 'test_services_stop; wine_env_stop' EXIT
else
  echo "bench: no CUPS PDF queue, the print button is not timed"
fi
for exe in build/win/bench/*.exe; do
  echo "== $(basename "$exe") =="
  wine64 "$exe"
done
for script in bench/*/run.sh platform/*/bench/run.sh; do
  [ -x "$script" ] && { echo "== $script =="; "$script"; }
done
true
