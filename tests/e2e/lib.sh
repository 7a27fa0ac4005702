# Shared helpers of the end-to-end tests: throw-away Wine prefixes per locale,
# running norvale.exe in automatic mode, and checks.
# Usage: source "$(dirname "$0")/lib.sh"

set -euo pipefail
# A command that ends the script says so, instead of a silent failure.
trap 'rc=$?; [[ $- == *e* ]] && echo "FAIL: ${BASH_SOURCE[0]##*/} line $LINENO: \"$BASH_COMMAND\" exited with $rc" >&2' ERR

E2E_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
E2E_WINE="$E2E_ROOT/scripts/wine"
wine() { "$E2E_WINE" "$@"; }
E2E_CACHE=${NORVALE_WINE_CACHE:-/tmp/norvale-wine-templates}
E2E_ARTEFACTS=${NORVALE_ARTEFACTS:-/tmp/norvale-artefacts}
mkdir -p "$E2E_CACHE" "$E2E_ARTEFACTS"
E2E_FAILS=0
E2E_PASSES=0

# Prints the path of a template prefix for the locale ("en" or "ja"), creating
# it once. Templates use Wine's null display driver: windowless runs need no X.
e2e_template() {
  local lang=$1 dir="$E2E_CACHE/$1"
  (
    flock 9
    if [ ! -f "$dir/.ready-2" ]; then
      rm -rf "$dir"
      local lc=C.UTF-8
      [ "$lang" = ja ] && lc=ja_JP.UTF-8
      env -u DISPLAY LC_ALL=$lc WINEPREFIX="$dir" WINEARCH=win64 WINEDEBUG=-all \
        WINEDLLOVERRIDES="mscoree,mshtml=" "$E2E_WINE" wineboot -i >/dev/null 2>&1
      env -u DISPLAY LC_ALL=$lc WINEPREFIX="$dir" WINEDEBUG=-all "$E2E_WINE" reg add \
        'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
      env -u DISPLAY LC_ALL=$lc WINEPREFIX="$dir" WINEDEBUG=-all "$E2E_WINE" reg add \
        'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
      WINEPREFIX="$dir" wineserver -w
      # Wine links the user's shell folders to $HOME; keep each test's files
      # inside its own prefix instead.
      local link
      for link in "$dir"/drive_c/users/*/*; do
        if [ -L "$link" ]; then rm "$link" && mkdir "$link"; fi
      done
      env -u DISPLAY LC_ALL=$lc WINEPREFIX="$dir" "$E2E_ROOT/scripts/wine-mirror-views"
      WINEPREFIX="$dir" wineserver -w
      touch "$dir/.ready-2"
    fi
  ) 9>"$E2E_CACHE/.lock-$lang"
  echo "$dir"
}

# Creates a fresh prefix copied from the template; sets WINEPREFIX and LC_ALL.
e2e_prefix() {
  local lang=${1:-en}
  local template
  template=$(e2e_template "$lang")
  E2E_PREFIX=$(mktemp -d /tmp/norvale-e2e-XXXXXX)
  cp -a "$template/." "$E2E_PREFIX/"
  export WINEPREFIX=$E2E_PREFIX WINEDEBUG=${WINEDEBUG:--all}
  if [ "$lang" = ja ]; then export LC_ALL=ja_JP.UTF-8; else export LC_ALL=C.UTF-8; fi
  trap 'e2e_cleanup' EXIT
}

e2e_cleanup() {
  if [ -n "${E2E_PREFIX:-}" ]; then
    WINEPREFIX=$E2E_PREFIX wineserver -k 2>/dev/null || true
    rm -rf "$E2E_PREFIX"
  fi
}

# The Unix path of a Windows path inside the prefix (C: only).
e2e_unix() { local p=${1#C:\\}; echo "$WINEPREFIX/drive_c/${p//\\//}"; }

# Copies norvale.exe into a new folder C:\norvale-run with the given settings
# text and runs it; prints nothing, sets E2E_EXIT and E2E_DIR (Unix path).
e2e_run_auto() {
  local exe=$1 ini=$2
  E2E_DIR="$WINEPREFIX/drive_c/norvale-run"
  mkdir -p "$E2E_DIR"
  cp "$exe" "$E2E_DIR/norvale.exe"
  printf '%s' "$ini" | sed 's/$/\r/' >"$E2E_DIR/Norvale.ini"
  set +e
  (cd "$E2E_DIR" && timeout 120 "$E2E_WINE" 'C:\norvale-run\norvale.exe' >"$E2E_DIR/wine.log" 2>&1)
  E2E_EXIT=$?
  set -e
}

# The reported computer name, as Wine gives it to programs.
e2e_computer_name() { wine cmd /c 'echo %COMPUTERNAME%' 2>/dev/null | tr -d '\r\n'; }

# Imports a UTF-8 .reg fixture into the current prefix, both registry views,
# as reg.exe's native UTF-16LE.
e2e_import_reg() {
  local out=$WINEPREFIX/drive_c/$(basename "$1" .reg)-utf16.reg
  { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$1"; } >"$out"
  wine reg import "C:\\$(basename "$out")" /reg:64 >/dev/null 2>&1
}

check() {  # check "description" command...
  local what=$1
  shift
  if "$@"; then
    E2E_PASSES=$((E2E_PASSES + 1))
  else
    E2E_FAILS=$((E2E_FAILS + 1))
    echo "FAIL: $what" >&2
  fi
}

e2e_finish() {
  echo "$E2E_PASSES passed, $E2E_FAILS failed"
  [ "$E2E_FAILS" -eq 0 ]
}

# Switches the current prefix from the null display driver to the X display
# (for tests that show and drive the window under Xvfb).
e2e_use_display() {
  env -u DISPLAY "$E2E_WINE" reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1 || true
  # A program started while that wineserver lingers may run under another
  # pid than the one the shell started; let it exit first.
  wineserver -w
}

# Starts Xvfb and openbox for this test; sets DISPLAY. Stopped on exit.
e2e_start_display() {
  local n
  for n in $(seq 90 130); do [ -e "/tmp/.X11-unix/X$n" ] || break; done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  E2E_XVFB=$!
  export DISPLAY=":$n"
  # A loaded machine may take a while to bring the server up.
  e2e_wait 30 xdpyinfo || echo "FAIL: the virtual display :$n did not start" >&2
  openbox --sm-disable >/dev/null 2>&1 &
  E2E_WM=$!
  trap 'e2e_cleanup; kill $E2E_WM $E2E_XVFB 2>/dev/null || true' EXIT
}

# The id of the first visible window of process $1 whose title matches $2,
# waiting up to 30 s for it. Empty when there is none (the caller's check says
# so). Each search is tried afresh: xdotool gives up on the X error of a
# window that closes while it looks (the previous run's, for instance).
e2e_window() {
  local end=$((SECONDS + 30)) found
  while [ "$SECONDS" -lt "$end" ]; do
    found=$(xdotool search --all --onlyvisible --pid "$1" --name "$2" 2>/dev/null | sed -n 1p || true)
    if [ -n "$found" ]; then
      echo "$found"
      return 0
    fi
    sleep 0.3
  done
}

# Waits up to $1 seconds for the command to succeed (a loaded machine may
# take longer than a fixed sleep): e2e_wait 30 test -s file.
e2e_wait() {
  local end=$((SECONDS + $1))
  shift
  while [ "$SECONDS" -lt "$end" ]; do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.3
  done
  return 1
}

# Waits until the start-up run of the window of title $1 has put rows in its
# list (read from outside with the list probe beside the exe $2).
e2e_wait_rows() {
  local probe
  probe=$(dirname "$(readlink -f "$2")")/norvale_list_probe.exe
  e2e_wait "${3:-60}" bash -c "out=\$('$E2E_WINE' '$probe' '$1' 2>/dev/null); grep -qP '\\tCreate\\tDateTime\\t' <<<\"\$out\""
}
