#!/usr/bin/env bash
# Installs what is missing, builds and starts the designer.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
build=build
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_BUILD_TESTS=OFF -DQUORVANE_BUILD_BENCH=OFF
cmake --build "$build" -j"$(nproc)"
"$build/cli/qvr" --help
