#!/usr/bin/env bash
# Installs what is missing, builds the Linux program alone (no tests, no benchmarks, so it needs
# only the run packages and no network), and starts it. MORLETT_RUN_BUILD names another build
# folder than the run preset's.
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
build="${MORLETT_RUN_BUILD:-build/run}"
cmake --preset run -B "$build" >/dev/null
cmake --build "$build" --target morlett
exec "$build/morlett" "$@"
