#!/usr/bin/env bash
# Runs the Windows-layer tests under Wine in a throw-away prefix that uses
# Wine's null display driver: the dialog tests create real windows, and that
# needs a display driver even where no X server runs.
source "$(dirname "$0")/../e2e/lib.sh"
e2e_prefix en
"$E2E_WINE" "$@"
