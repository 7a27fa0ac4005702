#!/usr/bin/env bash
# The hardware, drive and device rows of a real automatic save under Wine, on
# an English and on a Japanese system.
source "$(dirname "$0")/lib.sh"
set +e  # every check below reports on its own and the script goes on
exe=$1

# Item, SubItem, Contents, Unit of the lines of one group.
rows_of() { awk -F'\t' -v g="$2" '$2 == g { print $3 "\t" $4 "\t" $5 "\t" $6 }' "$1"; }

# The Contents column of the n-th line (1-based) of a rows file.
contents() { sed -n "${2}p" "$1" | cut -f3; }

check_language() {
  local lang=$1 device_group=$2
  e2e_prefix "$lang"
  wine reg import "$E2E_ROOT/tests/fixtures/devices/e2e_device.reg" >/dev/null 2>&1
  local name
  name=$(e2e_computer_name)
  mkdir -p "$WINEPREFIX/drive_c/results"
  e2e_run_auto "$exe" $'[setting]\nAUTOSAVE=1\nSAVETYPE=TSV\nSAVETIME=0\nSAVEFOLDER=C:\\results\n'
  local saved="$WINEPREFIX/drive_c/results/$name.tsv"
  check "$lang: result file written (exit $E2E_EXIT)" test -s "$saved"
  local text="$E2E_ARTEFACTS/hardware-$lang.tsv"
  iconv -f CP932 -t UTF-8 "$saved" | tr -d '\r' >"$text"
  local work
  work=$(mktemp -d /tmp/norvale-e2e-hw-XXXXXX)

  # The eighteen summary rows: labels in order, numbers in their formats.
  local hard="$work/hard"
  rows_of "$text" Hard | grep -v '^[A-Z]:\\' | sed -n '1,18p' >"$hard"
  check "$lang: summary labels" diff <(cut -f1,2,4 "$hard") \
    "$E2E_ROOT/tests/fixtures/hardware/labels_$lang.txt"
  check "$lang: resolution '$(contents "$hard" 1)'" \
    grep -qP '^\d+ x \d+ \d+ Bit$' <<<"$(contents "$hard" 1)"
  local i
  for i in 2 3 5 6; do
    check "$lang: megabytes in row $i '$(contents "$hard" $i)'" \
      grep -qP '^\d+$' <<<"$(contents "$hard" $i)"
  done
  for i in 8 9; do
    check "$lang: gigabytes in row $i '$(contents "$hard" $i)'" \
      grep -qP '^\d+\.\d$' <<<"$(contents "$hard" $i)"
  done
  # Use is Total minus Free as shown.
  local row
  for row in 2 5 8; do
    check "$lang: use in row $((row + 2))" awk -v t="$(contents "$hard" $row)" \
      -v f="$(contents "$hard" $((row + 1)))" -v u="$(contents "$hard" $((row + 2)))" \
      'BEGIN { d = t - f - u; exit !(t != "" && d < 0.001 && d > -0.001) }'
  done
  check "$lang: number of processors" grep -qP '^[1-9]\d*$' <<<"$(contents "$hard" 14)"
  check "$lang: Name equals NameString" test "$(contents "$hard" 11)" = "$(contents "$hard" 15)"

  # Three rows per drive Wine reports, Total, Free and Type in that order.
  local link letter drives=0
  for link in "$WINEPREFIX"/dosdevices/?:; do
    [ -e "$link" ] || continue
    letter=$(basename "$link" | tr a-z A-Z)
    rows_of "$text" Hard | awk -F'\t' -v r="$letter\\\\" 'index($1, r) == 1' >"$work/drive"
    check "$lang: drive $letter has three rows" test "$(wc -l <"$work/drive")" = 3
    check "$lang: drive $letter SubItems" test "$(cut -f2 "$work/drive" | tr '\n' ' ')" = \
      "$(if [ "$lang" = ja ]; then echo '全容量 空容量 タイプ '; else echo 'Total Free Type '; fi)"
    drives=$((drives + 1))
  done
  check "$lang: Wine reported drives" test "$drives" -gt 0
  check "$lang: C: is a sized fixed drive" grep -qP '^C:\\DiskDrive\t[^\t]+\t\d+\.\d\tGB$' \
    <(rows_of "$text" Hard)
  check "$lang: C: has a file system" grep -qP '^C:\\DiskDrive\t[^\t]+\t[^\t]+\t$' \
    <(rows_of "$text" Hard)
  check "$lang: as many drive rows as drives" \
    test "$(rows_of "$text" Hard | grep -c '^[A-Z]:\\')" = "$((drives * 3))"

  # The device instance imported from the fixture, and nothing failed.
  check "$lang: device row" grep -qxF \
    "$device_group"$'\tNorvale Loopback Adapter\tNorvale Labs\t7-1-2026' <(rows_of "$text" Device)
  check "$lang: no error rows of the hardware collectors" \
    bash -c "! grep -qP '\terror\tm(Hard|Drive|Device)\t' '$text'"
  echo "$lang: $(rows_of "$text" Hard | wc -l) Hard rows, $drives drives," \
    "$(rows_of "$text" Device | wc -l) Device rows"
  rm -rf "$work"
  e2e_cleanup
}

check_language en "Net"
check_language ja "ネットワーク アダプタ"

# On a real display the screen row gives that display's size and depth.
e2e_prefix en
e2e_use_display
wineserver -w  # the next start picks the X display, not the null driver
e2e_start_display
name=$(e2e_computer_name)
mkdir -p "$WINEPREFIX/drive_c/results"
e2e_run_auto "$exe" $'[setting]\nAUTOSAVE=1\nSAVETIME=0\nSAVEFOLDER=C:\\results\n'
screen=$(rows_of "$WINEPREFIX/drive_c/results/$name.tsv" Hard | awk -F'\t' '$1 == "Screen" { print $3 }')
check "Xvfb screen of 1280 x 1024 at 24 bits: '$screen'" grep -qP '^1280 x 1024 (24|32) Bit$' \
  <<<"$screen"

e2e_finish
