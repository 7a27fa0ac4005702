#!/usr/bin/env bash
# norvale-fleet.exe takes no DLL from its own folder: crypt32.dll, secur32.dll
# and bcrypt.dll planted beside it (and in the current folder), and preferred
# by Wine as Windows prefers a DLL beside the program, are never loaded. The
# program starts, when libpq answers the server's GSSAPI request through
# SSPI Secur32 comes from System32, and TLS with verify-full works.
#
# Usage: planted_dlls.sh norvale-fleet.exe planted.dll
# (run through NORVALE_TEST_POSTGRES_TLS=1 tests/fleet/with_postgres.sh,
# whose variables name the server and its certificates).
source "$(dirname "$0")/../../e2e/lib.sh"
exe=$1
planted=$2
: "${NORVALE_TEST_POSTGRES_TLS_ROOT:?run through NORVALE_TEST_POSTGRES_TLS=1 tests/fleet/with_postgres.sh}"

e2e_prefix en
folder="$WINEPREFIX/drive_c/norvale-fleet"
mkdir -p "$folder/empty share"
cp "$exe" "$folder/norvale-fleet.exe"
planted_names=(crypt32.dll secur32.dll bcrypt.dll)
for name in "${planted_names[@]}"; do cp "$planted" "$folder/$name"; done
# Wine takes its own DLLs unless told otherwise; this makes it look for
# these first where Windows would (the program's folder, then System32).
export WINEDLLOVERRIDES="crypt32,secur32,bcrypt=n,b"
fleet() {  # arguments... -> exit code in fleet_status, output in $folder/out.txt
  set +e
  (cd "$folder" && timeout 120 "$E2E_WINE" 'C:\norvale-fleet\norvale-fleet.exe' "$@" \
    >"$folder/out.txt" 2>&1)
  fleet_status=$?
  set -e
}

fleet --version
check "starts beside planted DLLs (exit $fleet_status: $(cat "$folder/out.txt"))" \
  test "$fleet_status" -eq 0
check "--version answers" grep -q 'norvale-fleet [0-9]' "$folder/out.txt"

fleet load 'C:\norvale-fleet\empty share' --db "$NORVALE_TEST_POSTGRES"
check "loads into PostgreSQL (exit $fleet_status: $(cat "$folder/out.txt"))" \
  test "$fleet_status" -eq 0

# The server asks for GSSAPI: libpq calls Secur32 for the first time. A
# failed delay load would end the program with an exception instead of
# libpq's own message.
fleet computers --db "$NORVALE_TEST_POSTGRES_GSS"
check "the GSSAPI request is answered through SSPI and refused with a message (exit $fleet_status: $(cat "$folder/out.txt"))" \
  bash -c "[ $fleet_status -eq 2 ] && grep -q 'SSPI' '$folder/out.txt'"

cp "$folder/out.txt" "$E2E_ARTEFACTS/planted-dlls-gss.txt" 2>/dev/null || true

# TLS through OpenSSL: the server's certificate verified against its root
# and its name; a root that did not sign it is refused.
fleet computers --db "$NORVALE_TEST_POSTGRES?sslmode=verify-full&sslrootcert=Z:$NORVALE_TEST_POSTGRES_TLS_ROOT"
check "TLS with verify-full (exit $fleet_status: $(cat "$folder/out.txt"))" test "$fleet_status" -eq 0
fleet computers --db "$NORVALE_TEST_POSTGRES?sslmode=verify-full&sslrootcert=Z:$NORVALE_TEST_POSTGRES_TLS_OTHER_ROOT"
check "TLS with a root that did not sign the certificate is refused (exit $fleet_status: $(cat "$folder/out.txt"))" \
  bash -c "[ $fleet_status -eq 2 ] && grep -q 'certificate verify failed' '$folder/out.txt'"
for name in "${planted_names[@]}"; do
  check "planted $name never loaded" test ! -e "$folder/$name.loaded"
done
e2e_finish
