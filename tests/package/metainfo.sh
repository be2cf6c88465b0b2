#!/usr/bin/env bash
# The AppStream file as cmake/MetaInfo.cmake makes it: without a publisher address it names no
# address at all and passes the validation with network checks; with one, its homepage is that
# address and its screenshots are the files of docs/screenshots/ with their real sizes, under
# <address>screenshots/, so publishing that folder there makes the network checks pass.
# Arguments: SOURCE_DIR
set -u
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
template="$source_dir/packaging/example.quorvane.Quorvane.metainfo.xml.in"
failures=0
fail() { failures=$((failures + 1)); echo "FAIL: $*"; }
ok() { echo "ok   $*"; }
make_metainfo() { cmake "-DSOURCE=$template" "-DOUTPUT=$2" "-DPUBLISHER_URL=$1" -P "$source_dir/cmake/MetaInfo.cmake"; }

# No publisher: nothing to fetch, and the network checks pass as they are.
make_metainfo "" "$work/none.xml" || fail "MetaInfo.cmake without a publisher"
grep -q '<url \|<screenshot\|@QUORVANE' "$work/none.xml" && fail "an address or a placeholder without a publisher: $(grep '<url \|<screenshot\|@QUORVANE' "$work/none.xml")"
timeout 300 appstreamcli validate --pedantic --no-color "$work/none.xml" >"$work/out" 2>&1
grep -Eq '^ *[EW]:' "$work/out" && fail "validation with network checks: $(cat "$work/out")" || ok "no publisher: valid with network checks"

# A publisher: the homepage and the screenshots as published from docs/screenshots/.
publisher=https://quorvane.example.org/
make_metainfo "$publisher" "$work/real.xml" || fail "MetaInfo.cmake with a publisher"
grep -q "<url type=\"homepage\">$publisher</url>" "$work/real.xml" && ok "homepage $publisher" || fail "no homepage $publisher"
appstreamcli validate --pedantic --no-net --no-color "$work/real.xml" >"$work/out" 2>&1
grep -Eq '^ *[EW]:' "$work/out" && fail "validation: $(cat "$work/out")" || ok "with a publisher: valid"
count=0
while read -r width height url; do
  count=$((count + 1))
  name=${url#"${publisher}screenshots/"}
  file="$source_dir/docs/screenshots/$name"
  if [ "$name" = "$url" ] || [ ! -f "$file" ]; then
    fail "screenshot $url is no file of docs/screenshots/"
    continue
  fi
  real_width=$((16#$(od -An -j16 -N4 -tx1 "$file" | tr -d ' \n'))) real_height=$((16#$(od -An -j20 -N4 -tx1 "$file" | tr -d ' \n')))
  [ "$real_width x $real_height" = "$width x $height" ] && ok "screenshot $name ${width}x${height}" \
    || fail "screenshot $name is ${real_width}x${real_height}, the file says ${width}x${height}"
done < <(sed -n 's/.*<image type="source" width="\([0-9]*\)" height="\([0-9]*\)">\([^<]*\)<.*/\1 \2 \3/p' "$work/real.xml")
((count > 0)) || fail "no screenshots with a publisher"

# Only https addresses: the network checks note plain ones.
make_metainfo "http://quorvane.example.org/" "$work/plain.xml" 2>/dev/null && fail "a plain http publisher address was taken"

((failures == 0))
