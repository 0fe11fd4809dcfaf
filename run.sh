#!/usr/bin/env bash
# Builds the native tool as needed and runs it with the given arguments, e.g. ./run.sh Doc
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
missing=()
for tool in cmake make g++; do command -v "$tool" >/dev/null || missing+=("$tool"); done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "Missing: ${missing[*]}. Install them (on Debian: apt-get install cmake make g++)." >&2
  exit 1
fi
build_log="$(mktemp)"
trap 'rm -f "$build_log"' EXIT
if ! {
  cd "$here"
  [ -f build/native/CMakeCache.txt ] || cmake --preset native
  cmake --build --preset native --target tamberwyckle
} >"$build_log" 2>&1; then
  cat "$build_log" >&2
  exit 1
fi
"$here/build/native/tamberwyckle" "$@"
