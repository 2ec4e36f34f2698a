#!/usr/bin/env python3
"""Builds the lexicon of English words for the Bulgarian grammar: the most frequent words of an
English frequency list, each with the pronunciation espeak-ng's English voice gives it (its
phoneme mnemonics, `espeak-ng -x`), said with Bulgarian sounds (PHONEMES below: "cat" кет, "the"
дъ, "world" уърлд, "thinking" тинкинг; the r that American English colours a vowel with is said).

Each word becomes two entries (small letters, and a capital first letter) that settle the word:
the written word between the grammar's settled brackets, followed by its phonemes, the vowel of
espeak-ng's primary stress stressed. Words in capitals are left to the spelling rules.

A word of four letters or more whose letter-by-letter Cyrillic spelling is a word of the
Bulgarian frequency list (--bulgarian) is a Bulgarian name written in Latin letters (ivan, maria)
and is left to the transliteration.

usage: make-english-lexicon.py FREQUENCY OUTPUT [--count N] [--espeak PROGRAM] [--bulgarian LIST]
  FREQUENCY holds "WORD COUNT" lines, most frequent first; N words of two or more letters a-z are
  taken (default 5000).
"""
import os
import re
import subprocess
import sys
import tempfile

SETTLED = "<0x12000>"
# espeak-ng's English phoneme mnemonics, longest first where one begins another, and our phonemes.
PHONEMES = {
    "aI@": "ajyr", "aI3": "ajyr", "aU3": "auyr", "i@3": "ir", "aI": "aj", "aU": "au", "eI": "ej",
    "OI": "oj", "oU": "ou", "@U": "ou", "e@": "er", "i@": "iy", "o@": "or", "O@": "or", "A@": "ar",
    "U@": "ur", "aa": "e", "3:": "yr", "3": "yr", "A:": "a", "O:": "o", "i:": "i", "u:": "u", "a#": "a",
    "@L": "yl", "@2": "y", "@5": "y", "I#": "i", "I2": "i", "a": "e", "A": "a", "e": "e", "E": "e",
    "i": "i", "I": "i", "0": "o", "O": "o", "o": "o", "V": "a", "U": "u", "u": "u", "@": "y",
    "tS": "4", "dZ": "#", "t#": "t", "d#": "d", "t2": "t", "d2": "d", "n-": "n", "l-": "l",
    "r-": "r", "p": "p", "b": "b", "t": "t", "d": "d", "k": "k", "g": "g", "f": "f", "v": "w",
    "s": "s", "z": "z", "h": "h", "m": "m", "n": "n", "l": "l", "r": "r", "w": "u", "j": "j",
    "T": "t", "D": "d", "S": "6", "Z": "v", "N": "ng", "x": "h",
}
SKIPPED = set(":;_|#?!-,")
VOWELS = set("aeiouy")
DEVOICED = {"b": "p", "d": "t", "g": "k", "w": "f", "z": "s", "v": "6", "#": "4"}
MNEMONICS = sorted(PHONEMES, key=len, reverse=True)


def transcribe(mnemonics):
    """Our phonemes with their stress (a list of (phoneme, stressed)) for one word, or None when a
    mnemonic is unknown."""
    out = []
    stress_next = False
    k = 0
    text = re.sub(r"\([a-z]+\)", "", mnemonics)
    while k < len(text):
        if text[k] == "'":
            stress_next = True
            k += 1
            continue
        for m in MNEMONICS:
            if text.startswith(m, k):
                for c in PHONEMES[m]:
                    stressed = stress_next and c in VOWELS
                    if stressed:
                        stress_next = False
                    out.append((c, stressed))
                k += len(m)
                break
        else:
            if text[k] in SKIPPED or text[k] == ",":
                k += 1
                continue
            return None
    # Said with Bulgarian habits: a voiced obstruent at the end of the word devoices ("love" лаф).
    if out and out[-1][0] in DEVOICED:
        out[-1] = (DEVOICED[out[-1][0]], False)
    if out and not any(s for _, s in out):
        for i, (c, _) in enumerate(out):
            if c in VOWELS:
                out[i] = (c, True)
                break
    return out


TO_CYRILLIC = [("sht", "щ"), ("sh", "ш"), ("ch", "ч"), ("zh", "ж"), ("ya", "я"), ("yu", "ю"),
               ("ts", "ц")] + list(zip("abcdefghijklmnopqrstuvwxyz",
                                        "абцдефгхийклмнопкрстуввксйз"))


def cyrillic(word):
    out, k = "", 0
    while k < len(word):
        for latin, letters in TO_CYRILLIC:
            if word.startswith(latin, k):
                out += letters
                k += len(latin)
                break
    return out


def source(phonemes):
    return " ".join("{%s} %s" % (c.upper(), "Stress7") if s else "{%s} Stress5" % c
                    for c, s in phonemes)


def main(argv):
    if len(argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    options = dict(zip(argv[3::2], argv[4::2]))
    count = int(options.get("--count", "5000"))
    espeak = options.get("--espeak", "espeak-ng")
    bulgarian = set()
    if "--bulgarian" in options:
        with open(options["--bulgarian"], encoding="utf-8") as f:
            bulgarian = {line.split()[0] for line in f if line.split()}
    words = []
    with open(argv[1], encoding="utf-8") as f:
        for line in f:
            parts = line.split()
            if parts and re.fullmatch("[a-z]{2,}", parts[0]) and \
                    not (len(parts[0]) >= 4 and cyrillic(parts[0]) in bulgarian):
                words.append(parts[0])
                if len(words) == count:
                    break
    with tempfile.NamedTemporaryFile("w", suffix=".txt", delete=False) as f:
        f.write("".join(w + ".\n" for w in words))
        listing = f.name
    try:
        result = subprocess.run([espeak, "-v", "en-us", "-q", "-x", "-f", listing],
                                capture_output=True, text=True, check=False)
    except OSError as error:
        sys.stderr.write(f"make-english-lexicon: cannot run {espeak} ({error.strerror}); "
                         "install espeak-ng.\n")
        return 1
    finally:
        os.unlink(listing)
    lines = [l.strip() for l in result.stdout.splitlines() if l.strip()]
    if result.returncode != 0 or len(lines) != len(words):
        sys.stderr.write(f"make-english-lexicon: {espeak} gave {len(lines)} transcriptions for "
                         f"{len(words)} words; check that its English voice is installed.\n")
        return 1
    written = 0
    with open(argv[2], "w", encoding="utf-8") as out:
        out.write("# Generated by make-english-lexicon.py from espeak-ng's English voice.\n")
        for word, mnemonics in zip(words, lines):
            phonemes = transcribe(mnemonics)
            if not phonemes:
                continue
            for form in (word, word.capitalize()):
                out.write(f'{form} {SETTLED} "{form}" {source(phonemes)} {SETTLED}\n')
            written += 1
    sys.stderr.write(f"make-english-lexicon: {written} of {len(words)} words\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
