#!/usr/bin/env bash
# The Windows brelvox under Wine against the Linux brelvox on this machine, measured in one run:
#
#   windows/compare-speed.sh [RUNS]    (after scripts/build-windows --build; RUNS rounds, 5 by default)
#
# 1. The first audio block: brelvox-latency (one warm engine, 20 Speaks of a short sentence, each
#    timed from Speak to the engine's first Write, and the first Speak of the engine on its own)
#    for Linux and both Windows arches, in turn, RUNS times; then the whole `speak` command for the
#    same sentence (process start to exit, wall clock). Medians over the runs and the ratios
#    Wine / Linux.
# 2. `say` of the benchmark text (bench/bench-text.sh) to a WAV file in memory, each program pinned
#    to one core: CPU seconds (user + system) of the program and every process it starts, and for
#    Wine those of the Wine server during the run besides; medians over RUNS and the ratio
#    Wine / Linux. The WAV files must be the same bytes.
#
# Wine runs in the private prefix build-windows/wineprefix with its own server, started and stopped
# here; the voice is installed as "BRELVOX timing" there and removed again at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
runs=${1:-5}
out=$root/build-windows
for tool in wine wineserver taskset python3; do
  command -v "$tool" > /dev/null || { echo "compare-speed: $tool is missing; run scripts/build-windows first" >&2; exit 1; }
done
for arch in x86_64 i686; do
  [ -f "$out/$arch/build.ninja" ] || { echo "compare-speed: no $out/$arch; run scripts/build-windows --build first" >&2; exit 1; }
done
cmake --build build --target brelvox BRELVOX brelvox-latency bulgarian_voice bulgarian_grammar > /dev/null
for arch in x86_64 i686; do
  cmake --build "$out/$arch" --target brelvox BRELVOX brelvox-latency > /dev/null
done
text=build/bench/bulgarian.txt
mkdir -p build/bench
bench/bench-text.sh "$text" > /dev/null
share=build/share/brelvox
sentence="Добър ден! Как сте? Днес е 10 декември 2026 г."
work=$(mktemp -d /dev/shm/brelvox-speed.XXXXXX)
trap 'rm -rf "$work"' EXIT
core=$(($(nproc) - 1))

export WINEPREFIX=$out/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
  wineboot -i > "$work/wineboot.log" 2>&1 && wineserver -w
fi
wineserver -p || true  # already running: made persistent before, stopped at the end all the same
voice=(--voice-data "$share/bulgarian.voice" --grammar-data "$share/bulgarian.grammar"
  --userdict-data "$share/bulgarian.userdict")
tokens='HKLM\SOFTWARE\Microsoft\Speech\Voices\Tokens\BRELVOX timing'
cleanup() {
  for view in 64 32; do
    wine reg delete "$tokens" /f "/reg:$view" > /dev/null 2>&1 || true
  done
  wine reg delete 'HKCU\SOFTWARE\Microsoft\Speech\Voices' /v DefaultTokenId /f > /dev/null 2>&1 || true
  for arch in x86_64 i686; do
    wine "$out/$arch/bin/brelvox.exe" unregister > /dev/null 2>&1 || true
  done
  wineserver -k || true
  rm -rf "$work"
}
trap cleanup EXIT
wineboot > "$work/warmup.log" 2>&1

# The Wine server of this prefix (its working folder is named after the prefix's device and inode).
server_dir=server-$(stat -c '%d %i' "$WINEPREFIX" | awk '{ printf "%x-%x", $1, $2 }')
server_pid=""
for pid in $(pgrep wineserver); do
  [ "$(basename "$(readlink "/proc/$pid/cwd")")" = "$server_dir" ] && server_pid=$pid
done
[ -n "$server_pid" ] || { echo "compare-speed: cannot find the Wine server of $WINEPREFIX" >&2; exit 1; }
ticks=$(getconf CLK_TCK)  # its CPU time is the programs' too
server_cpu() { awk -v t="$ticks" '{ printf "%.3f", ($14 + $15) / t }' "/proc/$server_pid/stat"; }

# Each program with its engine library registered and the voice installed as the default.
export BRELVOX_REGISTRY=$work/registry
build/bin/brelvox register > /dev/null
build/bin/brelvox install-voice --name "BRELVOX timing" "${voice[@]}" --default > /dev/null
names=(linux wine-x86_64 wine-i686)
declare -A command latency
command[linux]="build/bin/brelvox"
latency[linux]="build/bin/brelvox-latency"
for arch in x86_64 i686; do
  command[wine-$arch]="wine $out/$arch/bin/brelvox.exe"
  latency[wine-$arch]="wine $out/$arch/bin/brelvox-latency.exe"
  ${command[wine-$arch]} register > /dev/null
  ${command[wine-$arch]} install-voice --name "BRELVOX timing" "${voice[@]}" --default > /dev/null
done

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
# table HEADING:SUFFIX...: a line of headings, then per program the medians of $work/PROGRAM.SUFFIX.
table() {
  printf '%-12s' program
  for column in "$@"; do printf ' %16s' "${column%%:*}"; done
  echo
  for name in "${names[@]}"; do
    printf '%-12s' "$name"
    for column in "$@"; do printf ' %16s' "$(median < "$work/$name.${column#*:}")"; done
    echo
  done
}

echo "== the first audio block of \"$sentence\" ($runs runs, each a median of 20 warm Speaks)"
for ((i = 1; i <= runs; i++)); do
  for name in "${names[@]}"; do
    line=$(${latency[$name]} --sentence "$sentence" --repeat 20 | tr -d '\r')
    # "first audio block: C ms on the first Speak, median M ms (max X) over 20"
    read -r cold warm <<< "$(sed -E 's/.*: ([0-9.]+) ms on .*median ([0-9.]+) ms.*/\1 \2/' <<< "$line")"
    echo "$cold" >> "$work/$name.cold"
    echo "$warm" >> "$work/$name.warm"
    start=$(date +%s.%N)
    ${command[$name]} speak "$sentence" --raw "$work/$name.raw" > /dev/null
    awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.1f\n", (e - s) * 1000 }' >> "$work/$name.process"
  done
done
table warm_ms:warm first_ms:cold speak_process_ms:process
against_linux() { ratio "$(median < "$work/$1.$2")" "$(median < "$work/linux.$2")"; }
for name in wine-x86_64 wine-i686; do
  echo "$name / linux: warm first block x$(against_linux "$name" warm)," \
    "first Speak x$(against_linux "$name" cold), whole speak command x$(against_linux "$name" process)"
done

# CPU seconds (user + system) and wall seconds of a command and of every process it starts. Wine
# detaches the process of a 64-bit program from its loader, so /usr/bin/time would miss it: this
# helper is their subreaper, which waits for every one of them and so counts them all.
cpu_and_wall() {
  python3 -c '
import ctypes, os, resource, subprocess, sys, time
ctypes.CDLL(None, use_errno=True).prctl(36, 1, 0, 0, 0)  # PR_SET_CHILD_SUBREAPER
start = time.monotonic()
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, check=True)
while True:
    try:
        os.wait()
    except ChildProcessError:
        break
usage = resource.getrusage(resource.RUSAGE_CHILDREN)
print("%.2f %.2f" % (usage.ru_utime + usage.ru_stime, time.monotonic() - start))
' "$@"
}

echo "== say of the benchmark text ($(wc -w < "$text") words), pinned to core $core, $runs runs"
for ((i = 1; i <= runs; i++)); do
  for name in "${names[@]}"; do
    before=$(server_cpu)
    # shellcheck disable=SC2086  # the command is the program and its loader, split on purpose
    read -r cpu wall <<< "$(cpu_and_wall taskset -c "$core" ${command[$name]} say -f "$text" --wav "$work/$name.wav")"
    after=$(server_cpu)
    echo "$cpu" >> "$work/$name.cpu"
    awk -v a="$before" -v b="$after" 'BEGIN { printf "%.2f\n", b - a }' >> "$work/$name.server"
    echo "$wall" >> "$work/$name.wall"
  done
  for name in wine-x86_64 wine-i686; do
    cmp -s "$work/linux.wav" "$work/$name.wav" || { echo "compare-speed: $name's WAV differs from Linux's" >&2; exit 1; }
  done
  seconds=$(od -An -tu4 -j24 -N4 "$work/linux.wav" |
    awk -v b="$(stat -c %s "$work/linux.wav")" '{ printf "%.0f", (b - 44) / 2 / $1 }')
  rm -f "$work"/*.wav
done
table cpu_s:cpu server_cpu_s:server wall_s:wall
linux_cpu=$(median < "$work/linux.cpu")
for name in wine-x86_64 wine-i686; do
  cpu=$(median < "$work/$name.cpu")
  with_server=$(awk -v c="$cpu" -v s="$(median < "$work/$name.server")" 'BEGIN { print c + s }')
  echo "$name / linux: CPU seconds x$(ratio "$cpu" "$linux_cpu") (x$(ratio "$with_server" "$linux_cpu") with the Wine server's)"
done
echo "(each run: $seconds s of audio, the same bytes from all three programs)"
