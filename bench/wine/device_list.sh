#!/usr/bin/env bash
# Times GetDeviceList under Wine on generated device trees of two sizes (5,000
# and 10,000 instances by default) in a throw-away prefix. Besides the wall
# time it reports the CPU time of the wineserver, which does the registry work
# and is far less disturbed by other load on the machine than the wall time.
#   bench/wine/device_list.sh build/win64 [count ...]
source "$(dirname "$0")/../../tests/e2e/lib.sh"
exe=$(readlink -f "$1")/device_list_bench.exe
shift
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(5000 10000)

e2e_prefix en
wine cmd /c exit >/dev/null 2>&1  # starts the wineserver of this prefix

# CPU time (ms) used so far by this prefix's wineserver: it works in a
# folder named after the prefix's device and inode.
server_cpu_ms() {
  local dev ino pid
  dev=$(printf '%x' "$(stat -c %d "$WINEPREFIX")")
  ino=$(printf '%x' "$(stat -c %i "$WINEPREFIX")")
  for pid in $(pgrep wineserver); do
    if [[ $(readlink "/proc/$pid/cwd" 2>/dev/null) == */server-$dev-$ino ]]; then
      awk -v hz="$(getconf CLK_TCK)" '{ printf "%d", ($14 + $15) * 1000 / hz }' "/proc/$pid/stat"
      return
    fi
  done
  echo 0
}

for count in "${counts[@]}"; do
  wine "$exe" --remove
  wine "$exe" --create "$count"
  before=$(server_cpu_ms)
  wine "$exe" --walk | sed "s/^ *0 /$(printf '%9d' "$count") /"
  after=$(server_cpu_ms)
  echo "wineserver CPU for $count instances, three walks: $((after - before)) ms"
done
wine "$exe" --remove
