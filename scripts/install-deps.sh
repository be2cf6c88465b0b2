#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the designer need; only the missing ones.
set -Eeuo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=steps.sh
. "$here/steps.sh"
packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools
  libcurl4-openssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev googletest
  fonts-wine fonts-liberation
  xvfb xauth imagemagick
  qt6-translations-l10n
  qt6-webengine-dev libxcb1-dev
  libisofs-dev libxml2-dev xorriso duktape-dev
  libjs-jquery libjs-underscore libjs-bootstrap5
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64 wine wine64 openbox x11-utils xdotool
  genisoimage time shellcheck zip unzip nsis ccache osslsigncode openssl
  dpkg-dev lintian appstream desktop-file-utils man-db scdoc
)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  step "Debian-Pakete installieren (${#missing[@]}: ${missing[*]})"
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get -o DPkg::Lock::Timeout=900 update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=900 install -y -qq \
    --no-install-recommends "${missing[@]}" >/dev/null
  step_done
fi
# The Windows programs, built once per machine into a cache outside the checkout and then reused:
# the libraries of qvr.exe (libxml2, libisofs, Duktape; two minutes) and Qt for the designer (about 30
# minutes on 2 cores), both from Debian's sources. Skipped with --no-windows (./run.sh, which starts
# the Linux designer only).
if [ "${1:-}" != "--no-windows" ] && command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
  if ! "$here/build-windows-deps.sh" --check; then
    step "Windows-Bibliotheken (libxml2, libisofs, Duktape) bauen"
    "$here/build-windows-deps.sh" >/dev/null
    step_done
  fi
  qt_missing=0
  [ -f "$("$here/build-windows-qt.sh" --prefix)/.complete" ] || qt_missing=1
  ((qt_missing == 0)) || step "Qt für Windows bauen"
  "$here/build-windows-qt.sh" >/dev/null
  ((qt_missing == 0)) || step_done
fi
