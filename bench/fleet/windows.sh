#!/usr/bin/env bash
# norvale-fleet.exe under Wine against the Linux tool: the same generated
# result files (300 rows each, one in ten from a Japanese system) loaded into
# a fresh SQLite database by each, one after the other in the same run.
# Prints wall and CPU time of each (and Wine's server's CPU time) and the
# ratio (goal: Windows within 1.5x).
#
#   bench/fleet/windows.sh [FILES]    (default 10000)
#
# NORVALE_BENCH_BASELINE_EXE names another norvale-fleet.exe (an older build)
# to time on the same files in the same run, after the current one.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
files=${1:-10000}
build=build/bench
[ -f $build/CMakeCache.txt ] || cmake -S . -B $build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build $build -j2 --target norvale-fleet fleet_make_files >/dev/null
scripts/build windows-fleet >/dev/null
linux_fleet=$PWD/$build/norvale-fleet
windows_fleet=$PWD/build/win64-fleet/norvale-fleet.exe

source tests/e2e/lib.sh
e2e_prefix en
work=$(mktemp -d /tmp/norvale-fleet-winbench-XXXXXX)
trap 'e2e_cleanup; rm -rf "$work"' EXIT
# The share inside the prefix, so the Windows tool reads it from C: as an
# administrator's would from a local disk; the Linux tool reads the same files.
share=$WINEPREFIX/drive_c/share
mkdir -p "$WINEPREFIX/drive_c/fleet"
cp "$windows_fleet" "$WINEPREFIX/drive_c/fleet/"
baseline=${NORVALE_BENCH_BASELINE_EXE:-}
[ -z "$baseline" ] || cp "$baseline" "$WINEPREFIX/drive_c/fleet/baseline.exe"
$build/fleet_make_files "$share" "$files"
rows=$(cat "$share"/* | wc -l)
echo "files: $files ($rows rows, $(du -sh "$share" | cut -f1))"
# A warm wineserver, as for an administrator's second command: kept running
# (it would end a few seconds after each program, during the Linux runs).
wineserver -p
"$root/scripts/wine" 'C:\fleet\norvale-fleet.exe' --version >/dev/null 2>&1 || true
# The server is no child of the timed command, so its processor time (the
# requests the Windows tool makes) is read from /proc around each run. The
# prefix's server works in a folder named after the prefix's device and inode
# (other prefixes may have servers of their own).
server_folder=server-$(stat -c %D "$WINEPREFIX")-$(printf %x "$(stat -c %i "$WINEPREFIX")")
wineserver_pid=
for pid in $(pgrep wineserver || true); do
  [ "$(basename "$(readlink "/proc/$pid/cwd")")" = "$server_folder" ] && wineserver_pid=$pid
done
server_cpu() {
  awk -v hz="$(getconf CLK_TCK)" '{ printf "%.2f", ($14 + $15) / hz }' \
    "/proc/$wineserver_pid/stat" 2>/dev/null || echo 0
}

timed() {  # label command...
  local label=$1
  shift
  local server_before
  server_before=$(server_cpu)
  /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" >"$work/out" 2>&1 || true
  read -r secs user sys <"$work/time"
  printf '%-26s %6.1f s wall  %6.1f s cpu  %5.1f s wineserver  [%s]\n' "$label" "$secs" \
    "$(echo "$user + $sys" | bc -l)" "$(echo "$(server_cpu) - $server_before" | bc -l)" \
    "$(grep -m1 '^loaded' "$work/out" || head -1 "$work/out")"
  last_seconds=$secs
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
timed "Linux: load" "$linux_fleet" load "$share" --db "$work/linux.sqlite"
linux_seconds=$last_seconds
timed "Windows under Wine: load" "$root/scripts/wine" 'C:\fleet\norvale-fleet.exe' load 'C:\share' \
  --db 'C:\fleet\windows.sqlite'
windows_seconds=$last_seconds
if [ -n "$baseline" ]; then
  timed "Windows baseline: load" "$root/scripts/wine" 'C:\fleet\baseline.exe' load 'C:\share' \
    --db 'C:\fleet\baseline.sqlite'
  baseline_seconds=$last_seconds
fi
timed "Linux: reload unchanged" "$linux_fleet" load "$share" --db "$work/linux.sqlite"
timed "Windows: reload unchanged" "$root/scripts/wine" 'C:\fleet\norvale-fleet.exe' load 'C:\share' \
  --db 'C:\fleet\windows.sqlite'
printf 'Windows / Linux (load): %.2fx (goal: at most 1.5x)\n' "$(echo "$windows_seconds / $linux_seconds" | bc -l)"
[ -z "$baseline" ] ||
  printf 'Windows baseline / Linux (load): %.2fx\n' "$(echo "$baseline_seconds / $linux_seconds" | bc -l)"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
