# Sourced by cmake/wine-run.sh and cmake/native-run.sh. With QEL_TEST_BATCH_DIR set (the test
# command sets it), a run of one GoogleTest case (--gtest_filter=SUITE.CASE, as ctest runs them)
# takes its result from one shared run of the whole program (cmake/test-batch.py), unless the test
# asks for a process of its own (QEL_TEST_FRESH=1). Otherwise it returns and the runner goes on.
#   qel_batch_dispatch RUNNER ARGS...
qel_batch_dispatch() {
  local runner=$1 a batch_dir py
  shift
  [ -n "${QEL_TEST_BATCH_DIR:-}" ] && [ -z "${QEL_TEST_FRESH:-}" ] || return 0
  for a in "$@"; do
    case "$a" in
      --gtest_filter=*[*?:-]*) return 0 ;;
      --gtest_filter=*.*)
        batch_dir=$QEL_TEST_BATCH_DIR
        unset QEL_TEST_BATCH_DIR
        py=/usr/bin/python3; [ -x "$py" ] || py=python3
        exec "$py" "$(dirname "${BASH_SOURCE[0]}")/test-batch.py" "$batch_dir" "$runner" "$@" ;;
    esac
  done
}
