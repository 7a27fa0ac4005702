# What the fleet benchmarks share; sourced by run.sh and many_runs.sh.

# A throw-away work folder in $work, removed on exit with the server below.
make_workdir() {  # prefix
  work=$(mktemp -d "/tmp/$1-XXXXXX")
  chmod 755 "$work"
  pg_stop=""
  trap 'cleanup_workdir' EXIT
}
cleanup_workdir() {
  [ -n "$pg_stop" ] && eval "$pg_stop" >/dev/null 2>&1 || true
  rm -rf "$work"
}

# A PostgreSQL server of its own in $work/pg, on loopback; sets $pg_uri.
start_postgres() {
  local bin as="" port
  bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -1)
  if [ "$(id -u)" -eq 0 ]; then
    chown postgres "$work"
    as="runuser -u postgres --"
  fi
  port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
  $as "$bin/initdb" -D "$work/pg" -U postgres -A trust -E UTF8 --locale=C >/dev/null
  $as "$bin/pg_ctl" -D "$work/pg" -l "$work/pg.log" -w \
    -o "-c listen_addresses=127.0.0.1 -p $port -k $work -c max_wal_size=4GB" start >/dev/null
  pg_stop="$as $bin/pg_ctl -D $work/pg -m fast -w stop"
  pg_uri=postgresql://postgres@127.0.0.1:$port
  pg_bin=$bin
}
