#!/usr/bin/env bash
# The main job: build, start the fake network printer on 127.0.0.1:9100, print the sample
# label ticket on it with `test 127.0.0.1 0`, stop the printer and show what it received.
#   demo.sh [build-dir] [exercise-index]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-$root/build}"
index="${2:-0}"
case "$dir" in /*) ;; *) dir="$PWD/$dir" ;; esac # the exerciser runs from another directory

# Only what the demo runs: the library, the exerciser and the fake printer.
bash "$root/scripts/build.sh" "$dir" normal quorvane quorvane_exerciser fake_printer

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
    fp_status=0
    wait "$pid" || fp_status=$?
    pid=""
    if [ "$fp_status" -eq 3 ]; then
      echo "demo: port 9100 on 127.0.0.1 is taken by another program, and the exerciser always" >&2
      echo "      prints to port 9100. Stop that program, then run the demo again." >&2
      if command -v ss >/dev/null 2>&1; then
        echo "      It is listed here (run as root to see its name and pid):" >&2
        ss -ltnp 'sport = :9100' >&2 || true
      fi
    else
      cat "$work/fake_printer.log" >&2
      echo "demo: the fake printer could not start (exit status $fp_status)" >&2
    fi
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
