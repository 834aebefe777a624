#!/usr/bin/env bash
# Runs a Windows executable under Wine in the build tree's prefix.
# WINEPREFIX defaults to <repo>/build/wineprefix; DISPLAY comes from the environment or from the
# display file that scripts/wine-env.sh writes when it starts Xvfb.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LANG=C.UTF-8
export PATH=/usr/lib/wine:$PATH
if [ -z "${DISPLAY:-}" ] && [ -f "$WINEPREFIX/../display" ]; then export DISPLAY=$(cat "$WINEPREFIX/../display"); fi
exec wine64 "$@"
