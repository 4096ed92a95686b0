#!/usr/bin/env bash
# Fails on a path in the repository that nobody meant to add: a name with a control character
# or a backslash (a shell fragment saved as a file name), or an entry at the top level beyond
# the expected few. Checks tracked and new files as they are on disk.
set -euo pipefail
cd "$(dirname "$0")/.."

expected_at_root=(.ci .clang-format .clang-tidy .gitignore CMakeLists.txt CMakePresets.json
  LICENSE README.md app bench cmake commands console docs pickers platform resources tests tools)

status=0
while IFS= read -r -d '' path; do
  [ -e "$path" ] || continue  # deleted, on its way out
  if [[ $path == *[[:cntrl:]\\]* ]]; then
    printf 'paths: a control character or backslash in %q\n' "$path" >&2
    status=1
  fi
  root=${path%%/*}
  if [[ " ${expected_at_root[*]} " != *" $root "* ]]; then
    printf 'paths: %q at the top level is not one of: %s\n' "$root" "${expected_at_root[*]}" >&2
    status=1
  fi
done < <(git ls-files -z --cached --others --exclude-standard)
exit "$status"
