#!/bin/sh
# Wine's regedit imports a hive the stand-in wrote, and a Windows program reads every value back:
# both sides must agree on each value's name, type and bytes.
# Usage: wine_import_test.sh WINE_EXPORT WINE_PROBE_EXE
set -eu
export_tool=$1
probe=$2
subkey='Software\Tamberwyckle\WineImport'

unavailable() {
  if [ "${CI:-}" = true ]; then
    echo "FAIL: $1; CI must run this check" >&2
    exit 1
  fi
  echo "SKIP: $1"
  exit 77
}
command -v wine >/dev/null 2>&1 || unavailable "wine is not installed"
command -v wineserver >/dev/null 2>&1 || unavailable "wineserver is not installed"
[ -f "$probe" ] || unavailable "no Windows probe was built (is MinGW-w64 installed?)"

work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
# Wine takes its ANSI code page from the locale; this one gives 1252, which the probe insists on.
export LC_ALL=C.UTF-8
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

XDG_CONFIG_HOME="$work/config" "$export_tool" "$subkey" >"$work/expected"
hive="$work/config/registry/HKEY_CURRENT_USER.reg"
[ -f "$hive" ] || { echo "FAIL: the stand-in wrote no hive at $hive" >&2; exit 1; }

wineboot --init >/dev/null 2>&1 || { echo "FAIL: wineboot failed" >&2; exit 1; }
wine regedit /s "$(winepath -w "$hive")" </dev/null >/dev/null 2>&1 ||
  { echo "FAIL: wine regedit did not import $hive" >&2; exit 1; }
wine "$probe" "$subkey" </dev/null >"$work/actual" || { echo "FAIL: the probe failed" >&2; exit 1; }

if ! diff "$work/expected" "$work/actual" >"$work/diff"; then
  echo "FAIL: Wine read back other values than the stand-in wrote (< written, > read):" >&2
  cut -c1-200 "$work/diff" >&2
  exit 1
fi
echo "PASS: Wine read back all $(wc -l <"$work/expected") values exactly"
