#!/usr/bin/env bash
# Builds and runs the whole test suite three times: normal, ASan+UBSan, TSan.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc)"
run() {
  local dir="$1" flavour="$2"
  echo "== $flavour build ($dir)"
  bash "$root/scripts/build.sh" "$dir" "$flavour"
  echo "== $flavour tests"
  (cd "$dir" && ctest --output-on-failure -j"$jobs" --timeout 300)
}
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
run "$root/build" normal
echo "== install check"
bash "$root/scripts/check-install.sh"
run "$root/build-asan" asan
# TSan needs a mapping layout it understands; lower the ASLR entropy when allowed, and
# put the machine's own value back on exit, whatever way the script ends.
if [ -w /proc/sys/vm/mmap_rnd_bits ] && [ "$(cat /proc/sys/vm/mmap_rnd_bits)" -gt 28 ]; then
  saved_rnd_bits="$(cat /proc/sys/vm/mmap_rnd_bits)"
  trap 'echo "$saved_rnd_bits" > /proc/sys/vm/mmap_rnd_bits' EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  echo 28 > /proc/sys/vm/mmap_rnd_bits
fi
run "$root/build-tsan" tsan
bash "$root/scripts/fuzz.sh" "$root/build-fuzz"
echo "== all test runs passed"
