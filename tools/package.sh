#!/usr/bin/env bash
# Builds the packages afresh into build/packages/ (or the folder given): the Linux .deb (preset
# run, in build/rel-native), the Windows .zip and installer (preset windows without tests, in
# build/rel-windows). Each is a function of the sources and SOURCE_DATE_EPOCH, which is the
# last commit's time unless set. Checks them (lintian, hardening-check, the PE flags, what
# each holds), writes SHA256SUMS beside them, and prints their sizes.
#   tools/package.sh [output folder]
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh test
export CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}"
export SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}"
# Zip entries hold local times, and permissions come from the umask: both fixed here.
export TZ=UTC LC_ALL=C.UTF-8
umask 022
out=$(realpath -m "${1:-build/packages}")
linux_build=build/rel-native windows_build=build/rel-windows
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# A fresh build folder each time, so nothing built with another date or flags gets in.
rm -rf "$out" "$linux_build" "$windows_build"
mkdir -p "$out"
cmake --preset run -B "$linux_build" >/dev/null
cmake --build "$linux_build" --target morlett
cmake --preset windows -B "$windows_build" -DMORLETT_BUILD_TESTS=OFF >/dev/null
cmake --build "$windows_build" --target Morlett
for build in "$linux_build:deb" "$windows_build:zip"; do
  cpack --config "${build%:*}/CPackConfig.cmake" -B "${build%:*}/cpack" >/dev/null
  mv "${build%:*}"/cpack/morlett*."${build#*:}" "$out"
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$windows_build/CMakeCache.txt")
deb=$(echo "$out"/morlett_*.deb) zip=$out/morlett-$version-win64.zip
setup=$out/morlett-$version-win64-setup.exe

# The installer takes the same files as the zip, dated alike.
files="$scratch/windows-files"
cmake --install "$windows_build" --prefix "$files" >/dev/null
find "$files" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
makensis -V2 -DVERSION="$version" -DFILES="$files" -DOUTFILE="$setup" \
  resources/windows/morlett.nsi

fail() { echo "package check failed: $*" >&2; exit 1; }

depends=$(dpkg-deb --field "$deb" Depends)
for library in libqt6core6 libqt6gui6 libqt6widgets6; do
  [[ $depends == *"$library"* ]] || fail "$deb: Depends lacks $library: $depends"
done
# The .deb holds exactly what `cmake --install` puts under /usr.
DESTDIR="$scratch/installed" cmake --install "$linux_build" --prefix /usr >/dev/null
diff <(cd "$scratch/installed" && find . -type f | sort) \
  <(dpkg-deb --contents "$deb" | awk '/^-/ {print $NF}' | sort) ||
  fail "$deb does not hold the installed files"
[ "$(cmake -E tar tf "$zip" | sort | tr '\n' ' ')" = "LICENSE Morlett.exe README.md " ] ||
  fail "$zip holds: $(cmake -E tar tf "$zip")"

# Debian's checker, with nothing to say but one warning that does not apply here: the package
# is not uploaded to Debian, so its first changelog entry has no ITP bug to close.
status=0
said=$(lintian --fail-on error,warning --display-info \
  --suppress-tags initial-upload-closes-no-bugs "$deb" 2>&1) || status=$?
said=$(grep -v 'running with root privileges' <<<"$said" || true)
echo "lintian $(lintian --version | awk '{print $2}'): ${said:-nothing to say}"
[ "$status" -eq 0 ] || fail "lintian reports an error or a warning on $deb"

# The packaged binary, hardened. Two lines cannot say yes on Debian 12 whatever the flags:
# no function here has a frame large enough to need stack-clash probes, and the C library's
# start files carry no CET note, so the linker leaves it off every program (see
# docs/packaging.md). For those, every object of ours must carry the CET note instead.
dpkg-deb -x "$deb" "$scratch/deb"
report=$(hardening-check --nocfprotection "$scratch/deb/usr/bin/morlett") ||
  fail "hardening-check: $report"
echo "$report"
grep -q '^ Stack clash protection: \(yes\|unknown, no -fstack-clash-protection instructions found\)$' \
  <<<"$report" || fail "stack-clash protection: $report"
while IFS= read -r object; do
  readelf -n "$object" | grep -q 'x86 feature: IBT, SHSTK' || fail "$object lacks the CET note"
done < <(find "$linux_build" -name '*.cpp.o')

# Morlett.exe as the zip holds it: ASLR with high-entropy addresses, and no executable data.
cmake -E chdir "$scratch" cmake -E tar xf "$zip" Morlett.exe
flags=$(x86_64-w64-mingw32-objdump -p "$scratch/Morlett.exe" | sed -n '/^DllCharacteristics/,/^SizeOf/p')
for flag in HIGH_ENTROPY_VA DYNAMIC_BASE NX_COMPAT; do
  grep -qw "$flag" <<<"$flags" || fail "Morlett.exe lacks $flag: $flags"
done
echo "Morlett.exe: $(echo $(grep -o '[A-Z_]\{6,\}' <<<"$flags"))"

(cd "$out" && sha256sum -- *.deb *.zip *.exe >SHA256SUMS)
for package in "$deb" "$zip" "$setup"; do
  printf '%s  %s\n' "$(numfmt --to=iec-i --suffix=B "$(stat -c %s "$package")")" "$package"
done
