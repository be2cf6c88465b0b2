#!/bin/bash
# The zip and the installer of scripts/package-windows.sh, the installer under Wine:
#   installer_test.sh STATE BUILD
# STATE is a Wine session of tests/starter-windows/wine_tests.sh (a fresh prefix per test run),
# BUILD the host build with bin-windows/. Exit 77 (skipped) while the build has no quorvane.exe.
set -u
state=$1 build=$2
repository=$(cd "$(dirname "$0")/../.." && pwd)
limit=${QUORVANE_WINE_WAIT:-120} # seconds

fail() { echo "FAIL: $*" >&2; exit 1; }
if [ ! -f "$build/bin-windows/quorvane.exe" ]; then
  echo "SKIP: $build/bin-windows/quorvane.exe is not built (the designer's Windows build)"
  exit 77
fi
[ -f "$state/env" ] || fail "no Wine session in $state (the setup test did not run)"
. "$state/env"
work=$(mktemp -d "$state/case-XXXXXX")
wait_until() {
  local what=$1; shift
  local end=$((SECONDS + limit))
  while ! "$@" >/dev/null 2>&1; do
    [ $SECONDS -ge $end ] && fail "timed out waiting for $what"
    sleep 0.5
  done
}

"$repository/scripts/package-windows.sh" "$build" "$work/out" >"$work/package.log" 2>&1 \
  || fail "package-windows.sh: $(tail -20 "$work/package.log")"
zip=$(ls "$work/out"/Quorvane-*-windows-x64.zip) || fail "no zip"
setup=$(ls "$work/out"/Quorvane-*-setup.exe) || fail "no installer"

# The zip: one folder with the programs, the demonstration, the licences and the German notes.
mkdir "$work/unzipped" && (cd "$work/unzipped" && unzip -q "$zip") || fail "unzip"
top=$(ls "$work/unzipped")
for file in quorvane.exe qvr.exe LIESMICH.txt Beispiele/starter.exe Beispiele/starter.ini Beispiele/web/index.html \
    Lizenzen/UEBERSICHT.txt Lizenzen/GPL-3.txt Lizenzen/LGPL-3.txt Lizenzen/qt6-base.txt \
    Lizenzen/mingw-w64-runtime-winpthreads.txt Lizenzen/gcc-runtime-libstdc++.txt Lizenzen/libxml2.txt Lizenzen/duktape.txt; do
  [ -s "$work/unzipped/$top/$file" ] || fail "the zip lacks $file"
done
# The texts open in any Notepad: CR LF, and a byte-order mark before umlauts.
for text in "$work/unzipped/$top/LIESMICH.txt" "$work/unzipped/$top/Lizenzen"/*.txt; do
  LC_ALL=C grep -q '[^[:print:][:space:]]' "$text" || continue
  [ "$(head -c 3 "$text" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "$(basename "$text") holds umlauts but no byte-order mark"
done
LC_ALL=C grep -q 'f'$'\xc3\xbc''r' "$work/unzipped/$top/LIESMICH.txt" || fail "LIESMICH.txt is not UTF-8"
# Packed twice, the zip is the same bytes.
"$repository/scripts/package-windows.sh" "$build" "$work/again" >/dev/null 2>&1 || fail "second packing"
cmp -s "$zip" "$work/again/$(basename "$zip")" || fail "the zip is not reproducible"

# Silent install into the user's programs folder, no administrator rights asked.
wine "$setup" /S </dev/null >"$work/setup.log" 2>&1 || fail "the installer failed: $(cat "$work/setup.log")"
dir=$(find "$WINEPREFIX/drive_c/users" -path '*/AppData/Local/Programs/Quorvane' -type d | head -1)
[ -n "$dir" ] || fail "nothing in %LOCALAPPDATA%\\Programs\\Quorvane"
uninstaller="$dir/Quorvane deinstallieren.exe"
[ -f "$uninstaller" ] || fail "no uninstaller"
# Exactly the zip's files, the same bytes, and the uninstaller.
(cd "$work/unzipped/$top" && find . -type f | LC_ALL=C sort) > "$work/expected.txt"
(cd "$dir" && find . -type f ! -name 'Quorvane deinstallieren.exe' | LC_ALL=C sort) > "$work/installed.txt"
diff "$work/expected.txt" "$work/installed.txt" >&2 || fail "installed files differ from the zip's"
while read -r file; do
  cmp -s "$work/unzipped/$top/$file" "$dir/$file" || fail "$file differs from the zip's"
done < "$work/expected.txt"
menu=$(find "$WINEPREFIX/drive_c/users" -path '*/Start Menu/Programs/Quorvane.lnk' | head -1)
[ -n "$menu" ] || fail "no start-menu entry"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvane'
wine reg query "$key" /v UninstallString 2>/dev/null | grep -q 'Quorvane deinstallieren.exe' \
  || fail "the uninstaller is not registered: $(wine reg query "$key" 2>&1)"
wine reg query "$key" /v DisplayVersion 2>/dev/null | grep -q "${top#Quorvane-}" || fail "no DisplayVersion"
# The installed programs run.
wine "$dir/qvr.exe" --version </dev/null 2>/dev/null | grep -q "${top#Quorvane-}" || fail "installed qvr.exe --version"
wine "$dir/quorvane.exe" --version </dev/null >"$work/designer.out" 2>&1 || fail "installed quorvane.exe --version: $(cat "$work/designer.out")"

# The user's own files in and beside the folder survive the uninstall; every installed file goes.
beside="$(dirname "$dir")/Meine Disc"
mkdir -p "$dir/Mein Projekt" "$beside"
printf '[quorvane]\r\ncaption=Mein Menü\r\n' > "$dir/Mein Projekt/starter.ini"
printf 'Notiz' > "$dir/notiz.txt"
printf '[quorvane]\r\n' > "$beside/starter.ini"
# The uninstaller runs a copy of itself from the temporary folder and returns at once.
wine "$uninstaller" /S </dev/null >"$work/uninstall.log" 2>&1 || fail "the uninstaller failed"
wait_until "the uninstaller to remove itself" test ! -e "$uninstaller"
wait_until "the programs to go" test ! -e "$dir/quorvane.exe"
# The copy has ended (the session's server and services stay, so wineserver -w would wait for good).
# The patterns are bracketed so that they do not match this very command line.
wait_until "the uninstaller's copy to end" bash -c "! pgrep -f -i 'Un_[A-Z][.]exe|[~]nsu|[d]einstallieren' >/dev/null"
while read -r file; do
  [ ! -e "$dir/$file" ] || fail "$file is left after the uninstall"
done < "$work/expected.txt"
[ ! -e "$dir/Beispiele" ] || fail "the Beispiele folder is left"
[ -f "$dir/Mein Projekt/starter.ini" ] && [ -f "$dir/notiz.txt" ] && [ -f "$beside/starter.ini" ] \
  || fail "the uninstall removed the user's files"
[ -z "$(find "$WINEPREFIX/drive_c/users" -path '*/Start Menu/Programs/Quorvane.lnk')" ] || fail "the start-menu entry is left"
! wine reg query "$key" >/dev/null 2>&1 || fail "the registration is left"

# Without such files the folder itself goes too.
rm -rf "$dir/Mein Projekt" "$dir/notiz.txt"
wine "$setup" /S </dev/null >/dev/null 2>&1 || fail "the second install failed"
wine "$uninstaller" /S </dev/null >/dev/null 2>&1 || fail "the second uninstall failed"
wait_until "the install folder to go" test ! -e "$dir"
[ -f "$beside/starter.ini" ] || fail "the neighbouring project went"
true
