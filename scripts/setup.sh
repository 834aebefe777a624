#!/usr/bin/env bash
# Installs every Debian package the build and the tests need (idempotent; quick when all is present).
set -euo pipefail
PKGS=(cmake ninja-build make g++ g++-mingw-w64-x86-64-posix googletest libbenchmark-dev
      wine64 fonts-wine fonts-wqy-microhei xvfb xauth x11-apps xdotool imagemagick
      libxrender1 libxrandr2 libxi6 libxcursor1 libxinerama1 libxcomposite1 libxfixes3
      clang libclang-rt-14-dev netpbm python3-xlib)
# Printing tests: a CUPS spooler with the PDF back end, and tools to read the PDFs back.
PKGS+=(cups printer-driver-cups-pdf poppler-utils ghostscript)
# Release zip (scripts/package.sh): python3 writes the archive.
PKGS+=(python3)
PKGS+=(${EXTRA_PKGS:-})
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
