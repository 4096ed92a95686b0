#!/usr/bin/env bash
# Installs, with apt-get, whichever of the packages needed for a purpose are missing.
#   tools/install-deps.sh run    building and starting the program
#   tools/install-deps.sh test   building and running every test suite
set -euo pipefail

# Names that Debian 12 and Ubuntu 24.04 LTS both have.
run_packages=(cmake make g++ qt6-base-dev qt6-translations-l10n)
test_packages=("${run_packages[@]}" git libgtest-dev googletest g++-mingw-w64-x86-64-posix
  wine wine64 xvfb xauth xdotool util-linux clang clang-format clang-tidy clazy libclang-rt-dev
  desktop-file-utils appstream man-db dpkg-dev file lintian devscripts nsis)

case "${1:-}" in
  run) wanted=("${run_packages[@]}") ;;
  test) wanted=("${test_packages[@]}") ;;
  *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac

missing=()
for package in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
as_root=(env DEBIAN_FRONTEND=noninteractive)
[ "$(id -u)" -eq 0 ] || as_root=(sudo "${as_root[@]}")
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q "${missing[@]}" </dev/null
