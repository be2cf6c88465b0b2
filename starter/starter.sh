#!/bin/sh
# Stand-in for starter.exe on hosts that are not Windows: reads the start page from the
# configuration (command-line parameter /startfile=..., else starter.ini beside this file, else
# autorun.inf in the current folder) and opens it in the desktop's browser.
here=$(CDPATH= cd -- "$(dirname -- "$0")" && pwd)

startfile=""
for arg in "$@"; do
  case "$arg" in
    /startfile=*) startfile=${arg#/startfile=} ;;
  esac
done

# Value of startfile in the [quorvane] section (else [velmorant starter]) of a profile file.
read_startfile() {
  awk -v want="$2" '
    { sub(/\r$/, ""); line = $0; sub(/^[ \t]+/, "", line) }
    line ~ /^\[/ { name = tolower(substr(line, 2)); sub(/\].*$/, "", name); insec = (name == want); next }
    insec && tolower(line) ~ /^startfile[ \t]*=/ {
      v = substr(line, index(line, "=") + 1); gsub(/^[ \t]+|[ \t]+$/, "", v)
      if (v ~ /^".*"$/ || v ~ /^'\''.*'\''$/) v = substr(v, 2, length(v) - 2)
      print v; exit
    }' "$1"
}

if [ -z "$startfile" ]; then
  for file in "$here/starter.ini" "$(pwd)/autorun.inf" "$here/autorun.inf"; do
    [ -f "$file" ] || continue
    startfile=$(read_startfile "$file" quorvane)
    [ -n "$startfile" ] || startfile=$(read_startfile "$file" "velmorant starter")
    [ -n "$startfile" ] && break
  done
fi

if [ -z "$startfile" ]; then
  echo "starter: keine Startseite eingetragen" >&2
  exit 1
fi

case "$startfile" in
  http://*|https://*) target=$startfile ;;
  *) target="$here/$(printf '%s' "$startfile" | tr '\\' '/')" ;;
esac
exec xdg-open "$target"
