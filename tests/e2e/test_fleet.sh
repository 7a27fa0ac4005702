#!/usr/bin/env bash
# The fleet tool end to end: result files that the real norvale.exe writes
# under Wine (an English and a Japanese system, tab and comma files) load into
# one SQLite database, and computers, software and changes show what the files
# say. Each system runs under its own host name (a private UTS namespace), so
# the share holds two computers. Needs NORVALE_FLEET: the native norvale-fleet.
source "$(dirname "$0")/lib.sh"
exe=$1
fixtures=$E2E_ROOT/tests/fixtures

# Inside the namespace: one system, two automatic runs (tab, then comma with
# one more application installed), both files copied to the output folder.
if [ "${2:-}" = --collect ]; then
  lang=$3 host=$4 out=$5
  hostname "$host"
  e2e_prefix "$lang"
  if [ "$lang" = ja ]; then e2e_import_reg "$fixtures/software_ja.reg"; else e2e_import_reg "$fixtures/software.reg"; fi
  mkdir -p "$WINEPREFIX/drive_c/results" "$out/1" "$out/2"
  e2e_run_auto "$exe" $'[setting]\nAUTOSAVE=1\nSAVETIME=0\nSAVETYPE=TSV\nSAVEFOLDER=C:\\results\n'
  cp "$WINEPREFIX/drive_c/results/$host.tsv" "$out/1/"
  sleep 1  # the next run's header time must be later
  wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\FleetAdded' \
    /v DisplayName /d 'Fleet Added Tool' /f /reg:64 >/dev/null 2>&1
  wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\FleetAdded' \
    /v DisplayVersion /d 3.1 /f /reg:64 >/dev/null 2>&1
  wineserver -w
  rm -rf "$WINEPREFIX/drive_c/norvale-run"
  e2e_run_auto "$exe" $'[setting]\nAUTOSAVE=1\nSAVETIME=0\nSAVETYPE=csv\nSAVEFOLDER=C:\\results\n'
  cp "$WINEPREFIX/drive_c/results/$host.csv" "$out/2/"
  exit 0
fi

fleet=${NORVALE_FLEET:-}
if [ ! -x "$fleet" ]; then
  echo "FAIL: NORVALE_FLEET must name the native norvale-fleet (scripts/build native makes it)" >&2
  exit 1
fi
work=$(mktemp -d /tmp/norvale-fleet-e2e-XXXXXX)
trap 'rm -rf "$work"' EXIT
for sys in en:FLEET-EN ja:FLEET-JA; do
  unshare --uts bash "$0" "$exe" --collect "${sys%%:*}" "${sys#*:}" "$work/files" ||
    echo "FAIL: the $sys run did not finish" >&2
done
cp -r "$work/files" "$E2E_ARTEFACTS/fleet-files" 2>/dev/null || true

en1=$work/files/1/FLEET-EN.tsv ja1=$work/files/1/FLEET-JA.tsv
en2=$work/files/2/FLEET-EN.csv ja2=$work/files/2/FLEET-JA.csv
check "four result files written" test -s "$en1" -a -s "$ja1" -a -s "$en2" -a -s "$ja2"
db=$work/fleet.sqlite
share=$work/share
mkdir -p "$share"

# A field of a row of a tab result file, as UTF-8: file encoding group item subitem column.
field() {
  iconv -f "$2" -t UTF-8 "$1" | tr -d '\r' | awk -F'\t' -v g="$3" -v i="$4" -v s="$5" -v c="$6" \
    '!found && $2==g && $3==i && $4==s {print $c; found=1}'
}
# A column of the computers table for one computer.
column() {  # computer column-name
  "$fleet" computers --db "$db" --format tsv --columns computer,last_seen,windows,cpu,cpus,memory_mb,user_name |
    awk -F'\t' -v pc="$1" -v col="$2" 'NR==1{for(i=1;i<=NF;i++) n[$i]=i; next} $1==pc{print $(n[col])}'
}

# First the tab files of both systems.
cp "$en1" "$ja1" "$share/"
out=$("$fleet" load "$share" --db "$db" 2>&1) && status=0 || status=$?
check "first load: exit 0 (got $status: $out)" test "$status" -eq 0
check "first load: two files stored ($out)" grep -q '^loaded 2, unchanged 0, rejected 0' <<<"$out"
check "two computers" test "$("$fleet" computers --db "$db" --format tsv | wc -l)" -eq 3
for pc in "FLEET-EN CP1252 PhysicalMemory Total UserName $en1" \
          "FLEET-JA CP932 メモリ 全容量 ユーザー名 $ja1"; do
  read -r name enc mem total user file <<<"$pc"
  want_mem=$(field "$file" "$enc" Hard "$mem" "$total" 5)
  check "$name: memory $want_mem MB" test "$(column "$name" memory_mb)" = "$want_mem"
  check "$name: memory is a number" grep -Eq '^[0-9]+$' <<<"$want_mem"
  version=$(field "$file" "$enc" Soft Windows Version 5)
  check "$name: Windows edition" test "$(column "$name" windows)" = "${version%% (Build*}"
  check "$name: CPU" test "$(column "$name" cpu)" = "$(field "$file" "$enc" Hard CPU Name 5)"
  check "$name: processors" test "$(column "$name" cpus)" = "$(field "$file" "$enc" Hard CPU 'Number of processors' 5)"
  check "$name: user" test "$(column "$name" user_name)" = "$(field "$file" "$enc" LAN LAN "$user" 5)"
  check "$name: user is not empty" test -n "$(column "$name" user_name)"
  check "$name: run time in ISO form" grep -Eq '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}$' <<<"$(column "$name" last_seen)"
done
check "FLEET-JA: stored as Shift_JIS" test "$(sqlite3 "$db" "SELECT encoding FROM runs WHERE computer='FLEET-JA'")" = shift_jis

sw=$("$fleet" software --db "$db" --computers --format tsv)
check "English application with its publisher" grep -qP '^Test Viewer 32\t2\.1\.0\tExample Soft, Inc\.\tFLEET-EN$' <<<"$sw"
check "Japanese application in Japanese" grep -qP '^テスト表計算\t1\.0\tノルベール株式会社\tFLEET-JA$' <<<"$sw"
check "hidden system component left out" bash -c '! grep -q "Hidden Runtime" <<<"$0"' "$sw"

first_seen=$(column FLEET-EN last_seen)
# Then the comma files replace them on the share: new runs, history kept.
rm "$share"/*
cp "$en2" "$ja2" "$share/"
out=$("$fleet" load "$share" --db "$db" 2>&1) && status=0 || status=$?
check "second load: two new runs ($out)" grep -q '^loaded 2, unchanged 0, rejected 0' <<<"$out"
check "four runs kept" test "$(sqlite3 "$db" 'SELECT COUNT(*) FROM runs')" -eq 4
check "latest run is the comma file's" test "$(column FLEET-EN last_seen)" != "$first_seen"
changes=$("$fleet" changes --db "$db" --format tsv)
check "application installed on FLEET-EN" grep -qP '^FLEET-EN\t.*\tadded\tSoft\tApplication\tFleet Added Tool\t\t3\.1$' <<<"$changes"
check "application installed on FLEET-JA" grep -qP '^FLEET-JA\t.*\tadded\tSoft\tApplication\tFleet Added Tool\t\t3\.1$' <<<"$changes"
check "nothing else changed in between ($changes)" test "$(grep -c . <<<"$changes")" -eq 3
check "--computer narrows" test "$("$fleet" changes --db "$db" --computer FLEET-JA --format tsv | wc -l)" -eq 2

out=$("$fleet" load "$share" --db "$db" 2>&1)
check "reload stores nothing ($out)" grep -q '^loaded 0, unchanged 2, rejected 0' <<<"$out"
"$fleet" computers --db "$db" >"$E2E_ARTEFACTS/fleet-computers.txt" 2>&1 || true
echo "$changes" >"$E2E_ARTEFACTS/fleet-changes.tsv"
e2e_finish
