#!/usr/bin/env bash
# Installs what is missing, builds the native tool and the Windows .exe, and runs every test tier:
# unit tests, the native tool end to end, and the .exe end to end under Wine; plus the formatting
# check, clang-tidy and cppcheck, the native tiers under ASan+UBSan, and the fuzzers.
set -Eeuo pipefail
cd "$(dirname "$0")"

stage="setup"
log() {
  stage="$*"
  printf '\n== %s\n' "$*"
}
# Only the main shell reports: a failure in a pipeline or subshell that matters reaches it.
trap '[ "$BASHPID" = "$$" ] && printf "\n== FAILED: %s\n" "$stage" >&2' ERR

# Debian packages each step needs; a fresh machine gets them with apt-get when we are root.
NATIVE_PACKAGES=(cmake make g++ libgtest-dev googletest)
WIN32_PACKAGES=(g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 wine wine32:i386)
FORMAT_PACKAGES=(clang-format-14)
ANALYSIS_PACKAGES=(clang-tidy-14 cppcheck)
FUZZ_PACKAGES=(clang clang-14 libclang-rt-14-dev)

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

# Every C/C++ file of ours, for the formatting check.
our_sources() { find src tests fuzz bench -type f \( -name '*.cc' -o -name '*.h' \) | sort; }

# clang-tidy on the files under DIR that build/BUILD compiles, each with its flags from that build's
# compile_commands.json: run_clang_tidy BUILD DIR [clang-tidy options]. The "warnings generated"
# counts it prints are noise.
run_clang_tidy() {
  local build=$1 dir=$2
  shift 2
  grep -o '"file": "[^"]*"' "build/$build/compile_commands.json" | cut -d'"' -f4 |
    sed "s|^$(pwd -P)/||" | grep "^$dir/" | sort -u |
    xargs -P "$(nproc)" -n 1 clang-tidy-14 -p "build/$build" --quiet --warnings-as-errors='*' "$@" \
      2> >(grep -vE '^[0-9]+ warnings? generated\.$' >&2 || true)
}

cppcheck_run() {
  cppcheck --quiet --error-exitcode=1 --enable=warning,style,performance,portability \
    --inline-suppr --std=c++17 --language=c++ -I src -I tests --library=googletest \
    --suppress=missingIncludeSystem --suppress=useStlAlgorithm \
    --suppress='unusedStructMember:tests/*' --suppress=constParameter:tests/fake_registry_api.cc "$@"
}

install_packages "${FORMAT_PACKAGES[@]}"
log "formatting (clang-format --dry-run; fix with clang-format-14 -i FILE)"
our_sources | xargs clang-format-14 --dry-run --Werror

install_packages "${NATIVE_PACKAGES[@]}"
run_preset native

install_packages "${ANALYSIS_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"
log "static analysis: clang-tidy (.clang-tidy) and cppcheck"
cmake --preset fuzz >/dev/null
run_clang_tidy native src
run_clang_tidy fuzz fuzz
# GoogleTest's assertion macros multiply the analyzer's paths: its shallow mode checks tests/ in
# seconds rather than a minute and a half.
run_clang_tidy native tests --extra-arg=-Xclang --extra-arg=-analyzer-config \
  --extra-arg=-Xclang --extra-arg=mode=shallow
# Windows-only files (*-win32.cc, wine_probe.cc) need <windows.h>, which the native clang-tidy
# cannot parse; cppcheck reads them with its Windows library. Not reported by cppcheck, and why:
# useStlAlgorithm asks for std::transform or std::accumulate where a short loop reads plainer;
# unusedStructMember in tests/ misses the case-table fields that GoogleTest's GetParam() reads;
# constParameter in the fake registry, whose functions keep the Windows API's signatures.
mapfile -t windows_only < <(find src tests -name '*-win32.cc' -o -name wine_probe.cc | sort)
mapfile -t portable < <(find src tests fuzz -name '*.cc' ! -name '*-win32.cc' ! -name wine_probe.cc |
  sort)
cppcheck_run --library=posix -U_WIN32 "${portable[@]}"
cppcheck_run --library=windows -D_WIN32 "${windows_only[@]}"

run_preset sanitize

# Each fuzzer runs for a bounded time; CI gives them longer. A finding fails the run.
if [ "${CI:-}" = true ]; then export TW_FUZZ_SECONDS=30; fi
run_preset fuzz

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
