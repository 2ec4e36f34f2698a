#!/usr/bin/env bash
# Our Bulgarian voice against espeak-ng on the same text, measured side by side in one run.
#
#   bench/compare.sh [RUNS]        (after scripts/setup; RUNS pairs of runs, 5 by default)
#
# BRELVOX_BUILD names another build tree whose brelvox to time (with BRELVOX_REGISTRY naming a
# registry where that tree's library is registered and a voice installed), to compare versions.
#
# The text is bench/bench-text.sh's (fortunes-bg and dict-freedict-eng-bul, 22 000 words). Each
# pair runs `brelvox say --wav` with the installed default voice and `espeak-ng -v bg -w`, both
# pinned to one core and writing to memory, and the order alternates from pair to pair. For each
# run: seconds of audio, CPU seconds (user + system), audio seconds per CPU second, wall time and
# peak resident memory; then the ratio ours / espeak-ng of audio per CPU second for each pair and
# its median. Last, brelvox-latency: the first audio block of a one-sentence Speak and the
# grammar alone in characters per second.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
bin=${BRELVOX_BUILD:-build}/bin
for tool in espeak-ng soxi /usr/bin/time taskset; do
  command -v "$tool" > /dev/null || { echo "compare: $tool is missing; run scripts/setup first" >&2; exit 1; }
done
cmake --build build --target brelvox BRELVOX brelvox-latency > /dev/null
[ -x "$bin"/brelvox ] || { echo "compare: $bin/brelvox is missing; build it first" >&2; exit 1; }
"$bin"/brelvox voices | grep -q '^\*' || { echo "compare: no default voice; run scripts/setup first" >&2; exit 1; }

text=build/bench/bulgarian.txt
mkdir -p build/bench
bench/bench-text.sh "$text"
work=$(mktemp -d /dev/shm/brelvox-compare.XXXXXX)
trap 'rm -rf "$work"' EXIT
core=$(( $(nproc) - 1 ))

# run NAME COMMAND...: prints "audio cpu wall peakKB" for one run writing $work/NAME.wav.
run() {
  local name=$1; shift
  /usr/bin/time -f '%U %S %e %M' -o "$work/$name.time" taskset -c "$core" "$@" > /dev/null
  local audio; audio=$(soxi -D "$work/$name.wav")
  read -r user sys wall peak < "$work/$name.time"
  echo "$audio $(echo "$user + $sys" | bc -l) $wall $peak"
  rm -f "$work/$name.wav"
}

ours() { run ours "$bin"/brelvox say -f "$text" --wav "$work/ours.wav"; }
theirs() { run espeak espeak-ng -v bg -f "$text" -w "$work/espeak.wav"; }

printf '%-4s %-10s %10s %8s %12s %8s %9s\n' run engine audio_s cpu_s audio/cpu wall_s peak_MB
ratios=()
for ((i = 1; i <= runs; i++)); do
  if ((i % 2)); then a=$(ours); b=$(theirs); else b=$(theirs); a=$(ours); fi
  for row in "ours $a" "espeak-ng $b"; do
    read -r who audio cpu wall peak <<< "$row"
    printf '%-4s %-10s %10.1f %8.2f %12.0f %8.2f %9.1f\n' "$i" "$who" "$audio" "$cpu" \
      "$(echo "$audio / $cpu" | bc -l)" "$wall" "$(echo "$peak / 1024" | bc -l)"
  done
  read -r oa oc _ <<< "$a"
  read -r ea ec _ <<< "$b"
  ratio=$(echo "($oa / $oc) / ($ea / $ec)" | bc -l)
  ratios+=("$ratio")
  printf '%-4s ratio ours/espeak-ng (audio per CPU second): %.2f\n' "$i" "$ratio"
done
median=$(printf '%s\n' "${ratios[@]}" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
printf 'median ratio ours/espeak-ng over %d pairs: %.2f\n' "$runs" "$median"
taskset -c "$core" build/bin/brelvox-latency --text "$text"
