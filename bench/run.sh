#!/usr/bin/env bash
# Runs every benchmark and side-by-side program of a build tree; results go to stdout.
set -euo pipefail
build=${1:-build-bench}
for b in "$build"/bin/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b"
done
