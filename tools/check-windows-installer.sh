#!/usr/bin/env bash
# The Windows installer under Wine, in a fresh prefix of its own: a silent install for the
# current user, then another over it, which must upgrade in place; the files, the Start-menu
# shortcut and the Uninstall entry are there; the installed Morlett.exe starts and runs a
# lithrez.exe put beside it; a silent uninstall leaves nothing but that file. Every wait is
# for a condition, with a deadline.
#   tools/check-windows-installer.sh <setup.exe> <stand-in lithrez.exe> <press_button.exe>
set -euo pipefail
setup=$(realpath "$1") stand_in=$(realpath "$2") press=$(realpath "$3")
cd "$(dirname "$0")/.."
work="$PWD/build/rel-installer"
rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX="$work/wine-prefix"
source tools/wine-env.sh
# Wine's menu builder would copy the shortcut into this machine's own menu.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
fresh_wine_prefix
touch "$work/before"

fail() { echo "installer check failed: $*" >&2; exit 1; }
# Waits up to two minutes for the command to succeed.
wait_until() {
  local deadline=$((SECONDS + 120))
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}
windows_variable() { wine cmd /c echo "%$1%" | tr -d '\r'; }
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Morlett'
# Programs start by their Windows path: the program's own folder is where it finds the tool.
installed="$(windows_variable LOCALAPPDATA)\Programs\Morlett"
folder=$(winepath -u "$installed")
shortcut=$(winepath -u "$(windows_variable APPDATA)\Microsoft\Windows\Start Menu\Programs\Morlett.lnk")
listing() { (cd "$folder" 2>/dev/null && ls -A | sort | tr '\n' ' '); }
entries() { wine reg query "${key%\\*}" 2>/dev/null | tr -d '\r' | grep -ci 'Uninstall\\Morlett$' || true; }

for round in install upgrade; do
  wine "$setup" /S || fail "$round: the installer ended with $?"
  [ "$(listing)" = "LICENSE Morlett.exe README.md uninstall.exe " ] ||
    fail "$round: $folder holds: $(listing)"
  [ -f "$shortcut" ] || fail "$round: no shortcut $shortcut"
  [ "$(entries)" = 1 ] || fail "$round: $(entries) Uninstall entries"
done
values=$(wine reg query "$key" | tr -d '\r')
for name in DisplayName DisplayVersion Publisher DisplayIcon EstimatedSize UninstallString \
  QuietUninstallString; do
  grep -q "^ *$name " <<<"$values" || fail "the Uninstall entry lacks $name: $values"
done
! wine reg query "HKLM${key#HKCU}" >/dev/null 2>&1 || fail "an all-users entry, unasked"
echo "Installed into $installed: $(listing)"
echo "Uninstall entry $key:"
sed -n 's/^    /  /p' <<<"$values"

# The installed program finds the tool beside it, as a user's lithrez.exe would be found.
cp "$stand_in" "$folder/lithrez.exe"
log="$work/stand-in.log"
export STAND_IN_LOG="$(winepath -w "$log")"
wine "$installed\Morlett.exe" &
program=$!
wine "$press" "Morlett Advanced" Lithrez || fail "the installed Morlett.exe showed no Lithrez button"
# The stand-in logs each run as "argc N", N the arguments it got: the bare run gives none.
wait_until grep -sqx 'argc 0' "$log" || fail "the installed Morlett.exe did not run lithrez.exe"
wine "$press" "Morlett Advanced" Quit || fail "no Quit button"
wait_until eval '! kill -0 "$program" 2>/dev/null' || fail "Morlett.exe did not end on Quit"
echo "The installed Morlett.exe ran the lithrez.exe beside it."

# The uninstaller runs from a copy of itself, so its own end is not the uninstall's.
wine "$installed\uninstall.exe" /S || fail "the uninstaller ended with $?"
wait_until eval '[ "$(listing)" = "lithrez.exe " ] && [ "$(entries)" = 0 ]' ||
  fail "after uninstalling, $folder holds: $(listing); Uninstall entries: $(entries)"
[ ! -e "$shortcut" ] || fail "the shortcut is still there"
echo "After uninstalling: $installed holds $(listing); no shortcut; no Uninstall entry."
# The uninstaller's copy of itself in the temporary folder goes at the next start of Windows.
wineboot -r
left=$(cd "$WINEPREFIX" && find drive_c -newer "$work/before" -type f)
[ "$left" = "$(realpath --relative-to="$WINEPREFIX" "$folder/lithrez.exe")" ] ||
  fail "files new since the install: $left"
for hive in HKEY_CURRENT_USER HKEY_LOCAL_MACHINE; do
  wine regedit /E "$work/$hive.reg" "$hive"
  named=$(iconv -f UTF-16 -t UTF-8 "$work/$hive.reg" | grep -i morlett || true)
  [ -z "$named" ] || fail "$hive still names Morlett: $named"
done
echo "After a restart of Windows, the one new file is $left; the registry names Morlett nowhere."
