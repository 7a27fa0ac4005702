#!/usr/bin/env bash
# norvale-fleet.exe under Wine gives the same answers as the Linux tool: the
# real norvale.exe writes result files (an English and a Japanese system, tab
# then comma files) into a folder with a Japanese name; both tools load them,
# into SQLite and into PostgreSQL, and computers, software, changes and the
# report page (at a fixed --now) must be the same. A database written by one
# tool is read by the other. The Windows tool's workbooks open in openpyxl.
# Needs NORVALE_FLEET (the native tool) and NORVALE_FLEET_WINDOWS (the .exe).
source "$(dirname "$0")/lib.sh"
exe=$1

# PostgreSQL runs natively; a Windows program under Wine cannot start it.
if [ -z "${NORVALE_TEST_POSTGRES:-}" ]; then
  exec bash "$E2E_ROOT/tests/fleet/with_postgres.sh" bash "$0" "$@"
fi

linux_fleet=${NORVALE_FLEET:-}
windows_fleet=${NORVALE_FLEET_WINDOWS:-}
for tool in "$linux_fleet" "$windows_fleet"; do
  if [ ! -f "$tool" ]; then
    echo "FAIL: NORVALE_FLEET and NORVALE_FLEET_WINDOWS must name the built tools (scripts/build)" >&2
    exit 1
  fi
done
work=$(mktemp -d /tmp/norvale-fleet-win-XXXXXX)
trap 'rm -rf "$work"' EXIT

share_name='資産'
for sys in "en FLEET-EN C:\\results" "ja FLEET-JA C:\\$share_name\\norvale"; do
  read -r lang host folder <<<"$sys"
  unshare --uts bash "$E2E_ROOT/tests/e2e/test_fleet.sh" "$exe" --collect "$lang" "$host" \
    "$work/files" "$folder" || echo "FAIL: the $host run did not finish" >&2
done
check "four result files written" test "$(ls "$work"/files/1/* "$work"/files/2/* | wc -l)" -eq 4

# The Windows tool in a Japanese prefix, the share and the database in
# folders with Japanese names.
e2e_prefix ja
trap 'e2e_cleanup; rm -rf "$work"' EXIT
mkdir -p "$WINEPREFIX/drive_c/norvale-fleet" "$WINEPREFIX/drive_c/$share_name/norvale"
cp "$windows_fleet" "$WINEPREFIX/drive_c/norvale-fleet/norvale-fleet.exe"
windows_share="C:\\$share_name\\norvale"
windows_db="C:\\$share_name\\fleet.sqlite"
unix_share="$WINEPREFIX/drive_c/$share_name/norvale"
unix_db="$WINEPREFIX/drive_c/$share_name/fleet.sqlite"
linux_share="$work/$share_name"
mkdir -p "$linux_share"

# Console output of the Windows tool, as UTF-8 with LF line ends whatever
# encoding it writes into a pipe.
as_utf8() {
  local bytes
  bytes=$(cat "$1"; printf x)
  bytes=${bytes%x}
  bytes=${bytes#$'\xef\xbb\xbf'}
  if ! printf '%s' "$bytes" | iconv -f UTF-8 -t UTF-8 >/dev/null 2>&1; then
    bytes=$(printf '%s' "$bytes" | iconv -f CP932 -t UTF-8; printf x)
    bytes=${bytes%x}
  fi
  printf '%s' "$bytes" | tr -d '\r'
}
# Each run leaves its exit code in run_status and its output in $work/out.txt;
# the answer_ functions print the output.
run_windows() {  # arguments...
  set +e
  "$E2E_WINE" 'C:\norvale-fleet\norvale-fleet.exe' "$@" >"$work/out.bin" 2>"$work/err.bin"
  run_status=$?
  set -e
  as_utf8 "$work/out.bin" >"$work/out.txt"
}
run_linux() {
  set +e
  "$linux_fleet" "$@" >"$work/out.txt" 2>"$work/err.bin"
  run_status=$?
  set -e
}
answer_windows() { run_windows "$@"; cat "$work/out.txt"; }
answer_linux() { run_linux "$@"; cat "$work/out.txt"; }
# Puts the result files of one collection on both shares.
share_files() {  # collection number
  rm -f "$unix_share"/* "$linux_share"/*
  cp "$work/files/$1"/* "$unix_share/"
  cp "$work/files/$1"/* "$linux_share/"
}
psql_run() { psql -q -X -v ON_ERROR_STOP=1 "$NORVALE_TEST_POSTGRES" -c "$1" >/dev/null; }
for schema in from_windows from_linux; do psql_run "CREATE SCHEMA $schema"; done
windows_pg="$NORVALE_TEST_POSTGRES?options=-csearch_path%3Dfrom_windows"
linux_pg="$NORVALE_TEST_POSTGRES?options=-csearch_path%3Dfrom_linux"
linux_db="$work/$share_name-fleet.sqlite"

for collection in 1 2; do
  share_files $collection
  for target in "$windows_db $linux_db" "$windows_pg $linux_pg"; do
    read -r windows_target linux_target <<<"$target"
    run_windows load "$windows_share" --db "$windows_target"
    out=$(cat "$work/out.txt")
    check "Windows load $collection into $windows_target: exit 0 (got $run_status: $out $(cat "$work/err.bin"))" \
      test "$run_status" -eq 0
    check "Windows load $collection: two files stored ($out)" grep -q '^loaded 2, unchanged 0, rejected 0' <<<"$out"
    out=$(answer_linux load "$linux_share" --db "$linux_target")
    check "Linux load $collection: two files stored ($out)" grep -q '^loaded 2, unchanged 0, rejected 0' <<<"$out"
  done
done

# The same answers from both tools, each on its own database.
questions=("computers" "software --computers" "software --name テスト*" "changes" "changes --computer FLEET-JA")
compare_answers() {  # label windows-target linux-target
  local question format words
  for question in "${questions[@]}"; do
    read -r -a words <<<"$question"
    for format in tsv table csv; do
      windows_answer=$(answer_windows "${words[@]}" --format $format --db "$2")
      linux_answer=$(answer_linux "${words[@]}" --format $format --db "$3")
      check "$1: '$question --format $format' answered" test -n "$linux_answer"
      check "$1: '$question --format $format' the same on both" \
        test "$windows_answer" = "$linux_answer"
      if [ "$windows_answer" != "$linux_answer" ]; then
        diff <(echo "$windows_answer") <(echo "$linux_answer") | head -10 >&2 || true
      fi
    done
  done
}
compare_answers SQLite "$windows_db" "$linux_db"
compare_answers PostgreSQL "$windows_pg" "$linux_pg"
changes=$(answer_linux changes --db "$linux_db" --format tsv)
check "the Japanese system's change is seen" \
  grep -qP '^FLEET-JA\t.*\tadded\tSoft\tApplication\tFleet Added Tool\t\t3\.1$' <<<"$changes"

# The report page, at the same --now, byte for byte.
now="2026-12-31 12:00:00"
for lang in en ja; do
  run_windows report --db "$windows_db" --lang $lang --now "$now" \
    --out "C:\\$share_name\\report-$lang.html" >/dev/null
  check "Windows report ($lang) written (exit $run_status)" test "$run_status" -eq 0
  run_linux report --db "$linux_db" --lang $lang --now "$now" --out "$work/report-$lang.html" >/dev/null
  check "report page ($lang) the same" cmp -s "$WINEPREFIX/drive_c/$share_name/report-$lang.html" "$work/report-$lang.html"
  cp "$WINEPREFIX/drive_c/$share_name/report-$lang.html" "$E2E_ARTEFACTS/fleet-windows-report-$lang.html" || true
done
check "report page holds the Japanese computer" grep -q FLEET-JA "$work/report-ja.html"
# What an administrator sees: the Windows tool's page in Chromium.
chromium --headless --no-sandbox --disable-gpu --window-size=1280,2000 \
  --screenshot="$E2E_ARTEFACTS/fleet-windows-report.png" \
  "file://$WINEPREFIX/drive_c/$share_name/report-en.html" >/dev/null 2>&1 || true
check "report rendered by Chromium" test -s "$E2E_ARTEFACTS/fleet-windows-report.png"

# Workbooks written by the Windows tool under Japanese folder and file names,
# read back by openpyxl (not the library that wrote them).
dump_workbook() { /usr/bin/python3 "$E2E_ROOT/tests/fleet/dump_workbook.py" "$1" 2>&1 || true; }
run_windows computers --db "$windows_db" --out "C:\\$share_name\\一覧.xlsx"
check "Windows computers --out 一覧.xlsx (exit $run_status: $(cat "$work/err.bin"))" test "$run_status" -eq 0
run_windows export --db "$windows_db" --out "C:\\$share_name\\site.xlsx"
check "Windows export --out site.xlsx (exit $run_status: $(cat "$work/err.bin"))" test "$run_status" -eq 0
book=$(dump_workbook "$WINEPREFIX/drive_c/$share_name/一覧.xlsx")
site=$(dump_workbook "$WINEPREFIX/drive_c/$share_name/site.xlsx")
check "computers workbook: one sheet, header frozen, filters ($(head -1 <<<"$book"))" \
  test "$(grep -cE '^sheet computers freeze=A2 filter=A1:[A-Z]+3 rows=3$' <<<"$book")" -eq 1
check "computers workbook: header row" grep -q '^cell computers!A1 s computer$' <<<"$book"
check "computers workbook: both PCs" \
  test "$(grep -cE '^cell computers!A[23] s FLEET-(EN|JA)$' <<<"$book")" -eq 2
check "site workbook: a sheet per table" test "$(sed -n 's/^sheet \([a-z]*\) .*/\1/p' <<<"$site" | paste -sd,)" \
  = "computers,applications,installs,changes,errors,unseen"
check "site workbook: Japanese text" grep -q '^cell applications![A-Z]*[0-9]* s テスト' <<<"$site"
no_formula() { ! grep -q '^cell [^ ]* f ' <<<"$book$site"; }
check "no formula in either workbook" no_formula
run_linux computers --db "$linux_db" --out "$work/一覧.xlsx"
check "the computers workbook holds what the Linux tool's holds" \
  test "$book" = "$(dump_workbook "$work/一覧.xlsx")"
cp "$WINEPREFIX/drive_c/$share_name/site.xlsx" "$E2E_ARTEFACTS/fleet-windows-site.xlsx" || true

# A database written by one tool is read by the other.
linux_copy="$work/copy-of-windows.sqlite"
cp "$unix_db" "$linux_copy"
cp "$linux_db" "$WINEPREFIX/drive_c/$share_name/linux.sqlite"
for question in computers changes "software --computers"; do
  read -r -a words <<<"$question"
  expected=$(answer_linux "${words[@]}" --format tsv --db "$linux_db")
  check "SQLite from Windows read on Linux: $question" \
    test "$(answer_linux "${words[@]}" --format tsv --db "$linux_copy")" = "$expected"
  check "SQLite from Linux read on Windows: $question" \
    test "$(answer_windows "${words[@]}" --format tsv --db "C:\\$share_name\\linux.sqlite")" = "$expected"
  expected=$(answer_linux "${words[@]}" --format tsv --db "$linux_pg")
  check "PostgreSQL from Windows read on Linux: $question" \
    test "$(answer_linux "${words[@]}" --format tsv --db "$windows_pg")" = "$expected"
  check "PostgreSQL from Linux read on Windows: $question" \
    test "$(answer_windows "${words[@]}" --format tsv --db "$linux_pg")" = "$expected"
done
# Loading the same share again with the other tool stores nothing new.
out=$(answer_linux load "$unix_share" --db "$linux_copy")
check "Linux reload of the Windows database stores nothing ($out)" grep -q '^loaded 0, unchanged 2, rejected 0' <<<"$out"
out=$(answer_windows load "$windows_share" --db "$linux_pg")
check "Windows reload of the Linux PostgreSQL schema stores nothing ($out)" grep -q '^loaded 0, unchanged 2, rejected 0' <<<"$out"

answer_windows computers --db "$windows_db" >"$E2E_ARTEFACTS/fleet-windows-computers.txt" || true
e2e_finish
