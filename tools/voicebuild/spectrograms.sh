#!/usr/bin/env bash
# The two Bulgarian voices side by side, written to build/artifacts/ (or ARTIFACTS):
#  - spectrogram-NAME.png for ten phrases through the front end: the default voice, the natural
#    voice and, below them, the corpus speaker's own recording of a similar Russian word (cut from
#    festvox-ru by its labels); each picture on the same time scale;
#  - durations.txt: the phrases' lengths with each voice and with espeak-ng's own Bulgarian
#    reading (the default voice's donor), silence at the ends left out;
#  - voice-checks.txt: the objective checks of both voices in one table (clipping, loudness,
#    periods at phoneme middles against the engine's targets, join discontinuity with and without
#    smoothing), on fortunes-bg through the front end.
# The natural voice is left out when it was not built (festvox-ru missing). Usage:
#   tools/voicebuild/spectrograms.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
out=${ARTIFACTS:-$build/artifacts}
share=$build/share/brelvox
grammar=$share/bulgarian.grammar
corpus=${BRELVOX_NATURAL_CORPUS:-/usr/share/festival/voices/russian/msu_ru_nsh_clunits}
for tool in sox espeak-ng convert; do
  command -v $tool >/dev/null || { echo "spectrograms: $tool is missing; run scripts/setup." >&2; exit 1; }
done
for file in "$share/bulgarian.voice" "$grammar" "$build/bin/voicecheck"; do
  [ -f "$file" ] || { echo "spectrograms: $file is missing; build the bulgarian_voice, bulgarian_grammar and voicecheck targets." >&2; exit 1; }
done
voices=(default)
files=("$share/bulgarian.voice")
if [ -f "$share/bulgarian-natural.voice" ]; then
  voices+=(natural)
  files+=("$share/bulgarian-natural.voice")
else
  echo "spectrograms: $share/bulgarian-natural.voice is missing (festvox-ru not installed?); the default voice only." >&2
fi
mkdir -p "$out"

# Length of the speech in a WAV file, silence at both ends left out.
speech_seconds() {
  local trimmed
  trimmed=$(mktemp --suffix=.wav)
  sox "$1" "$trimmed" silence 1 0.005 0.5% reverse silence 1 0.005 0.5% reverse
  soxi -D "$trimmed"
  rm -f "$trimmed"
}

# The first occurrence of a sequence of corpus phones: "NAME START END" in seconds.
corpus_find() {
  awk -v want="$1" '
    FNR == 1 { n = 0; body = 0; previous = 0 }
    !body { if ($1 == "#") body = 1; next }
    NF == 3 { n++; phone[n] = $3; start[n] = previous; end[n] = $1; previous = $1
      k = split(want, w, " ")
      if (n >= k) {
        hit = 1
        for (i = 1; i <= k; i++) if (phone[n - k + i] != w[i]) { hit = 0; break }
        if (hit) { f = FILENAME; sub(/.*\//, "", f); sub(/\.lab$/, "", f)
                   print f, start[n - k + 1], end[n]; exit } } }' "$corpus"/lab/*.lab
}

phrases=("Добър ден!" "Как сте?" "Благодаря много." "Колко струва?" "Вода и хляб."
         "Къде е гарата?" "Утре ще работим." "Това е моят дом." "Живот и приятели." "Една дума.")
names=(dobar-den kak-ste blagodarya kolko voda kade utre dom zhivot duma)
# sox draws no Cyrillic
titles=("Dobar den!" "Kak ste?" "Blagodarya mnogo." "Kolko struva?" "Voda i hlyab."
        "Kade e garata?" "Utre shte rabotim." "Tova e moyat dom." "Zhivot i priyateli." "Edna duma.")
# Similar Russian words in the corpus, as its phones (добрый, как, много, сколько, вода, где,
# работ-, дом, жизнь, слово).
russian=("d oo b r" "k aa k" "m n oo g" "s k oo ll k" "v a d aa" "g dd ee" "r a b oo t" "d oo m"
         "zh ii z nn" "s l oo v")

printf '%-12s %-30s' phrase phonemes > "$out/durations.txt"
for v in "${voices[@]}"; do printf ' %8s' "$v" >> "$out/durations.txt"; done
printf ' %8s\n' espeak-ng >> "$out/durations.txt"
for i in "${!phrases[@]}"; do
  p=${phrases[$i]}
  n=${names[$i]}
  pictures=()
  lengths=()
  phonemes=""
  for k in "${!voices[@]}"; do
    v=${voices[$k]}
    "$build/bin/voicecheck" --voice "${files[$k]}" --grammar "$grammar" --say "$p" \
      --raw "$out/$v-$n.raw" > "$out/$v-$n.txt"
    rate=$(od -An -t d4 -N 4 "${files[$k]}" | tr -d ' ')
    sox -t raw -r "$rate" -e signed -b 16 -c 1 "$out/$v-$n.raw" "$out/$v-$n.wav"
    rm -f "$out/$v-$n.raw"
    # The same time scale (600 pixels a second) and height in every row, so lengths compare by eye.
    sox "$out/$v-$n.wav" -n spectrogram -X 600 -y 257 -t "$v voice: ${titles[$i]}" -o "$out/$v-$n.png"
    pictures+=("$out/$v-$n.png")
    lengths+=("$(speech_seconds "$out/$v-$n.wav")")
    phonemes=$(sed -n 's/^phonemes //p' "$out/$v-$n.txt")
  done
  if [ -d "$corpus/wav" ]; then
    read -r file from to < <(corpus_find "${russian[$i]}") || true
    if [ -n "${file:-}" ]; then
      sox "$corpus/wav/$file.wav" "$out/corpus-$n.wav" trim "$from" "=$to"
      sox "$out/corpus-$n.wav" -n spectrogram -X 600 -y 257 \
        -t "corpus speaker: ${russian[$i]} ($file $from-$to s)" -o "$out/corpus-$n.png"
      pictures+=("$out/corpus-$n.png")
    fi
  fi
  convert "${pictures[@]}" -gravity west -background white -append "$out/spectrogram-$n.png"
  rm -f "${pictures[@]}"
  espeak-ng -v bg -w "$out/espeak-$n.wav" "$p"
  printf '%-12s %-30s' "$n" "$phonemes" >> "$out/durations.txt"
  for l in "${lengths[@]}"; do printf ' %8.3f' "$l" >> "$out/durations.txt"; done
  printf ' %8.3f\n' "$(speech_seconds "$out/espeak-$n.wav")" >> "$out/durations.txt"
done
cat "$out/durations.txt"

texts=(/usr/share/games/fortunes/bg/*.u8)
if [ -f "${texts[0]}" ]; then
  args=()
  for t in "${texts[@]}"; do args+=(--text "$t"); done
  for k in "${!voices[@]}"; do
    "$build/bin/voicecheck" --voice "${files[$k]}" --grammar "$grammar" "${args[@]}" \
      > "$out/voice-check-${voices[$k]}.txt" || true
  done
  # One row a check, one column a voice.
  checks=()
  for v in "${voices[@]}"; do checks+=("$out/voice-check-$v.txt"); done
  awk -v names="${voices[*]}" '
    function put(key, value) { gsub(/[,()]/, "", value); row[key, v] = value; seen[key] = 1 }
    FNR == 1 { v++ }
    /^seconds / { put("speech seconds (fortunes-bg, pitch 0)", $2) }
    /^pairs: / { put("pairs without a unit", $6) }
    /^clipped samples/ { put("clipped samples", $3) }
    /^peak / { put("peak (dBFS)", $3) }
    /^speech RMS/ { put("speech RMS (dBFS)", $3) }
    /^periods measured/ { put("level middles measured", $3); put("  off by more than one sample", $NF) }
    /^gliding middles/ { put("gliding middles measured", $4)
                         put("  outside their neighbours periods", $9)
                         put("  within one sample of their own", $NF) }
    /^join discontinuity/ { put("join discontinuity, smoothed", $6)
                            put("join discontinuity, not smoothed", $8)
                            put("same measure inside units", $11) }
    END {
      n = split(names, name, " ")
      order = "speech seconds (fortunes-bg, pitch 0)|pairs without a unit|clipped samples|peak (dBFS)|speech RMS (dBFS)|level middles measured|  off by more than one sample|gliding middles measured|  outside their neighbours periods|  within one sample of their own|join discontinuity, smoothed|join discontinuity, not smoothed|same measure inside units"
      k = split(order, key, "|")
      printf "%-40s", "check"; for (i = 1; i <= n; i++) printf " %10s", name[i]; printf "\n"
      for (j = 1; j <= k; j++) {
        printf "%-40s", key[j]
        for (i = 1; i <= n; i++) printf " %10s", ((key[j], i) in row) ? row[key[j], i] : "-"
        printf "\n"
      } }' "${checks[@]}" > "$out/voice-checks.txt"
  cat "$out/voice-checks.txt"
fi
echo "spectrograms: written to $out"
