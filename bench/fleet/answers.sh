#!/usr/bin/env bash
# Fleet answers benchmark: a site of FILES computers with two runs each (300
# rows a run, one in ten Japanese), on SQLite and on a throw-away PostgreSQL
# server. Prints the load time (and, given the norvale-fleet of an earlier
# release as BASE, that release's load time of the same files and the upgrade
# of the database it wrote), then the wall time of each question.
#
#   BASE=/path/to/old/norvale-fleet bench/fleet/answers.sh [FILES]   (default 10000)
set -euo pipefail
cd "$(dirname "$0")/../.."
files=${1:-10000}
base=${BASE:-}
build=build/bench
[ -f $build/CMakeCache.txt ] || cmake -S . -B $build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build $build -j2 --target norvale-fleet fleet_make_files >/dev/null
fleet=$PWD/$build/norvale-fleet

work=$(mktemp -d /tmp/norvale-fleet-answers-XXXXXX)
chmod 755 "$work"
pg_stop=""
cleanup() {
  [ -n "$pg_stop" ] && eval "$pg_stop" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

$build/fleet_make_files "$work/share/run1" "$files" --run 1
$build/fleet_make_files "$work/share/run2" "$files" --run 2
mkdir "$work/empty"
rows=$(cat "$work"/share/*/* | wc -l)
echo "computers: $files, two runs each ($rows rows)"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"

# timed LABEL COMMAND...: wall seconds of one run, output discarded.
timed() {
  local label=$1 start end
  shift
  start=$(date +%s.%N)
  "$@" >"$work/out" 2>&1 || { echo "$label failed:"; cat "$work/out"; return 1; }
  end=$(date +%s.%N)
  printf '  %-40s %7.2f s\n' "$label" "$(echo "$end - $start" | bc -l)"
}

questions() {  # TARGET
  local db=(--db "$1" --format tsv)
  timed "computers --where disk_free_pct<30" "$fleet" computers --where 'disk_free_pct<30' "${db[@]}"
  timed "computers --where memory_mb<8192,windows" "$fleet" computers \
    --where 'memory_mb<8192,windows=*Windows 7*' "${db[@]}"
  timed "computers (all)" "$fleet" computers "${db[@]}"
  timed "search user4321" "$fleet" search user4321 "${db[@]}"
  timed "search 00:1A:2B:00:10:E1" "$fleet" search 00:1A:2B:00:10:E1 "${db[@]}"
  timed "computer pc-05000" "$fleet" computer pc-05000 "${db[@]}"
  timed "software" "$fleet" software "${db[@]}"
  timed "unseen" "$fleet" unseen "${db[@]}"
  timed "changes (whole site)" "$fleet" changes "${db[@]}"
}

site() {  # LABEL TARGET [BASE_TARGET]
  echo "== $1"
  if [ -n "$base" ]; then
    timed "load, earlier release (schema 1)" "$base" load "$work/share" --recursive --db "$3"
    timed "upgrade of that database" "$fleet" load "$work/empty" --db "$3"
  fi
  timed "load" "$fleet" load "$work/share" --recursive --db "$2"
  questions "$2"
}

site SQLite "$work/fleet.sqlite" "$work/base.sqlite"
echo "  database file: $(du -h "$work/fleet.sqlite" | cut -f1)"

bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -1)
as=""
if [ "$(id -u)" -eq 0 ]; then
  chown postgres "$work"
  as="runuser -u postgres --"
fi
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
$as "$bin/initdb" -D "$work/pg" -U postgres -A trust -E UTF8 --locale=C >/dev/null
$as "$bin/pg_ctl" -D "$work/pg" -l "$work/pg.log" -w \
  -o "-c listen_addresses=127.0.0.1 -p $port -k $work -c max_wal_size=4GB" start >/dev/null
pg_stop="$as $bin/pg_ctl -D $work/pg -m fast -w stop"
uri=postgresql://postgres@127.0.0.1:$port
"$bin/psql" -q "$uri/postgres" -c 'CREATE DATABASE base'
site PostgreSQL "$uri/postgres" "$uri/base"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
