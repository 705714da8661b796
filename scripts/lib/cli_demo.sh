# Sourced by scripts/run when there is no display: shows the command-line
# program at work instead of the windows. With the private PostgreSQL server
# of scripts/run it lists both sides (the server and the bundled samples),
# sends the samples to PostgreSQL and one table back into a folder of its
# own, and says what it did. Without the private server it only checks the
# remembered settings: it never writes into a database of the user's own.

# veltrane_cli_demo PRIVATE_DIR USER DATABASE SAMPLES_FOLDER
veltrane_cli_demo() {
  local private_dir=$1 user=$2 database=$3 samples=$4
  local cli=build/veltrane-cli status=0
  local back_folder=build/cli-demo
  if [ ! -x "$cli" ]; then
    veltrane_say "$cli was not built"
    return 1
  fi
  veltrane_say "no display (neither DISPLAY nor WAYLAND_DISPLAY is set): using $cli instead of the windows"
  if [ ! -f "$private_dir/port" ] || [ ! -f "$private_dir/password" ]; then
    veltrane_say "no private PostgreSQL server: checking the remembered settings only"
    veltrane_say "\$ $cli check"
    "$cli" check || status=$?
    return "$status"
  fi

  local connection=(--server localhost --port "$(cat "$private_dir/port")" --user "$user"
                    --database "$database")
  local tables
  VELTRANE_PASSWORD=$(cat "$private_dir/password")
  export VELTRANE_PASSWORD
  veltrane_say "\$ $cli ${connection[*]} --free-tables $samples check"
  "$cli" "${connection[@]}" --free-tables "$samples" check || return $?
  veltrane_say "\$ $cli ... list foxpro"
  tables=$("$cli" "${connection[@]}" --free-tables "$samples" list foxpro) || return $?
  printf '%s\n' "$tables"
  veltrane_say "\$ $cli ... list postgresql   (the system catalogue's pg_* and sql_* tables left out here)"
  "$cli" "${connection[@]}" --free-tables "$samples" list postgresql | grep -v -E '^(pg|sql)_' || true

  # shellcheck disable=SC2086 # one argument per listed table
  veltrane_say "\$ $cli ... --overwrite yes send-to-postgresql" $tables
  # shellcheck disable=SC2086
  "$cli" "${connection[@]}" --free-tables "$samples" --overwrite yes send-to-postgresql $tables ||
    status=$?

  veltrane_say "\$ $cli ... list postgresql"
  "$cli" "${connection[@]}" --free-tables "$samples" list postgresql | grep -v -E '^(pg|sql)_' || true

  local back
  back=$(printf '%s\n' "$tables" | head -n 1)
  mkdir -p "$back_folder"
  veltrane_say "\$ $cli ... --free-tables $back_folder --overwrite yes send-to-foxpro $back"
  "$cli" "${connection[@]}" --free-tables "$back_folder" --overwrite yes send-to-foxpro "$back" ||
    status=$?
  veltrane_say "\$ $cli ... --free-tables $back_folder list foxpro"
  "$cli" "${connection[@]}" --free-tables "$back_folder" list foxpro || status=$?
  veltrane_say "sent the samples ($(echo $tables)) to the database $database of the private server" \
    "and $back back into $back_folder; exit status $status"
  return "$status"
}
