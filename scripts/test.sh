#!/usr/bin/env bash
# Builds everything and runs every test: the portable tests natively (AddressSanitizer and UBSan),
# the Windows tests under Wine. Exits non-zero on any failure, on any test that did not run and when
# no test was found.
#
# Order, so that the two cores stay busy: the Windows build first; then the Windows tests start
# while the portable build runs, and the portable tests follow it. The Windows suite's output is
# shown when it has ended.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup.sh || exit 1
export BUILD_ROOT="$root/build"
jobs=$(nproc)

cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null || exit 1
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null || exit 1
cmake --build build/win -j "$jobs" || exit 1

. scripts/wine-env.sh
wine_env_start
trap 'declare -F test_services_stop >/dev/null && test_services_stop; wine_env_stop' EXIT
# The printing tests print for real through a CUPS queue: a scheduler that cannot start fails the
# run here rather than letting those tests skip.
. scripts/test-services.sh || { echo "test: the print services did not start" >&2; exit 1; }

# ctest counts a skipped test as passed: each suite writes a JUnit report, and the run fails when a
# test did not run (unless scripts/test-skip-allow.txt names it with a reason) or when no test was
# found at all. With CTEST_ARGS (for example -R to pick one test) a suite may match nothing, as long
# as the run as a whole tested something.
reports="$BUILD_ROOT/test-reports"
rm -rf "$reports"; mkdir -p "$reports"
no_tests=(--no-tests=error)
[ -n "${CTEST_ARGS:-}" ] && no_tests=()

# Each test program runs its cases in one process (cmake/test-batch.py); ctest still lists and
# reports every case by name. With CTEST_ARGS every case gets a process of its own.
batch="$BUILD_ROOT/test-batch"
rm -rf "$batch"; mkdir -p "$batch"
[ -z "${CTEST_ARGS:-}" ] && export QEL_TEST_BATCH_DIR="$batch"

ctest --test-dir build/win --output-on-failure "${no_tests[@]}" \
      --output-junit "$reports/win.xml" ${CTEST_ARGS:-} > "$reports/win.log" 2>&1 &
win_pid=$!

echo "== portable build and tests (native, sanitizers), beside the Windows tests =="
if cmake --build build/native -j "$jobs"; then
  ctest --test-dir build/native --output-on-failure -j "$jobs" "${no_tests[@]}" \
        --output-junit "$reports/native.xml" ${CTEST_ARGS:-}
  native_rc=$?
else
  native_rc=1
fi
wait "$win_pid"
win_rc=$?
echo "== Windows tests (Wine) =="
cat "$reports/win.log"

echo "== tests that did not run =="
present=()
for r in "$reports/native.xml" "$reports/win.xml"; do [ -s "$r" ] && present+=("$r"); done
if ((${#present[@]})); then
  py=/usr/bin/python3; [ -x "$py" ] || py=python3
  "$py" scripts/check-test-report.py scripts/test-skip-allow.txt "${present[@]}"
  report_rc=$?
else
  echo "no test report was written" >&2
  report_rc=1
fi
[ $native_rc -eq 0 ] && [ $win_rc -eq 0 ] && [ $report_rc -eq 0 ]
