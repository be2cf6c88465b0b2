#!/usr/bin/env bash
# Builds a release of Quorvane with Debian's compiler and hardening flags (dpkg-buildflags) and
# makes the Debian package: build-deb/quorvane_<version>_<architecture>.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
build=build-deb
# All of Debian's hardening, immediate binding (-z now) included.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
export CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
export LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None -DQUORVANE_BUILD_TESTS=OFF -DQUORVANE_BUILD_BENCH=OFF
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack -G DEB)
echo "Paket: $(ls "$PWD/$build"/quorvane_*.deb)"
