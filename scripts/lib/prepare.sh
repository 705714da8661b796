# Shared by scripts/run, scripts/test and scripts/package (sourced, not
# run): installs the Debian packages the build, the tests and the package
# need (only those missing), then configures and builds the project in
# build/.

VELTRANE_PACKAGES=(
  cmake ninja-build g++ pkg-config qt6-base-dev libpq-dev postgresql-15
  googletest libgtest-dev libgmock-dev xvfb xauth fonts-liberation
  python3-dbfread python3-dbf libdbd-xbase-perl libuchardet-dev
  dpkg-dev file lintian man-db desktop-file-utils
)

# What scripts/fuzz and scripts/test --sanitize add: clang with libFuzzer
# and the sanitizer runtimes.
VELTRANE_FUZZ_PACKAGES=(clang-14 libclang-rt-14-dev)

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

# Installs the project's packages and any given as arguments.
veltrane_install_missing_packages() {
  local missing=() package
  for package in "${VELTRANE_PACKAGES[@]}" "$@"; do
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

# Configures and builds in a folder (default build/), with any further
# arguments passed to cmake.
veltrane_build() {
  local folder=${1:-build}
  [ "$#" -gt 0 ] && shift
  cmake -S . -B "$folder" -G Ninja "$@"
  cmake --build "$folder"
}

# The compiler and run-time settings of the sanitizer build (scripts/test
# --sanitize): AddressSanitizer and UBSan, every finding fatal.
VELTRANE_SANITIZE_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
# A small quarantine of freed memory keeps the tests that measure resident
# memory meaningful.
veltrane_sanitizer_options() {
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1:strict_string_checks=1:quarantine_size_mb=16"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
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
