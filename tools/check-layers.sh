#!/usr/bin/env bash
# Fails when an include runs against the layers, or when the tests outgrow their share.
#   Layers, from the bottom: platform/platform.h and platform/controls.h include nothing of
#   ours; commands/, console/ and pickers/ include only those and each other; app/ adds
#   itself; the backends (platform/qt, platform/win32, platform/fake) may include the core
#   but never each other.
#   Tests (tests/, platform/fake/) come to at most half of the program (app/, commands/,
#   console/, pickers/, platform/ without fake/), in non-blank lines.
set -euo pipefail
cd "$(dirname "$0")/.."

# Tracked and new files, as they are on disk.
files() {
  git ls-files --cached --others --exclude-standard "$@" | while IFS= read -r f; do
    if [ -f "$f" ]; then echo "$f"; fi
  done
}

allowed_for() {
  case "$1" in
    platform/platform.h) echo 'platform/controls\.h' ;;
    platform/controls.h | platform/entry.h) echo '' ;;
    platform/main.cpp) echo 'platform/entry\.h' ;;
    commands/* | console/* | pickers/*) echo '(commands|console|pickers)/[^/]+|platform/(platform|controls)\.h' ;;
    app/*) echo '(app|commands|console|pickers)/[^/]+|platform/(platform|controls)\.h' ;;
    platform/*/*) echo "(app|commands|console|pickers|${1%/*})/[^/]+|platform/[^/]+\.h" ;;
    *) echo '.*' ;;
  esac
}

status=0
while IFS= read -r file; do
  pattern="$(allowed_for "$file")"
  while IFS= read -r included; do
    if ! grep -Eqx "$pattern" <<<"$included"; then
      echo "layers: $file includes \"$included\"" >&2
      status=1
    fi
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
done < <(files app commands console pickers platform | grep -E '\.(h|cpp)$')

count() { files "$@" | xargs cat | grep -cv '^[[:space:]]*$'; }
tests="$(count tests platform/fake)"
program="$(( $(count app commands console pickers platform) - $(count platform/fake) ))"
echo "tests: $tests non-blank lines for $program of program ($(( 100 * tests / program ))%)"
if [ $(( 2 * tests )) -gt "$program" ]; then
  echo "tests are more than half of the program" >&2
  status=1
fi
exit "$status"
