#!/usr/bin/env bash
# Builds and runs the native harness of the slider step's imaging part (Release, no sanitizers).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
cmake -S bench/native -B build/bench-native -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/bench-native -j2 >/dev/null
build/bench-native/step_imaging_native
