#!/usr/bin/env bash
# Makes what a Windows user downloads, in build-windows/ (scripts/package-windows.sh packs it):
#   Quorvane-<version>-windows-x64.zip   quorvane.exe, qvr.exe, Beispiele\ (starter.exe and the
#                                        demonstration), Lizenzen\, LIESMICH.txt
#   Quorvane-<version>-setup.exe         the German installer of the same files (NSIS; per user,
#                                        no administrator rights)
# Builds the host build first, or reuses it: the folder QUORVANE_BUILD_DIR (default build, as
# run.sh makes it); its external projects cross-build the Windows programs into bin-windows/.
# The zip is reproducible: its files' times are SOURCE_DATE_EPOCH (default: the last commit's).
# With a code-signing certificate (QUORVANE_SIGN_PKCS12 and QUORVANE_SIGN_PASSWORD_FILE, or
# QUORVANE_SIGN_PKCS11_MODULE and QUORVANE_SIGN_PKCS11_KEY; QUORVANE_SIGN_TIMESTAMP_URL for a time
# stamp) the programs, the installer and its uninstaller are signed: see scripts/sign-windows.sh.
set -Eeuo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=steps.sh
. scripts/steps.sh
repository=$PWD
build=${QUORVANE_BUILD_DIR:-build}
out=$repository/build-windows

[ "${QUORVANE_SKIP_INSTALL_DEPS:-}" = 1 ] || ./scripts/install-deps.sh
# Configured every time: a build folder made before the cross Qt existed (./run.sh's) takes up the
# Windows designer now. QUORVANE_REQUIRE_COMPLETE makes a missing Windows program an error here, at once.
step "Konfigurieren ($build)"
if [ -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DQUORVANE_REQUIRE_COMPLETE=ON >/dev/null
else
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_BUILD_TESTS=OFF \
    -DQUORVANE_BUILD_BENCH=OFF -DQUORVANE_REQUIRE_COMPLETE=ON >/dev/null
fi
step "Bauen ($build, mit den Windows-Programmen)"
cmake --build "$build" -j"$(nproc)"
step "Packen: Zip und Installationsprogramm"
./scripts/package-windows.sh "$build" "$out"
step_done

