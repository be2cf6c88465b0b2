#!/usr/bin/env bash
# Installs what is missing, builds and starts the designer. Without a display it starts the
# designer on a virtual X display, saves a screenshot of its window, prints where, and stops.
# Arguments are passed on to the designer (a configuration file to open).
set -Eeuo pipefail
cd "$(dirname "$0")"
# shellcheck source=scripts/steps.sh
. scripts/steps.sh
step "Pakete"
./scripts/install-deps.sh --no-windows
build=build
step "Konfigurieren ($build)"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_BUILD_TESTS=OFF \
  -DQUORVANE_BUILD_BENCH=OFF -DQUORVANE_REQUIRE_COMPLETE=OFF >/dev/null
step "Bauen ($build)"
cmake --build "$build" -j"$(nproc)"
step_done
designer="$PWD/$build/bin/quorvane"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$designer" "$@"
fi

shot="$PWD/$build/screenshots/quorvane.png"
mkdir -p "$(dirname "$shot")"
rm -f "$shot"
echo "Kein Bildschirm gefunden: der Designer läuft auf einem virtuellen X-Bildschirm."
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" "$designer" --grab "$shot" "$@"
if [ ! -s "$shot" ]; then
  echo "Das Bildschirmfoto konnte nicht gespeichert werden." >&2
  exit 1
fi
echo "Bildschirmfoto des Designers: $shot"
