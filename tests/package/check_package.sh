#!/usr/bin/env bash
# Builds the Debian package from a finished build (cpack -G DEB), checks what it holds and its
# control fields, installs it into a temporary root with dpkg-deb -x and runs the programs from
# there, validates its desktop data and manual pages, and runs lintian: an error, or a warning not
# named below with its reason, fails the test. Every check runs; each failure is reported.
# Arguments: BUILD_DIR VERSION, or --deb PACKAGE VERSION to check a package made elsewhere (the
# release package of scripts/build-deb.sh, fresh_build.sh).
set -u
if [ "$1" = --deb ]; then
  build= given=$2 version=$3
else
  build=$1 given= version=$2
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"

# What the package must hold, relative to its root. Adjust here when the layout changes.
# quorvane-starter in /usr/bin and the Windows starter.exe in Beispiele/ come with the Windows
# runtime's branch: before it the runtime is built as Beispiele/starter.exe (an ELF program).
expected_files=(
  usr/bin/qvr
  usr/bin/quorvane-starter
  usr/lib/quorvane/quorvane
  usr/lib/quorvane/Beispiele/starter.exe
  usr/lib/quorvane/Beispiele/starter.ini
  usr/lib/quorvane/Beispiele/web/index.html
  usr/share/applications/example.quorvane.Quorvane.desktop
  usr/share/metainfo/example.quorvane.Quorvane.metainfo.xml
  usr/share/icons/hicolor/scalable/apps/quorvane.svg
  usr/share/man/man1/quorvane.1.gz
  usr/share/man/man1/qvr.1.gz
  usr/share/man/man1/quorvane-starter.1.gz
  usr/share/doc/quorvane/copyright
  usr/share/doc/quorvane/changelog.gz
)
# Links in the package and where they lead.
expected_links=(
  "usr/bin/quorvane -> ../lib/quorvane/quorvane"
)
# Libraries dpkg-shlibdeps must have found (never written by hand).
expected_depends=(libqt6widgets6 libqt6webenginewidgets6 libisofs6 libxml2)
# What the designer loads at run time and cannot do without: its pixel layout is measured in the
# Tahoma-metric font of fonts-wine and in Liberation Mono; without them its texts are cut.
expected_runtime_depends=(fonts-wine fonts-liberation)
# The icon in the usual sizes of the hicolor theme (besides the scalable one).
icon_sizes=(16 22 24 32 48 64 128 256)
# What starter.exe carries inside (a static link of its cross compiler's runtime), and a licence
# each must be named with in the copyright file.
static_parts=("MinGW-w64 C runtime:ZPL-2.1" "winpthreads:Expat" "libstdc++:GPL-3+ with GCC-exception-3.1 exception")
# lintian warnings that are accepted, each with its reason ("tag" or "tag [file]" as lintian
# prints it after "W: quorvane: "). Errors are never accepted.
accepted_warnings=(
)

failures=0
fail() { failures=$((failures + 1)); echo "FAIL: $*"; }
ok() { echo "ok   $*"; }

# 1. The package.
if [ -n "$given" ]; then
  deb=$given
else
  (cd "$build" && cpack -G DEB -B "$work/package" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; exit 1; }
  deb="$work/package/quorvane_${version}_$(dpkg --print-architecture).deb"
fi
[ -f "$deb" ] || { ls "$work/package"; fail "no package $deb"; exit 1; }
ok "package $(basename "$deb") ($(du -k "$deb" | cut -f1) KiB)"

# 2. Its contents and fields.
dpkg-deb -c "$deb" | awk '{ $1=$2=$3=$4=$5=""; sub(/^ +/, ""); sub(/^\.\//, ""); print }' >"$work/contents"
for file in "${expected_files[@]}"; do
  grep -qxF "$file" "$work/contents" && ok "holds $file" || fail "the package lacks $file"
done
for size in "${icon_sizes[@]}"; do
  icon="usr/share/icons/hicolor/${size}x${size}/apps/quorvane.png"
  grep -qxF "$icon" "$work/contents" || { fail "the package lacks $icon"; continue; }
done
for link in "${expected_links[@]}"; do
  grep -qxF "$link" "$work/contents" && ok "link $link" || fail "the package lacks the link $link"
done
if grep -v -e '^usr/$' -e '^usr/' "$work/contents" | grep -q .; then
  fail "files outside /usr: $(grep -v '^usr/' "$work/contents" | tr '\n' ' ')"
fi
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Version)" = "$version" ] && ok "version $version" || fail "version $(field Version), expected $version"
for name in Maintainer Section Priority; do
  [ -n "$(field "$name")" ] && ok "$name: $(field "$name")" || fail "no $name field"
done
depends=$(field Depends)
for library in "${expected_depends[@]}"; do
  [[ "$depends" == *"$library"* ]] && ok "depends on $library" || fail "Depends lacks $library: $depends"
done
for package in "${expected_runtime_depends[@]}"; do
  [[ ",$depends," =~ [,\ ]$package[\ ,\(] ]] && ok "depends on $package" || fail "Depends lacks $package: $depends"
done
description=$(field Description)
[[ "$description" == *"German wizard"* && "$description" == *"Deutsch: "* ]] && ok "description in English and German" \
  || fail "the description lacks its English or German part"

# 3. Installed into a temporary root: the programs run from there and find their Beispiele.
root="$work/root"
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x"
out=$("$root/usr/bin/qvr" --version 2>"$work/err")
[ "${out%%$'\n'*}" = "qvr (Quorvane) $version" ] && [ ! -s "$work/err" ] && ok "qvr --version" \
  || fail "qvr --version: '$out' $(cat "$work/err")"
for program in usr/lib/quorvane/quorvane usr/bin/quorvane-starter; do
  if [ -x "$root/$program" ]; then
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/$program" --version 2>&1)
    [[ "$out" == *"(Quorvane) $version"* ]] && ok "$program --version" || fail "$program --version: $out"
  fi
done
examples="$root/usr/lib/quorvane/Beispiele"
"$root/usr/bin/qvr" check "$examples/starter.ini" >"$work/output" 2>"$work/err"
code=$?
{ [ "$code" -le 1 ] && [ ! -s "$work/err" ]; } && ok "qvr check on the demonstration (exit $code)" \
  || fail "qvr check on the demonstration: exit $code, $(cat "$work/err")"
# The designer follows /usr/bin/quorvane to its own folder, where Beispiele/ lies.
designer=$(readlink -f "$root/usr/bin/quorvane")
[ "$designer" = "$root/usr/lib/quorvane/quorvane" ] && [ -f "$(dirname "$designer")/Beispiele/starter.ini" ] \
  && ok "usr/bin/quorvane leads to the folder with Beispiele/" || fail "usr/bin/quorvane leads to '$designer'"
# qvr verify compares a disc's starter.exe with the installed one: it must find it.
cp -r "$examples" "$work/cd"
"$root/usr/bin/qvr" verify "$work/cd" >"$work/output" 2>&1
code=$?
if [ "$code" -le 1 ] && ! grep -q "kann nicht verglichen werden" "$work/output"; then
  ok "qvr verify finds the installed Beispiele/starter.exe"
else
  fail "qvr verify from the package (exit $code): $(cat "$work/output")"
fi
# The Windows runtime is a Windows program (PE), not the Linux one.
if [ "$(head -c 2 "$examples/starter.exe" 2>/dev/null)" = "MZ" ]; then
  ok "Beispiele/starter.exe is a Windows program"
else
  fail "Beispiele/starter.exe is no Windows program: $(file -b "$examples/starter.exe" 2>&1 | cut -c1-60)"
fi

# Icons: each PNG as large as its folder says, the scalable one an SVG drawing of its own.
for size in "${icon_sizes[@]}"; do
  icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/quorvane.png"
  [ -f "$icon" ] || continue
  width=$((16#$(od -An -j16 -N4 -tx1 "$icon" | tr -d ' \n'))) height=$((16#$(od -An -j20 -N4 -tx1 "$icon" | tr -d ' \n')))
  [ "$(head -c 8 "$icon" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] && [ "$width" = "$size" ] && [ "$height" = "$size" ] \
    && ok "icon ${size}x${size}" || fail "icon ${size}x${size} is a ${width}x${height} picture or no PNG"
done
svg="$root/usr/share/icons/hicolor/scalable/apps/quorvane.svg"
if [ -f "$svg" ] && grep -q '<svg[^>]*xmlns="http://www.w3.org/2000/svg"' "$svg" && grep -q 'viewBox="0 0 256 256"' "$svg" \
   && ! grep -q '<image' "$svg"; then
  ok "scalable icon"
else
  fail "the scalable icon is no SVG drawing"
fi

# The copyright file: every licence a paragraph names has its text, and starter.exe's paragraph
# names what it carries inside.
copyright="$root/usr/share/doc/quorvane/copyright"
awk '
  /^$/ { files = 0; current = ""; next }
  /^Files:/ { files = 1; next }
  /^License:/ {
    name = substr($0, 10)
    if (files) { n = split(name, parts, / and | or /); for (i = 1; i <= n; i++) used[parts[i]] = 1 }
    else { current = name; next }
  }
  /^ / && current != "" { text[current] = 1 }
  /^[^ ]/ && !/^License:/ { current = "" }
  END { for (name in used) if (!(name in text)) print name }
' "$copyright" >"$work/missing"
[ -s "$work/missing" ] && fail "licences without their text in copyright: $(tr '\n' ',' <"$work/missing")" \
  || ok "every licence in copyright has its text"
paragraph=$(awk '/^Files: .*usr\/lib\/quorvane\/Beispiele\/starter\.exe/ { on = 1 } on && /^$/ { exit } on' "$copyright")
for part in "${static_parts[@]}"; do
  name=${part%%:*} licence=${part#*:}
  if [[ "$paragraph" == *"$name"* ]] && grep "^License:" <<<"$paragraph" | grep -qF "$licence"; then
    ok "copyright names $name ($licence) in starter.exe"
  else
    fail "copyright does not name $name with $licence for starter.exe"
  fi
done

# 4. Desktop entry, AppStream data, manual pages, changelog: as installed.
desktop-file-validate "$root/usr/share/applications/example.quorvane.Quorvane.desktop" >"$work/output" 2>&1
[ ! -s "$work/output" ] && ok "desktop-file-validate" || fail "desktop-file-validate: $(cat "$work/output")"
metainfo="$root/usr/share/metainfo/example.quorvane.Quorvane.metainfo.xml"
# The tree as a whole: the metainfo file, and the desktop entry it names as its launchable.
appstreamcli validate-tree --no-net --no-color "$root" >"$work/output" 2>&1
if [ $? -eq 0 ] && grep -q "example.quorvane.Quorvane" "$work/output" && ! grep -Eq '^ *[EW]:' "$work/output"; then
  ok "appstreamcli validate-tree ($(grep -cE '^ *[IP]:' "$work/output") notes)"
else
  fail "appstreamcli validate-tree: $(cat "$work/output")"
fi
# With the network checks: every address in it can be fetched (none where no publisher is set).
timeout 300 appstreamcli validate --pedantic --no-color "$metainfo" >"$work/output" 2>&1
if ! grep -Eq '^ *[EW]:' "$work/output"; then
  ok "appstreamcli validate --pedantic with network checks"
else
  fail "appstreamcli validate with network checks: $(cat "$work/output")"
fi
homepage=$(grep -o '<url type="homepage">[^<]*' "$metainfo" | cut -d'>' -f2)
[ "$homepage" = "$(field Homepage)" ] && ok "one homepage: '${homepage}'" \
  || fail "AppStream homepage '$homepage' and the package's Homepage '$(field Homepage)' differ"
newest=$(grep -o '<release version="[^"]*"' "$metainfo" | head -1 | cut -d'"' -f2)
[ "$newest" = "$version" ] && ok "newest AppStream release $newest" || fail "newest AppStream release $newest, expected $version"
changelog=$(zcat "$root/usr/share/doc/quorvane/changelog.gz" | dpkg-parsechangelog -l - -S Version 2>&1)
[ "$changelog" = "$version" ] && ok "changelog version $changelog" || fail "changelog version $changelog, expected $version"
for page in "$root"/usr/share/man/man1/*.1.gz; do
  MANWIDTH=80 man --warnings -l "$page" >"$work/output" 2>"$work/err"
  { [ -s "$work/output" ] && [ ! -s "$work/err" ]; } && ok "man $(basename "$page")" \
    || fail "man $(basename "$page"): $(cat "$work/err")"
done
# gzip -9n: no name and no time stamp in the header (bytes 4-7 are the time), so a rebuild of the
# same sources gives the same bytes.
for file in "$root"/usr/share/man/man1/*.1.gz "$root/usr/share/doc/quorvane/changelog.gz"; do
  [ "$(od -An -tx1 -j4 -N4 "$file" | tr -d ' ')" = 00000000 ] || fail "$(basename "$file") carries a time stamp"
done

# 5. lintian.
lintian --no-tag-display-limit "$deb" >"$work/lintian" 2>&1
grep -E '^E: ' "$work/lintian" | while read -r line; do echo "FAIL: lintian $line"; done
errors=$(grep -cE '^E: ' "$work/lintian")
((errors)) && failures=$((failures + errors))
while read -r line; do
  tag=${line#W: quorvane: }
  accepted=0
  for entry in "${accepted_warnings[@]}"; do [ "${entry%% # *}" = "$tag" ] && accepted=1; done
  if ((accepted)); then ok "lintian warning accepted: $tag"; else fail "lintian $line"; fi
done < <(grep -E '^W: ' "$work/lintian")
((errors)) || ok "lintian: no errors"

if ((failures)); then
  echo "$failures check(s) failed"
  exit 1
fi
