#!/usr/bin/env bash
# Static analysis: clang-tidy (checks in .clang-tidy) over the core, the fake and both backends;
# clazy over the Qt backend. Any finding fails.
#   tools/analyse.sh                  everything
#   tools/analyse.sh FILE.cpp...      just these files (Win32 files through the MinGW target)
# Environment: ANALYSE_JOBS (2) files at once.
set -euo pipefail
here=$PWD
cd "$(dirname "$0")/.."
root=$PWD
self=$root/tools/analyse.sh
jobs=${ANALYSE_JOBS:-2}
native=build/analyse-native
windows=build/analyse-windows

# clazy's levels 0 and 1 (connect-3arg-lambda among them) and the Qt 6 checks, which it cannot
# name by pattern.
clazy_checks=level0,level1,qt6-deprecated-api-fixes,qt6-fwd-fixes,qt6-header-fixes
clazy_checks+=,qt6-qhash-signature,qt6-qlatin1stringchar-to-u

ours="^$root/(app|commands|console|pickers|platform|tests|bench|tools)/"
# The program's own code is analysed; the tests, benchmarks and tools only run beside it.
analysed="^$root/(app|commands|console|pickers|platform)/"
tidy_args=(--quiet --header-filter="$ours")

# MinGW's C++ headers for clang: the Windows target, MinGW's own system folder, and the C++
# library folders of the installed cross compiler.
windows_args=(--extra-arg=--target=x86_64-w64-mingw32 --extra-arg=--sysroot=/usr/x86_64-w64-mingw32
  --extra-arg=-nostdinc++)
mingw_cxx=x86_64-w64-mingw32-g++-posix

# One file, run by xargs below: its findings go to the output folder, one file each.
if [ "${1:-}" = --one ]; then
  kind=$2 file=$3 out=$4
  name=$out/$(printf '%s' "${file#"$root"/}" | tr / _).$kind
  case $kind in
    native) clang-tidy -p "$native" "${tidy_args[@]}" "$file" >"$name" 2>&1 || true ;;
    windows)
      read -r -a extra <<<"${ANALYSE_WINDOWS_ARGS:-}"
      clang-tidy -p "$windows" "${tidy_args[@]}" "${windows_args[@]}" "${extra[@]}" "$file" \
        >"$name" 2>&1 || true
      ;;
    clazy)
      clazy-standalone -p "$native" --checks="$clazy_checks" --header-filter="^$root/platform/qt/" \
        --ignore-dirs="^$root/build/" "$file" >"$name" 2>&1 || true
      ;;
  esac
  exit 0
fi

for tool in clang-tidy clazy-standalone cmake "$mingw_cxx"; do
  command -v "$tool" >/dev/null || { echo "analyse: $tool is missing (tools/install-deps.sh test)" >&2; exit 2; }
done

# Build folders of their own, configured only, for their compile_commands.json. The Qt tests'
# moc output is made, since their sources include it: by CMake's own step, which building the
# target would precede by building everything it links.
configure() {
  local log
  log=$(cmake "$@" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON 2>&1) || { echo "$log" >&2; exit 2; }
}
configure -S . -B "$native" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
  -DMORLETT_BUILD_BENCH=ON -DMORLETT_BUILD_FUZZERS=ON
configure -S . -B "$windows" --toolchain cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_USE_RESPONSE_FILE_FOR_INCLUDES=OFF
find "$native" -path '*_autogen.dir/AutogenInfo.json' | while read -r info; do
  (cd "$(dirname "$info")/../.." && cmake -E cmake_autogen "$root/$info" Debug >/dev/null)
done
ANALYSE_WINDOWS_ARGS=""
while read -r folder; do
  ANALYSE_WINDOWS_ARGS+=" --extra-arg=-isystem$folder"
done < <(echo | "$mingw_cxx" -x c++ -E -v - 2>&1 | grep -E '^ /.*/include/c\+\+')
export ANALYSE_WINDOWS_ARGS

# The sources each build compiles, ours only. The Windows build adds those that are Windows' own
# or hold Windows-only code; the rest it shares with the native build.
sources() {
  sed -n 's/^ *"file": "\(.*\)",\{0,1\}$/\1/p' "$1/compile_commands.json" | grep -E "$analysed" | sort -u
}
if [ $# -gt 0 ]; then
  wanted=$(for file in "$@"; do (cd "$here" && realpath -- "$file"); done | sort -u)
  keep() { comm -12 - <(echo "$wanted"); }
else
  keep() { cat; }
fi
native_files=$(sources "$native" | keep)
windows_files=$(sources "$windows" | while read -r file; do
  case $file in */win32/*) echo "$file" ;; *) ! grep -q _WIN32 "$file" || echo "$file" ;; esac
done | keep)
clazy_files=$(echo "$native_files" | grep "^$root/platform/qt/" || true)
if [ $# -gt 0 ] && [ -z "$native_files$windows_files" ]; then
  echo "analyse: no build compiles $* (a header is analysed with the files that include it)" >&2
  exit 2
fi

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
run() {  # kind, files
  local started=$SECONDS
  [ -z "$2" ] || echo "$2" | xargs -r -d '\n' -P "$jobs" -I{} "$self" --one "$1" {} "$out"
  echo $((SECONDS - started))
}
tidy_seconds=$(($(run native "$native_files") + $(run windows "$windows_files")))
clazy_seconds=$(run clazy "$clazy_files")

# A finding is a diagnostic line with its check's name; a file that does not parse counts too.
findings() {  # kind
  cat "$out"/*."$1" 2>/dev/null | grep -E '^/.*:[0-9]+:[0-9]+: (warning|error): ' | sort -u || true
}
tidy=$( (findings native; findings windows) | sort -u)
clazy=$(findings clazy)
for kind in native windows clazy; do cat "$out"/*."$kind" 2>/dev/null || true; done |
  grep -vE '^[0-9]+ (warnings?|errors?)( and [0-9]+ errors?)? generated\.$|^Suppressed [0-9]+ warnings|^Use -header-filter|^$' || true
# No check looks for an std::initializer_list data member, whose backing array can be gone
# before the object that holds it; this looks for its declaration.
lists=$(find "$root"/{app,commands,console,pickers,platform,tests,bench,tools} \
  \( -name '*.h' -o -name '*.cpp' \) -print0 | xargs -0 -r grep -nHE '^ *(const +)?std::initializer_list<[^;()]*> +[A-Za-z_][A-Za-z0-9_]* *[;{=]' |
  sed 's/^\([^:]*:[0-9]*\):.*$/\1:1: warning: std::initializer_list data member: use std::span over a static array, or std::array [initializer-list-member]/' || true)
[ -z "$lists" ] || echo "$lists"
# Every check turned off has its reason in .clang-tidy's list of them.
unexplained=$(sed -n '/^Checks:/,/^[A-Za-z]/p' .clang-tidy | grep -oE '^ +-[a-z][^,]*' |
  sed 's/^ *-//' | while read -r check; do
  grep -q "^#   $check " .clang-tidy || echo "$root/.clang-tidy:1:1: warning: $check is turned off without a reason [reasons]"
done)
[ -z "$unexplained" ] || echo "$unexplained"
count() { [ -z "$1" ] && echo 0 || echo "$1" | wc -l; }
tidy_count=$(($(count "$tidy") + $(count "$lists") + $(count "$unexplained")))
clazy_count=$(count "$clazy")
tidy_files=$(($(count "$native_files") + $(count "$windows_files")))
echo "analyse: clang-tidy $tidy_count finding(s) in $tidy_files files (${tidy_seconds}s)," \
  "clazy $clazy_count in $(count "$clazy_files") files (${clazy_seconds}s)"
[ "$tidy_count" -eq 0 ] && [ "$clazy_count" -eq 0 ]
