#!/usr/bin/env bash
# Cross-builds the libraries qvr.exe links, libxml2, libisofs and Duktape, statically for 64-bit Windows
# with MinGW-w64 (posix threads) from Debian's own sources (apt-get source), into a cache outside
# the checkout:
#   ${QUORVANE_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quorvane-windows}/
#     deps-libxml2-<version>-libisofs-<version>-duktape-<version>-<hash of the build options>/{include,lib}
#     deps -> the current one
# Does nothing when the current folder is complete; a changed version or option builds a new one.
# Without x86_64-w64-mingw32-gcc-posix it says so and ends with 0 (nothing to build for).
#   scripts/build-windows-deps.sh            build if needed, print the folder
#   scripts/build-windows-deps.sh --check    exit 0 when current, 1 when a build is due
set -Eeuo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repository=$(cd "$here/.." && pwd)
# shellcheck source=steps.sh
. "$here/steps.sh"
# shellcheck source=scripts/debian-source.sh
. "$here/debian-source.sh"

target=x86_64-w64-mingw32
cc=$target-gcc-posix
if ! command -v "$cc" >/dev/null; then
  echo "build-windows-deps: $cc not found, the Windows libraries are not built" >&2
  exit 0
fi
jobs=${QUORVANE_JOBS:-2}
root=${QUORVANE_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quorvane-windows}
shims=$here/windows-deps

# libxml2: the HTML parser and what it needs; no iconv, ICU, lzma, zlib, Python, network.
libxml2_options=(
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF
  -DLIBXML2_WITH_ICONV=OFF -DLIBXML2_WITH_ICU=OFF -DLIBXML2_WITH_LZMA=OFF -DLIBXML2_WITH_ZLIB=OFF
  -DLIBXML2_WITH_PYTHON=OFF -DLIBXML2_WITH_PROGRAMS=OFF -DLIBXML2_WITH_TESTS=OFF
  -DLIBXML2_WITH_HTTP=OFF -DLIBXML2_WITH_FTP=OFF -DLIBXML2_WITH_MODULES=OFF
)
# libisofs: static, without ACLs, extended attributes, zlib and jigdo; its POSIX calls come from
# windows-deps/ (posix-compat.h force-included, small headers, an iconv of the few encodings an
# image needs, external filters replaced by external-windows.c).
libisofs_options=(
  --disable-shared --enable-static --disable-libacl --disable-xattr --disable-zlib --disable-libjte
  --disable-debug --disable-versioned-libs --disable-ldconfig-at-install
)
libisofs_cppflags="-I$shims/include -include $shims/posix-compat.h"

xml_version=$(debian_source_version libxml2)
iso_version=$(debian_source_version libisofs6)
duk_version=$(debian_source_version duktape-dev)
# What decides the build: this script (its options and steps), the compiler, the shims' text (not
# their path).
options_hash=$( {
  sha256sum < "$0"
  "$cc" --version | head -1
  (cd "$shims" && find . -type f | LC_ALL=C sort | xargs sha256sum)
  sha256sum < "$repository/cmake/MinGW-w64.cmake"
} | sha256sum | cut -c1-12)
name="deps-libxml2-$xml_version-libisofs-$iso_version-duktape-$duk_version-$options_hash"
name=${name//[~:]/_}
dir=$root/$name

if [ -f "$dir/.complete" ] && [ "$(readlink "$root/deps" 2>/dev/null)" = "$name" ]; then
  [ "${1:-}" = --check ] || echo "$dir"
  exit 0
fi
[ "${1:-}" = --check ] && exit 1

mkdir -p "$root"
# One build at a time (install-deps.sh and a build may both ask).
exec 9>"$root/.deps.lock"
flock 9
if [ ! -f "$dir/.complete" ]; then
  started=$SECONDS
  work=$(mktemp -d "$root/.work-XXXXXX")
  trap 'rm -rf "$work"' EXIT
  prefix=$work/prefix
  mkdir -p "$prefix/lib/pkgconfig" "$prefix/include/libisofs"

  step "libxml2 $xml_version für Windows: Quellen holen und bauen"
  tree=$(debian_source_fetch libxml2 "$xml_version" "$work/libxml2")
  cmake -S "$tree" -B "$work/libxml2-build" -G Ninja \
    "-DCMAKE_TOOLCHAIN_FILE=$repository/cmake/MinGW-w64.cmake" "-DCMAKE_INSTALL_PREFIX=$prefix" \
    "${libxml2_options[@]}" >"$work/libxml2.log" 2>&1 || { tail -30 "$work/libxml2.log" >&2; step_failed 1; }
  nice -n 10 cmake --build "$work/libxml2-build" --target install -j "$jobs" >>"$work/libxml2.log" 2>&1 \
    || { tail -30 "$work/libxml2.log" >&2; step_failed 1; }

  step "libisofs $iso_version für Windows: Quellen holen und bauen"
  tree=$(debian_source_fetch libisofs "$iso_version" "$work/libisofs")
  "$cc" -O2 "-I$shims/include" -c "$shims/iconv.c" -o "$work/iconv.o"
  "$target-ar" rcs "$prefix/lib/libiconv.a" "$work/iconv.o"
  cp "$shims/external-windows.c" "$tree/libisofs/filters/external.c"
  # Windows' struct stat has no block fields; an image read back never needs them here.
  sed -i -e '/atts\.st_blksize = BLOCK_SIZE;/d' -e '/atts\.st_blocks = DIV_UP(atts\.st_size, BLOCK_SIZE);/d' \
    "$tree/libisofs/fs_image.c"
  (
    cd "$tree"
    ./configure --host=$target "CC=$cc" "CPPFLAGS=-I$shims/include" "LDFLAGS=-L$prefix/lib" \
      "--prefix=$prefix" "${libisofs_options[@]}" >"$work/libisofs.log" 2>&1
    nice -n 10 make -j "$jobs" "CPPFLAGS=$libisofs_cppflags" libisofs/libisofs.la >>"$work/libisofs.log" 2>&1
  ) || { tail -30 "$work/libisofs.log" >&2; step_failed 1; }
  cp "$tree/libisofs/.libs/libisofs.a" "$prefix/lib/"
  # The interface names uid_t and gid_t, which MinGW-w64 lacks.
  {
    echo '/* Windows build: the POSIX id types this interface names. */'
    echo '#include <sys/types.h>'
    echo '#ifndef QUORVANE_POSIX_IDS'
    echo '#define QUORVANE_POSIX_IDS'
    echo 'typedef unsigned int uid_t;'
    echo 'typedef unsigned int gid_t;'
    echo '#endif'
    cat "$tree/libisofs/libisofs.h"
  } >"$prefix/include/libisofs/libisofs.h"
  # winpthreads is not named: pkg-config users would get its import library; the posix compiler
  # links its static one with -static -lpthread.
  # The library is built with 64-bit file offsets: struct stat and off_t in its interface are the
  # 64-bit ones, so every user compiles with the same.
  cat >"$prefix/lib/pkgconfig/libisofs-1.pc" <<EOF
prefix=\${pcfiledir}/../..
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: libisofs
Description: ISO 9660 filesystem creation library (static, Windows)
Version: ${iso_version%%-*}
Libs: -L\${libdir} -lisofs -liconv
Cflags: -I\${includedir} -D_FILE_OFFSET_BITS=64
EOF

  # Duktape: the disc check compiles scripts with it (never runs them). One C file in Debian's
  # source (src/duktape.c with its duk_config.h), as Debian builds its library from it.
  echo "build-windows-deps: duktape $duk_version" >&2
  tree=$(debian_source_fetch duktape "$duk_version" "$work/duktape")
  "$cc" -O2 -std=c99 "-I$tree/src" -c "$tree/src/duktape.c" -o "$work/duktape.o" >"$work/duktape.log" 2>&1 \
    || { tail -30 "$work/duktape.log"; exit 1; }
  "$target-ar" rcs "$prefix/lib/libduktape.a" "$work/duktape.o"
  cp "$tree/src/duktape.h" "$tree/src/duk_config.h" "$prefix/include/"
  cat >"$prefix/lib/pkgconfig/duktape.pc" <<EOF
prefix=\${pcfiledir}/../..
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: duktape
Description: Embeddable ECMAScript engine (static, Windows)
Version: ${duk_version%%-*}
Libs: -L\${libdir} -lduktape
Cflags: -I\${includedir}
EOF
  printf 'libxml2 %s\nlibisofs %s\nduktape %s\noptions %s\n' "$xml_version" "$iso_version" "$duk_version" \
    "$options_hash" >"$prefix/VERSIONS"
  rm -rf "$dir"
  mv "$prefix" "$dir"
  touch "$dir/.complete"
  echo "build-windows-deps: built in $((SECONDS - started)) s" >&2
fi
ln -sfn "$name" "$root/deps"
# Older builds are no longer pointed at.
for old in "$root"/deps-*; do
  [ "$old" = "$dir" ] || rm -rf "$old"
done
echo "$dir"
