#!/usr/bin/env bash
# The Debian package as a user gets it: packed with CPack from the finished
# build folder and checked by lintian, then unpacked into a throw-away root
# and used from there, without the source tree: both programs' --version and
# --help, the installed sample tables sent to the test server
# (VELTRANE_TEST_PG*, which scripts/test starts) and back into a folder, the
# bash completion, the manual pages and the desktop entry.
#
# Usage: package_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d /tmp/veltrane-package.XXXXXX)
database=vt_package_$$
export PGHOST=$VELTRANE_TEST_PGHOST PGPORT=$VELTRANE_TEST_PGPORT PGUSER=$VELTRANE_TEST_PGUSER
export PGPASSWORD=$VELTRANE_TEST_PGPASSWORD
cleanup() {
  psql -X -q -d postgres -c "DROP DATABASE IF EXISTS $database WITH (FORCE)" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
# expect TEXT DESCRIPTION: fails unless standard input holds TEXT.
expect() {
  local input
  input=$(cat)
  [[ $input == *"$1"* ]] || fail "$2: no \"$1\" in: $input"
}

version=$("$build/veltrane-cli" --version | cut -d ' ' -f 2)
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; exit 1; }
deb="$work/out/veltrane_${version}_amd64.deb"
[ -f "$deb" ] || { ls "$work/out" >&2; fail "no $deb"; exit 1; }

# The dependencies are the runtime libraries, never their -dev packages; the
# server programs are recommended only.
depends=$(dpkg-deb -f "$deb" Depends)
for library in libpq5 libuchardet0 libqt6widgets6; do
  expect "$library" "Depends" <<<"$depends"
done
[[ $depends != *-dev* ]] || fail "Depends names a -dev package: $depends"
dpkg-deb -f "$deb" Recommends | expect postgresql-15 "Recommends"
lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || { cat "$work/lintian.log" >&2; fail "lintian"; }

dpkg -x "$deb" "$work/root"
bin="$work/root/usr/bin"
share="$work/root/usr/share"
samples="$share/veltrane/Samples"
# Where the programs look for their files: ../share/veltrane beside bin.
for file in "$bin/../share/veltrane/HAND-M.CUR" "$samples/customers.dbf" "$share/doc/veltrane/copyright"; do
  [ -f "$file" ] || fail "not installed: $file"
done

# --version and --help need no display, settings or server.
no_display=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_CONFIG_HOME="$work/config")
"${no_display[@]}" "$bin/veltrane" --version | expect "veltrane $version" "veltrane --version"
"${no_display[@]}" "$bin/veltrane" --help | expect "--version" "veltrane --help"
"${no_display[@]}" "$bin/veltrane-cli" --version | expect "veltrane-cli $version" "veltrane-cli --version"
"${no_display[@]}" "$bin/veltrane-cli" --help | expect "send-to-postgresql TABLE..." "veltrane-cli --help"
zcat "$share/doc/veltrane/changelog.gz" | head -n 1 | expect "veltrane ($version)" "changelog"

# The installed sample tables to a database of the test server and back.
psql -X -q -d postgres -c "CREATE DATABASE $database" >/dev/null
cli=("$bin/veltrane-cli" --server "$PGHOST" --port "$PGPORT" --user "$PGUSER" --database "$database")
run_cli() { XDG_CONFIG_HOME="$work/config" VELTRANE_PASSWORD="$PGPASSWORD" "${cli[@]}" "$@" 2>&1; }
to_postgresql=$(run_cli --free-tables "$samples" send-to-postgresql customers orders) ||
  fail "send-to-postgresql: $to_postgresql"
mkdir "$work/back"
to_foxpro=$(run_cli --free-tables "$work/back" send-to-foxpro customers orders) ||
  fail "send-to-foxpro: $to_foxpro"
for table in customers orders; do
  rows=$(grep -o "^$table: [0-9]* rows" <<<"$to_postgresql") || fail "no rows of $table: $to_postgresql"
  expect "$rows" "$table back in FoxPro" <<<"$to_foxpro"
done
run_cli --free-tables "$work/back" list foxpro | expect $'customers\norders' "list foxpro"

# The completion offers commands, sides and the tables `list` prints.
complete_line() {
  (
    PATH="$bin:$PATH"
    . "$share/bash-completion/completions/veltrane-cli"
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    _veltrane_cli
    echo "${COMPREPLY[*]}"
  )
}
[ "$(complete_line veltrane-cli se)" = "send-to-postgresql send-to-foxpro" ] || fail "completing commands"
[ "$(complete_line veltrane-cli --jobs 2 cr)" = "create-container" ] || fail "completing after --jobs"
[ "$(complete_line veltrane-cli drop '')" = "foxpro postgresql" ] || fail "completing sides"
[ "$(complete_line veltrane-cli --free-tables "$samples" send-to-postgresql '')" = \
  "customers employees orders products" ] || fail "completing table names"
[ "$(complete_line veltrane-cli --overwrite = y)" = "yes" ] || fail "completing --overwrite=y"

# The manual pages read without a warning; the desktop entry is valid and
# its icon installed.
for page in veltrane veltrane-cli; do
  file="$share/man/man1/$page.1.gz"
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man -l --warnings -E UTF-8 "$file" 2>&1 >/dev/null) ||
    fail "man $page failed"
  [ -z "$warnings" ] || fail "man $page: $warnings"
  zcat "$file" | head -n 1 | expect "Veltrane $version" "$page(1) header"
done
desktop_entry="$share/applications/veltrane.desktop"
desktop-file-validate "$desktop_entry" || fail "desktop-file-validate"
icon=$(sed -n 's/^Icon=//p' "$desktop_entry")
[ -f "$share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon $icon"
[ -f "$share/icons/hicolor/48x48/apps/$icon.png" ] || fail "no 48x48 icon $icon"

if [ "$failures" -gt 0 ]; then
  echo "$failures checks of the package failed" >&2
  exit 1
fi
echo "the package veltrane_${version}_amd64.deb passed its checks"
