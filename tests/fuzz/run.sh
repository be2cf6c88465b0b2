#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for SECONDS (default 20) on its seed corpus.
# Fails when a target finds a crash, a leak, undefined behaviour or a broken property; the input
# is kept in build-fuzz/crashes/. New inputs found collect in build-fuzz/corpus/ and are reused by
# the next run.
#   tests/fuzz/run.sh          # the short run of ./test.sh
#   tests/fuzz/run.sh 3600     # a long run: an hour per target
set -euo pipefail
seconds="${1:-20}"
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${QUORVANE_FUZZ_BUILD:-$root/build-fuzz}"
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S "$root/tests/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"

# Leaks and undefined behaviour count as crashes.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
mkdir -p "$build/crashes"
failed=()
summary=""
while read -r name; do
  [ -n "$name" ] || continue
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  seeds=()
  if [ -d "$root/tests/fuzz/corpus/$name" ]; then seeds=("$root/tests/fuzz/corpus/$name"); fi
  log="$build/$name.log"
  echo "== fuzz_$name: $seconds s"
  status=0
  # The outer bound catches a target that hangs where libFuzzer's own timer cannot.
  timeout --signal=KILL $((seconds + 120)) "$build/bin/fuzz_$name" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -max_len=8192 -print_final_stats=1 -artifact_prefix="$build/crashes/$name-" \
    "$corpus" "${seeds[@]}" >"$log" 2>&1 || status=$?
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  if [ "$status" -ne 0 ]; then
    failed+=("$name")
    tail -40 "$log"
    summary+="$(printf '%-22s %12s  FAILED (exit %s, see %s)' "$name" "${runs:-?}" "$status" "$log")"$'\n'
  else
    summary+="$(printf '%-22s %12s  ok' "$name" "${runs:-?}")"$'\n'
  fi
done <"$build/fuzz-targets.txt"

printf '\n%-22s %12s\n%s' "target" "executions" "$summary"
if ((${#failed[@]})); then
  echo "Fuzzing found faults in: ${failed[*]} (inputs in $build/crashes/)" >&2
  exit 1
fi
