#!/usr/bin/env bash
# The README's package line as a new user runs it: scripts/build-deb.sh in a clean copy of the
# checkout (the files git knows, as they are in the working tree; no build folders), twice, in
# the same place, the second time with every file's time changed. The two packages must be the
# same bytes; then the first one goes through the package checks (check_package.sh --deb).
# Arguments: SOURCE_DIR VERSION
# The second build reuses the first one's compiler results through a ccache of the test's own
# (where ccache is installed), so it costs links, generated files and packaging only: what
# differs between two runs (times, links, packaging) is still made anew and compared.
set -u
source_dir=$1 version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
started=$SECONDS

# shellcheck source=clean_copy.sh
. "$(dirname "$0")/clean_copy.sh"
clean_copy_or_skip "$source_dir"

copy() { clean_copy "$source_dir" "$1"; }

launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_DIR="$work/ccache" CCACHE_BASEDIR="$work/src"
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

build() { # NAME: builds in $work/src, keeps the package as $work/NAME.deb
  local log="$work/$1.log" begin=$SECONDS
  if ! (cd "$work/src" && ./scripts/build-deb.sh "${launcher[@]}") >"$log" 2>&1; then
    echo "FAIL: scripts/build-deb.sh ($1) failed; the end of its output:"
    tail -40 "$log"
    exit 1
  fi
  local deb
  deb=$(ls "$work"/src/build-deb/quorvane_*.deb 2>/dev/null)
  [ -f "$deb" ] || { echo "FAIL: no package after build $1"; tail -20 "$log"; exit 1; }
  mv "$deb" "$work/$1.deb"
  echo "ok   build $1: $(basename "$deb") in $((SECONDS - begin)) s"
}

copy "$work/src"
build first
rm -rf "$work/src"
copy "$work/src"
# Other file times than the first copy's (older ones: ninja would rebuild forever after files
# from the future).
find "$work/src" -exec touch -h -d '2001-02-03 04:05:06' {} +
build second

failures=0
if cmp -s "$work/first.deb" "$work/second.deb"; then
  echo "ok   the two packages are the same bytes ($(stat -c %s "$work/first.deb") bytes)"
else
  failures=$((failures + 1))
  kept="${TMPDIR:-/tmp}/quorvane-fresh-build-differs"
  mkdir -p "$kept" && cp "$work/first.deb" "$work/second.deb" "$kept/"
  echo "FAIL: two builds of the same sources differ (both packages kept in $kept)"
  if command -v diffoscope >/dev/null; then
    diffoscope --text - "$work/first.deb" "$work/second.deb" | head -80
  else
    for n in first second; do mkdir -p "$work/x-$n" && dpkg-deb -R "$work/$n.deb" "$work/x-$n"; done
    dpkg-deb -c "$work/first.deb" >"$work/c1"; dpkg-deb -c "$work/second.deb" >"$work/c2"
    diff "$work/c1" "$work/c2" | head -20
    (cd "$work/x-first" && find . -type f) | while read -r f; do
      cmp -s "$work/x-first/$f" "$work/x-second/$f" || echo "  differs: $f"
    done
  fi
fi

bash "$(dirname "$0")/check_package.sh" --deb "$work/first.deb" "$version" || failures=$((failures + 1))
echo "fresh build test: $((SECONDS - started)) s"
((failures == 0))
