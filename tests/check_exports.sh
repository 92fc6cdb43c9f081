#!/usr/bin/env bash
# Fails when the shared library exports anything but the C interface.
set -euo pipefail
lib="$1"
bad=$(nm -D --defined-only "$lib" | awk '{print $3}' | grep -v -E '^(CP_[A-Za-z0-9_]+)$' || true)
if [ -n "$bad" ]; then
  echo "unexpected exported symbols:"; echo "$bad"; exit 1
fi
echo "exports: $(nm -D --defined-only "$lib" | grep -c ' T CP_') CP_ functions"
