#!/usr/bin/env bash
# Writes the Bulgarian benchmark text (at least 20 000 words) to the file named by $1: every
# Bulgarian fortune of fortunes-bg (sayings, proverbs, history), then Bulgarian translations from
# dict-freedict-eng-bul (stress marks removed) until the text holds 22 000 words.
set -euo pipefail
out=${1:?usage: bench-text.sh OUTPUT}
fortunes=/usr/share/games/fortunes/bg
dict=/usr/share/dictd/freedict-eng-bul.dict.dz
for f in "$fortunes"/*.u8 "$dict"; do
  [ -e "$f" ] || { echo "bench-text: $f is missing; install fortunes-bg and dict-freedict-eng-bul" >&2; exit 1; }
done
# awk stops reading once it has enough words, so the writers before it may see a closed pipe.
set +o pipefail
{
  # One fortune a paragraph; the author lines ("-- Name") stay, they are text too.
  sed -e 's/^%$//' -e 's/^[[:space:]]*--[[:space:]]*/— /' "$fortunes"/*.u8
  # Lines of the dictionary made only of Cyrillic words (the translations), as sentences.
  zcat "$dict" | sed -e 's/\xcc\x81//g' |
    LC_ALL=C.UTF-8 grep -E '^[[:alpha:]][[:alpha:] ,-]+$' | LC_ALL=C.UTF-8 grep -v '[A-Za-z]' | sed -e 's/$/./'
} | awk -v limit=22000 '{ print; words += NF; if (words >= limit) exit }' > "$out"
echo "bench-text: $(wc -w < "$out") words, $(wc -m < "$out") characters in $out" >&2
