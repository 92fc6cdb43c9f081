#!/usr/bin/env bash
# Builds the libFuzzer harnesses (clang, ASan + UBSan, tests/fuzz/) and runs each on the
# seed corpus it writes itself, for a bounded time, several at once. Any crash, sanitizer
# report, leak, failed check, input slower than the time-out or single allocation above
# 1 GiB (the largest legal image needs a quarter of that) fails the script; the input
# is kept under <build dir>/fuzz-run/artifacts/<harness>/.
#   usage: fuzz.sh [build dir]          (default build-fuzz)
#   FUZZ_BUDGET  seconds of wall-clock time for all the runs together (default 240)
#   FUZZ_JOBS    harnesses run at once (default: the number of cores)
#   FUZZ_ONLY    run only the harnesses whose names match this extended regex
# The corpus each harness grows is kept in <build dir>/fuzz-run/corpus/<harness>, so later
# runs go on from it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-$root/build-fuzz}"
budget="${FUZZ_BUDGET:-240}"
jobs="${FUZZ_JOBS:-$(nproc)}"

echo "== fuzz build ($dir)"
cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DQUORVANE_FUZZ=ON -DQUORVANE_BUILD_TESTS=OFF -DQUORVANE_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$dir" -j"$(nproc)" --target fuzzers

bin="$dir/tests/fuzz"
harnesses=()
for f in "$bin"/fuzz_*; do
  name="$(basename "$f")"
  if [ -x "$f" ] && [[ "$name" =~ ${FUZZ_ONLY:-.} ]]; then harnesses+=("$name"); fi
done
count="${#harnesses[@]}"
if [ "$count" -eq 0 ]; then echo "no harness to run" >&2; exit 1; fi
rounds=$(( (count + jobs - 1) / jobs ))
seconds=$(( budget / rounds ))
if [ "$seconds" -lt 10 ]; then seconds=10; fi

work="$dir/fuzz-run"
mkdir -p "$work"
export bin work seconds
run_one() {
  local name="$1"
  local seeds="$work/seeds/$name" corpus="$work/corpus/$name" art="$work/artifacts/$name" log="$work/$name.log"
  rm -rf "$seeds" "$art"
  mkdir -p "$seeds" "$corpus" "$art"
  QUORVANE_FUZZ_SEEDS="$seeds" "$bin/$name" >"$log" 2>&1 || { echo "$name: cannot write its seeds" >>"$log"; echo 1 >"$work/$name.rc"; return 0; }
  local rc=0
  ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    "$bin/$name" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2560 -malloc_limit_mb=1024 -close_fd_mask=1 -print_final_stats=1 \
    -artifact_prefix="$art/" "$corpus" "$seeds" >"$log" 2>&1 || rc=$?
  echo "$rc" >"$work/$name.rc"
}
export -f run_one

echo "== fuzzing $count harnesses, $seconds s each, $jobs at once"
printf '%s\n' "${harnesses[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one "$@"' _ {}

failed=0
for name in "${harnesses[@]}"; do
  rc="$(cat "$work/$name.rc" 2>/dev/null || echo 1)"
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$name.log" | tail -1)"
  if [ "$rc" = 0 ]; then
    printf '%-24s %12s runs  ok\n' "$name" "${runs:-?}"
  else
    failed=1
    printf '%-24s %12s runs  FAILED (exit %s)\n' "$name" "${runs:-?}" "$rc"
    grep -E "ERROR|SUMMARY|fuzz check failed|runtime error|Test unit written" "$work/$name.log" | head -20 || true
    echo "   log: $work/$name.log"
    ls "$work/artifacts/$name" 2>/dev/null | sed 's/^/   input: /'
  fi
done
if [ "$failed" -ne 0 ]; then
  echo "== fuzzing found faults; rerun one input with: $bin/<harness> <input>"
  exit 1
fi
echo "== fuzzing passed"
