#!/usr/bin/env bash
# Spectrograms of three phrases spoken through the front end by the built Bulgarian voice and by
# its donor (espeak-ng reading the same text with its own Bulgarian voice), the phrases' lengths
# side by side, and the objective checks of the voice, written to build/artifacts/ (or
# ARTIFACTS). Usage:
#   tools/voicebuild/spectrograms.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
out=${ARTIFACTS:-$build/artifacts}
voice=$build/share/brelvox/bulgarian.voice
grammar=$build/share/brelvox/bulgarian.grammar
for tool in sox espeak-ng; do
  command -v $tool >/dev/null || { echo "spectrograms: $tool is missing; run scripts/setup." >&2; exit 1; }
done
for file in "$voice" "$grammar" "$build/bin/voicecheck"; do
  [ -f "$file" ] || { echo "spectrograms: $file is missing; build the bulgarian_voice, bulgarian_grammar and voicecheck targets." >&2; exit 1; }
done
mkdir -p "$out"

# Length of the speech in a WAV file, silence at both ends left out.
speech_seconds() {
  local trimmed
  trimmed=$(mktemp --suffix=.wav)
  sox "$1" "$trimmed" silence 1 0.005 0.5% reverse silence 1 0.005 0.5% reverse
  soxi -D "$trimmed"
  rm -f "$trimmed"
}

phrases=("Добър ден!" "Как сте?" "Благодаря много.")
names=(dobar-den kak-ste blagodarya)
titles=("Dobar den!" "Kak ste?" "Blagodarya mnogo.")  # sox draws no Cyrillic
printf '%-20s %-24s %8s %8s %6s\n' phrase phonemes voice donor ratio > "$out/durations.txt"
for i in "${!phrases[@]}"; do
  p=${phrases[$i]}
  n=${names[$i]}
  "$build/bin/voicecheck" --voice "$voice" --grammar "$grammar" --say "$p" \
    --raw "$out/voice-$n.raw" > "$out/voice-$n.txt"
  sox -t raw -r 22050 -e signed -b 16 -c 1 "$out/voice-$n.raw" "$out/voice-$n.wav"
  rm -f "$out/voice-$n.raw"
  espeak-ng -v bg -w "$out/donor-$n.wav" "$p"
  # The same time scale (600 pixels a second) in both pictures, so lengths compare by eye.
  sox "$out/voice-$n.wav" -n spectrogram -X 600 -y 257 -t "voice: ${titles[$i]}" -o "$out/voice-$n.png"
  sox "$out/donor-$n.wav" -n spectrogram -X 600 -y 257 -t "donor: ${titles[$i]}" -o "$out/donor-$n.png"
  v=$(speech_seconds "$out/voice-$n.wav")
  d=$(speech_seconds "$out/donor-$n.wav")
  phonemes=$(sed -n 's/^phonemes //p' "$out/voice-$n.txt")
  awk -v n="$n" -v p="$phonemes" -v v="$v" -v d="$d" \
    'BEGIN { printf "%-20s %-24s %8.3f %8.3f %6.2f\n", n, p, v, d, v / d }' >> "$out/durations.txt"
done
cat "$out/durations.txt"

texts=(/usr/share/games/fortunes/bg/*.u8)
if [ -f "${texts[0]}" ]; then
  args=()
  for t in "${texts[@]}"; do args+=(--text "$t"); done
  "$build/bin/voicecheck" --voice "$voice" --grammar "$grammar" "${args[@]}" \
    > "$out/voice-check.txt" || echo "spectrograms: some objective checks did not pass (see below)"
  cat "$out/voice-check.txt"
fi
echo "spectrograms: written to $out"
