#!/usr/bin/env bash
# The main window as a person uses it: the real norvale.exe under Wine on a
# virtual screen with a window manager, its menus driven with the keyboard
# from outside, message-box texts read from Wine's trace.
source "$(dirname "$0")/lib.sh"
exe=$(readlink -f "$1")
probe=$(dirname "$exe")/norvale_list_probe.exe
shots="$E2E_ARTEFACTS/window"
mkdir -p "$shots"
rm -f "$shots"/*.png

e2e_prefix en
name=$(e2e_computer_name)
# A real (virtual) screen instead of the null display driver, and a font
# link so that the Japanese-only texts render on an English system.
e2e_use_display
env -u DISPLAY "$E2E_WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
  /v Tahoma /t REG_MULTI_SZ /d 'VL-PGothic-Regular.ttf,VL PGothic' /f >/dev/null 2>&1 || true
wineserver -w
e2e_start_display

run_dir="$WINEPREFIX/drive_c/norvale-run"
out_dir="$WINEPREFIX/drive_c/out"
ini="$run_dir/Norvale.ini"
mkdir -p "$run_dir" "$out_dir"
cp "$exe" "$run_dir/norvale.exe"
printf '[setting]\r\nSAVEFOLDER=C:\\out\r\n' >"$ini"
log="$run_dir/wine.log"
(cd "$run_dir" && WINEDEBUG=-all,+msgbox exec "$E2E_WINE" 'C:\norvale-run\norvale.exe' >"$log" 2>&1) &
app_pid=$!

# The first visible window of the program whose title matches.
window() {
  timeout "${2:-30}" xdotool search --all --sync --onlyvisible --pid "$app_pid" --name "$1" \
    2>/dev/null | head -1
}
gone() {  # waits until no visible window of the program has the title
  local i
  for i in $(seq 50); do
    xdotool search --all --onlyvisible --pid "$app_pid" --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.2
  done
  return 1
}
keys() { xdotool key --delay 150 "$@"; sleep 0.7; }
rows() { "$E2E_WINE" "$probe" "Norvale Ver 1.3.3" 2>/dev/null | tr -d '\r'; }
messages() { grep -a 'MSGBOX_OnInit' "$log" || true; }
# Here-strings, not pipes: with pipefail a grep -q that stops early fails the
# pipe (the writer gets SIGPIPE) even when it found the line.
has_message() { grep -qF "$1" <<<"$(messages)"; }
# The probe prints "rows=N" and then one line per row.
header_first() { sed -n 2p <<<"$1" | grep -qP "^$name\tCreate\tDateTime\t"; }
no_header() { ! grep -qP '\tCreate\tDateTime\t' <<<"$1"; }
shot_root() { import -window root "$shots/$1.png"; }

main=$(window '^Norvale Ver 1\.3\.3$' 60)
check "main window shown" test -n "$main"
[ -n "$main" ] || { e2e_finish; exit 1; }
xdotool windowactivate --sync "$main" 2>/dev/null || true
has_rows() { grep -qP '\tCreate\tDateTime\t' <<<"$(rows)"; }
e2e_wait 90 has_rows || true
before=$(rows)
check "start-up run: header row first" header_first "$before"
import -window "$main" "$shots/main-window.png"

# View "Drive" after "All": the list is emptied and shows only the rows of the
# category run, from the first position; no header row.
keys alt+v Return  # "All" is the first item
after_all=$(rows)
check "All: header row first" header_first "$after_all"
keys alt+v Down Down Return
after_drive=$(rows)
check "Drive: the full run's rows are gone" no_header "$after_drive"
check "Drive: the list could be read" grep -q '^rows=' <<<"$after_drive"
echo "$after_drive" >"$shots/drive-rows.txt"
# The check mark is drawn in the open menu: kept as a picture to look at.
keys alt+v
shot_root view-menu-after-drive
keys Escape Escape

# Settings -> CSV, then File -> Save: a .csv in the save folder, named in the
# message with the closing apostrophe.
keys alt+s Right Down Return
check "SAVETYPE=CSV written" grep -qai '^SAVETYPE=CSV' "$ini"
keys alt+f s
e2e_wait 30 has_message "L\"saved to an"
check "saved message names the file" has_message "L\"saved to an 'C:\\\\out\\\\$name.csv'\""
check "the .csv is in the save folder" test -s "$out_dir/$name.csv"
check "the .csv starts with the header row" bash -c "head -1 '$out_dir/$name.csv' | grep -q '^$name,Create,DateTime,'"
shot_root saved-message
keys Return

# The save delay: "abc" is refused with the warning and asked again; "2.5" is
# written as typed.
keys alt+s Up Return
box=$(window '^遅延時間設定$' 20)
check "save-delay box shown" test -n "$box"
xdotool type --delay 80 abc
keys Return
sleep 1
warnings=$(messages | grep -c '\\534a\\89d2\\6570\\5b57' || true)
check "abc: the warning was shown" test "$warnings" -eq 1
check "abc: nothing written" bash -c "! grep -qai '^SAVETIME' '$ini'"
keys Return  # closes the warning; the question comes again
xdotool key ctrl+a
xdotool type --delay 80 2.5
shot_root save-delay-box
keys Return
sleep 0.5
check "SAVETIME=2.5 written" grep -qa '^SAVETIME=2.5' "$ini"
check "no further warning" test "$(messages | grep -c '\\534a\\89d2' || true)" -eq 1

# Help -> Version: one about box, closed by OK.
keys alt+h v
about=$(window '^Version$' 20)
check "about box shown" test -n "$about"
keys alt+h v
check "one about box at most" test "$(xdotool search --all --onlyvisible --pid "$app_pid" --name '^Version$' | wc -l)" -eq 1
shot_root about-box
[ -n "$about" ] && import -window "$about" "$shots/about-box-window.png"
[ -n "$about" ] && xdotool windowactivate --sync "$about" 2>/dev/null
keys Return
check "OK closes the about box" gone '^Version$'

# File -> End: the program ends at once, without saving.
rm -f "$out_dir/$name.csv"
xdotool windowactivate --sync "$main" 2>/dev/null || true
keys alt+f e
set +e
for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.2; done
wait "$app_pid"
status=$?
set -e
check "End: exit code 0 (got $status)" test "$status" -eq 0
check "End: nothing saved" test ! -e "$out_dir/$name.csv"

cp "$log" "$shots/wine-msgbox.log"
e2e_finish
