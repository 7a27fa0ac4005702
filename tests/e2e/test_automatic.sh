#!/usr/bin/env bash
# Automatic mode end to end: the real norvale.exe under Wine collects, saves
# and ends by itself; bad save folders and delays are handled.
source "$(dirname "$0")/lib.sh"
exe=$1

e2e_prefix en
name=$(e2e_computer_name)

# A save folder given in the settings: <folder>\<computer>.tsv, CRLF lines,
# the header row first, exit code 0, no temporary file left.
mkdir -p "$WINEPREFIX/drive_c/results"
tmpdir="$WINEPREFIX/drive_c/users/$(whoami)/Temp"
e2e_run_auto "$exe" $'[Setting]\nautosave = 1\nSAVETIME=0\nSAVEFOLDER=C:\\results\n'
result="$WINEPREFIX/drive_c/results/$name.tsv"
check "exit code 0 (got $E2E_EXIT)" test "$E2E_EXIT" -eq 0
check "result file written" test -s "$result"
check "header row first" bash -c "head -1 '$result' | grep -qP '^$name\tCreate\tDateTime\t.+\t.+\tNorvale Ver 1\.3\.3\t.+\r$'"
check "every line ends in CRLF" bash -c "! grep -qv \$'\r\$' '$result'"
check "every line has seven fields" bash -c "awk -F'\t' 'NF!=7{bad=1} END{exit bad}' '$result'"
check "no temporary file left" bash -c "! ls '$tmpdir' 2>/dev/null | grep -qi '^~No'"
cp "$result" "$E2E_ARTEFACTS/automatic-$name.tsv" 2>/dev/null || true

# Comma mode and the default folder (the program's own).
rm -rf "$WINEPREFIX/drive_c/norvale-run"
e2e_run_auto "$exe" $'[setting]\nAUTOSAVE=1\nSAVETYPE=csv\n'
check "csv beside the program" test -s "$E2E_DIR/$name.csv"
check "csv header" bash -c "head -1 '$E2E_DIR/$name.csv' | grep -q '^$name,Create,DateTime,'"

# A save folder that does not exist: no file, no temporary file, and exit
# code 1 so that the script that started the run can tell.
rm -rf "$WINEPREFIX/drive_c/norvale-run"
e2e_run_auto "$exe" $'[setting]\nAUTOSAVE=1\nSAVEFOLDER=C:\\no\\such\\folder\n'
check "missing folder: exit code 1 (got $E2E_EXIT)" test "$E2E_EXIT" -eq 1
check "missing folder: no result file" bash -c "! ls '$WINEPREFIX/drive_c/no' 2>/dev/null"
check "missing folder: no temporary file left" bash -c "! ls '$tmpdir' 2>/dev/null | grep -qi '^~No'"

e2e_finish
