#!/usr/bin/env bash
# Installs what is missing, builds with the sanitizers and runs every test, then the fuzz targets.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
build=build-test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVANE_SANITIZE=ON -DQUORVANE_BUILD_BENCH=ON
cmake --build "$build" -j"$(nproc)"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 600
# The fuzz targets, a separate clang build: each runs briefly and the run fails on any crash.
tests/fuzz/run.sh "${QUORVANE_FUZZ_SECONDS:-20}"
