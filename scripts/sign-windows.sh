#!/usr/bin/env bash
# Signs Windows programs with osslsigncode (Authenticode, SHA-256) for a release, with the
# certificate the environment names:
#   QUORVANE_SIGN_PKCS12          a PKCS#12 file (certificate, its chain and the private key), with
#   QUORVANE_SIGN_PASSWORD_FILE   a file holding its password (first line)
# or, for a key on a token or in a hardware module (as certificate authorities require for new
# code-signing keys):
#   QUORVANE_SIGN_PKCS11_MODULE   the PKCS#11 module (a .so)
#   QUORVANE_SIGN_PKCS11_KEY      the key's pkcs11: URI
#   QUORVANE_SIGN_PKCS11_CERT     the certificate: a pkcs11: URI or a PEM file (default: the key's URI
#                                 with type=cert)
# and, for both:
#   QUORVANE_SIGN_TIMESTAMP_URL   an RFC 3161 time-stamping service; without it the signatures
#                                 carry no time stamp and end with the certificate's validity
#   QUORVANE_SIGN_PUBLISHER       the publisher the programs' version resources name (CMake's
#                                 QUORVANE_PUBLISHER); the certificate must be issued to it (CN or O)
#   QUORVANE_SIGN_DESCRIPTION     the description shown in Windows' prompts (default "Quorvane")
#   QUORVANE_SIGN_URL             the address shown with it (optional)
#
#   sign-windows.sh --check       0: a certificate is given and usable; 3: none is given (build
#                                 unsigned); 1: it is given but unusable (a German message says why)
#   sign-windows.sh FILE...       signs each file in place; on any failure the file is left unsigned
#                                 as it was and the script ends with 1
set -euo pipefail

fail() {
  echo "Signieren: $*" >&2
  exit 1
}

pkcs12=${QUORVANE_SIGN_PKCS12:-}
password_file=${QUORVANE_SIGN_PASSWORD_FILE:-}
module=${QUORVANE_SIGN_PKCS11_MODULE:-}
key=${QUORVANE_SIGN_PKCS11_KEY:-}

mode=none
if [ -n "$pkcs12" ] && [ -n "$module" ]; then
  fail "QUORVANE_SIGN_PKCS12 und QUORVANE_SIGN_PKCS11_MODULE sind beide gesetzt; nur eines von beiden."
elif [ -n "$pkcs12" ]; then
  mode=pkcs12
elif [ -n "$module" ] || [ -n "$key" ]; then
  mode=pkcs11
fi

check() {
  command -v osslsigncode >/dev/null || fail "osslsigncode fehlt (scripts/install-deps.sh installiert es)."
  local cert
  case $mode in
    pkcs12)
      [ -f "$pkcs12" ] || fail "Die Zertifikatsdatei \"$pkcs12\" (QUORVANE_SIGN_PKCS12) fehlt."
      [ -n "$password_file" ] || fail "QUORVANE_SIGN_PASSWORD_FILE fehlt: die Datei mit dem Passwort von \"$pkcs12\"."
      [ -f "$password_file" ] || fail "Die Passwortdatei \"$password_file\" fehlt."
      cert=$(openssl pkcs12 -in "$pkcs12" -passin "file:$password_file" -nokeys -clcerts 2>/dev/null) \
        || fail "\"$pkcs12\" lässt sich nicht öffnen: das Passwort ist falsch oder die Datei ist kein PKCS#12-Zertifikat."
      openssl pkcs12 -in "$pkcs12" -passin "file:$password_file" -nocerts -nodes 2>/dev/null | grep -q "PRIVATE KEY" \
        || fail "\"$pkcs12\" enthält keinen privaten Schlüssel."
      ;;
    pkcs11)
      [ -n "$module" ] || fail "QUORVANE_SIGN_PKCS11_KEY ist gesetzt, aber QUORVANE_SIGN_PKCS11_MODULE fehlt."
      [ -f "$module" ] || fail "Das PKCS#11-Modul \"$module\" fehlt."
      [[ $key == pkcs11:* ]] || fail "QUORVANE_SIGN_PKCS11_KEY muss eine pkcs11:-Adresse sein, nicht \"$key\"."
      local given=${QUORVANE_SIGN_PKCS11_CERT:-}
      # A certificate on the token is checked by the signing itself.
      if [ -n "$given" ] && [ -f "$given" ]; then
        cert=$(cat "$given")
      else
        return 0
      fi
      ;;
    none)
      return 3
      ;;
  esac
  local usage
  usage=$(printf '%s\n' "$cert" | openssl x509 -noout -ext extendedKeyUsage 2>/dev/null || true)
  grep -q "Code Signing" <<<"$usage" \
    || fail "Das Zertifikat ist nicht zum Signieren von Programmen ausgestellt (erweiterte Schlüsselverwendung \"Codesignatur\" fehlt)."
  printf '%s\n' "$cert" | openssl x509 -noout -checkend 0 >/dev/null \
    || fail "Das Zertifikat ist abgelaufen."
  # Windows names the certificate's holder as the publisher: the version resources say the same.
  local publisher=${QUORVANE_SIGN_PUBLISHER:-} subject
  if [ -n "$publisher" ]; then
    subject=$(printf '%s\n' "$cert" | openssl x509 -noout -subject -nameopt sep_multiline,utf8,sname,-esc_msb)
    grep -qxF -e "    CN=$publisher" -e "    O=$publisher" <<<"$subject" \
      || fail "Das Zertifikat ist nicht auf \"$publisher\" ausgestellt, den Herausgeber in den Versionsangaben" \
        "der Programme (CMake-Variable QUORVANE_PUBLISHER); beide müssen übereinstimmen. Inhaber des Zertifikats:" \
        "$(sed -n 's/^ *\(CN\|O\)=//p' <<<"$subject" | paste -sd ',' -)"
  fi
}

sign_one() {
  local file=$1 scratch signed
  [ -f "$file" ] || fail "\"$file\" fehlt."
  # osslsigncode writes a new file only; beside the program, so that the move below is a rename.
  scratch=$(mktemp -d "$file.signing-XXXXXX")
  signed=$scratch/signed.exe
  local args=(sign -h sha256 -n "${QUORVANE_SIGN_DESCRIPTION:-Quorvane}")
  [ -n "${QUORVANE_SIGN_URL:-}" ] && args+=(-i "$QUORVANE_SIGN_URL")
  [ -n "${QUORVANE_SIGN_TIMESTAMP_URL:-}" ] && args+=(-ts "$QUORVANE_SIGN_TIMESTAMP_URL")
  if [ "$mode" = pkcs12 ]; then
    args+=(-pkcs12 "$pkcs12" -readpass "$password_file")
  else
    local cert=${QUORVANE_SIGN_PKCS11_CERT:-}
    [ -n "$cert" ] || cert="${key/type=private/type=cert}"
    args+=(-pkcs11module "$module" -key "$key")
    if [[ $cert == pkcs11:* ]]; then args+=(-pkcs11cert "$cert"); else args+=(-certs "$cert"); fi
  fi
  local log
  if ! log=$(osslsigncode "${args[@]}" -in "$file" -out "$signed" 2>&1); then
    rm -rf "$scratch"
    fail "\"$(basename "$file")\" ließ sich nicht signieren: $(tail -1 <<<"$log")"
  fi
  # The file is replaced only by a complete signed copy.
  chmod --reference="$file" "$signed"
  mv -f "$signed" "$file"
  rmdir "$scratch"
}

if [ "${1:-}" = --check ]; then
  set +e
  (check)
  exit $?
fi
[ $# -gt 0 ] || fail "Aufruf: sign-windows.sh --check | sign-windows.sh DATEI..."
[ "$mode" != none ] || fail "kein Zertifikat angegeben (QUORVANE_SIGN_PKCS12 oder QUORVANE_SIGN_PKCS11_MODULE)."
check
for file in "$@"; do
  sign_one "$file"
done
