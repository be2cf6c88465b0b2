#!/usr/bin/env bash
# Installs what is missing, builds with the sanitizers and runs every test, then the fuzz targets.
# Each step says what it does and how long it took; a failing step is named.
set -Eeuo pipefail
cd "$(dirname "$0")"
# shellcheck source=scripts/steps.sh
. scripts/steps.sh
step "Pakete und Windows-Bibliotheken"
./scripts/install-deps.sh
build="build-test"
step "Konfigurieren ($build)"
# QUORVANE_REQUIRE_COMPLETE: a test that cannot be built here fails the configuration instead of being
# left out quietly (install-deps.sh has installed and built everything the tests need).
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVANE_SANITIZE=ON -DQUORVANE_BUILD_BENCH=ON \
  -DQUORVANE_REQUIRE_COMPLETE=ON >/dev/null
step "Bauen ($build, mit den Windows-Programmen)"
cmake --build "$build" -j"$(nproc)"
step_done
step "Tests"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 600
step_done
# The fuzz targets, a separate clang build: each runs briefly and the run fails on any crash.
step "Fuzz-Ziele"
tests/fuzz/run.sh "${QUORVANE_FUZZ_SECONDS:-20}"
step_done
