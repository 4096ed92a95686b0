# Sourced by the scripts that run Windows programs: a Wine prefix of the project's own, no
# install prompts, and an X display (a private Xvfb when there is none).
export WINEPREFIX="${WINEPREFIX:-$(pwd)/build/wine-prefix}"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG="${WINEDEBUG:--all}"

start_private_display() {
  local display=":$((90 + RANDOM % 100))"
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY="$display"
  for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X${display#:}" ] && return 0
    sleep 0.1
  done
  echo "Xvfb did not start on $display" >&2
  return 1
}

stop_wine() {
  wineserver -k 2>/dev/null || true
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
}

# A fresh prefix for every run, so no state from an earlier run can hide a fault. Its windows
# live on a virtual desktop: with no window manager on the display, Wine would otherwise wait
# two seconds for each top-level window to go whenever one is hidden or destroyed.
fresh_wine_prefix() {
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  wineboot -i >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1
  wineserver -w
}

[ -n "${DISPLAY:-}" ] || start_private_display
trap stop_wine EXIT
