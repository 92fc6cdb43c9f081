#!/usr/bin/env bash
# Configures and builds one flavour: build.sh <dir> [normal|asan|tsan] [target...]
# (every target when none is named).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-build}"
flavour="${2:-normal}"
shift $(( $# < 2 ? $# : 2 ))
case "$flavour" in
  normal) san="" ;;
  asan)   san="address,undefined" ;;
  tsan)   san="thread" ;;
  *) echo "unknown flavour: $flavour" >&2; exit 2 ;;
esac
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_SANITIZE="$san" >/dev/null
cmake --build "$dir" -j"$(nproc)" "${targets[@]}"
