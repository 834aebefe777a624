#!/usr/bin/env bash
# Makes docs/screenshot.png, the README's picture of the program at work: a phone photograph of a
# worksheet (drawn by resources/make_sample.py at 960 x 641 and saved as JPEG) dropped on the window,
# brightness and contrast raised to whiten the paper, a selection dragged over the first exercises.
# The program runs under Wine on a virtual display, hosted by build/<tree>/tools/screenshot_host.exe,
# which reads the window back from the screen.
#   docs/make_screenshot.sh            (BUILD_DIR=build/win, Wine prefix of its own in build/shot)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup.sh
build=${BUILD_DIR:-build/win}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$build" -j2 --target screenshot_host >/dev/null

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# The sample's drawing at a size that fills the window's picture area.
python3 - "$tmp/worksheet.png" <<'PY'
import importlib.util, sys
loader_info = importlib.util.spec_from_file_location("make_sample", "resources/make_sample.py")
sample = importlib.util.module_from_spec(loader_info)
loader_info.loader.exec_module(sample)
draw = sample.run
sample.run = lambda *args: draw(*[a.replace("608x406!", "960x641!") for a in args])
sys.argv = ["make_sample.py", sys.argv[1]]
sample.main()
PY
convert "$tmp/worksheet.png" -quality 90 "$tmp/worksheet.jpg"

export BUILD_ROOT=${SHOT_ROOT:-$root/build/shot}
. scripts/wine-env.sh
wine_env_start >/dev/null
trap 'wine_env_stop; rm -rf "$tmp"' EXIT
wine64 "$build/tools/screenshot_host.exe" "$(wine64 winepath -w "$tmp/worksheet.jpg" 2>/dev/null | tr -d '\r')" \
       "$(wine64 winepath -w "$root/docs/screenshot.png" 2>/dev/null | tr -d '\r')" 2>/dev/null | tr -d '\r'
# The second picture: a 12-megapixel worksheet photograph shown whole (View, Fit).
wine64 "$build/tools/screenshot_host.exe" --whole \
       "$(wine64 winepath -w "$root/docs/screenshot-whole.png" 2>/dev/null | tr -d '\r')" 2>/dev/null | tr -d '\r'
