#!/usr/bin/env bash
# Spectrograms of three phrases spoken by the built Bulgarian voice and by its donor, and the
# objective checks of the voice, written to build/artifacts/ (or ARTIFACTS). Usage:
#   tools/voicebuild/spectrograms.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
out=${ARTIFACTS:-$build/artifacts}
voice=$build/share/brelvox/bulgarian.voice
command -v sox >/dev/null || { echo "spectrograms: sox is missing; run scripts/setup." >&2; exit 1; }
[ -f "$voice" ] || { echo "spectrograms: $voice is missing; build the bulgarian_voice target." >&2; exit 1; }
mkdir -p "$out"
phrases=("dObyr dEn" "kAk stE" "blagodaRA mnOgo")
names=(dobar-den kak-ste blagodarya)
for i in "${!phrases[@]}"; do
  p=${phrases[$i]}
  n=${names[$i]}
  "$build/bin/brelvox-render" --voice "$voice" --phonemes "$p" --wav "$out/voice-$n.wav" > /dev/null
  "$build/bin/voicebuild" --donor-say "$p" --raw "$out/donor-$n.raw"
  sox -t raw -r 22050 -e signed -b 16 -c 1 "$out/donor-$n.raw" "$out/donor-$n.wav"
  rm -f "$out/donor-$n.raw"
  sox "$out/voice-$n.wav" -n spectrogram -t "voice: $p" -o "$out/voice-$n.png"
  sox "$out/donor-$n.wav" -n spectrogram -t "donor: $p" -o "$out/donor-$n.png"
done
"$build/bin/voicecheck" --voice "$voice" --random-words 400 > "$out/voice-check.txt" ||
  echo "spectrograms: some objective checks did not pass (see below)"
cat "$out/voice-check.txt"
echo "spectrograms: written to $out"
