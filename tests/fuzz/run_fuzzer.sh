#!/usr/bin/env bash
# run_fuzzer.sh FUZZER CORPUS SEEDS SECONDS DICT: fuzzes for a bounded time.
# New inputs go to CORPUS (in the build folder); SEEDS stay as committed.
set -euo pipefail
mkdir -p "$2"
exec "$1" -max_total_time="$4" -timeout=10 -print_final_stats=1 \
  -dict="$5" "$2" "$3"
