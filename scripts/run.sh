#!/usr/bin/env bash
# Builds the program and starts it: in its own window when a display exists; otherwise under a
# virtual display, saving a screenshot of the running window to build/screenshot.png.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup.sh || exit 1
export BUILD_ROOT="$root/build"
cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null || exit 1
cmake --build build/win -j "$(nproc)" --target PhotoPrint || exit 1
had_display=${DISPLAY:-}
. scripts/wine-env.sh
wine_env_start
trap wine_env_stop EXIT
if [ -n "$had_display" ]; then
  wine64 build/win/app/PhotoPrint.exe
else
  wine64 build/win/app/PhotoPrint.exe &
  pid=$!
  sleep "${SHOT_DELAY:-6}"
  xwd -root -display "$DISPLAY" -silent | convert xwd:- "$root/build/screenshot.png"
  echo "screenshot of the running window: $root/build/screenshot.png"
  wine64 cmd /c exit >/dev/null 2>&1
  xdotool search --name "Ferovel V1.3" key Escape >/dev/null 2>&1 || true
  sleep 1; kill $pid 2>/dev/null; wait $pid 2>/dev/null
fi
