#!/usr/bin/env bash
# Builds the release zip for Windows users: dist/PhotoPrint-<version>-win64.zip with PhotoPrint.exe,
# README.txt and LICENSE.txt. The executable is built here in its own folder (build/package,
# Release). Two runs on the same sources give byte-identical zips: the linker writes no time stamp,
# the build folder is fixed and its path is mapped away, and the archive has a fixed file order,
# fixed dates (SOURCE_DATE_EPOCH, else the last commit's time) and fixed attributes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup.sh

# The version comes from the version resource, so the zip name and the executable always agree.
version=$(sed -n 's/^#define PHOTOPRINT_VERSION_STR "\([0-9]*\.[0-9]*\.[0-9]*\)\.[0-9]*"$/\1/p' resources/app.rc)
[ -n "$version" ] || { echo "package: no PHOTOPRINT_VERSION_STR in resources/app.rc" >&2; exit 1; }

build=build/package
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
      -DCMAKE_C_FLAGS="-ffile-prefix-map=$root=." \
      -DCMAKE_CXX_FLAGS="-ffile-prefix-map=$root=." \
      -DCMAKE_EXE_LINKER_FLAGS="-s" >/dev/null
cmake --build "$build" -j "$(nproc)" --target PhotoPrint

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || echo 315532800)
fi
export SOURCE_DATE_EPOCH

mkdir -p dist
zip="dist/PhotoPrint-$version-win64.zip"

# The Debian python3 (the one scripts/setup.sh installs), not whatever else may come first on PATH.
/usr/bin/python3 - "$build/app/PhotoPrint.exe" LICENSE "$zip" <<'PY'
import os, sys, time, zipfile

exe, licence, out = sys.argv[1:4]

readme = """Ferovel photo print
===================

Ferovel photo print prepares phone photographs of paper documents (a worksheet, a form, a page
of notes) for printing: it makes the paper whiter and the writing darker, and prints the result
on one page.

System requirements
-------------------
64-bit Windows 10 or Windows 11. Nothing to install: unzip the download into any folder (on the
desktop, on a USB stick) and start PhotoPrint.exe. To remove the program, delete the folder.

How to use it
-------------
1. Start PhotoPrint.exe. The window shows a sample picture.
2. Drag a picture file (for example a JPEG or PNG from your phone) from Explorer and drop it
   onto the window. It replaces the sample.
3. Move the three sliders to adjust the picture:
     - brightness: makes the whole picture lighter or darker;
     - contrast:   raise it to make the paper whiter and the writing darker;
     - hue:        shifts the colours.
4. To change only part of the picture, drag a rectangle over it with the mouse. The sliders then
   adjust only what is inside the rectangle.
5. Save writes the result as a PNG file in the same folder as the picture you dropped, named
   "已修改_" followed by the picture's name, for example "已修改_page.png" for "page.jpg".
   ("已修改" means "modified".)
6. Print prints the picture on one page of your default printer. A picture that is wider than it
   is high is turned to fit the page.

Licence
-------
Ferovel photo print is free software under the MIT licence; see LICENSE.txt.
"""

def crlf(text):
    return text.replace("\r\n", "\n").replace("\n", "\r\n")

# Zip dates are local times with two-second steps and start in 1980; use UTC so the zone of the
# machine that builds does not change the bytes.
epoch = max(int(os.environ["SOURCE_DATE_EPOCH"]), 315532800)
stamp = time.gmtime(epoch)[:6]

with open(exe, "rb") as f:
    exe_bytes = f.read()
with open(licence, encoding="utf-8") as f:
    licence_bytes = crlf(f.read()).encode("utf-8")
# A byte order mark so every Notepad version reads the Chinese file name as UTF-8.
readme_bytes = b"\xef\xbb\xbf" + crlf(readme).encode("utf-8")

entries = [("PhotoPrint.exe", exe_bytes), ("README.txt", readme_bytes), ("LICENSE.txt", licence_bytes)]
tmp = out + ".tmp"
with zipfile.ZipFile(tmp, "w") as z:
    for name, data in entries:
        info = zipfile.ZipInfo(name, date_time=stamp)
        info.create_system = 0            # made on MS-DOS/Windows: no Unix permissions
        info.external_attr = 0x20         # FILE_ATTRIBUTE_ARCHIVE, as Explorer writes it
        info.compress_type = zipfile.ZIP_DEFLATED
        z.writestr(info, data, compresslevel=9)
os.replace(tmp, out)
PY

sha=$(sha256sum "$zip" | cut -d' ' -f1)
echo "package: $zip"
echo "package: sha256 $sha"
