#!/bin/bash
# `qvr.exe iso` under Wine against `qvr iso` on Linux for the same folder, in alternating rounds:
# a folder of 20,000 small files and one of two files of 1 GiB (sparse, so the folder is made in
# no time; both programs read every byte of them). Medians of the wall times and their ratio.
#   wine_iso.sh QVR QVR_EXE [ROUNDS]     QVR: bin/qvr, QVR_EXE: bin-windows/qvr.exe of the host build
# Runs its own Wine session (fresh prefix) through the tests' script; the images go to a folder of
# its own and are removed after each run.
set -u
qvr=$1 qvr_exe=$2 rounds=${3:-3}
here=$(cd "$(dirname "$0")" && pwd)
session="$here/../../tests/starter-windows/wine_tests.sh"
state=$(mktemp -d /tmp/qv-wine-iso-bench-XXXXXX)
trap '"$session" cleanup "$state"; rm -rf "$state"' EXIT
"$session" setup "$state" >/dev/null || exit 1
. "$state/env"
wpath() { local p=$1; echo "Z:${p//\//\\}"; }

small="$state/klein" large="$state/gross"
mkdir -p "$small" "$large"
for d in $(seq 0 99); do
  mkdir -p "$small/ordner$d"
  for f in $(seq 0 199); do printf 'Datei %d in Ordner %d\n' "$f" "$d" >"$small/ordner$d/datei$f.txt"; done
done
truncate -s 1G "$large/eins.bin" "$large/zwei.bin"

# One run: prints the milliseconds of writing the folder's image.
run() { # linux|windows FOLDER
  local begin end
  begin=$(date +%s%N)
  if [ "$1" = linux ]; then
    "$qvr" iso "$2" -o "$state/abbild.iso" --force >/dev/null 2>&1
  else
    wine "$qvr_exe" iso "$(wpath "$2")" -o "$(wpath "$state/abbild.iso")" --force </dev/null >/dev/null 2>&1
  fi
  local code=$?
  end=$(date +%s%N)
  rm -f "$state/abbild.iso"
  [ "$code" = 0 ] || { echo "$1 failed on $2 (exit code $code)" >&2; exit 1; }
  echo $(( (end - begin) / 1000000 ))
}
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

for folder in "$small" "$large"; do
  run linux "$folder" >/dev/null; run windows "$folder" >/dev/null # warm-up of both
  : >"$state/linux.txt"; : >"$state/windows.txt"
  for i in $(seq 1 "$rounds"); do
    if (( i % 2 )); then
      run linux "$folder" >>"$state/linux.txt"; run windows "$folder" >>"$state/windows.txt"
    else
      run windows "$folder" >>"$state/windows.txt"; run linux "$folder" >>"$state/linux.txt"
    fi
  done
  l=$(median <"$state/linux.txt"); w=$(median <"$state/windows.txt")
  printf '%s: qvr iso %s ms, qvr.exe iso under Wine %s ms, ratio %s\n' "$(basename "$folder")" "$l" "$w" \
    "$(awk -v w="$w" -v l="$l" 'BEGIN {printf "%.2f", w / l}')"
done
