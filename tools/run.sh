#!/usr/bin/env bash
# Installs what is missing, builds the Linux program, and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh run
export CMAKE_BUILD_PARALLEL_LEVEL="$(nproc)"
cmake --preset native >/dev/null
cmake --build --preset native

program=build/native/morlett
if [ ! -x "$program" ]; then
  echo "The core is built and tested, but the window is not written yet: there is no program to start."
  exit 1
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<MSG
There is no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is set).
Start it on a desktop session, or under a virtual display:
  sudo apt-get install xvfb && xvfb-run -a $program
MSG
  exit 1
fi
exec "$program" "$@"
