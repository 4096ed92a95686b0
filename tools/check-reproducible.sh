#!/usr/bin/env bash
# Builds every package twice with tools/package.sh, from two clones of this repository in
# different folders, one after the other and in different time zones, and fails unless both
# builds give the same bytes. Changes not yet committed are laid over each clone, so what is
# checked is the working tree.
#   tools/check-reproducible.sh [--against <packages folder>]
# With --against, the packages tools/package.sh made from this checkout are the first build,
# and only one clone is built: the test command's way, at half the cost.
set -euo pipefail
cd "$(dirname "$0")/.."

work=build/rel-repro
rm -rf "$work"
mkdir -p "$work"

# A clone of the repository at $1, with the working tree's changes over it.
clone_here() {
  git clone -q --no-hardlinks . "$1"
  git ls-files -z --deleted | (cd "$1" && xargs -0r rm -f --)
  git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' file; do [ ! -f "$file" ] || printf '%s\0' "$file"; done |
    tar --null -T - -cf - | tar -C "$1" -xf -
}

# Packages built in a new clone at $1, in time zone $2, into $work/$3.
build_in_clone() {
  clone_here "$1"
  (cd "$1" && TZ=$2 tools/package.sh "$OLDPWD/$work/$3") >"$work/$3.log" 2>&1 || {
    tail -40 "$work/$3.log" >&2
    echo "check-reproducible: the build in $1 failed; see $work/$3.log" >&2
    exit 1
  }
}

if [ "${1:-}" = --against ]; then
  first=$2
else
  build_in_clone "$work/first/morlett" Pacific/Auckland first-packages
  first=$work/first-packages
fi
build_in_clone "$work/2nd clone/elsewhere/src" America/Denver second-packages
second=$work/second-packages

echo "Built twice, in $(realpath "$first") and $(realpath "$second"):"
status=0
for package in "$first"/*; do
  name=$(basename "$package")
  one=$(sha256sum <"$package" | cut -c1-64)
  two=$(sha256sum <"$second/$name" 2>/dev/null | cut -c1-64 || true)
  verdict=same
  [ "$one" = "$two" ] || { verdict=DIFFERENT; status=1; }
  printf '%-32s %s  %s  %s\n' "$name" "$one" "${two:-(missing)}" "$verdict"
done
[ "$status" -eq 0 ] || echo "check-reproducible: the builds differ" >&2
exit "$status"
