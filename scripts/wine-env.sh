# Sourced by the run and test scripts: prepares the build tree's Wine prefix (once), a display and a
# persistent wineserver. Defines wine_env_stop to end what it started.
# Expects BUILD_ROOT (the build folder that holds the prefix).
export WINEPREFIX="$BUILD_ROOT/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=C.UTF-8
export PATH=/usr/lib/wine:$PATH
_wine_started_xvfb=""

_wine_make_prefix() {
  [ -f "$WINEPREFIX/.ready" ] && return 0
  echo "wine: making the prefix in $WINEPREFIX"
  rm -rf "$WINEPREFIX"; mkdir -p "$WINEPREFIX"
  wine64 wineboot -i >/dev/null 2>&1 || true
  wineserver -w
  local r="wine64 reg add"
  $r 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  $r 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d Y /f >/dev/null 2>&1
  $r 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  for f in "DejaVu Sans" "Tahoma" "Microsoft Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2" "SimSun"; do
    $r 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$f" \
       /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
  done
  cp -f /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  wineserver -w
  touch "$WINEPREFIX/.ready"
}

wine_env_start() {
  mkdir -p "$BUILD_ROOT"
  if [ -z "${DISPLAY:-}" ]; then
    local n=99
    while [ -e "/tmp/.X$n-lock" ]; do n=$((n+1)); done
    Xvfb ":$n" -screen 0 1600x1200x24 -nolisten tcp >/dev/null 2>&1 &
    _wine_started_xvfb=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  fi
  echo "$DISPLAY" > "$BUILD_ROOT/display"
  _wine_make_prefix
  wineserver -p
  # One run with its output discarded, so Wine's background services do not keep our pipes open.
  wine64 cmd /c exit >/dev/null 2>&1 </dev/null || true
}

wine_env_stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$_wine_started_xvfb" ]; then kill "$_wine_started_xvfb" 2>/dev/null || true; fi
  rm -f "$BUILD_ROOT/display"
}
