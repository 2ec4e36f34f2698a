#!/usr/bin/env python3
"""Builds the stress lexicon of the Bulgarian grammar from an English-Bulgarian dictionary in
dictd format whose Bulgarian words carry their stress as U+0301 after the stressed vowel.

Each stressed word becomes an entry: the word in lower case, then the same letters with the
grammar's stress mark after the stressed vowel. Nouns and adjectives also get the inflected
forms that keep the stress where it is (the definite article above all); a form that is itself
an entry of the dictionary keeps the dictionary's stress.

usage: make-stress-lexicon.py DICT(.dz) OUTPUT [--plain OUTPUT2] [--extra WORDS]
  --plain writes the dictionary's words as "word<TAB>stressed vowel index" lines (for evaluation
          tools);
  --extra adds the stressed words of a hand-kept list (U+0301 after the stressed vowel, any
          number a line, # comments), which win over the dictionary; they stay out of --plain.
"""
import collections
import gzip
import re
import sys

ACUTE = "\u0301"
VOWELS = set("аеиоуъюяѝѐ")
LETTERS = set("абвгдежзийклмнопрстуфхцчшщъьюяѝѐ")
STRESS_MARK = "<0x12100>"
HEADWORD = re.compile(r" <(n|adj|v|adv|pn|prep|pron|num|conj|interj|[a-z]+)>\s*$")


def read_text(path):
    opener = gzip.open if path.endswith(".dz") or path.endswith(".gz") else open
    with opener(path, "rt", encoding="utf-8", errors="replace") as f:
        return f.read().splitlines()


def stressed_words(lines):
    """Yields (plain word, vowel index of the stress, part of speech, single word entry).

    An entry is a headword line ending in its part of speech, then translation lines (numbered
    "1. ..." when there are several senses) and English glosses; only Cyrillic counts here."""
    pos = None
    token_re = re.compile("[" + "".join(sorted(LETTERS)) + "А-ЯЍЀ" + ACUTE + "-]+")
    for line in lines:
        m = HEADWORD.search(line)
        if m:
            pos = m.group(1)
            continue
        if pos is None or ACUTE not in line:
            continue
        line = re.sub(r"^\s*\d+\.\s*", "", line)
        for t in (t.strip() for t in line.split(",")):
            tokens = token_re.findall(t)
            single = len(tokens) == 1 and tokens[0] == t
            for token in tokens:
                for word in token.split("-"):
                    word = word.lower()
                    if word.count(ACUTE) != 1 or word.startswith(ACUTE):
                        continue
                    at = word.index(ACUTE)
                    if word[at - 1] not in VOWELS:
                        continue
                    plain = word.replace(ACUTE, "")
                    if not plain or any(c not in LETTERS for c in plain):
                        continue
                    vowel = sum(1 for c in plain[:at] if c in VOWELS) - 1
                    yield plain, vowel, pos, single


def vowel_count(word):
    return sum(1 for c in word if c in VOWELS)


def forms(word, pos):
    """Inflected forms with the stress on the same vowel (vowels counted from the start)."""
    out = []
    if pos == "n":
        if word[-1] in "ая":
            out.append(word + "та")
        elif word[-1] in "оеиую":
            out.append(word + "то")
        elif word.endswith("й"):
            out += [word[:-1] + "ят", word[:-1] + "я"]
        elif word.endswith(("тел", "ар", "яр")):
            out += [word + "ят", word + "я"]
        elif not word.endswith(("ост", "ест")) and word[-1] not in VOWELS and word[-1] != "ь":
            out += [word + "ът", word + "а"]
    elif pos == "adj":
        if word.endswith("ски"):
            stem = word[:-1]
            out += [stem + e for e in ("а", "о", "ия", "ият", "ата", "ото", "ите")]
        elif word[-1] not in VOWELS and not word.endswith(("ър", "ъл", "ек", "ен", "ь", "й")):
            # Adjectives with a fleeting vowel (добър, добра) are left to the rules.
            out += [word + e for e in ("а", "о", "и", "ия", "ият", "ата", "ото", "ите")]
    return out


def main(argv):
    if len(argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    lines = read_text(argv[1])
    votes = collections.defaultdict(collections.Counter)
    pos_of = {}
    for plain, vowel, pos, single in stressed_words(lines):
        # A word given alone is surer than one inside a phrase, whose stress can follow
        # the phrase ("о́ко за о́ко").
        votes[plain][vowel] += 10 if single else 1
        if single:
            pos_of.setdefault(plain, pos)
    base = {w: c.most_common(1)[0][0] for w, c in votes.items()}
    lexicon = dict(base)
    for word, pos in pos_of.items():
        vowel = base[word]
        for form in forms(word, pos):
            # The stressed vowel must still be in the form (a dropped final vowel moves nothing
            # here: the endings above keep every vowel of the stem before the stress).
            if form not in base and vowel < vowel_count(form):
                lexicon.setdefault(form, vowel)
    options = dict(zip(argv[3::2], argv[4::2]))
    if "--extra" in options:
        for line in read_text(options["--extra"]):
            for word in line.split("#")[0].split():
                word = word.lower()
                at = word.find(ACUTE)
                plain = word.replace(ACUTE, "")
                if word.count(ACUTE) != 1 or at < 1 or word[at - 1] not in VOWELS or \
                        any(c not in LETTERS for c in plain):
                    sys.stderr.write(f"{options['--extra']}: {word} needs one stress mark after "
                                     "a vowel and Bulgarian letters only\n")
                    return 1
                lexicon[plain] = sum(1 for c in plain[:at] if c in VOWELS) - 1
    with open(argv[2], "w", encoding="utf-8") as out:
        out.write("# Generated from the stressed forms of an English-Bulgarian dictionary.\n")
        for word in sorted(lexicon):
            vowel = lexicon[word]
            if vowel_count(word) < 2:
                continue  # the rules stress the only vowel anyway
            seen, cut = -1, 0
            for k, c in enumerate(word):
                if c in VOWELS:
                    seen += 1
                    if seen == vowel:
                        cut = k + 1
                        break
            out.write(f'{word} "{word[:cut]}" {STRESS_MARK} "{word[cut:]}"\n')
    if "--plain" in options:
        with open(options["--plain"], "w", encoding="utf-8") as out:
            for word in sorted(base):
                out.write(f"{word}\t{base[word]}\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
