#!/usr/bin/env bash
# Runs nobody watches, with the real norvale.exe under Wine: an automatic run
# whose start fails shows why and then ends with exit code 1; a save that
# cannot write its file ends with exit code 1 and leaves the previous result
# as it was.
source "$(dirname "$0")/lib.sh"
exe=$(readlink -f "$1")

e2e_prefix en
name=$(e2e_computer_name)
run_dir="$WINEPREFIX/drive_c/norvale-run"

# --- A start-up failure in automatic mode: message, then the end. ---
e2e_use_display
e2e_start_display
mkdir -p "$run_dir"
cp "$exe" "$run_dir/norvale.exe"
log="$run_dir/wine.log"
for case in '30s|Form1,Load:Type mismatch' '|Form1,Load:Type mismatch' \
  '3000000|Form1,Load:Overflow'; do
  delay=${case%%|*}
  text=${case#*|}
  printf '[setting]\r\nAUTOSAVE=1\r\nSAVETIME=%s\r\n' "$delay" >"$run_dir/Norvale.ini"
  (cd "$run_dir" && WINEDEBUG=-all,+msgbox exec "$E2E_WINE" 'C:\norvale-run\norvale.exe' >"$log" 2>&1) &
  pid=$!
  box=$(e2e_window "$pid" '^Norvale$')
  check "SAVETIME=$delay: a message box is shown" test -n "$box"
  check "SAVETIME=$delay: it says \"$text\"" grep -aqF "$text" "$log"
  # Still there while the message waits to be read.
  sleep 1
  check "SAVETIME=$delay: the run waits for the message" kill -0 "$pid"
  [ -n "$box" ] && xdotool windowactivate --sync "$box" key Return 2>/dev/null
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  check "SAVETIME=$delay: the run ended once the message was closed" bash -c "! kill -0 $pid 2>/dev/null"
  kill "$pid" 2>/dev/null || true
  set +e
  wait "$pid"
  status=$?
  set -e
  check "SAVETIME=$delay: exit code 1 (got $status)" test "$status" -eq 1
  check "SAVETIME=$delay: no result file" bash -c "! ls '$run_dir'/*.tsv 2>/dev/null"
done
kill "$E2E_WM" "$E2E_XVFB" 2>/dev/null || true
unset DISPLAY
wineserver -w

# --- Failed automatic saves (no display needed: nothing is shown). ---
env -u DISPLAY "$E2E_WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
wineserver -w
out="$WINEPREFIX/drive_c/out"
mkdir -p "$out"
previous="$WINEPREFIX/previous.tsv"
printf 'PC\tprevious good result\r\n' >"$previous"
cp "$previous" "$out/$name.tsv"

# Every write to the temporary file fails (its folder is a full file
# system): the previous result stays, exit code 1. Needs a small file system
# mounted over the temporary folder, which only root can do.
temp_win=$(env -u DISPLAY "$E2E_WINE" cmd /c 'echo %TEMP%' 2>/dev/null | tr -d '\r\n')
temp_unix=$(env -u DISPLAY "$E2E_WINE" winepath -u "$temp_win" 2>/dev/null | tr -d '\r\n')
mounted=
if [ -n "$temp_unix" ] && [ "$(id -u)" -eq 0 ] &&
  mkdir -p "$temp_unix" && mount -t tmpfs -o size=4k tmpfs "$temp_unix" 2>/dev/null; then
  mounted=$temp_unix
  trap 'umount "$mounted" 2>/dev/null || true; e2e_cleanup' EXIT
  head -c 4096 /dev/zero >"$temp_unix/fill" 2>/dev/null || true
fi
if [ -n "$mounted" ]; then
  rm -rf "$run_dir"
  e2e_run_auto "$exe" $'[setting]\nAUTOSAVE=1\nSAVEFOLDER=C:\\out\n'
  check "disk full: exit code 1 (got $E2E_EXIT)" test "$E2E_EXIT" -eq 1
  check "disk full: previous file kept" cmp -s "$out/$name.tsv" "$previous"
  check "disk full: nothing left beside it" test "$(ls "$out" | wc -l)" -eq 1
  umount "$mounted"
  mounted=
else
  echo "note: the disk-full case was not run (it mounts a small file system, which needs root)"
fi

# With the writes possible again the same settings save: exit code 0.
rm -rf "$run_dir"
e2e_run_auto "$exe" $'[setting]\nAUTOSAVE=1\nSAVEFOLDER=C:\\out\n'
check "saved: exit code 0 (got $E2E_EXIT)" test "$E2E_EXIT" -eq 0
check "saved: the new result replaced the previous one" \
  bash -c "head -1 '$out/$name.tsv' | grep -qP '^$name\tCreate\tDateTime\t'"

e2e_finish
