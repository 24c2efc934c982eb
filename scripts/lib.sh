# Shared by scripts/test and scripts/demo: a private X display and a private Wine prefix.
# Source it; call start_display, then prepare_prefix <prefix>; stop_all runs on exit.

vlx_xvfb_pid=""

start_display() {
  local n=91
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  vlx_xvfb_pid=$!
  local i
  for i in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
  done
  if [ ! -e "/tmp/.X11-unix/X$n" ]; then
    echo "could not start Xvfb on :$n" >&2
    return 1
  fi
  export DISPLAY=":$n"
}

# Creates the prefix once (wineboot takes a few seconds) and reuses it afterwards.
prepare_prefix() {
  export WINEPREFIX="$1"
  export WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "creating Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
  if [ ! -f "$WINEPREFIX/.vlx-configured" ]; then
    # Without a window manager, managed windows make Wine wait two seconds on every hide and
    # destroy; unmanaged windows behave like the desktop's own.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.vlx-configured"
  fi
}

stop_all() {
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k >/dev/null 2>&1 || true
  fi
  if [ -n "$vlx_xvfb_pid" ]; then
    kill "$vlx_xvfb_pid" >/dev/null 2>&1 || true
    wait "$vlx_xvfb_pid" 2>/dev/null || true
    vlx_xvfb_pid=""
  fi
}
