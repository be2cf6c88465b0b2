#!/bin/bash
# Signing the Windows downloads (scripts/package-windows.sh with scripts/sign-windows.sh) with a
# throwaway certificate authority made here:
#   signing_test.sh BUILD
# BUILD is a host build with bin/Beispiele (starter.exe, a real Windows program). The designer and
# qvr.exe of BUILD/bin-windows are taken when built, else copies of starter.exe stand in for them:
# what is tested is the signing, not the programs. Checks that every program in the zip, the
# installer and (installed under Wine, when present) its uninstaller verify against the CA, and
# that a wrong password or a certificate without the code-signing usage fails in German and leaves
# no package.
set -u
build=$1
repository=$(cd "$(dirname "$0")/../.." && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in osslsigncode openssl makensis zip unzip; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool missing"; exit 77; }
done
[ -f "$build/bin/Beispiele/starter.exe" ] || fail "no $build/bin/Beispiele/starter.exe"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The CA, a code-signing certificate it issued and one for a web server.
ca=$work/ca
mkdir "$ca"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$ca/ca.key" -out "$ca/ca.pem" -days 2 -subj "/CN=Test-CA" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null \
  || fail "openssl: CA"
issue() { # name extendedKeyUsage
  openssl req -newkey rsa:2048 -nodes -keyout "$ca/$1.key" -out "$ca/$1.csr" -subj "/CN=Testverlag $1/O=Testverlag" \
    2>/dev/null || fail "openssl: request $1"
  printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=%s\n' "$2" >"$ca/$1.ext"
  openssl x509 -req -in "$ca/$1.csr" -CA "$ca/ca.pem" -CAkey "$ca/ca.key" -CAcreateserial -days 2 \
    -extfile "$ca/$1.ext" -out "$ca/$1.pem" 2>/dev/null || fail "openssl: certificate $1"
  openssl pkcs12 -export -inkey "$ca/$1.key" -in "$ca/$1.pem" -certfile "$ca/ca.pem" -out "$ca/$1.p12" \
    -passout "file:$ca/password" || fail "openssl: pkcs12 $1"
}
echo "geheim 123" >"$ca/password"
echo "falsch" >"$ca/wrong-password"
issue code codeSigning
issue web serverAuth

# The build the packages are made of.
fake=$work/build
mkdir -p "$fake/bin-windows" "$fake/bin"
printf 'CMAKE_PROJECT_VERSION:STATIC=1.2.3.4\nQUORVANE_PUBLISHER:STRING=Testverlag\n' >"$fake/CMakeCache.txt"
cp -r "$build/bin/Beispiele" "$fake/bin/Beispiele"
for program in quorvane.exe qvr.exe; do
  if [ -f "$build/bin-windows/$program" ]; then
    cp "$build/bin-windows/$program" "$fake/bin-windows/"
  else
    cp "$build/bin/Beispiele/starter.exe" "$fake/bin-windows/$program"
  fi
done
original=$(md5sum <"$fake/bin/Beispiele/starter.exe")

package() { # out, then environment assignments
  local out=$1; shift
  env "$@" SOURCE_DATE_EPOCH=1700000000 "$repository/scripts/package-windows.sh" "$fake" "$out" >"$out.log" 2>&1
}
verify() { osslsigncode verify -CAfile "$ca/ca.pem" -in "$1" >"$work/verify.log" 2>&1; }

# Signed.
package "$work/signed" QUORVANE_SIGN_PKCS12="$ca/code.p12" QUORVANE_SIGN_PASSWORD_FILE="$ca/password" \
  || fail "signed package: $(tail -5 "$work/signed.log")"
grep -q "ohne Zeitstempel" "$work/signed.log" || fail "no word on the missing time stamp: $(cat "$work/signed.log")"
zip=$(ls "$work/signed"/Quorvane-1.2.3.4-windows-x64.zip) || fail "no zip"
setup=$(ls "$work/signed"/Quorvane-1.2.3.4-setup.exe) || fail "no installer"
mkdir "$work/unzipped"
(cd "$work/unzipped" && unzip -q "$zip") || fail "unzip"
for file in quorvane.exe qvr.exe Beispiele/starter.exe; do
  verify "$work/unzipped/Quorvane-1.2.3.4/$file" || fail "$file in the zip does not verify: $(cat "$work/verify.log")"
done
verify "$setup" || fail "the installer does not verify: $(cat "$work/verify.log")"
grep -q "Testverlag code" "$work/verify.log" || fail "the installer's signer: $(cat "$work/verify.log")"
# The build's own starter.exe is left as it was; the packed one is the signed one.
[ "$(md5sum <"$fake/bin/Beispiele/starter.exe")" = "$original" ] || fail "the build's starter.exe was changed"
[ "$(md5sum <"$work/unzipped/Quorvane-1.2.3.4/Beispiele/starter.exe")" != "$original" ] \
  || fail "the zip's starter.exe is not the signed one"

# The uninstaller, written by the installer: installed silently into a fresh Wine prefix.
if command -v wine >/dev/null; then
  export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if timeout 300 wine "$setup" /S >"$work/wine.log" 2>&1; then
    timeout 60 wineserver -w 2>/dev/null
    uninstaller=$(find "$WINEPREFIX/drive_c" -name "Quorvane deinstallieren.exe" | head -1)
    [ -n "$uninstaller" ] || fail "no uninstaller after the installation: $(tail -5 "$work/wine.log")"
    verify "$uninstaller" || fail "the uninstaller does not verify: $(cat "$work/verify.log")"
    installed=$(dirname "$uninstaller")
    verify "$installed/Beispiele/starter.exe" || fail "the installed starter.exe does not verify"
  else
    echo "note: the installer did not run under Wine here; the uninstaller's signature is not checked"
  fi
  timeout 30 wineserver -k 2>/dev/null
fi

# A wrong password and a certificate for a web server: German messages, no package, and an older
# package in the folder is not left to look like this build's.
cp -r "$work/signed" "$work/failed"
package "$work/failed" QUORVANE_SIGN_PKCS12="$ca/code.p12" QUORVANE_SIGN_PASSWORD_FILE="$ca/wrong-password" \
  && fail "a wrong password was accepted"
grep -q "Passwort ist falsch" "$work/failed.log" || fail "wrong password: $(cat "$work/failed.log")"
ls "$work/failed"/Quorvane-* >/dev/null 2>&1 && fail "a package is left after a wrong password"
package "$work/failed" QUORVANE_SIGN_PKCS12="$ca/web.p12" QUORVANE_SIGN_PASSWORD_FILE="$ca/password" \
  && fail "a certificate without the code-signing usage was accepted"
grep -q "Codesignatur" "$work/failed.log" || fail "web certificate: $(cat "$work/failed.log")"
ls "$work/failed"/Quorvane-* >/dev/null 2>&1 && fail "a package is left after an unusable certificate"

# A certificate issued to another publisher than the programs name.
sed -i 's/^QUORVANE_PUBLISHER:STRING=.*/QUORVANE_PUBLISHER:STRING=Anderer Verlag/' "$fake/CMakeCache.txt"
package "$work/failed" QUORVANE_SIGN_PKCS12="$ca/code.p12" QUORVANE_SIGN_PASSWORD_FILE="$ca/password" \
  && fail "a certificate of another publisher was accepted"
grep -q "nicht auf \"Anderer Verlag\" ausgestellt" "$work/failed.log" || fail "publisher: $(cat "$work/failed.log")"
ls "$work/failed"/Quorvane-* >/dev/null 2>&1 && fail "a package is left after another publisher's certificate"

# Without a certificate: unsigned, as before, and said in one line.
package "$work/unsigned" || fail "unsigned package: $(tail -5 "$work/unsigned.log")"
grep -q "Windows 11 (Smart App Control) kann unsignierte Programme sperren" "$work/unsigned.log" \
  || fail "no word on the unsigned build: $(cat "$work/unsigned.log")"
verify "$(ls "$work/unsigned"/Quorvane-1.2.3.4-setup.exe)" && fail "the unsigned installer verifies"
echo "PASS"
