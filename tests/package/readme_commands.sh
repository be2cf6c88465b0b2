#!/usr/bin/env bash
# The README's two other commands as a new user runs them, in a clean copy of the checkout (the
# files git knows, as they are in the working tree): ./run.sh without a display, which builds
# build/ and saves a screenshot of the designer, then scripts/build-windows.sh, which takes up the
# same build/ with the Windows programs and makes the zip and the installer.
#   readme_commands.sh SOURCE_DIR
set -u
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
started=$SECONDS

# shellcheck source=clean_copy.sh
. "$(dirname "$0")/clean_copy.sh"
clean_copy_or_skip "$source_dir"
clean_copy "$source_dir" "$work/src"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# ./run.sh without a display: a screenshot of the designer's window, its path on the last line.
begin=$SECONDS
if (cd "$work/src" && env -u DISPLAY -u WAYLAND_DISPLAY ./run.sh) >"$work/run.log" 2>&1; then
  shot=$(sed -n 's/^Bildschirmfoto des Designers: //p' "$work/run.log")
  if [ -s "$shot" ]; then
    size=$(identify -format '%wx%h' "$shot" 2>/dev/null)
    echo "ok   ./run.sh: screenshot $size in $((SECONDS - begin)) s"
    # The window is 665 pixels wide; its height grows while a message unfolds.
    [ "${size%x*}" = 665 ] || fail "the screenshot is $size, not 665 pixels wide like the window"
  else
    fail "./run.sh printed no screenshot: $(tail -5 "$work/run.log")"
  fi
  grep -q '\[run.sh\] Bauen (build): fertig' "$work/run.log" || fail "./run.sh did not report its build step"
else
  fail "./run.sh failed; the end of its output:"
  tail -30 "$work/run.log"
fi

# scripts/build-windows.sh on the same build/: the zip and the installer.
begin=$SECONDS
if (cd "$work/src" && ./scripts/build-windows.sh) >"$work/windows.log" 2>&1; then
  zip=$(ls "$work"/src/build-windows/Quorvane-*-windows-x64.zip 2>/dev/null)
  setup=$(ls "$work"/src/build-windows/Quorvane-*-setup.exe 2>/dev/null)
  [ -s "$zip" ] || fail "scripts/build-windows.sh made no zip"
  [ -s "$setup" ] || fail "scripts/build-windows.sh made no installer"
  if [ -s "$zip" ]; then
    for file in quorvane.exe qvr.exe Beispiele/starter.exe LIESMICH.txt; do
      unzip -l "$zip" | grep -q "/$file\$" || fail "the zip lacks $file"
    done
  fi
  echo "ok   scripts/build-windows.sh: $(basename "$zip"), $(basename "$setup") in $((SECONDS - begin)) s"
else
  fail "scripts/build-windows.sh failed; the end of its output:"
  tail -30 "$work/windows.log"
fi

echo "README commands: $((SECONDS - started)) s"
((failures == 0))
