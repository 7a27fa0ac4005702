#!/usr/bin/env bash
# Fleet load benchmark: generated result files (300 rows each, one in ten from
# a Japanese system) loaded into SQLite and into PostgreSQL. Prints rows per
# second against each engine's own bulk-load floor measured in the same run,
# the time to reload the unchanged files, and peak memory for a tenth of the
# files against all of them (memory should not grow with the number of files).
#
#   bench/fleet/run.sh [FILES]        (default 10000; 3 million rows)
set -euo pipefail
cd "$(dirname "$0")/../.."
files=${1:-10000}
build=build/bench
[ -f $build/CMakeCache.txt ] || cmake -S . -B $build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build $build -j2 --target norvale-fleet fleet_make_files fleet_bulk_floor >/dev/null
fleet=$PWD/$build/norvale-fleet

source bench/fleet/lib.sh
make_workdir norvale-fleet-bench

small=$((files / 10))
$build/fleet_make_files "$work/share" "$files"
$build/fleet_make_files "$work/small" "$small"
rows=$(cat "$work"/share/* | wc -l)
echo "files: $files ($rows rows, $(du -sh "$work/share" | cut -f1)); small set: $small files"

# load LABEL TARGET DIR: wall time, rows/s, this program's CPU time and peak memory.
load() {
  /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$fleet" load "$3" --db "$2" >"$work/out" 2>&1
  read -r secs user sys kb <"$work/time"
  local stored cpu
  stored=$(sed -n 's/.*(\([0-9]*\) rows in.*/\1/p' "$work/out")
  cpu=$(echo "$user + $sys" | bc -l)
  printf '%-22s %6.1f s  %9.0f rows/s  cpu %5.1f s  %9.0f rows/cpu-s  peak %4d MB  [%s]\n' \
    "$1" "$secs" "$(echo "$stored / $secs" | bc -l)" "$cpu" "$(echo "$stored / ($cpu + 0.001)" | bc -l)" \
    $((kb / 1024)) "$(head -1 "$work/out")"
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
echo "== SQLite"
load "load" "$work/fleet.sqlite" "$work/share"
load "reload unchanged" "$work/fleet.sqlite" "$work/share"
load "load, tenth of files" "$work/small.sqlite" "$work/small"
echo "database file: $(du -h "$work/fleet.sqlite" | cut -f1)"
$build/fleet_bulk_floor "$work/floor.sqlite" "$work/share"

echo "== PostgreSQL"
start_postgres
uri=$pg_uri
"$pg_bin/psql" -q "$uri/postgres" -c 'CREATE DATABASE small' -c 'CREATE DATABASE floor'
load "load" "$uri/postgres" "$work/share"
load "reload unchanged" "$uri/postgres" "$work/share"
load "load, tenth of files" "$uri/small" "$work/small"
$build/fleet_bulk_floor "$uri/floor" "$work/share"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
