#!/usr/bin/env bash
# Configures and builds one flavour: build.sh <dir> [normal|asan|tsan]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-build}"
flavour="${2:-normal}"
case "$flavour" in
  normal) san="" ;;
  asan)   san="address,undefined" ;;
  tsan)   san="thread" ;;
  *) echo "unknown flavour: $flavour" >&2; exit 2 ;;
esac
cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_SANITIZE="$san" >/dev/null
cmake --build "$dir" -j"$(nproc)"
