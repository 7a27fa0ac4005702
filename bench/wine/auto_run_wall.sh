#!/usr/bin/env bash
# Wall time of a whole automatic run under Wine (start -> result file written ->
# exit) against a do-nothing program started the same way, in a warm prefix.
# Goal: at most 1.5 s more than the do-nothing program.
# Usage: bench/wine/auto_run_wall.sh build/win64 [runs]
set -euo pipefail
build=$(cd "$1" && pwd)
runs=${2:-10}
source "$(dirname "$0")/../../tests/e2e/lib.sh"
e2e_prefix en
# Keep one wineserver alive for the whole measurement: a warm prefix.
wineserver -p >/dev/null 2>&1 &
e2e_run_auto "$build/norvale.exe" $'[setting]\nAUTOSAVE=1\nSAVETIME=0\n'   # warm-up
cp "$build/bench_noop.exe" "$E2E_DIR/noop.exe"

measure() {  # exe-name -> prints median seconds
  local times=()
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s.%N)
    (cd "$E2E_DIR" && "$E2E_WINE" "C:\\norvale-run\\$1" >/dev/null 2>&1)
    end=$(date +%s.%N)
    times+=("$(echo "$end - $start" | bc)")
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END{print a[int((NR+1)/2)]}'
}

noop=$(measure noop.exe)
norvale=$(measure norvale.exe)
rows=$(wc -l <"$(ls "$E2E_DIR"/*.tsv | head -1)")
echo "do-nothing exe: median ${noop} s over $runs runs"
echo "automatic run:  median ${norvale} s over $runs runs ($rows rows written)"
echo "difference:     $(echo "$norvale - $noop" | bc) s (goal: at most 1.5 s)"
