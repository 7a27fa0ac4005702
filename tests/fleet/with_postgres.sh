#!/usr/bin/env bash
# Runs a command with a throw-away PostgreSQL server on 127.0.0.1, for test
# programs that cannot start one themselves: a Windows program under Wine
# cannot run the Linux server. The server's URI is handed over in
# NORVALE_TEST_POSTGRES, a port where nothing listens in
# NORVALE_TEST_POSTGRES_UNREACHABLE_PORT. NORVALE_TEST_POSTGRES_GSS names a
# user the server asks for GSSAPI authentication, which libpq on Windows
# answers through SSPI (the server has no key, so it never succeeds). With
# NORVALE_TEST_POSTGRES_TLS=1 the server also speaks TLS with a certificate
# of its own for 127.0.0.1, named in NORVALE_TEST_POSTGRES_TLS_ROOT, and
# NORVALE_TEST_POSTGRES_TLS_OTHER_ROOT names one that did not sign it. The server runs as the postgres user
# when started by root (it refuses to run as root), with its data and socket
# in a temporary folder, and is stopped when the command ends.
#
# Usage: with_postgres.sh command [arguments...]
set -euo pipefail

bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
if [ -z "$bin" ] || [ ! -x "$bin/pg_ctl" ]; then
  echo "with_postgres: no PostgreSQL server in /usr/lib/postgresql (scripts/setup installs it)" >&2
  exit 1
fi

free_port() {
  /usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

dir=$(mktemp -d /tmp/norvale-pg-XXXXXX)
as=()
if [ "$(id -u)" -eq 0 ]; then
  chown postgres: "$dir"
  as=(runuser -u postgres --)
fi
port=$(free_port)
stop() {
  "${as[@]}" "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null 2>&1 || true
  rm -rf "$dir"
}
trap stop EXIT

if ! "${as[@]}" "$bin/initdb" -D "$dir/data" -U postgres -A trust -E UTF8 --locale=C --no-sync \
  >"$dir/initdb.out" 2>&1; then
  cat "$dir/initdb.out" >&2
  exit 1
fi
gss_user=norvale_gss
{ echo "host all $gss_user 127.0.0.1/32 gss"; cat "$dir/data/pg_hba.conf"; } >"$dir/pg_hba.conf"
"${as[@]}" cp "$dir/pg_hba.conf" "$dir/data/pg_hba.conf"
tls_options=""
if [ "${NORVALE_TEST_POSTGRES_TLS:-}" = 1 ]; then
  for name in server other; do
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=127.0.0.1" \
      -addext "subjectAltName=IP:127.0.0.1" -keyout "$dir/$name.key" -out "$dir/$name.crt" \
      >"$dir/openssl.out" 2>&1 || { cat "$dir/openssl.out" >&2; exit 1; }
  done
  chmod 600 "$dir/server.key"
  [ "$(id -u)" -eq 0 ] && chown postgres: "$dir/server.key" "$dir/server.crt"
  tls_options="-c ssl=on -c ssl_cert_file=$dir/server.crt -c ssl_key_file=$dir/server.key"
  export NORVALE_TEST_POSTGRES_TLS_ROOT=$dir/server.crt NORVALE_TEST_POSTGRES_TLS_OTHER_ROOT=$dir/other.crt
fi
if ! "${as[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
  -o "-c listen_addresses=127.0.0.1 -p $port -k $dir -c fsync=off -c full_page_writes=off -c max_connections=40 $tls_options" \
  start >"$dir/pg_ctl.out" 2>&1; then
  cat "$dir/server.log" >&2
  exit 1
fi

export NORVALE_TEST_POSTGRES="postgresql://postgres@127.0.0.1:$port/postgres"
export NORVALE_TEST_POSTGRES_GSS="postgresql://$gss_user@127.0.0.1:$port/postgres"
NORVALE_TEST_POSTGRES_UNREACHABLE_PORT=$(free_port)
export NORVALE_TEST_POSTGRES_UNREACHABLE_PORT
set +e
"$@"
rc=$?
exit $rc
