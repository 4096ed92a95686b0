#!/usr/bin/env bash
# Installs what is missing, builds the Linux program, and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

# Said first, so that nobody waits for a build that cannot be shown.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<MSG
There is no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is set).
Start it from a desktop session, or under a virtual display:
  sudo apt-get install xvfb xauth && xvfb-run -a $0
MSG
  exit 1
fi

tools/install-deps.sh run
export CMAKE_BUILD_PARALLEL_LEVEL="$(nproc)"
cmake --preset native >/dev/null
cmake --build --preset native
exec build/native/morlett "$@"
