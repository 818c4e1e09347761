#!/usr/bin/env bash
# CPU seconds of a logger read-out by ql50-cli logger-dump against bench/readout.py, a short
# pyserial script (tools/install-deps.sh --bench), on the same virtual module: paced like a
# 4,800-baud line (a full logger takes about 12.5 minutes) and unpaced.
#
#   bench/compare_python.sh [--build DIR] [--records N] [--paced-only | --unpaced-only]
#
# DIR is the build folder (default build-rel) holding sim/ql50-sim and src/cli/ql50-cli; N the
# logger records (default 6553, the logger's capacity). Target: ql50-cli at most half the
# script's CPU on the paced line. The exit status is 1 when it is missed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=build-rel
records=6553
modes=(paced unpaced)
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$2; shift ;;
    --records) records=$2; shift ;;
    --paced-only) modes=(paced) ;;
    --unpaced-only) modes=(unpaced) ;;
    *) sed -n '2,10p' "$0" >&2; exit 2 ;;
  esac
  shift
done
sim=$build/sim/ql50-sim
cli=$build/src/cli/ql50-cli
for tool in "$sim" "$cli" /usr/bin/time; do
  [ -x "$tool" ] || { echo "compare_python: $tool is missing" >&2; exit 2; }
done
/usr/bin/python3 -c 'import serial' 2>/dev/null ||
  { echo "compare_python: pyserial is missing (tools/install-deps.sh --bench)" >&2; exit 2; }
work=$(mktemp -d)
sim_pid=
trap '[ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null; rm -rf "$work"' EXIT

# Starts a fresh virtual module for one read-out; its terminal's path goes to $device.
start_module() {
  rm -f "$work/path"
  "$sim" --logger-records "$records" "$@" >"$work/path" &
  sim_pid=$!
  for _ in $(seq 100); do [ -s "$work/path" ] && break; sleep 0.1; done
  device=$(head -n 1 "$work/path")
}
stop_module() {
  kill "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  sim_pid=
}
# Runs one reader under /usr/bin/time; prints and returns its CPU seconds (user + system).
measure() {
  local name=$1
  shift
  /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" >/dev/null 2>"$work/stderr" ||
    { cat "$work/stderr" >&2; exit 1; }
  read -r wall user system <"$work/time"
  cpu=$(echo "$user + $system" | bc)
  printf '      %-8s %-26s %6.2f s CPU (%s user + %s system) in %s s\n' \
    "$mode" "$name" "$cpu" "$user" "$system" "$wall"
}

status=0
for mode in "${modes[@]}"; do
  pacing=(--baud 4800)
  [ "$mode" = unpaced ] && pacing=(--no-pacing)
  start_module "${pacing[@]}"
  measure "python3 bench/readout.py" /usr/bin/python3 "$here/readout.py" "$device" 4800 \
    "$work/python.txt"
  python=$cpu
  stop_module
  start_module "${pacing[@]}"
  measure "ql50-cli logger-dump" "$cli" --port "$device" --baud 4800 logger-dump \
    "$work/cli.txt"
  program=$cpu
  stop_module
  lines=$(($(wc -l <"$work/cli.txt") - 1))
  # Each module's logger ends at its clock's last interval: a read-out that began after another
  # interval had passed reads one record more at the end and one fewer at the start.
  same="the same export file"
  if ! cmp -s "$work/python.txt" "$work/cli.txt"; then
    # diff's status 1 (the files differ) must not end the script under pipefail.
    same="export files differ in $({ diff "$work/python.txt" "$work/cli.txt" || true; } |
      grep -c '^[<>]') lines"
  fi
  ratio=$(echo "scale=2; $program / $python" | bc)
  verdict=info
  target=
  if [ "$mode" = paced ]; then
    target="   target <= 0.5"
    verdict=PASS
    [ "$(echo "$ratio <= 0.5" | bc)" = 1 ] || { verdict=MISS; status=1; }
  fi
  printf '[8%s]  %s read-out of %s records (%s): ql50-cli / python CPU = %s / %s = %s%s   %s\n' \
    "$([ "$mode" = paced ] && echo a || echo b)" "$mode" "$lines" "$same" "$program" "$python" \
    "$ratio" "$target" "$verdict"
done
exit $status
