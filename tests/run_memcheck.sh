#!/usr/bin/env bash
# Runs every native test program of a build under valgrind memcheck; fails on
# any memcheck error or definite leak.
set -euo pipefail
build=${1:-build-memcheck}
status=0
for t in "$build"/tests/native/*_test; do
  [ -x "$t" ] || continue
  echo "== valgrind $(basename "$t")"
  if ! valgrind --quiet --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite \
       --show-leak-kinds=definite "$t" --gtest_brief=1 >"$t.memcheck.log" 2>&1; then
    tail -40 "$t.memcheck.log"
    status=1
  else
    tail -2 "$t.memcheck.log"
  fi
done
exit $status
