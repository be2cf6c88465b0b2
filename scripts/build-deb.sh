#!/usr/bin/env bash
# Builds a release of Quorvane with Debian's compiler and hardening flags (dpkg-buildflags) and
# makes the Debian package: build-deb/quorvane_<version>_<architecture>.deb. Further arguments go
# to CMake's configuration, e.g. -DQUORVANE_UPDATE_CHECK=OFF for a package without the update
# check. Two runs on the same sources give the same bytes.
set -Eeuo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=steps.sh
. scripts/steps.sh
# The package holds no Windows designer: neither the cross Qt nor its build is needed.
./scripts/install-deps.sh --no-windows
build="build-deb"
# All of Debian's hardening, immediate binding (-z now) included. The flags go to CMake for the
# host programs only: from the environment they would also reach the MinGW build of starter.exe,
# whose linker knows no -z, so none are left there.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS)"
unset CFLAGS CXXFLAGS CPPFLAGS LDFLAGS
# Every time that goes into the package (file times, the times rcc builds into the programs) is
# that of the newest changelog entry, unless the caller gives one.
SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(dpkg-parsechangelog -l packaging/changelog -S Timestamp)}"
export SOURCE_DATE_EPOCH
step "Konfigurieren ($build)"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None -DQUORVANE_BUILD_TESTS=OFF -DQUORVANE_BUILD_BENCH=OFF \
  -DQUORVANE_WINDOWS_QT= \
  "-DCMAKE_CXX_FLAGS=$cxxflags" "-DCMAKE_EXE_LINKER_FLAGS=$ldflags" "-DCMAKE_SHARED_LINKER_FLAGS=$ldflags" "$@"
step "Bauen ($build)"
cmake --build "$build" -j"$(nproc)"
step "Paket schnüren"
(cd "$build" && cpack -G DEB)
echo "Paket: $(ls "$PWD/$build"/quorvane_*.deb)"
