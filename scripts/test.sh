#!/usr/bin/env bash
# Builds everything and runs every test: the portable tests natively (AddressSanitizer and UBSan),
# the Windows tests under Wine. Exits non-zero on any failure.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup.sh || exit 1
export BUILD_ROOT="$root/build"
jobs=$(nproc)

cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null || exit 1
cmake --build build/native -j "$jobs" || exit 1
cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null || exit 1
cmake --build build/win -j "$jobs" || exit 1

. scripts/wine-env.sh
wine_env_start
trap 'declare -F test_services_stop >/dev/null && test_services_stop; wine_env_stop' EXIT
[ -x scripts/test-services.sh ] && . scripts/test-services.sh

echo "== portable tests (native, sanitizers) =="
ctest --test-dir build/native --output-on-failure -j "$jobs" ${CTEST_ARGS:-}
native_rc=$?
echo "== Windows tests (Wine) =="
ctest --test-dir build/win --output-on-failure ${CTEST_ARGS:-}
win_rc=$?
[ $native_rc -eq 0 ] && [ $win_rc -eq 0 ]
