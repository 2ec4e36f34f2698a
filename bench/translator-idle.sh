#!/usr/bin/env bash
# The translator's cost while idle: starts it on a private X server (Xvfb), lets it settle, then
# reports its CPU use over a quiet minute (capture mode off, nothing typed), as a percentage of
# one core, with the number of wake-ups (context switches) per second.
#
#   bench/translator-idle.sh [SECONDS]      (after scripts/setup and building the translator)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
[ -x build/bin/translator ] || { echo "translator-idle: build the translator first (cmake --build build --target translator page-data)" >&2; exit 1; }
command -v xvfb-run > /dev/null || { echo "translator-idle: xvfb-run is missing; run scripts/setup" >&2; exit 1; }
export QTWEBENGINE_DISABLE_SANDBOX=1 BRELVOX_AUDIO=null
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/translator > "$tmp/log" 2>&1 &
runner=$!
pid=""
for _ in $(seq 50); do
  pid=$(pgrep -n -x translator || true)
  [ -n "$pid" ] && break
  sleep 0.2
done
[ -n "$pid" ] || { echo "translator-idle: the translator did not start:" >&2; cat "$tmp/log" >&2; exit 1; }
sleep 15  # the page loads and the window settles
descendants() { # the processes under $1, depth first
  local child
  for child in $(pgrep -P "$1" || true); do echo "$child"; descendants "$child"; done
}
ticks() { # user + system clock ticks of the given processes
  local total=0 p
  for p in "$@"; do
    [ -r /proc/$p/stat ] && total=$((total + $(awk '{ print $14 + $15 }' /proc/$p/stat)))
  done
  echo $total
}
switches() { awk '/ctxt_switches/ { s += $2 } END { print s }' /proc/"$pid"/task/*/status; }
helpers=$(descendants "$pid" | tr '\n' ' ')
m0=$(ticks "$pid"); h0=$(ticks $helpers); c0=$(switches)
sleep "$seconds"
m1=$(ticks "$pid"); h1=$(ticks $helpers); c1=$(switches)
hz=$(getconf CLK_TCK)
percent() { echo "scale=2; 100 * $1 / $hz / $seconds" | bc; }
echo "translator idle for ${seconds} s: main process $(percent $((m1 - m0))) % of one core," \
  "browser helper processes $(percent $((h1 - h0))) %, $(( (c1 - c0) / seconds )) wake-ups per second in the main process"
kill "$pid" 2> /dev/null || true
wait "$runner" 2> /dev/null || true
