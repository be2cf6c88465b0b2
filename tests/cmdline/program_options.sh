#!/usr/bin/env bash
# The three programs answer --help, --version and a wrong option before any window system is
# needed, and the two window programs say in German that no screen was found instead of Qt's
# abort. Every case runs with the display variables removed; one table, each failure reported.
# Arguments: DESIGNER RUNTIME QVR VERSION
set -u
designer=$1 runtime=$2 qvr=$3 version=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export QTWEBENGINE_DISABLE_SANDBOX=1

# A display number nobody serves.
unserved=:4711
while [ -e "/tmp/.X11-unix/X${unserved#:}" ]; do unserved=":$(( ${unserved#:} + 1 ))"; done

failures=0
# check NAME EXPECTED_EXIT STDOUT_REGEX STDERR_REGEX ENV... -- PROGRAM ARGS...
# An empty regex means: that stream must be empty; "any" leaves it unchecked.
check() {
  local name=$1 want=$2 outre=$3 errre=$4
  shift 4
  local vars=()
  while [ "$1" != "--" ]; do vars+=("$1"); shift; done
  shift
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "${vars[@]}" "$@" >"$work/out" 2>"$work/err" </dev/null
  local got=$?
  local problems=()
  [ "$got" -eq "$want" ] || problems+=("exit $got, expected $want")
  if [ -z "$outre" ]; then
    [ ! -s "$work/out" ] || problems+=("standard output not empty")
  elif ! grep -Eq -- "$outre" "$work/out"; then
    problems+=("standard output lacks /$outre/")
  fi
  if [ "$errre" = any ]; then
    :
  elif [ -z "$errre" ]; then
    [ ! -s "$work/err" ] || problems+=("standard error not empty")
  elif ! grep -Eq -- "$errre" "$work/err"; then
    problems+=("standard error lacks /$errre/")
  fi
  # Qt's own English start failure must never be what the user reads.
  if grep -q "could be initialized\|Aborted\|Sanitizer" "$work/err"; then
    problems+=("Qt's abort or a sanitizer report")
  fi
  if ((${#problems[@]})); then
    failures=$((failures + 1))
    echo "FAIL $name: ${problems[*]}"
    echo "  standard output:"; sed 's/^/    /' "$work/out" | head -20
    echo "  standard error:"; sed 's/^/    /' "$work/err" | head -20
  else
    echo "ok   $name"
  fi
}

for entry in "quorvane:$designer" "quorvane-starter:$runtime" "qvr:$qvr"; do
  name=${entry%%:*} program=${entry#*:}
  check "$name --help" 0 "^Aufruf" "" -- "$program" --help
  check "$name --version" 0 "^$name \(Quorvane\) ${version//./\\.}$" "" -- "$program" --version
  check "$name --gibtsnicht" 2 "" "^$name: Unbekannte Option: --gibtsnicht" -- "$program" --gibtsnicht
done

for entry in "quorvane:$designer" "quorvane-starter:$runtime"; do
  name=${entry%%:*} program=${entry#*:}
  # Help that cannot be written is no success.
  env -u DISPLAY "$program" --help >/dev/full 2>"$work/err"
  code=$?
  if [ "$code" -eq 2 ] && grep -q "^$name: Die Ausgabe konnte nicht geschrieben werden" "$work/err"; then
    echo "ok   $name --help into a full disk"
  else
    failures=$((failures + 1))
    echo "FAIL $name --help into a full disk: exit $code, $(cat "$work/err")"
  fi
  check "$name without a display" 2 "" "^$name: Kein Bildschirm gefunden\." -- "$program"
  check "$name on xcb without a display" 2 "" "^$name: Kein Bildschirm gefunden\." QT_QPA_PLATFORM=xcb -- "$program"
  check "$name on a display nobody serves" 2 "" "^$name: Kein Bildschirm gefunden\. Die grafische Sitzung" \
    QT_QPA_PLATFORM=xcb DISPLAY="$unserved" -- "$program"
done
check "quorvane without a display names qvr" 2 "" "qvr --help" -- "$designer"
# Without writable shared memory the runtime says so in German before the engine aborts. A
# read-only /dev/shm in a mount namespace of its own, where unshare may make one.
flags=
for candidate in -m -rm; do
  unshare "$candidate" sh -c 'mount -t tmpfs -o ro tmpfs /dev/shm' 2>/dev/null && { flags=$candidate; break; }
done
if [ -n "$flags" ]; then
  check "quorvane-starter without shared memory" 2 "" "^quorvane-starter: Kein gemeinsamer Speicher: In \"/dev/shm\"" \
    QT_QPA_PLATFORM=offscreen -- unshare "$flags" sh -c 'mount -t tmpfs -o ro tmpfs /dev/shm && exec "$@"' sh \
    "$runtime" --folder "$work"
else
  echo "skip quorvane-starter without shared memory: no mount namespace here"
fi
# qvr without a command does nothing: a usage error, the help on standard error.
check "qvr without arguments" 2 "" "^qvr: Es fehlt ein Befehl\." -- "$qvr"
grep -q "^Aufruf" "$work/err" || { failures=$((failures + 1)); echo "FAIL qvr without arguments: no help"; }

# A platform that needs no display still starts: the designer's window, painted offscreen.
check "quorvane offscreen" 0 "" any QT_QPA_PLATFORM=offscreen -- "$designer" --grab "$work/fenster.png"
[ -s "$work/fenster.png" ] || { failures=$((failures + 1)); echo "FAIL quorvane offscreen: no picture"; }
# A picture that cannot be saved is said, with the file, and is no success.
check "quorvane --grab into a missing folder" 1 "" "^quorvane: Das Bild \"$work/fehlt/x\.png\" konnte nicht gespeichert werden" \
  QT_QPA_PLATFORM=offscreen -- "$designer" --grab "$work/fehlt/x.png"

if ((failures)); then
  echo "$failures case(s) failed"
  exit 1
fi
