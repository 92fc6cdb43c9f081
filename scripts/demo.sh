#!/usr/bin/env bash
# The main job: build, start the fake network printer on 127.0.0.1:9100, print the sample
# label ticket on it with `test 127.0.0.1 0`, stop the printer and show what it received.
#   demo.sh [build-dir] [exercise-index]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-$root/build}"
index="${2:-0}"

bash "$root/scripts/build.sh" "$dir" normal

work="$(mktemp -d)"
pid=""
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -TERM "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

echo "== starting the fake printer"
"$dir/tests/fake_printer" --port 9100 --out "$work/received.bin" >"$work/fake_printer.log" 2>&1 &
pid=$!
for _ in $(seq 1 250); do
  if grep -q "listening" "$work/fake_printer.log" 2>/dev/null; then break; fi
  if ! kill -0 "$pid" 2>/dev/null; then
    cat "$work/fake_printer.log" >&2
    echo "demo: the fake printer could not start (is port 9100 taken?)" >&2
    exit 1
  fi
  sleep 0.02
done
cat "$work/fake_printer.log"

echo "== running: test 127.0.0.1 $index"
status=0
(cd "$work" && "$dir/test" 127.0.0.1 "$index") || status=$?

echo "== stopping the fake printer"
kill -TERM "$pid"
wait "$pid" || true
pid=""
tail -n 1 "$work/fake_printer.log"

echo "== bytes the printer received ($(wc -c <"$work/received.bin") bytes)"
if command -v xxd >/dev/null 2>&1; then xxd "$work/received.bin"; else od -An -tx1 -v "$work/received.bin"; fi
exit "$status"
