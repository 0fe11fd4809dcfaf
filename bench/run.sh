#!/usr/bin/env bash
# Times one store of "Doc" against its peers with hyperfine, and prints the tables:
# - under Wine, in one warm throw-away prefix: tamberwyckle.exe, Wine's `reg add` doing the same
#   store, a no-op .exe that imports ADVAPI32.dll as the tool does, and a plain no-op .exe (Wine's
#   start-up cost, the floor);
# - natively: the tool writing a warm stand-in hive in a temporary HOME, a no-op linked to the
#   shared C++ runtime as the tool is, and /bin/true (the floor).
# Usage: bench/run.sh   (builds the win32 and native presets first if needed)
set -euo pipefail
cd "$(dirname "$0")/.."

for tool in hyperfine cmake wine wineserver wineboot awk; do
  command -v "$tool" >/dev/null || { echo "bench/run.sh needs $tool (apt-get install it)" >&2; exit 1; }
done

work="$(mktemp -d)"
export WINEPREFIX="$work/wineprefix" WINEDEBUG=-all
cleanup() {
  [ -d "$WINEPREFIX" ] && wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Other work on a shared machine disturbs the timings less at a raised priority (root only).
renice -n -10 -p $$ >/dev/null 2>&1 || true

echo "== building"
for preset in win32 native; do
  [ -f "build/$preset/CMakeCache.txt" ] || cmake --preset "$preset" >/dev/null
done
cmake --build --preset win32 --target tamberwyckle tw_noop tw_noop_advapi32 >/dev/null
# A broken native build costs the native table only.
native_built=true
cmake --build --preset native --target tamberwyckle tw_noop_libstdcxx >"$work/native-build.log" 2>&1 ||
  { native_built=false; cat "$work/native-build.log" >&2; echo "native build failed: no native table" >&2; }
exe="$PWD/build/win32/tamberwyckle.exe"
noop="$PWD/build/win32/bench/tw_noop.exe"
noop_advapi32="$PWD/build/win32/bench/tw_noop_advapi32.exe"
native="$PWD/build/native/tamberwyckle"
noop_libstdcxx="$PWD/build/native/bench/tw_noop_libstdcxx"

echo "== machine"
echo "CPU: $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1), $(nproc) cores available"
echo "RAM: $(awk '/^MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)"
echo "$(wine --version), $(hyperfine --version), $(uname -sr)"
# Other work on the machine shows up in every time below.
echo "Load average before the runs: $(cut -d' ' -f1-3 /proc/loadavg)"
size="$(stat -c %s "$exe")"
echo "tamberwyckle.exe: $size bytes ($((size / 1024)) KiB)"

# The prefix is booted once, and its wineserver kept alive between runs, so that every run below
# costs what a run costs on a Wine already up, not a prefix being made.
wineboot --init >/dev/null 2>&1
wineserver -w
wineserver -p
# The first program on a new wineserver starts the prefix's services (and the loader checks the
# prefix once more); they keep the CPU busy for a few seconds, which would fall on the first command.
wine "$noop"
sleep 5

# Prints the medians as a Markdown table, each with its ratio to the last command (the floor).
ratios() {
  awk -F, 'NR > 1 { name[NR] = $1; median[NR] = $4; last = NR }
    END {
      print "| Command | Median | × floor |"
      print "|:---|---:|---:|"
      for (i = 2; i <= last; i++)
        printf "| `%s` | %.2f ms | %.2f |\n", name[i], median[i] * 1000, median[i] / median[last]
    }' "$1"
}

key='HKCU\Software\Microsoft\Office\12.0\Word\Options'
echo
echo "== under Wine"
hyperfine -N --warmup 10 --runs 50 --style basic \
  --export-markdown "$work/wine.md" --export-csv "$work/wine.csv" \
  -n 'wine tamberwyckle.exe Doc' "wine '$exe' Doc" \
  -n 'wine reg add … /d Doc /f' "wine reg add '$key' /v DefaultFormat /t REG_SZ /d Doc /f" \
  -n 'wine noop.exe importing ADVAPI32' "wine '$noop_advapi32'" \
  -n 'wine noop.exe (floor)' "wine '$noop'"

# The stand-in reads XDG_CONFIG_HOME before HOME; neither may point at the user's real hive.
if $native_built; then
  echo
  echo "== native"
  env -u XDG_CONFIG_HOME HOME="$work/home" hyperfine -N --warmup 5 --min-runs 100 --style basic \
    --export-markdown "$work/native.md" --export-csv "$work/native.csv" \
    -n 'tamberwyckle Doc' "'$native' Doc" \
    -n 'no-op linked to libstdc++' "'$noop_libstdcxx'" \
    -n '/bin/true (floor)' /bin/true
fi

echo
echo "== results"
echo "Load average after the runs: $(cut -d' ' -f1-3 /proc/loadavg) (other work inflates whatever ran beside it)"
echo
echo "Under Wine:"
echo
cat "$work/wine.md"
echo
ratios "$work/wine.csv"
if $native_built; then
  echo
  echo "Native:"
  echo
  cat "$work/native.md"
  echo
  ratios "$work/native.csv"
fi
