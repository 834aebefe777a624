#!/usr/bin/env bash
# Runs a Windows executable under Wine in the build tree's prefix.
# WINEPREFIX defaults to <repo>/build/wineprefix; DISPLAY comes from the environment or from the
# display file that scripts/wine-env.sh writes when it starts Xvfb.
# With QEL_TEST_BATCH_DIR set (the test command sets it), a run of one GoogleTest case
# (--gtest_filter=SUITE.CASE, as ctest runs them) takes its result from one shared run of the whole
# program (cmake/test-batch.py), unless the test asks for a process of its own (QEL_TEST_FRESH=1).
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LANG=C.UTF-8
export PATH=/usr/lib/wine:$PATH
if [ -z "${DISPLAY:-}" ] && [ -f "$WINEPREFIX/../display" ]; then export DISPLAY=$(cat "$WINEPREFIX/../display"); fi
. "$here/cmake/test-batch-dispatch.sh"
qel_batch_dispatch "$here/cmake/wine-run.sh" "$@"
exec wine64 "$@"
