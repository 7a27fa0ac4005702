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

# A tree of `count` present devices spread over ten buses, each with its
# driver key, as regedit's export format.
device_tree() {
  python3 - "$1" <<'PY'
import sys
n = int(sys.argv[1])
out = ["Windows Registry Editor Version 5.00", ""]
enum = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\NORVALEBENCH%d\\DEV_%d\\%d"
driver = "{9e1f7c2a-0b3d-4e55-9a61-4e6f5276616c}\\%d"
for i in range(n):
    path = enum % (i % 10, i // 200, i)
    out += ["[%s]" % path,
            '"DeviceDesc"="@oem1.inf,%%dev%%;Bench Device %d"' % i,
            '"Class"="System"',
            '"Driver"="%s"' % (driver % i).replace("\\", "\\\\"),
            "", "[%s\\Control]" % path, "",
            "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\%s]" % (driver % i),
            '"ProviderName"="Norvale Bench"', '"DriverDate"="7-1-2026"', ""]
sys.stdout.write("\r\n".join(out))
PY
}

echo "instances    rows  fastest of 3 (ms)  ms per 1000 rows  registry calls per row"
for count in "${counts[@]}"; do
  e2e_prefix en
  device_tree "$count" >"$WINEPREFIX/drive_c/devices.reg"
  wine reg import 'C:\devices.reg' /reg:64 >/dev/null 2>&1
  cp "$exe" "$WINEPREFIX/drive_c/device_list_bench.exe"
  before=$(server_cpu_ms)
  wine 'C:\device_list_bench.exe' "$count"
  after=$(server_cpu_ms)
  echo "wineserver CPU for $count instances, three walks: $((after - before)) ms"
  e2e_cleanup
  E2E_PREFIX=
done
