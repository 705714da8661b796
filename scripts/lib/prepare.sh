# Shared by scripts/run and scripts/test (sourced, not run): installs the
# Debian packages the build and the tests need (only those missing), then
# configures and builds the project in build/.

VELTRANE_PACKAGES=(
  cmake ninja-build g++ pkg-config qt6-base-dev libpq-dev postgresql-15
  googletest libgtest-dev libgmock-dev xvfb xauth fonts-liberation
  python3-dbfread python3-dbf libuchardet-dev
)

veltrane_say() { printf '%s: %s\n' "$(basename "$0")" "$*" >&2; }

# Runs a command as root: directly when we are root, else through sudo.
veltrane_as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1; then
    sudo "$@"
  else
    veltrane_say "installing packages needs root rights (or sudo): $*"
    return 1
  fi
}

veltrane_install_missing_packages() {
  local missing=() package
  for package in "${VELTRANE_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  [ "${#missing[@]}" -eq 0 ] && return 0
  veltrane_say "installing missing packages: ${missing[*]}"
  veltrane_as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
  veltrane_as_root env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
}

veltrane_build() {
  cmake -S . -B build -G Ninja
  cmake --build build
}

# The newest installed PostgreSQL server programs (initdb, pg_ctl, ...).
veltrane_pg_bindir() {
  local dir
  dir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
  if [ -z "$dir" ] || [ ! -x "$dir/initdb" ]; then
    veltrane_say "no PostgreSQL server programs found under /usr/lib/postgresql"
    return 1
  fi
  printf '%s\n' "$dir"
}

# A TCP port on 127.0.0.1 that nothing listens on right now.
veltrane_free_port() {
  python3 -c 'import socket
s = socket.socket()
s.bind(("127.0.0.1", 0))
print(s.getsockname()[1])'
}

# A random password of letters and digits.
veltrane_new_password() {
  python3 -c 'import secrets, string
print("".join(secrets.choice(string.ascii_letters + string.digits) for _ in range(24)))'
}
