#!/usr/bin/env bash
# The saved result file read back by a real spreadsheet-dialect reader
# (Python's csv module): values that begin with a quote, an unclosed quote,
# full-width look-alikes of the delimiter and the quote, and an all-ones
# REG_DWORD, in tab mode and in comma mode. Every record must have seven
# fields and give back exactly what the registry holds.
source "$(dirname "$0")/lib.sh"
exe=$1

e2e_prefix en

reg=$WINEPREFIX/drive_c/quotes.reg
{
  printf '\xff\xfe'
  sed 's/$/\r/' <<'REG' | iconv -f UTF-8 -t UTF-16LE
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\NorvaleQuotes]
"Command"="\"C:\\Program Files\\App\\app.exe\" /S"
"Unclosed"="\"unclosed"
"Wide"="left，right ＂q"
"AllOnes"=dword:ffffffff
REG
} >"$reg"
wine reg import 'C:\quotes.reg' >/dev/null 2>&1

run() {  # save type
  E2E_DIR="$WINEPREFIX/drive_c/norvale-run"
  rm -rf "$E2E_DIR" "$WINEPREFIX/drive_c/results"
  mkdir -p "$E2E_DIR" "$WINEPREFIX/drive_c/results"
  cp "$exe" "$E2E_DIR/norvale.exe"
  sed 's/$/\r/' >"$E2E_DIR/Norvale.ini" <<INI
[setting]
AUTOSAVE=1
SAVETIME=0
SAVEFOLDER=C:\\results
SAVETYPE=$1
[REGISTRY]
01=Command;HKEY_CURRENT_USER;Software\\NorvaleQuotes;Command
02=Unclosed;HKEY_CURRENT_USER;Software\\NorvaleQuotes;Unclosed
03=Wide, full;HKEY_CURRENT_USER;Software\\NorvaleQuotes;Wide
04=All ones;HKEY_CURRENT_USER;Software\\NorvaleQuotes;AllOnes
05="Quoted" label;HKEY_CURRENT_USER;Software\\NorvaleQuotes;Command
INI
  set +e
  (cd "$E2E_DIR" && timeout 120 "$E2E_WINE" 'C:\norvale-run\norvale.exe' >"$E2E_DIR/wine.log" 2>&1)
  E2E_EXIT=$?
  set -e
}

# Reads the file with the given csv dialect and compares the custom items.
read_back() {  # file dialect
  python3 - "$1" "$2" <<'PY'
import csv, sys
path, dialect = sys.argv[1], sys.argv[2]
with open(path, encoding="cp1252", newline="") as f:
    rows = list(csv.reader(f, dialect=dialect))
with open(path, "rb") as f:
    lines = f.read().count(b"\r\n")
bad = [r for r in rows if len(r) != 7]
if bad:
    sys.exit(f"{len(bad)} records without seven fields, first {bad[0]!r}")
if dialect == "excel-tab" and len(rows) != lines:
    sys.exit(f"{len(rows)} records in {lines} lines")
got = {r[3]: r[4] for r in rows if r[1] == "OTHER" and r[2] == "REGISTRY"}
want = {
    "Command": '"C:\\Program Files\\App\\app.exe" /S',
    "Unclosed": '"unclosed',
    "Wide, full": "left?right ?q",
    "All ones": "4294967295",
    '"Quoted" label': '"C:\\Program Files\\App\\app.exe" /S',
}
if got != want:
    sys.exit(f"custom items read back as {got!r}")
if rows[-1][1] == "OTHER" and rows[-1][3] == "Unclosed":
    sys.exit("the unclosed quote swallowed the rest of the file")
PY
}

name=$(e2e_computer_name)
run TSV
tsv="$WINEPREFIX/drive_c/results/$name.tsv"
check "tab mode: exit code 0 (got $E2E_EXIT)" test "$E2E_EXIT" -eq 0
check "tab mode: file written" test -s "$tsv"
check "tab mode: read back by the excel-tab dialect" read_back "$tsv" excel-tab
check "tab mode: a value without a leading quote is not quoted" \
  bash -c "grep -q \$'\\tWide, full\\tleft?right ?q\\t' '$tsv'"
cp "$tsv" "$E2E_ARTEFACTS/result-file-quotes.tsv" 2>/dev/null || true

run CSV
csv="$WINEPREFIX/drive_c/results/$name.csv"
check "comma mode: exit code 0 (got $E2E_EXIT)" test "$E2E_EXIT" -eq 0
check "comma mode: file written" test -s "$csv"
check "comma mode: read back by the excel dialect" read_back "$csv" excel
cp "$csv" "$E2E_ARTEFACTS/result-file-quotes.csv" 2>/dev/null || true

e2e_finish
