#!/usr/bin/env bash
# The set-up's early steps on a machine that never built anything: an empty cache folder
# (QUORVANE_WINDOWS_CACHE), with apt, cmake and the MinGW compiler replaced by small stand-ins in
# PATH, so the scripts' own logic runs in seconds. Each case checks the exit code and that a
# failure names its step in German.
#   setup_scripts.sh SOURCE_DIR
set -u
source_dir=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Stand-ins. apt-get source unpacks a tree that looks like Qt's where the script patches it;
# STUB_APT_FAIL=1 makes it fail. cmake configures, builds and installs by the modes in STUB_CMAKE.
stubs=$work/stubs
mkdir -p "$stubs"
cat >"$stubs/apt-get" <<'STUB'
#!/usr/bin/env bash
echo "apt-get $*" >>"$STUB_LOG"
case " $* " in
  *" source "*)
    [ "${STUB_APT_FAIL:-0}" = 1 ] && { echo "E: Paketquelle nicht erreichbar" >&2; exit 100; }
    tree=qt6-base-6.4.2
    mkdir -p "$tree/src/plugins/platforms/windows"
    printf '#if QT_CONFIG(dynamicgl)\nA\n#endif\n#if QT_CONFIG(dynamicgl)\nB\n#endif\n' \
      >"$tree/src/plugins/platforms/windows/qwindowswindow.cpp"
    ;;
esac
exit 0
STUB
cat >"$stubs/apt-cache" <<'STUB'
#!/usr/bin/env bash
echo "Package: dpkg"
STUB
cat >"$stubs/cmake" <<'STUB'
#!/usr/bin/env bash
echo "cmake $*" >>"$STUB_LOG"
if [ "$1" = --build ]; then
  echo "[1/2] compile"; echo "[2/2] link"
  [ "${STUB_CMAKE:-}" = fail-build ] && { echo "error: stub compile error"; exit 1; }
  exit 0
fi
if [ "$1" = --install ]; then
  mkdir -p "$(cat "$2/prefix")/lib/cmake/Qt6"
  exit 0
fi
build="" prefix=""
while [ $# -gt 0 ]; do
  case $1 in
    -B) build=$2; shift ;;
    -DCMAKE_INSTALL_PREFIX=*) prefix=${1#*=} ;;
  esac
  shift
done
[ "${STUB_CMAKE:-}" = fail-configure ] && { echo "CMake Error: stub configure error"; exit 1; }
mkdir -p "$build" && touch "$build/build.ninja" && echo "$prefix" >"$build/prefix"
STUB
printf '#!/bin/sh\nexit 0\n' >"$stubs/x86_64-w64-mingw32-g++-posix"
chmod +x "$stubs"/*

# Runs SCRIPT with the stand-ins and an empty (or the case's) cache; output in $work/out, $work/err.
run() {
  env PATH="$stubs:$PATH" STUB_LOG="$work/stub.log" QUORVANE_WINDOWS_CACHE="$cache" \
    QUORVANE_APT_SOURCE_LIST="$work/sources.list" "$@" >"$work/out" 2>"$work/err"
}

expect_failure_naming() {
  local code=$1 step=$2 case_name=$3
  [ "$code" -ne 0 ] || fail "$case_name: exit code 0"
  grep -q "Fehler im Schritt \"[^\"]*$step" "$work/err" \
    || fail "$case_name: no German line naming the step '$step' in: $(cat "$work/err")"
}

qt_script=$source_dir/scripts/build-windows-qt.sh
deps_script=$source_dir/scripts/build-windows-deps.sh

# 1. --prefix on an empty cache names a folder inside it and creates nothing.
cache=$work/cache1
run "$qt_script" --prefix
prefix=$(tail -1 "$work/out")
case $prefix in "$cache"/qt6-*) ;; *) fail "prefix '$prefix' is not inside $cache" ;; esac
[ ! -e "$cache" ] || fail "--prefix created $cache"

# 2. Empty cache, configuration fails: the script gets past the missing work folder to the
#    configuration, says so, keeps the fetched sources; a second run goes on without fetching
#    again and ends with the prefix, the link and the completion mark.
cache=$work/cache2
: >"$work/stub.log"
STUB_CMAKE=fail-configure run "$qt_script"
code=$?
[ "$code" -ne 0 ] || fail "failed configuration: exit code 0"
grep -q "Konfiguration schlug fehl" "$work/err" || fail "failed configuration: no German message: $(cat "$work/err")"
grep -q "Quellen von Debian holen" "$work/err" || fail "the fetch step was not announced: $(cat "$work/err")"
[ "$(grep -c ' source ' "$work/stub.log")" = 1 ] || fail "sources fetched $(grep -c ' source ' "$work/stub.log") times"
: >"$work/stub.log"
run "$qt_script"
code=$?
[ "$code" -eq 0 ] || fail "second run: exit code $code: $(cat "$work/err")"
! grep -q ' source ' "$work/stub.log" || fail "second run fetched the sources again"
prefix=$(tail -1 "$work/out")
[ -f "$prefix/.complete" ] || fail "no completion mark in '$prefix'"
[ "$(readlink "$cache/qt6")" = "$(basename "$prefix")" ] || fail "qt6 does not point at $prefix"
grep -q '^\[2/2\]' "$work/err" || grep -q "für Windows: bauen" "$work/err" \
  || fail "the build step was not announced: $(cat "$work/err")"
# The patched guard: both lines of the stand-in tree were mended before configuring.
# (The work folder is gone after success; the count was checked by the script itself.)
# A third run does nothing and prints the same prefix.
: >"$work/stub.log"
run "$qt_script"
[ "$(tail -1 "$work/out")" = "$prefix" ] || fail "third run printed '$(tail -1 "$work/out")'"
[ ! -s "$work/stub.log" ] || fail "third run called: $(cat "$work/stub.log")"

# 3. Empty cache, the sources cannot be fetched: a German line names the step.
cache=$work/cache3
STUB_APT_FAIL=1 run "$qt_script"
expect_failure_naming $? "Quellen von Debian holen" "Qt sources unreachable"

# 4. Empty cache, the build fails: the compiler's error is shown and the step is named.
cache=$work/cache4
STUB_CMAKE=fail-build run "$qt_script"
code=$?
[ "$code" -ne 0 ] || fail "failed build: exit code 0"
grep -q "stub compile error" "$work/err" || fail "failed build: the compiler's error is not shown"
grep -q "der Bau schlug fehl" "$work/err" || fail "failed build: no German message"

# 5. The Windows libraries, empty cache, sources unreachable: the step is named.
cache=$work/cache5
if command -v x86_64-w64-mingw32-gcc-posix >/dev/null; then
  STUB_APT_FAIL=1 run "$deps_script"
  expect_failure_naming $? "libxml2" "Windows libraries, sources unreachable"
  [ ! -e "$cache/deps" ] || fail "a failed library build left the deps link"
else
  fail "x86_64-w64-mingw32-gcc-posix is missing (scripts/install-deps.sh installs it)"
fi

# 6. Every script the README names parses and passes shellcheck.
if command -v shellcheck >/dev/null; then
  (cd "$source_dir" && shellcheck -x -P SCRIPTDIR scripts/*.sh run.sh test.sh .ci/run tests/setup/*.sh) \
    || fail "shellcheck"
else
  fail "shellcheck is missing (scripts/install-deps.sh installs it)"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "set-up scripts: all cases passed"
