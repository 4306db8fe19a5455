#!/usr/bin/env bash
# The guest's suites as one CTest test: each suite's output and status, and
# a failure if any suite failed or left no result.
#   result.sh RESULTS_DIR      (the latest run's, under RESULTS_DIR/latest)
set -euo pipefail
results=$1/latest
console() { tail -n "$1" "$results/console.log" >&2 2>/dev/null || true; }
if [ ! -s "$results/suites" ]; then
  echo "FAIL: no list of suites from the guest; its console:" >&2
  console 40
  exit 1
fi
failed=()
while read -r suite; do
  name=${suite//\//.}
  echo "=== $suite"
  if [ ! -f "$results/$name.status" ]; then
    echo "no result"
    failed+=("$suite")
    continue
  fi
  tr -d '\r' <"$results/$name.log"
  [ "$(cat "$results/$name.status")" = 0 ] || failed+=("$suite")
done <"$results/suites"
if [ ${#failed[@]} -gt 0 ]; then
  echo "FAIL: in the guest: ${failed[*]}; the end of its console:" >&2
  console 20
  exit 1
fi
echo "every suite passed in the guest: $(tr '\n' ' ' <"$results/suites")"
