#!/usr/bin/env bash
# The program takes no DLL from its own folder: an mpr.dll planted beside
# norvale.exe, and preferred by Wine as Windows prefers a DLL beside the
# program that imports it, is never loaded, while the program still asks the
# network provider about a network drive (MPR.dll) and reads file versions
# (VERSION.dll) through the system's own copies.
#
# VERSION.dll cannot be planted the same way here: Wine's own ADVAPI32 imports
# it, so preferring a planted copy stops every program at start. The import
# table check of scripts/test covers it.
source "$(dirname "$0")/lib.sh"
exe=$1
planted=${NORVALE_PLANTED_DLL:?the planted DLL (norvale_planted_dll) must be built}

e2e_prefix en
name=$(e2e_computer_name)
E2E_DIR="$WINEPREFIX/drive_c/norvale-run"
mkdir -p "$E2E_DIR" "$WINEPREFIX/drive_c/results"
cp "$planted" "$E2E_DIR/mpr.dll"
# M: is a network drive whose provider cannot name its share (Wine's own
# provider knows only SMB and NFS mounts): it must not hide the drives after it.
mkdir -p "$WINEPREFIX/drive_m"
ln -sfn "$WINEPREFIX/drive_m" "$WINEPREFIX/dosdevices/m:"
wine reg add 'HKLM\Software\Wine\Drives' /v 'm:' /d network /f /reg:64 >/dev/null 2>&1
wineserver -w
# Wine loads its own DLLs unless told otherwise; this makes it take a DLL
# found beside the program first, as Windows does for DLLs that are not
# known system DLLs.
export WINEDLLOVERRIDES="mpr=n,b"
e2e_run_auto "$exe" $'[setting]\nAUTOSAVE=1\nSAVETIME=0\nSAVEFOLDER=C:\\results\n[FILEINFO]\n01=Program;C:\\norvale-run\\norvale.exe\n02=Planted;C:\\norvale-run\\mpr.dll\n'
unset WINEDLLOVERRIDES
result="$WINEPREFIX/drive_c/results/$name.tsv"

check "exit code 0 (got $E2E_EXIT)" test "$E2E_EXIT" -eq 0
check "result file written" test -s "$result"
check "planted mpr.dll never loaded" test ! -e "$E2E_DIR/mpr.dll.loaded"
check "file version read through the system's VERSION.dll" \
  grep -qP "^$name\tOTHER\tFILEINFO\tProgram\t1\.3\.3\.0\t\t" "$result"
check "the planted DLL itself has no version resource" \
  grep -qP "^$name\tOTHER\tFILEINFO\tPlanted\t\t\t" "$result"
check "drive rows recorded, no drive error" \
  bash -c "grep -qP '^$name\tHard\tC:' '$result' && ! grep -qP '^$name\tHard\terror\tmDrive' '$result'"
check "M: listed as a network drive with its three rows" \
  test "$(grep -cP "^$name\tHard\tM:\\\\\t" "$result")" -eq 3
check "Z: after it still listed" grep -qP "^$name\tHard\tZ:\\\\" "$result"
check "no error row of the drive or custom items" \
  bash -c "! grep -qP '^[^\t]*\t(Hard|OTHER)\terror\t' '$result'"
cp "$result" "$E2E_ARTEFACTS/system-dlls-$name.tsv" 2>/dev/null || true
ls "$E2E_DIR" >"$E2E_ARTEFACTS/system-dlls-folder.txt" 2>/dev/null || true
e2e_finish
