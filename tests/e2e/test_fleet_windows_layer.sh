#!/usr/bin/env bash
# norvale-fleet.exe under Wine as a Windows administrator meets it: a share
# in a folder with a Japanese name holding a FIFO, a link to /dev/zero and a
# link back to itself; output to a file, a pipe and the console's code page;
# the database on a network drive and a UNC path; a path past 260
# characters; Ctrl+C in the middle of a load.
# Needs NORVALE_FLEET (the native tool, with fleet_make_files beside it) and
# NORVALE_FLEET_WINDOWS (the .exe).
source "$(dirname "$0")/lib.sh"

linux_fleet=${NORVALE_FLEET:-}
windows_fleet=${NORVALE_FLEET_WINDOWS:-}
if [ -z "$windows_fleet" ]; then
  echo "SKIP: NORVALE_FLEET_WINDOWS names no norvale-fleet.exe in this build"
  exit 0
fi
make_files=$(dirname "$linux_fleet")/fleet_make_files
for tool in "$linux_fleet" "$windows_fleet" "$make_files"; do
  if [ ! -f "$tool" ]; then
    echo "FAIL: $tool is not built (scripts/build)" >&2
    exit 1
  fi
done

e2e_prefix ja
work=$(mktemp -d /tmp/norvale-fleet-layer-XXXXXX)
trap 'e2e_cleanup; rm -rf "$work"' EXIT
cp "$windows_fleet" "$WINEPREFIX/drive_c/norvale-fleet.exe"
fleet() { timeout 300 "$E2E_WINE" 'C:\norvale-fleet.exe' "$@"; }

share="$WINEPREFIX/drive_c/資産/norvale"
mkdir -p "$share"
"$make_files" "$share" 20 >/dev/null
mkfifo "$share/B.tsv"
ln -s /dev/zero "$share/Z.tsv"
ln -s . "$share/l1"

check "--version names the same version on both systems" \
  test "$(fleet --version | tr -d '\r')" = "$("$linux_fleet" --version)"

# The FIFO and the link to a device are passed over without blocking; the
# link back to the share is the share itself (Wine shows it as a folder), so
# nothing is read twice.
mkdir -p "$WINEPREFIX/drive_c/データ"
load_code=0
fleet load 'C:\資産\norvale' --recursive --db 'C:\データ\fleet.sqlite' >"$work/load.out" \
  2>"$work/load.err" || load_code=$?
check "the planted share loads to the end" test "$load_code" -eq 0
check "every result file once, the FIFO and the device link counted" \
  grep -q "loaded 20, unchanged 0, rejected 0, skipped 0; skipped 2: not a regular file" \
  "$work/load.out"
check "the FIFO is named" grep -q 'skipped C:\\資産\\norvale\\B.tsv: not a regular file' \
  "$work/load.err"

# Redirected to a file: UTF-8 with a byte-order mark, otherwise byte for byte
# what the Linux tool answers from the same files. Into a pipe: no mark.
"$linux_fleet" load "$share" --db "$work/linux.sqlite" >/dev/null 2>&1 || true
"$linux_fleet" computers --format csv --db "$work/linux.sqlite" >"$work/linux.csv"
fleet computers --format csv --db 'C:\データ\fleet.sqlite' >"$work/windows.csv"
check "a redirected file starts with the byte-order mark" \
  test "$(head -c 3 "$work/windows.csv" | od -An -tx1 | tr -d ' ')" = efbbbf
check "and holds the Linux tool's answer" cmp -s <(tail -c +4 "$work/windows.csv") "$work/linux.csv"
check "a pipe gets the same text without the mark" \
  cmp -s <(fleet computers --format csv --db 'C:\データ\fleet.sqlite' | cat) "$work/linux.csv"

# SQLite on a network drive or a UNC path is refused, by every command.
mkdir -p "$work/network"
ln -sfn "$work/network" "$WINEPREFIX/dosdevices/n:"
wine reg add 'HKLM\Software\Wine\Drives' /v 'n:' /d network /f >/dev/null 2>&1
wineserver -w
for target in 'N:\fleet.sqlite' '\\fileserver\資産\fleet.sqlite'; do
  code=0
  fleet load 'C:\資産\norvale' --db "$target" >/dev/null 2>"$work/network.err" || code=$?
  check "$target refused" test "$code" -eq 2
  check "$target refused with the way out" grep -q "keep the database on a local disk or use PostgreSQL" \
    "$work/network.err"
done
check "nothing was written on the network drive" test -z "$(ls -A "$work/network")"

# Folder and database paths past 260 characters.
a=$(printf 'a%.0s' $(seq 150))
b=$(printf '資%.0s' $(seq 80))  # 240 bytes: a Linux name holds 255 at most
c=$(printf 'c%.0s' $(seq 60))
mkdir -p "$WINEPREFIX/drive_c/$a/$b/$c"
cp "$share"/PC-0000[1-3].* "$WINEPREFIX/drive_c/$a/$b/$c/"
long="C:\\$a\\$b\\$c"
fleet load "$long" --db "$long\\fleet.sqlite" >"$work/long.out" 2>&1 || true
check "a folder path of ${#long} characters loads" grep -q "loaded 3," "$work/long.out"

# Ctrl+C (Wine turns SIGINT into the console's Ctrl+C event) once some runs
# are stored: the load rolls back the file in hand, ends with 130, says
# which file, and a rerun stores the rest.
big="$WINEPREFIX/drive_c/big"
mkdir -p "$big"
"$make_files" "$big" 1500 >/dev/null
db="$WINEPREFIX/drive_c/big.sqlite"
"$E2E_WINE" 'C:\norvale-fleet.exe' load 'C:\big' --db 'C:\big.sqlite' >"$work/ctrlc.out" \
  2>"$work/ctrlc.err" &
pid=$!
for _ in $(seq 1200); do
  [ "$(stat -c %s "$db-wal" 2>/dev/null || echo 0)" -gt 1000000 ] && break
  sleep 0.1
done
kill -INT "$pid"
code=0
wait "$pid" || code=$?
check "Ctrl+C ends the load with 130" test "$code" -eq 130
check "and says where it stopped" grep -q 'interrupted: C:\\big\\PC-' "$work/ctrlc.err"
fleet load 'C:\big' --db 'C:\big.sqlite' >"$work/rerun.out" 2>&1 || true
stored=$(sed -n 's/.*, unchanged \([0-9]*\),.*/\1/p' "$work/rerun.out")
check "some runs were stored before Ctrl+C ($stored)" test "${stored:-0}" -gt 0
check "and the rerun stores the rest" grep -q "loaded $((1500 - ${stored:-0})), unchanged ${stored:-0}," \
  "$work/rerun.out"

e2e_finish
