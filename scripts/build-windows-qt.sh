#!/usr/bin/env bash
# Builds Qt for the Windows designer once per machine: Debian's own qt6-base source (the same
# version as the host's Qt), static, for 64-bit Windows with MinGW-w64 (posix threads), only Core,
# Gui, Widgets and Test, with the Windows platform plugin and the Windows styles. The host's Qt
# tools (moc, rcc, uic) serve the cross build.
#
# The result lies outside the checkout, in
#   ${QUORVANE_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quorvane-windows}/qt6-<version>-<options hash>
# with the link qt6 pointing at the current one. The folder's name holds the Qt version and a hash
# of this script's options, so a changed option builds anew; a complete folder is marked by the
# file .complete, and then the script does nothing. Prints the prefix on its last line.
#
#   scripts/build-windows-qt.sh           build when missing
#   scripts/build-windows-qt.sh --prefix  print the prefix it would use, build nothing
set -Eeuo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=steps.sh
. "$here/steps.sh"
# shellcheck source=debian-source.sh
. "$here/debian-source.sh"

cache="${QUORVANE_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quorvane-windows}"
triple=x86_64-w64-mingw32

# What the designer needs, nothing more: every module and feature left out shortens the build.
# Tablet support is off: Debian's source leaves out the tablet vendor's header (a non-free
# third-party file), and a designer of disc menus has no use for pen pressure.
options=(
  -DBUILD_SHARED_LIBS=OFF
  -DCMAKE_BUILD_TYPE=Release
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DQT_BUILD_TOOLS_BY_DEFAULT=OFF -DQT_WILL_BUILD_TOOLS=OFF
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_printsupport=OFF -DFEATURE_opengl=OFF
  -DFEATURE_dbus=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_vulkan=OFF
  -DFEATURE_testlib=ON -DFEATURE_widgets=ON -DFEATURE_gui=ON
  -DFEATURE_tabletevent=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF
  -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
  -DFEATURE_sql_sqlite=OFF -DFEATURE_openssl=OFF -DINPUT_openssl=no
  -DFEATURE_icu=OFF -DFEATURE_glib=OFF -DFEATURE_zstd=OFF -DFEATURE_brotli=OFF
  -DFEATURE_pkg_config=OFF -DFEATURE_freetype=OFF
  # Parts of Gui and Widgets the designer never uses (it draws its own PNG and JPEG resources
  # with the Windows platform plugin and plain widgets). Direct2D itself stays on: Gui builds its
  # DirectWrite font engine and database only with it, and the Windows plugin needs both; off goes
  # the Direct2D platform plugin (direct2d1_1), a second copy of the Windows plugin.
  -DFEATURE_direct2d1_1=OFF -DFEATURE_pdf=OFF -DFEATURE_gif=OFF -DFEATURE_movie=OFF
  -DFEATURE_textmarkdownreader=OFF -DFEATURE_textmarkdownwriter=OFF -DFEATURE_textodfwriter=OFF
  -DFEATURE_sessionmanager=OFF -DFEATURE_systemtrayicon=OFF
  -DFEATURE_jalalicalendar=OFF -DFEATURE_hijricalendar=OFF -DFEATURE_islamiccivilcalendar=OFF
  -DFEATURE_undocommand=OFF -DFEATURE_undostack=OFF -DFEATURE_undogroup=OFF -DFEATURE_undoview=OFF
  -DFEATURE_graphicsview=OFF -DFEATURE_graphicseffect=OFF -DFEATURE_mdiarea=OFF
  -DFEATURE_lcdnumber=OFF -DFEATURE_dial=OFF -DFEATURE_columnview=OFF -DFEATURE_datawidgetmapper=OFF
  -DFEATURE_keysequenceedit=OFF -DFEATURE_wizard=OFF -DFEATURE_toolbox=OFF
  -DFEATURE_fontcombobox=OFF -DFEATURE_calendarwidget=OFF
)
# -O2 without debug information: the programs are shipped stripped.
compiler_flags="-O2"

version=$(debian_source_version qt6-base-dev)
upstream=${version%%+*}
hash=$( { printf '%s\n' "${options[@]}" "$compiler_flags" "$version"; cat "$here/../cmake/MinGW-w64.cmake"; } \
  | sha256sum | cut -c1-12)
prefix="$cache/qt6-$upstream-$hash"

if [ "${1:-}" = "--prefix" ]; then
  echo "$prefix"
  exit 0
fi
if [ -f "$prefix/.complete" ]; then
  ln -sfn "$(basename "$prefix")" "$cache/qt6"
  echo "$prefix"
  exit 0
fi
if ! command -v "$triple-g++-posix" >/dev/null; then
  echo "$triple-g++-posix fehlt: Qt für Windows wird nicht gebaut." >&2
  exit 1
fi

mkdir -p "$cache"
# The work folder stays when a step fails: a second run goes on where the first stopped.
work="$cache/work-qt6-$upstream-$hash"
start=$(date +%s)
# No work folder yet on a new machine: find must not end the script then (pipefail, set -e).
source_tree=""
if [ -d "$work/src" ]; then
  source_tree=$(find "$work/src" -mindepth 1 -maxdepth 1 -type d | head -1)
fi
if [ -z "$source_tree" ] || [ ! -f "$work/src/.patched" ]; then
  step "Qt $version für Windows: Quellen von Debian holen"
  rm -rf "$work"
  source_tree=$(debian_source_fetch qt6-base "$version" "$work/src")
  # Qt 6.4 lets the Windows platform plugin reach for its OpenGL context when OpenGL is off but
  # the dynamic OpenGL choice (on by default) is on: the function that asks for software OpenGL
  # is compiled only with OpenGL.
  sed -i 's/^#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' \
    "$source_tree/src/plugins/platforms/windows/qwindowswindow.cpp"
  [ "$(grep -c '^#if QT_CONFIG(dynamicgl) && QT_CONFIG(opengl)$' \
        "$source_tree/src/plugins/platforms/windows/qwindowswindow.cpp")" = 2 ] || {
    echo "Qt für Windows: die Korrektur des Plugins passt nicht auf diese Quellen." >&2
    exit 1
  }
  touch "$work/src/.patched"
fi

if [ ! -f "$work/build/build.ninja" ]; then
step "Qt $version für Windows: konfigurieren"
rm -rf "$work/build" "$prefix"
cmake -S "$source_tree" -B "$work/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$here/../cmake/MinGW-w64.cmake" \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_C_FLAGS_RELEASE="$compiler_flags" -DCMAKE_CXX_FLAGS_RELEASE="$compiler_flags" \
  "${options[@]}" >"$work/configure.log" 2>&1 || {
  tail -40 "$work/configure.log" >&2
  echo "Qt für Windows: die Konfiguration schlug fehl (ganzes Protokoll: $work/configure.log)" >&2
  rm -f "$work/build/build.ninja"
  exit 1
}
fi

step "Qt $version für Windows: bauen (etwa 25 Minuten auf 2 freien Kernen)"
# Ninja writes into the log; once a minute the script says how far it is.
cmake --build "$work/build" -j"$(nproc)" >>"$work/build.log" 2>&1 &
builder=$!
trap 'kill "$builder" 2>/dev/null || true' EXIT
ticks=0
while kill -0 "$builder" 2>/dev/null; do
  sleep 5
  ticks=$((ticks + 1))
  if ((ticks % 12 == 0)); then
    progress=$(tail -c 4096 "$work/build.log" | grep -o '^\[[0-9]*/[0-9]*\]' | tail -1 || true)
    echo "  Qt für Windows: ${progress:-[?]} Schritte nach $((SECONDS - step_started)) s" >&2
  fi
done
if ! wait "$builder"; then
  grep -m5 -B2 -A10 'error' "$work/build.log" >&2 || tail -40 "$work/build.log" >&2
  echo "Qt für Windows: der Bau schlug fehl (ganzes Protokoll: $work/build.log)" >&2
  exit 1
fi
step "Qt $version für Windows: installieren"
cmake --install "$work/build" >"$work/install.log" 2>&1
date -u +%FT%TZ >"$prefix/.complete"
echo "$(( $(date +%s) - start )) s" >>"$prefix/.complete"
ln -sfn "$(basename "$prefix")" "$cache/qt6"
rm -rf "$work"
# Builds with other options are no longer pointed at (each is about 1 GB).
for old in "$cache"/qt6-* "$cache"/work-qt6-*; do
  [ "$old" = "$prefix" ] || rm -rf "$old"
done
echo "Qt für Windows fertig in $(( $(date +%s) - start )) s." >&2
echo "$prefix"
