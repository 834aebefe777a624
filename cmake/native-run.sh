#!/usr/bin/env bash
# Runs a native test program. With QEL_TEST_BATCH_DIR set (the test command sets it), a run of one
# GoogleTest case (--gtest_filter=SUITE.CASE, as ctest runs them) takes its result from one shared
# run of the whole program (cmake/test-batch.py), unless the test asks for a process of its own
# (QEL_TEST_FRESH=1).
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$here/cmake/test-batch-dispatch.sh"
qel_batch_dispatch "$here/cmake/native-run.sh" "$@"
exec "$@"
