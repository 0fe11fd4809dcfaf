#!/usr/bin/env bash
# Installs what is missing, builds the native tool and the Windows .exe, and runs every test tier:
# unit tests, the native tool end to end, and the .exe end to end under Wine.
set -euo pipefail
cd "$(dirname "$0")"

log() { printf '\n== %s\n' "$*"; }

# Debian packages each step needs; a fresh machine gets them with apt-get when we are root.
NATIVE_PACKAGES=(cmake make g++ libgtest-dev googletest)
WIN32_PACKAGES=(g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 wine wine32:i386)

missing_packages() {
  local package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      printf '%s\n' "$package"
  done
}

apt_updated=false
install_packages() {
  local missing
  mapfile -t missing < <(missing_packages "$@")
  [ "${#missing[@]}" -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null; then
    echo "Missing packages: ${missing[*]}. Install them (on Debian: apt-get install ${missing[*]})." >&2
    return 1
  fi
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
      ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    apt_updated=false
  fi
  if ! $apt_updated; then
    apt-get update -qq
    apt_updated=true
  fi
  log "installing ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

run_preset() {
  log "$1: configure, build, test"
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j "$(nproc)"
  ctest --preset "$1"
}

install_packages "${NATIVE_PACKAGES[@]}"
run_preset native

# The Wine tier must run on CI; elsewhere a machine without Wine is told plainly what it skipped.
if install_packages "${WIN32_PACKAGES[@]}"; then
  run_preset win32
elif [ "${CI:-}" = true ]; then
  echo "The Windows build and its Wine tests cannot run here, and CI must run them." >&2
  exit 1
else
  log "SKIPPED: the Windows .exe and its tests under Wine (install the packages above to run them)"
fi

log "all tests passed"
