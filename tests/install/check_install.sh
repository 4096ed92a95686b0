#!/usr/bin/env bash
# The Linux install: the desktop entry, the metainfo and the man page pass their checkers with
# nothing to say, and an install into a DESTDIR holds exactly the expected files.
#   check_install.sh <cmake> <build folder> <resources/linux folder>
set -euo pipefail
cmake=$1 build=$2 files=$3
dest="$(mktemp -d)"
trap 'rm -rf "$dest"' EXIT

said="$(desktop-file-validate "$files/org.morlett.Morlett.desktop" 2>&1
  man --warnings -l "$files/morlett.1" 2>&1 >/dev/null)"
[ -z "$said" ] || { echo "$said"; exit 1; }
appstreamcli validate --no-net --strict "$files/org.morlett.Morlett.metainfo.xml"

DESTDIR="$dest" "$cmake" --install "$build" --prefix /usr >/dev/null
diff -u - <(cd "$dest" && find . -type f | sort) <<'EOF'
./usr/bin/morlett
./usr/share/applications/org.morlett.Morlett.desktop
./usr/share/doc/morlett/changelog.Debian.gz
./usr/share/doc/morlett/copyright
./usr/share/icons/hicolor/128x128/apps/org.morlett.Morlett.png
./usr/share/icons/hicolor/16x16/apps/org.morlett.Morlett.png
./usr/share/icons/hicolor/24x24/apps/org.morlett.Morlett.png
./usr/share/icons/hicolor/256x256/apps/org.morlett.Morlett.png
./usr/share/icons/hicolor/32x32/apps/org.morlett.Morlett.png
./usr/share/icons/hicolor/48x48/apps/org.morlett.Morlett.png
./usr/share/icons/hicolor/64x64/apps/org.morlett.Morlett.png
./usr/share/icons/hicolor/scalable/apps/org.morlett.Morlett.svg
./usr/share/man/man1/morlett.1.gz
./usr/share/metainfo/org.morlett.Morlett.metainfo.xml
EOF
