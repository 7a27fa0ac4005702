#!/usr/bin/env bash
# The software collectors end to end: registry fixtures imported into fresh
# 64-bit prefixes (applications in both views, values for custom items), a
# settings file with REGISTRY and FILEINFO entries, one automatic run each in
# English and in Japanese; the saved file must hold exactly the expected
# "Soft" and "OTHER" rows, in order, in the system's code page.
source "$(dirname "$0")/lib.sh"
exe=$1
fixtures=$E2E_ROOT/tests/fixtures

# Writes Norvale.ini (given as UTF-8, stored in `encoding`) beside a copy of
# the program and runs it in automatic mode.
run_with_settings() {  # ini-text encoding
  E2E_DIR="$WINEPREFIX/drive_c/norvale-run"
  mkdir -p "$E2E_DIR" "$WINEPREFIX/drive_c/results"
  cp "$exe" "$E2E_DIR/norvale.exe"
  printf '%s' "$1" | sed 's/$/\r/' | iconv -f UTF-8 -t "$2" >"$E2E_DIR/Norvale.ini"
  set +e
  (cd "$E2E_DIR" && timeout 120 "$E2E_WINE" 'C:\norvale-run\norvale.exe' >"$E2E_DIR/wine.log" 2>&1)
  E2E_EXIT=$?
  set -e
}

# Group to Unit of the rows of the groups "Soft" and "OTHER", as UTF-8.
soft_and_other() {  # file encoding
  iconv -f "$2" -t UTF-8 "$1" | tr -d '\r' | awk -F'\t' -v OFS='\t' \
    '$2=="Soft" || $2=="OTHER" {print $2, $3, $4, $5, $6}'
}

settings() {  # the REGISTRY label of the Owner entry
  cat <<INI
[setting]
AUTOSAVE=1
SAVETIME=0
SAVEFOLDER=C:\\results
[REGISTRY]
01=Asset tag;HKEY_LOCAL_MACHINE;SOFTWARE\\NorvaleTest;AssetTag
02=$1;HKEY_CURRENT_USER;Software\\NorvaleTest;Owner
03=Lower-case root;hkey_local_machine;SOFTWARE\\NorvaleTest;AssetTag
04=Blank before root; HKEY_LOCAL_MACHINE;SOFTWARE\\NorvaleTest;AssetTag
05=Too long;HKEY_LOCAL_MACHINE;SOFTWARE\\NorvaleTest;Text256
06=Flags;HKEY_LOCAL_MACHINE;SOFTWARE\\NorvaleTest;Flags
07=Missing value;HKEY_LOCAL_MACHINE;SOFTWARE\\NorvaleTest;Nothing
08=Extra pieces;HKEY_LOCAL_MACHINE;SOFTWARE\\NorvaleTest;AssetTag;ignored
09=Multi-string;HKEY_LOCAL_MACHINE;SOFTWARE\\NorvaleTest;Multi
10=Expandable;HKEY_LOCAL_MACHINE;SOFTWARE\\NorvaleTest;Expand
12=After a gap;HKEY_LOCAL_MACHINE;SOFTWARE\\NorvaleTest;AssetTag
[FILEINFO]
01=Program;C:\\norvale-run\\norvale.exe
02=Missing file;C:\\no\\such.dll
03=Folder;C:\\windows
04=No version resource;C:\\norvale-run\\Norvale.ini
INI
}

other_rows() {  # the Owner label and value
  printf '%s\n' \
    $'OTHER\tREGISTRY\tAsset tag\tA-1234\t' \
    $'OTHER\tREGISTRY\t'"$1"$'\t'"$2"$'\t' \
    $'OTHER\tREGISTRY\tLower-case root\t\t' \
    $'OTHER\tREGISTRY\tBlank before root\t\t' \
    $'OTHER\tREGISTRY\tToo long\t\t' \
    $'OTHER\tREGISTRY\tFlags\t42\t' \
    $'OTHER\tREGISTRY\tMissing value\t\t' \
    $'OTHER\tREGISTRY\tExtra pieces\tA-1234\t' \
    $'OTHER\tREGISTRY\tMulti-string\tone\t' \
    $'OTHER\tREGISTRY\tExpandable\tC:\\windows\\x\t' \
    $'OTHER\tFILEINFO\tProgram\t1.3.3.0\t' \
    $'OTHER\tFILEINFO\tMissing file\tNofile\t' \
    $'OTHER\tFILEINFO\tFolder\tNofile\t' \
    $'OTHER\tFILEINFO\tNo version resource\t\t'
}

compare() {  # name want-file got-file
  if diff -u "$2" "$3" >"$E2E_ARTEFACTS/software-$1.diff"; then
    rm -f "$E2E_ARTEFACTS/software-$1.diff"
    return 0
  fi
  cat "$E2E_ARTEFACTS/software-$1.diff" >&2
  return 1
}

# English: Windows 11 with "Windows 10" in its product name.
e2e_prefix en
name=$(e2e_computer_name)
e2e_import_reg "$fixtures/software.reg"
e2e_import_reg "$fixtures/windows11.reg"
# Windows 10 and later have no service pack.
wine reg add 'HKCU\Software\Wine' /v Version /d win10 /f >/dev/null 2>&1
run_with_settings "$(settings Owner)" CP1252
result="$WINEPREFIX/drive_c/results/$name.tsv"
check "en: exit code 0 (got $E2E_EXIT)" test "$E2E_EXIT" -eq 0
check "en: result file written" test -s "$result"
{
  printf '%s\n' \
    $'Soft\tWindows\tVersion\tWindows 11 Pro (Build 22631) \t' \
    $'Soft\tWindows\tProductID\t00330-80000-00000-AA064\t' \
    $'Soft\tWindows\tSystemPath\tC:\\windows\\system32\t' \
    $'Soft\tIE\tVersion\t11.0.9600.1\t' \
    $'Soft\tApplication\tTest Viewer 32\t2.1.0\tExample Soft, Inc.' \
    $'Soft\tApplication\tName Only Tool\t\t' \
    $'Soft\tApplication\tTest Editor 64\t10.0.1\tExample Corp'
  other_rows Owner Alice
} >"$E2E_ARTEFACTS/software-en.want"
soft_and_other "$result" CP1252 >"$E2E_ARTEFACTS/software-en.got" || true
check "en: Soft and OTHER rows" compare en "$E2E_ARTEFACTS/software-en.want" \
  "$E2E_ARTEFACTS/software-en.got"
check "en: no error rows of these collectors" \
  bash -c "! grep -P '^[^\t]*\t(Soft|Environmental|OTHER)\terror\t' '$result'"
env_rows=$(grep -cP '^[^\t]*\tEnvironmental\t' "$result" || true)
check "en: 1 to 50 environment rows (got $env_rows)" test "$env_rows" -ge 1 -a "$env_rows" -le 50
cp "$result" "$E2E_ARTEFACTS/software-en.tsv" 2>/dev/null || true
e2e_cleanup
E2E_PREFIX=

# Japanese: Windows 7 SP1 as its registry names it, Japanese texts in the
# registry and in a Shift_JIS settings file; the result file is Shift_JIS too.
e2e_prefix ja
name=$(e2e_computer_name)
e2e_import_reg "$fixtures/software.reg"
e2e_import_reg "$fixtures/software_ja.reg"
run_with_settings "$(settings 所有者)" CP932
result="$WINEPREFIX/drive_c/results/$name.tsv"
check "ja: exit code 0 (got $E2E_EXIT)" test "$E2E_EXIT" -eq 0
check "ja: result file written" test -s "$result"
check "ja: file is Shift_JIS" bash -c "iconv -f CP932 -t UTF-8 '$result' >/dev/null"
sjis_name=$(printf 'テスト表計算' | iconv -f UTF-8 -t CP932)
check "ja: Japanese name in Shift_JIS bytes" env LC_ALL=C grep -qF "$sjis_name" "$result"
{
  printf '%s\n' \
    $'Soft\tWindows\tVersion\tWindows 7 Professional (Build 7601) SP 1\t' \
    $'Soft\tWindows\tProductID\t00330-80000-00000-AA064\t' \
    $'Soft\tWindows\tSystemPath\tC:\\windows\\system32\t' \
    $'Soft\tIE\tVersion\t11.0.9600.1\t' \
    $'Soft\tApplication\tTest Viewer 32\t2.1.0\tExample Soft, Inc.' \
    $'Soft\tApplication\tName Only Tool\t\t' \
    $'Soft\tApplication\tテスト表計算\t1.0\tノルベール株式会社' \
    $'Soft\tApplication\tTest Editor 64\t10.0.1\tExample Corp'
  other_rows 所有者 山田太郎
} >"$E2E_ARTEFACTS/software-ja.want"
soft_and_other "$result" CP932 >"$E2E_ARTEFACTS/software-ja.got" || true
check "ja: Soft and OTHER rows" compare ja "$E2E_ARTEFACTS/software-ja.want" \
  "$E2E_ARTEFACTS/software-ja.got"
cp "$result" "$E2E_ARTEFACTS/software-ja.tsv" 2>/dev/null || true

e2e_finish
