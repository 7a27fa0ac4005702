#!/usr/bin/env bash
# Many runs of one computer: RUNS result files of the same computer, an hour
# apart, loaded with --recursive into SQLite and PostgreSQL; then the time of
# `computers` and `report`, which pick each computer's newest run. Their time
# should grow with the runs, not with their square (the goal: under 2 s each
# for 20,000 runs).
#
#   bench/fleet/many_runs.sh [RUNS] [ROWS]      (default 20000 runs of 300 rows)
set -euo pipefail
cd "$(dirname "$0")/../.."
runs=${1:-20000}
rows=${2:-300}
NORVALE_JOBS=${NORVALE_JOBS:-2} scripts/build release >/dev/null
build=build/release
fleet=$PWD/$build/norvale-fleet

source bench/fleet/lib.sh
make_workdir norvale-fleet-many

$build/fleet_make_files "$work/share" 1 --history "$runs" --rows "$rows"
echo "runs: $runs of one computer, $rows rows each ($(du -sh "$work/share" | cut -f1))"

# timed LABEL COMMAND...: wall time and peak memory of one command.
timed() {
  local label=$1
  shift
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" >"$work/out" 2>"$work/err" || {
    cat "$work/err"
    return 1
  }
  read -r secs kb <"$work/time"
  printf '%-10s %-10s %7.2f s  peak %4d MB  %s\n' "$engine" "$label" "$secs" $((kb / 1024)) \
    "$(head -1 "$work/out" | cut -c1-70)"
}

measure() {  # target
  timed load "$fleet" load "$work/share" --recursive --db "$1"
  timed computers "$fleet" computers --db "$1"
  timed report "$fleet" report --db "$1" --out "$work/report.html" --now 2026-04-30
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
engine=SQLite
measure "$work/fleet.sqlite"

engine=PostgreSQL
start_postgres
measure "$pg_uri/postgres"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
