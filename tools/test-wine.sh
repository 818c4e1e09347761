#!/usr/bin/env bash
# Cross-builds the plain C++ layers (tables, link with the Win32 serial channel) and their tests
# for Windows and runs them under Wine: the channel's tests against the virtual module, with
# COM1 pointed at ql50-sim's pseudo-terminal. Installs what is missing first. Uses
# build/sim/ql50-sim (built when missing) and builds into build-wine/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
tools/install-deps.sh --wine

export CCACHE_BASEDIR=$root
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
build=$root/build-wine
cmake -S tools/wine -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DQL50_WERROR=ON "${launcher[@]}" >/dev/null
cmake --build "$build" -j2 >/dev/null
sim=$root/build/sim/ql50-sim
if [ ! -x "$sim" ]; then
  cmake -S . -B build -DQL50_WERROR=ON >/dev/null
  cmake --build build -j2 --target ql50-sim >/dev/null
fi

# A throw-away Wine prefix. Wine recreates dosdevices/com1 at every start, so COM1 is named in
# the registry instead: it is a fixed link that each module started below is linked to.
work=$(mktemp -d /tmp/ql50-wine.XXXXXX)
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
com1=$work/com1
wine_log=$work/wine.log
cleanup() {
  # Wine first: a Wine left on a line whose module has gone floods its error output.
  wineserver -k 2>/dev/null || true
  if [ -s "$work/sim.pid" ]; then kill "$(cat "$work/sim.pid")" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# Starts a virtual module (replies unpaced, so each reply reaches the line in one piece) and
# links COM1 to its terminal.
start_sim() {
  local out=$work/sim.out
  : >"$out"
  "$sim" --no-pacing --logger-records 100 >"$out" 2>&1 &
  echo $! >"$work/sim.pid"
  for _ in $(seq 200); do
    [ -n "$(head -n 1 "$out")" ] && break
    sleep 0.05
  done
  local pty
  pty=$(head -n 1 "$out")
  [ -c "$pty" ] || { echo "ql50-sim did not start: $(cat "$out")" >&2; return 1; }
  ln -sfn "$pty" "$com1"
}

# Kills the module and waits until it has gone, its terminal with it.
stop_sim() {
  local pid state
  pid=$(cat "$work/sim.pid")
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 200); do
    state=$(ps -o stat= -p "$pid" || true)
    [ -z "$state" ] || [ "${state:0:1}" = Z ] && break
    sleep 0.05
  done
}

wine wineboot --init >>"$wine_log" 2>&1
wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$com1" /f >>"$wine_log" 2>&1
wineserver -k
wineserver -w
start_sim

# Runs one test program (its lines go through unbuffered: no filter between). The channel's
# tests ask with a line of their own for the module to be killed (hang-up) or for a new one on
# COM1 (plug-in), and wait for a file of that name in QL50_CUE_DIR that says it is done.
export QL50_CUE_DIR=$work/cues
mkdir -p "$QL50_CUE_DIR"
results=$work/results
run() {
  local exe=$1
  shift
  echo "== $exe (Wine)"
  timeout 300 wine "$build/tests/$exe" "$@" 2>>"$wine_log" |
    while IFS= read -r line; do
      line=${line%$'\r'}
      printf '%s\n' "$line"
      printf '%s\n' "$line" >>"$results"
      case "$line" in
        "ql50-test: cue hang-up") stop_sim ;;
        "ql50-test: cue plug-in") start_sim ;;
        *) continue ;;
      esac
      touch "$QL50_CUE_DIR/${line#ql50-test: cue }"
    done
}
status=0
run tables/tables_tests.exe || status=1
# MinGW's C library writes a negative NaN as "nan" where glibc writes "-nan"; FormatFixed keeps
# glibc's text, so its comparison with the C library's printf only holds on Linux.
run link/link_tests.exe --gtest_filter=-FormatFixed.MatchesCLocalePrintf || status=1
run link/comport_tests.exe || status=1

# GoogleTest's closing lines, added up over the programs.
count() {
  sed -n "s/^\[  $1  \] \([0-9]*\) tests\{0,1\}[.,].*/\1/p" "$results" |
    awk '{s += $1} END {print s + 0}'
}
passed=$(count PASSED)
failed=$(count FAILED)
if [ "$status" -ne 0 ]; then
  echo "Wine's error output (last lines):"
  tail -n 20 "$wine_log"
  [ "$failed" -gt 0 ] || failed=1
fi
echo "wine: $passed passed, $failed failed"
exit "$status"
