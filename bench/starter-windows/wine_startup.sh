#!/bin/bash
# Start-up of the Windows runtime under Wine against a bare Win32 window hosting the same control:
# the time from starting the program until its window is mapped (visible on the X display), in
# alternating rounds; medians and their ratio. Both show the same page at 640 x 480.
#   wine_startup.sh STARTER_EXE BARE_WINDOW_EXE [ROUNDS]
# Runs its own Wine session (virtual display, openbox, fresh prefix) through the tests' script.
set -u
starter=$1 bare=$2 rounds=${3:-9}
here=$(cd "$(dirname "$0")" && pwd)
session="$here/../../tests/starter-windows/wine_tests.sh"
state=$(mktemp -d /tmp/qv-wine-bench-XXXXXX)
trap '"$session" cleanup "$state"; rm -rf "$state"' EXIT
"$session" setup "$state" || exit 1
. "$state/env"
menu="$state/menu"; mkdir -p "$menu"
cp "$starter" "$menu/starter.exe"; cp "$bare" "$menu/bare_window.exe"
printf '<html><body><h1>Menü</h1></body></html>' > "$menu/index.html"
page="Z:${menu//\//\\}\\index.html"

# One run: prints the milliseconds from exec to the mapped window.
run() { # NAME COMMAND...
  local name=$1; shift
  local begin end pid
  begin=$(date +%s%N)
  "$@" </dev/null >/dev/null 2>&1 &
  pid=$!
  until xdotool search --onlyvisible --name "^$name\$" >/dev/null 2>&1; do sleep 0.01; done
  end=$(date +%s%N)
  kill "$pid"; wait "$pid" 2>/dev/null
  while xdotool search --name "^$name\$" >/dev/null 2>&1; do sleep 0.05; done
  echo $(( (end - begin) / 1000000 ))
}
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

run BenchStarter wine "$menu/starter.exe" /startfile=index.html /caption=BenchStarter /width=640 /height=480 >/dev/null
run BenchBare wine "$menu/bare_window.exe" "$page" >/dev/null # warm-up of both
: > "$state/starter.txt"; : > "$state/bare.txt"
for i in $(seq 1 "$rounds"); do
  if (( i % 2 )); then
    run BenchStarter wine "$menu/starter.exe" /startfile=index.html /caption=BenchStarter /width=640 /height=480 >> "$state/starter.txt"
    run BenchBare wine "$menu/bare_window.exe" "$page" >> "$state/bare.txt"
  else
    run BenchBare wine "$menu/bare_window.exe" "$page" >> "$state/bare.txt"
    run BenchStarter wine "$menu/starter.exe" /startfile=index.html /caption=BenchStarter /width=640 /height=480 >> "$state/starter.txt"
  fi
done
s=$(median < "$state/starter.txt"); b=$(median < "$state/bare.txt")
echo "starter.exe rounds (ms): $(tr '\n' ' ' < "$state/starter.txt")"
echo "bare window rounds (ms): $(tr '\n' ' ' < "$state/bare.txt")"
echo "median exec -> mapped: starter.exe $s ms, bare window $b ms, ratio $(awk -v s="$s" -v b="$b" 'BEGIN {printf "%.2f", s / b}')"
echo "starter.exe size: $(stat -c %s "$starter") bytes"
