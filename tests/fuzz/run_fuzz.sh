#!/usr/bin/env bash
# Runs each fuzz target of a fuzz build for a bounded time, starting from the
# seed corpus in the repository (new inputs go to a scratch copy), and fails
# on any finding. Prints the executions and the coverage each target reached.
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for target in modules maxflow; do
  exe="$build/tests/fuzz/fuzz_$target"
  [ -x "$exe" ] || { echo "fuzz_$target not built"; status=1; continue; }
  mkdir -p "$work/$target"
  cp "$here/corpus/$target"/* "$work/$target"/ 2>/dev/null || true
  echo "== fuzz_$target for ${seconds}s"
  if ! (cd "$work" && "$exe" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 -print_final_stats=1 \
        "$work/$target" >"$work/$target.log" 2>&1); then
    grep -v "^#[0-9]* *\(NEW\|REDUCE\|pulse\)" "$work/$target.log" | tail -40
    status=1
  fi
  grep -E "^Done|stat::number_of_executed_units|cov:" "$work/$target.log" | tail -3
  ls "$work"/crash-* "$work"/timeout-* "$work"/leak-* 2>/dev/null && status=1
done
exit $status
