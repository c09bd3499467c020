#!/usr/bin/env bash
# Runs every benchmark program of the build, one after the other.
set -euo pipefail
build=${1:-build}
found=0
for b in "$build"/bench/bench_*; do
  [ -x "$b" ] || continue
  found=1
  echo "== $(basename "$b")"
  "$b"
done
[ $found -eq 1 ] || echo "no benchmarks built"
