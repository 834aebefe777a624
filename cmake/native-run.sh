#!/usr/bin/env bash
# Runs a native test program. With QEL_TEST_BATCH_DIR set (the test command sets it), a run of one
# GoogleTest case (--gtest_filter=SUITE.CASE, as ctest runs them) takes its result from one shared
# run of the whole program (cmake/test-batch.py), unless the test asks for a process of its own
# (QEL_TEST_FRESH=1).
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ -n "${QEL_TEST_BATCH_DIR:-}" ] && [ -z "${QEL_TEST_FRESH:-}" ]; then
  for a in "$@"; do
    case "$a" in
      --gtest_filter=*[*?:-]*) break ;;
      --gtest_filter=*.*)
        batch_dir=$QEL_TEST_BATCH_DIR
        unset QEL_TEST_BATCH_DIR
        py=/usr/bin/python3; [ -x "$py" ] || py=python3
        exec "$py" "$here/cmake/test-batch.py" "$batch_dir" "$here/cmake/native-run.sh" "$@" ;;
    esac
  done
fi
exec "$@"
