# A PostgreSQL server of our own for one run: a fresh cluster in a
# temporary folder, password (scram) login over 127.0.0.1 on a free port.
# Source after prepare.sh. veltrane_start_throwaway_server sets VELTRANE_WORK
# (the temporary folder) and exports VELTRANE_TEST_PGHOST, _PGPORT, _PGUSER
# and _PGPASSWORD; veltrane_stop_throwaway_server stops the server and
# removes the folder (call it from an EXIT trap).

veltrane_server_started=0

# initdb refuses to run as root: then the server runs as the postgres user.
veltrane_as_server_user() {
  if [ "$(id -u)" -eq 0 ]; then
    (cd / && runuser -u postgres -- "$@")
  else
    "$@"
  fi
}

veltrane_stop_throwaway_server() {
  if [ "$veltrane_server_started" -eq 1 ]; then
    veltrane_as_server_user "$(veltrane_pg_bindir)/pg_ctl" -D "$VELTRANE_WORK/postgresql/data" \
      -m immediate -w stop >/dev/null 2>&1 || true
    veltrane_server_started=0
  fi
  [ -n "${VELTRANE_WORK:-}" ] && rm -rf "$VELTRANE_WORK"
}

veltrane_start_throwaway_server() {
  local pg_bin pg_dir pg_user pg_password pg_port
  pg_bin=$(veltrane_pg_bindir)
  VELTRANE_WORK=$(mktemp -d /tmp/veltrane-test.XXXXXX)
  pg_dir="$VELTRANE_WORK/postgresql"
  mkdir -p "$pg_dir"
  if [ "$(id -u)" -eq 0 ]; then
    chmod 755 "$VELTRANE_WORK"
    chown postgres:postgres "$pg_dir"
  fi
  chmod 700 "$pg_dir"

  pg_user=veltrane_test
  pg_password=$(veltrane_new_password)
  pg_port=$(veltrane_free_port)
  (umask 077 && printf '%s\n' "$pg_password" >"$VELTRANE_WORK/pwfile")
  [ "$(id -u)" -eq 0 ] && chown postgres "$VELTRANE_WORK/pwfile"

  veltrane_as_server_user "$pg_bin/initdb" -D "$pg_dir/data" -U "$pg_user" \
    --pwfile="$VELTRANE_WORK/pwfile" --auth-local=scram-sha-256 --auth-host=scram-sha-256 \
    -E UTF8 --no-locale >"$VELTRANE_WORK/initdb.log" 2>&1 ||
    { cat "$VELTRANE_WORK/initdb.log" >&2; veltrane_say "initdb failed"; return 1; }
  rm -f "$VELTRANE_WORK/pwfile"

  # A throw-away server: durability is not needed, speed is.
  veltrane_as_server_user "$pg_bin/pg_ctl" -D "$pg_dir/data" -l "$pg_dir/server.log" -w -t 60 \
    -o "-c listen_addresses=127.0.0.1 -p $pg_port -k $pg_dir -c fsync=off \
-c synchronous_commit=off -c full_page_writes=off -c max_connections=200" start >/dev/null ||
    { cat "$pg_dir/server.log" >&2 || true; veltrane_say "the test PostgreSQL server did not start"; return 1; }
  veltrane_server_started=1

  export VELTRANE_TEST_PGHOST=127.0.0.1
  export VELTRANE_TEST_PGPORT="$pg_port"
  export VELTRANE_TEST_PGUSER="$pg_user"
  export VELTRANE_TEST_PGPASSWORD="$pg_password"
}
