#!/usr/bin/env bash
# One guest suite's result as a CTest test: its output, and its status.
#   result.sh RESULTS_DIR SUITE      (the latest run's, under RESULTS_DIR/latest)
set -euo pipefail
results=$1/latest name=${2//\//.}
if [ ! -f "$results/$name.status" ]; then
  echo "FAIL: no result for $2 from the guest; its console:" >&2
  tail -n 40 "$results/console.log" >&2 2>/dev/null || true
  exit 1
fi
status=$(cat "$results/$name.status")
tr -d '\r' <"$results/$name.log"
if [ "$status" != 0 ]; then
  echo "FAIL: $2 ended with status $status in the guest; the end of its console:" >&2
  tail -n 20 "$results/console.log" >&2
  exit 1
fi
