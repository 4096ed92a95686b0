#!/usr/bin/env bash
# Builds the Linux .deb (preset native) and the Windows .zip (preset windows) with CPack into
# build/packages/, checks what each holds, and prints where they are and their sizes.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh test
export CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}"
out=build/packages
rm -rf "$out"
for build in native:morlett windows:Morlett; do
  preset=${build%:*}
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target "${build#*:}"
  cpack --config "build/$preset/CPackConfig.cmake" -B "$out" >/dev/null
done
deb=$(echo "$out"/morlett_*.deb) zip=$(echo "$out"/morlett-*-win64.zip)

fail() { echo "package check failed: $*" >&2; exit 1; }
depends=$(dpkg-deb --field "$deb" Depends)
for library in libqt6core6 libqt6gui6 libqt6widgets6; do
  [[ $depends == *"$library"* ]] || fail "$deb: Depends lacks $library: $depends"
done
# The .deb holds exactly what `cmake --install` puts under /usr.
staged=$(mktemp -d)
trap 'rm -rf "$staged"' EXIT
DESTDIR="$staged" cmake --install build/native --prefix /usr >/dev/null
installed=$(cd "$staged" && find . -type f | sort)
diff <(echo "$installed") <(dpkg-deb --contents "$deb" | awk '/^-/ {print $NF}' | sort) ||
  fail "$deb does not hold the installed files"
[ "$(cmake -E tar tf "$zip" | sort | tr '\n' ' ')" = "LICENSE Morlett.exe README.md " ] ||
  fail "$zip holds: $(cmake -E tar tf "$zip")"

for package in "$deb" "$zip"; do
  printf '%s  %s\n' "$(numfmt --to=iec-i --suffix=B "$(stat -c %s "$package")")" "$package"
done
