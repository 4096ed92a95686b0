#!/usr/bin/env bash
# The README's first command on a machine with the run packages only and no network: runs
# tools/run.sh in mount and network namespaces of its own where the system's GoogleTest is
# hidden, under a private Xvfb, and passes when the window comes up. A configure that wants
# the tests must stop there with one line that names the package to install.
#   tools/check-first-run.sh [build folder, build/rel-run when not given]
# Needs root (as CI runs), or unprivileged user namespaces.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/rel-run}"

if [ "${MORLETT_IN_NAMESPACE:-}" != yes ]; then
  as_root=()
  [ "$(id -u)" -eq 0 ] || as_root=(--map-root-user)
  exec env MORLETT_IN_NAMESPACE=yes unshare --mount --net "${as_root[@]}" "$0" "$@"
fi

# Inside: GoogleTest's headers, libraries, CMake files and sources become empty.
for path in /usr/include/gtest /usr/include/gmock /usr/src/googletest /usr/src/gtest \
  /usr/lib/*/cmake/GTest /usr/lib/*/libgtest* /usr/lib/*/libgmock* /usr/lib/*/pkgconfig/g{test,mock}*; do
  [ -e "$path" ] || continue
  if [ -d "$path" ]; then mount -t tmpfs none "$path"; else mount --bind /dev/null "$path"; fi
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
said=$(cmake -S . -B "$scratch/configure" -DMORLETT_BUILD_WINDOW=OFF 2>&1) && {
  echo "check-first-run: configuring the tests without GoogleTest did not fail" >&2
  exit 1
}
grep -q 'install the package libgtest-dev' <<<"$said" || {
  echo "check-first-run: configuring the tests without GoogleTest said: $said" >&2
  exit 1
}

# The build comes first: ten minutes for it and the window, or it is a failure.
status=0
MORLETT_RUN_BUILD="$build" timeout 900 xvfb-run -a -s '-screen 0 1280x1024x24 -nolisten tcp' \
  sh -c 'tools/run.sh & program=$!
    timeout 600 xdotool search --sync --onlyvisible --name "^Morlett Advanced$" >/dev/null
    status=$?
    kill $program
    exit $status' >"$scratch/log" 2>&1 || status=$?
if [ "$status" -ne 0 ] || ! grep -q 'Built target morlett' "$scratch/log"; then
  cat "$scratch/log" >&2
  echo "check-first-run: tools/run.sh showed no window (status $status)" >&2
  exit 1
fi
echo "tools/run.sh built Morlett with no GoogleTest and no network, and its window came up."
