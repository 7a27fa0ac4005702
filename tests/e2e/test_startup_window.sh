#!/usr/bin/env bash
# An interactive start shows the main window with its title, menus and the
# run's rows, in English and on a Japanese system; screenshots are kept.
source "$(dirname "$0")/lib.sh"
exe=$1

for lang in en ja; do
  e2e_prefix "$lang"
  e2e_use_display
  e2e_start_display
  dir="$WINEPREFIX/drive_c/norvale-run"
  mkdir -p "$dir"
  cp "$exe" "$dir/norvale.exe"
  (cd "$dir" && exec "$E2E_WINE" 'C:\norvale-run\norvale.exe' >"$dir/wine.log" 2>&1) &
  pid=$!
  win=$(e2e_window "$pid" '^Norvale Ver 1\.3\.3$')
  check "$lang: main window titled Norvale Ver 1.3.3" test -n "$win"
  if [ -n "$win" ]; then
    # Save is enabled once the start-up run has filled the list.
    e2e_wait_rows 'Norvale Ver 1.3.3' "$exe" 90 || true
    xdotool windowactivate --sync "$win" 2>/dev/null || true
    sleep 1
    geometry=$(xdotool getwindowgeometry "$win" | awk '/Geometry/{print $2}')
    check "$lang: window at least 917 pixels wide ($geometry)" test "${geometry%x*}" -ge 917
    import -window root "$E2E_ARTEFACTS/startup-$lang.png"
    # Save is enabled after the run: Alt+F, Enter saves and reports where.
    xdotool key --window "$win" alt+f
    sleep 0.5
    import -window root "$E2E_ARTEFACTS/startup-$lang-file-menu.png"
    xdotool key Return
    check "$lang: Save wrote a result file on the desktop" \
      e2e_wait 30 bash -c "ls '$WINEPREFIX'/drive_c/users/*/Desktop/*.tsv"
    sleep 1
    xdotool key Return  # the message box
    sleep 0.5
    xdotool windowactivate --sync "$win" key --clearmodifiers alt+F4
  fi
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
  check "$lang: the program ended when its window closed" bash -c "! kill -0 $pid 2>/dev/null"
  kill "$pid" 2>/dev/null || true
  e2e_cleanup
  kill "$E2E_WM" "$E2E_XVFB" 2>/dev/null || true
  E2E_PREFIX=
done

e2e_finish
