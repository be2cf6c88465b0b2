#!/usr/bin/env bash
# Packs the Windows programs of a host build into the zip and the installer (see build-windows.sh,
# which builds first and calls this):  scripts/package-windows.sh BUILD OUT
# BUILD is a build folder with bin-windows/quorvane.exe and qvr.exe and a Beispiele folder holding
# starter.exe (bin-windows/Beispiele, else bin/Beispiele); OUT receives
# Quorvane-<version>-windows-x64.zip and Quorvane-<version>-setup.exe.
set -euo pipefail
repository=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
cd "$repository"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "build-windows: no version in $build/CMakeCache.txt" >&2; exit 1; }
bin=$build/bin-windows
examples=$bin/Beispiele
[ -d "$examples" ] || examples=$build/bin/Beispiele
for need in "$bin/quorvane.exe" "$bin/qvr.exe" "$examples/starter.exe"; do
  if [ ! -f "$need" ]; then
    echo "build-windows: $need fehlt (MinGW-w64, die Windows-Bibliotheken und Qt für Windows baut" \
      "scripts/install-deps.sh)" >&2
    exit 1
  fi
done

name=Quorvane-$version
zip_file=$out/$name-windows-x64.zip
setup=$out/$name-setup.exe
# A build that fails leaves no package behind, signed or half-signed, and no older one of the same
# name that would pass for it.
remove_partial() {
  local status=$?
  [ "$status" -eq 0 ] || rm -rf "$out/stage" "$zip_file" "$setup" "$out/files.nsh"
}
trap remove_partial EXIT
rm -f "$zip_file" "$setup"

# Signing (scripts/sign-windows.sh): decided before anything is packed, so that an unusable
# certificate stops the build before it writes anything.
signer=$repository/scripts/sign-windows.sh
QUORVANE_SIGN_PUBLISHER=$(sed -n 's/^QUORVANE_PUBLISHER:STRING=//p' "$build/CMakeCache.txt")
export QUORVANE_SIGN_PUBLISHER
signing=0
if "$signer" --check; then
  signing=1
  if [ -n "${QUORVANE_SIGN_TIMESTAMP_URL:-}" ]; then
    echo "build-windows: signiert mit Zeitstempel von $QUORVANE_SIGN_TIMESTAMP_URL"
  else
    echo "build-windows: signiert ohne Zeitstempel (QUORVANE_SIGN_TIMESTAMP_URL fehlt): die Signaturen gelten" \
      "nur, solange das Zertifikat gültig ist"
  fi
else
  case $? in
    3) echo "build-windows: ohne Zertifikat unsigniert; Windows 11 (Smart App Control) kann unsignierte Programme sperren" ;;
    *) exit 1 ;;
  esac
fi

stage=$out/stage/$name
rm -rf "$out/stage" && mkdir -p "$stage/Lizenzen"
cp "$bin/quorvane.exe" "$bin/qvr.exe" "$stage/"
cp -r "$examples" "$stage/Beispiele"
cp packaging/windows/licences/* "$stage/Lizenzen/"
cp LICENSE "$stage/Lizenzen/GPL-3.txt"
# Texts for Notepad: CR LF, and a UTF-8 byte-order mark before any text beyond ASCII (Notepad
# before Windows 10 1903, and Wine's, read UTF-8 without one in the ANSI code page: "fÃ¼r").
sed "s/@VERSION@/$version/; s/\$/\r/" packaging/windows/LIESMICH.txt > "$stage/LIESMICH.txt"
for text in "$stage/Lizenzen"/*.txt; do sed -i 's/\r\?$/\r/' "$text"; done
for text in "$stage/LIESMICH.txt" "$stage/Lizenzen"/*.txt; do
  if LC_ALL=C grep -q '[^[:print:][:space:]]' "$text" && [ "$(head -c 3 "$text" | od -An -tx1 | tr -d ' ')" != efbbbf ]; then
    { printf '\357\273\277'; cat "$text"; } > "$text.bom" && mv "$text.bom" "$text"
  fi
done

# The programs are signed before they are packed: the zip and the installer hold the same signed
# files, and the designer copies a signed Beispiele/starter.exe (its MD5 comparison sees that one).
if [ "$signing" = 1 ]; then
  "$signer" "$stage/quorvane.exe" "$stage/qvr.exe" "$stage/Beispiele/starter.exe"
fi

# The zip: sorted names, fixed times, no owner fields.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
(cd "$out/stage" && find "$name" -print | LC_ALL=C sort | TZ=UTC zip -X -D -q -9 "$zip_file" -@)

# The installer: every file and folder listed for the install and the uninstall.
files=$out/files.nsh
{
  echo '!macro QuorvaneInstallFiles'
  (cd "$stage" && find . -type d | LC_ALL=C sort) | while read -r dir; do
    rel=${dir#./}; rel=${rel#.}
    echo "  SetOutPath \"\$INSTDIR${rel:+\\${rel//\//\\}}\""
    (cd "$stage/$dir" && find . -maxdepth 1 -type f | LC_ALL=C sort) | while read -r file; do
      echo "  File \"$stage/${rel:+$rel/}${file#./}\""
    done
  done
  echo "  SetOutPath \"\$INSTDIR\""
  echo '!macroend'
  echo '!macro QuorvaneUninstallFiles'
  (cd "$stage" && find . -type f | LC_ALL=C sort) | while read -r file; do
    rel=${file#./}
    echo "  Delete \"\$INSTDIR\\${rel//\//\\}\""
  done
  # Folders deepest first, each only when empty.
  (cd "$stage" && find . -mindepth 1 -type d | LC_ALL=C sort -r) | while read -r dir; do
    rel=${dir#./}
    echo "  RMDir \"\$INSTDIR\\${rel//\//\\}\""
  done
  echo '!macroend'
} > "$files"
size_kb=$(du -sk "$stage" | cut -f1)
sign_define=()
# The uninstaller is made inside makensis; it signs it there (!uninstfinalize).
[ "$signing" = 1 ] && sign_define=("-DSIGN=$signer")
makensis -V2 -INPUTCHARSET UTF8 "-DVERSION=$version" "-DSTAGE=$stage" "-DFILES=$files" \
  "-DICON=$repository/starter/windows/starter.ico" "-DSIZE_KB=$size_kb" "-DOUTFILE=$setup" \
  "${sign_define[@]}" packaging/windows/installer.nsi
[ "$signing" = 1 ] && "$signer" "$setup"
rm -rf "$out/stage" "$files"
echo "Zip: $zip_file"
echo "Installer: $setup"
