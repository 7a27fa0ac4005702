#!/bin/bash
# The hardware, drive and device rows of a real automatic save under Wine, on
# an English and on a Japanese system.
#   $1: norvale.exe; env NORVALE_SRC (sources), NORVALE_ARTEFACTS (kept files).
set -u
exe=$(readlink -f "$1")
src=${NORVALE_SRC:-$(cd "$(dirname "$0")/../.." && pwd)}
artefacts=${NORVALE_ARTEFACTS:-/tmp/norvale-artefacts}/hardware
mkdir -p "$artefacts"
work=$(mktemp -d /tmp/norvale-e2e-hardware.XXXXXX)
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

cleanup() {
  for p in "$work"/prefix-*; do
    [ -d "$p" ] && WINEPREFIX=$p wineserver -k 2>/dev/null
  done
  rm -rf "$work"
}
trap cleanup EXIT

# A fresh prefix for one locale, windowless, without crash dialogs.
make_prefix() {
  local prefix=$1 locale=$2
  (
    export WINEPREFIX=$prefix LC_ALL=$locale WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    unset DISPLAY
    wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
      >/dev/null 2>&1
    wine reg import "$src/tests/fixtures/devices/e2e_device.reg" >/dev/null 2>&1
    wineserver -w
  )
}

# Runs an automatic save; prints the result file's path.
run_save() {
  local prefix=$1 locale=$2
  local app=$prefix/drive_c/norvale out=$prefix/drive_c/out
  mkdir -p "$app" "$out"
  cp "$exe" "$app/norvale.exe"
  printf '[setting]\r\nAUTOSAVE=1\r\nSAVETYPE=TSV\r\nSAVETIME=0\r\nSAVEFOLDER=C:\\out\r\n' \
    >"$app/Norvale.ini"
  (
    export WINEPREFIX=$prefix LC_ALL=$locale WINEDEBUG=-all
    unset DISPLAY
    cd "$app" && timeout 120 wine norvale.exe
    wineserver -w
  ) >"$work/wine-$locale.log" 2>&1
  ls "$out"/*.tsv 2>/dev/null | head -1
}

# Group, Item, SubItem, Contents, Unit of the lines of one group.
rows_of() { awk -F'\t' -v g="$2" '$2 == g { print $3 "\t" $4 "\t" $5 "\t" $6 }' "$1"; }

check_language() {
  local name=$1 locale=$2 labels=$3 device_group=$4
  local prefix=$work/prefix-$name
  make_prefix "$prefix" "$locale"
  local saved
  saved=$(run_save "$prefix" "$locale")
  if [ -z "$saved" ]; then
    fail "$name: no result file was saved"
    cat "$work/wine-$locale.log"
    return
  fi
  local text=$artefacts/$name.tsv
  iconv -f CP932 -t UTF-8 "$saved" >"$text" || fail "$name: result file is not in code page 932"

  # The eighteen summary rows: labels in order, numbers in their formats.
  local hard=$work/$name-hard.txt
  rows_of "$text" Hard | grep -v '^[A-Z]:\\' | head -18 >"$hard"
  if ! diff <(cut -f1,2,4 "$hard") "$src/tests/fixtures/hardware/$labels" >"$work/$name-labels.diff"; then
    fail "$name: summary labels differ"
    cat "$work/$name-labels.diff"
  fi
  local contents
  mapfile -t contents < <(cut -f3 "$hard")
  [[ ${contents[0]} =~ ^[0-9]+\ x\ [0-9]+\ [0-9]+\ Bit$ ]] || fail "$name: screen '${contents[0]}'"
  for i in 1 2 4 5; do
    [[ ${contents[$i]} =~ ^[0-9]+$ ]] || fail "$name: row $((i + 1)) '${contents[$i]}'"
  done
  for i in 7 8; do
    [[ ${contents[$i]} =~ ^[0-9]+\.[0-9]$ ]] || fail "$name: row $((i + 1)) '${contents[$i]}'"
  done
  [ "$((contents[1] - contents[2]))" = "${contents[3]}" ] || fail "$name: memory use"
  [ "$((contents[4] - contents[5]))" = "${contents[6]}" ] || fail "$name: page file use"
  local disk_use
  disk_use=$(awk -v t="${contents[7]}" -v f="${contents[8]}" 'BEGIN { printf "%.1f", t - f }')
  [ "$(awk -v u="${contents[9]}" 'BEGIN { printf "%.1f", u }')" = "$disk_use" ] ||
    fail "$name: disk use ${contents[9]} is not ${contents[7]} - ${contents[8]}"
  [[ ${contents[13]} =~ ^[1-9][0-9]*$ ]] || fail "$name: number of processors '${contents[13]}'"
  [ "${contents[10]}" = "${contents[14]}" ] || fail "$name: Name and NameString differ"

  # Three rows per drive Wine reports, in Total, Free, Type order.
  local drives=0
  for link in "$prefix"/dosdevices/?:; do
    [ -e "$link" ] || continue
    local letter
    letter=$(basename "$link" | tr a-z A-Z)
    local rows
    rows=$(rows_of "$text" Hard | awk -F'\t' -v l="${letter%:}" 'index($1, l ":\\") == 1')
    [ "$(printf '%s\n' "$rows" | grep -c .)" = 3 ] || fail "$name: drive $letter rows: $rows"
    drives=$((drives + 1))
  done
  [ "$drives" -gt 0 ] || fail "$name: Wine reported no drive"
  local c_rows
  c_rows=$(rows_of "$text" Hard | grep -F 'C:\DiskDrive' | cut -f2-4)
  grep -qP '^(Total|全容量)\t[0-9]+\.[0-9]\tGB$' <<<"$c_rows" || fail "$name: C: total: $c_rows"
  grep -qP '^(Type|タイプ)\t\S+\t$' <<<"$c_rows" || fail "$name: C: file system: $c_rows"

  # The device imported from the fixture.
  local device
  device=$(rows_of "$text" Device | grep -F 'Norvale Loopback Adapter')
  [ "$device" = "$device_group"$'\tNorvale Loopback Adapter\tNorvale Labs\t7-1-2026' ] ||
    fail "$name: device row '$device'"
  # No collector of ours failed.
  grep -P '\terror\tm(Hard|Drive|Device)\t' "$text" && fail "$name: error rows"
  echo "$name: $(rows_of "$text" Hard | wc -l) Hard rows, $drives drives," \
    "$(rows_of "$text" Device | wc -l) Device rows"
}

check_language english en_US.UTF-8 labels_en.txt "Net"
check_language japanese ja_JP.UTF-8 labels_ja.txt "ネットワーク アダプタ"

[ "$failures" -eq 0 ] && echo "PASS" || echo "$failures failure(s)"
exit $((failures > 0))
