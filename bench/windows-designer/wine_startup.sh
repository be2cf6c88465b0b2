#!/bin/bash
# Start-up of the Windows designer under Wine against a bare static Qt Widgets window of the same
# size built with the same cross Qt: the time from exec until the window is mapped (visible on the
# X display), in alternating rounds; medians and their ratio.
#   wine_startup.sh BIN_WINDOWS [ROUNDS]     BIN_WINDOWS: bin-windows/ of the host build
# Runs its own Wine session (virtual display, openbox, fresh prefix) through the tests' script.
set -u
bin=$1 rounds=${2:-9}
here=$(cd "$(dirname "$0")" && pwd)
session="$here/../../tests/starter-windows/wine_tests.sh"
state=$(mktemp -d /tmp/qv-wine-designer-bench-XXXXXX)
trap '"$session" cleanup "$state"; rm -rf "$state"' EXIT
"$session" setup "$state" || exit 1
. "$state/env"

# One run: prints the milliseconds from exec to the mapped window.
run() { # PROGRAM
  local begin end pid
  begin=$(date +%s%N)
  wine "$1" </dev/null >/dev/null 2>&1 &
  pid=$!
  until xdotool search --onlyvisible --name "^Quorvane" >/dev/null 2>&1; do sleep 0.01; done
  end=$(date +%s%N)
  kill "$pid"; wait "$pid" 2>/dev/null
  while xdotool search --onlyvisible --name "^Quorvane" >/dev/null 2>&1; do sleep 0.05; done
  echo $(( (end - begin) / 1000000 ))
}
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

designer="$bin/quorvane.exe" bare="$bin/bare_window_designer.exe"
run "$designer" >/dev/null; run "$bare" >/dev/null # warm-up of both
: > "$state/designer.txt"; : > "$state/bare.txt"
for i in $(seq 1 "$rounds"); do
  if (( i % 2 )); then
    run "$designer" >> "$state/designer.txt"; run "$bare" >> "$state/bare.txt"
  else
    run "$bare" >> "$state/bare.txt"; run "$designer" >> "$state/designer.txt"
  fi
done
d=$(median < "$state/designer.txt"); b=$(median < "$state/bare.txt")
echo "quorvane.exe rounds (ms): $(tr '\n' ' ' < "$state/designer.txt")"
echo "bare window rounds (ms):  $(tr '\n' ' ' < "$state/bare.txt")"
echo "median exec -> mapped: quorvane.exe $d ms, bare window $b ms, ratio $(awk -v d="$d" -v b="$b" 'BEGIN {printf "%.2f", d / b}')"
for f in "$designer" "$bin/qvr.exe"; do
  [ -f "$f" ] && echo "$(basename "$f"): $(stat -c %s "$f") bytes"
done
