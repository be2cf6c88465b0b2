#!/bin/bash
# The designer for Windows under Wine, in the Wine session that tests/starter-windows/wine_tests.sh
# sets up (a fresh prefix, Xvfb and openbox per test run).
#   wine_designer.sh tests OUTDIR STATE BINDIR   designer_host_tests.exe; it saves into OUTDIR
#   wine_designer.sh first-window STATE BINDIR   quorvane.exe shows its first page, then closes
#   wine_designer.sh downloads STATE BINDIR      the update check's download over WinHTTP
#   wine_designer.sh disc OUTDIR QVR STATE BINDIR the disc step (DesignerDisc.*); its check's lines
#                                                against qvr verify, its image read back by osirrox
# BINDIR is bin-windows/ of the host build. With QUORVANE_SHOTS=<folder> the first window is saved
# there as a picture.
set -u
command=$1
shift
limit=${QUORVANE_WINE_WAIT:-120} # seconds; a slow machine takes longer, never decides a result

fail() { echo "FAIL: $*" >&2; exit 1; }

case "$command" in
tests) out=$1; state=$2; bindir=$3 ;;
disc) out=$1; qvr=$2; state=$3; bindir=$4 ;;
first-window|downloads) state=$1; bindir=$2 ;;
*) fail "unknown case $command" ;;
esac
[ -f "$state/env" ] || fail "no Wine session in $state (the setup test did not run)"
. "$state/env"
work=$(mktemp -d "$state/designer-XXXXXX")
pids=()
finish() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  # A runtime the test run started is ended with the case.
  pkill -f 'Testlauf.*starter\.exe' 2>/dev/null
  return 0
}
trap finish EXIT

wait_until() {
  local what=$1; shift
  local end=$((SECONDS + limit))
  while ! "$@" >/dev/null 2>&1; do
    [ $SECONDS -ge $end ] && fail "timed out waiting for $what"
    sleep 0.3
  done
}

case "$command" in
tests)
  rm -rf "$out" && mkdir -p "$out"
  # Each test gets a fresh temporary folder of Wine's own (C:\users\...\Temp).
  # Output into a file: the runtime that the test run starts would hold a pipe open.
  QUORVANE_SAVED_OUT="Z:$out" QUORVANE_UPDATE_URL="http://127.0.0.1:9/u" \
    wine "$bindir/designer_host_tests.exe" "--gtest_filter=DesignerHostTest.*" </dev/null >"$work/out.txt" 2>&1
  code=$?
  cat "$work/out.txt"
  exit $code
  ;;

disc)
  rm -rf "$out" && mkdir -p "$out"
  QUORVANE_SAVED_OUT="Z:$out" QUORVANE_UPDATE_URL="http://127.0.0.1:9/u" \
    wine "$bindir/designer_host_tests.exe" "--gtest_filter=DesignerDisc.*" </dev/null >"$work/out.txt" 2>&1
  code=$?
  cat "$work/out.txt"
  [ "$code" = 0 ] || exit "$code"
  grep -q '\[  PASSED  \] 3 tests' "$work/out.txt" || fail "not all three disc tests ran"
  # The lines of the window are those qvr verify prints on Linux for the same folder.
  "$qvr" verify "$out/Prüfordner" >"$work/verify.txt" 2>&1
  diff "$work/verify.txt" "$out/pruefung.txt" >&2 || fail "the window's lines differ from qvr verify"
  # The image holds the folder, file for file.
  osirrox -indev "$out/menü.iso" -extract / "$work/gelesen" >/dev/null 2>&1 || fail "osirrox cannot read the image"
  diff -r "$out/Menü" "$work/gelesen" >&2 || fail "the image differs from the folder"
  ;;

downloads)
  wine "$bindir/update_download_tests.exe" </dev/null >"$work/out.txt" 2>&1
  code=$?
  cat "$work/out.txt"
  exit $code
  ;;

first-window)
  # The real program as a user starts it: its window appears with the first page in German.
  wine "$bindir/quorvane.exe" </dev/null >"$work/wine.log" 2>&1 &
  pids+=($!)
  window() { xdotool search --onlyvisible --name '^Quorvane' 2>/dev/null | head -1; }
  wait_until "the designer's window" bash -c "xdotool search --onlyvisible --name '^Quorvane' | grep -q ."
  id=$(window)
  sleep 2 # the first paint
  info=$(xwininfo -id "$id")
  width=$(sed -n 's/^ *Width: //p' <<<"$info"); height=$(sed -n 's/^ *Height: //p' <<<"$info")
  # Wine draws no frame of its own here: the X window is the client area, 665 x 435.
  [ "$width" = 665 ] && [ "$height" = 435 ] || fail "window $width x $height, not 665 x 435"
  import -window "$id" "$work/first.png" || fail "no picture of the window"
  [ -n "${QUORVANE_SHOTS:-}" ] && cp "$work/first.png" "$QUORVANE_SHOTS/designer-first.png"
  # The side menu and the start page are painted: the picture is not a blank area.
  colours=$(convert "$work/first.png" -format '%k' info:)
  [ "$colours" -gt 50 ] || fail "the window shows only $colours colours"
  # Closing the window ends the program (a new, unchanged project asks nothing).
  xdotool windowactivate --sync "$id" >/dev/null 2>&1 || xdotool windowfocus --sync "$id" >/dev/null 2>&1
  xdotool key --clearmodifiers alt+F4
  wait_until "the designer to end" bash -c "! kill -0 ${pids[0]} 2>/dev/null"
  wait "${pids[0]}"
  code=$?
  [ "$code" = 0 ] || fail "the designer ended with exit code $code: $(tail -5 "$work/wine.log")"
  ;;
esac
