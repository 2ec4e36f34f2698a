#!/usr/bin/env python3
"""Builds the stress lexicon of the Bulgarian grammar from an English-Bulgarian dictionary in
dictd format whose Bulgarian words carry their stress as U+0301 after the stressed vowel.

Each stressed word becomes an entry: the word in lower case, then the same letters with the
grammar's stress mark after the stressed vowel. Nouns and adjectives also get the inflected
forms that keep the stress where it is (the definite article above all); a form that is itself
an entry of the dictionary keeps the dictionary's stress.

With a hunspell dictionary (--hunspell AFF DIC), every lemma of the dictionary that the stressed
dictionary also gives gets its whole paradigm from the affix rules, and the lemma's stress is
carried to each form by carry() below; with --frequency, only the forms of that word list (one
"WORD COUNT" a line) are kept, so the lexicon stays small and holds the forms that matter.

usage: make-stress-lexicon.py DICT(.dz) OUTPUT [--plain OUTPUT2] [--extra WORDS]
                              [--hunspell AFF DIC] [--frequency LIST] [--forms OUTPUT3]
  --plain writes the dictionary's words as "word<TAB>stressed vowel index" lines (for evaluation
          tools);
  --forms writes the dictionary's words and every generated form kept, in the same format (the
          stress model learns from it);
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


def read_affixes(path):
    """{flag: [(strip, add, condition)]} of a hunspell affix file's suffix rules (one-letter
    flags, as the Bulgarian dictionary uses)."""
    rules = collections.defaultdict(list)
    for line in read_text(path):
        parts = line.split()
        if len(parts) >= 5 and parts[0] == "SFX":
            strip = "" if parts[2] == "0" else parts[2]
            add = "" if parts[3] == "0" else parts[3].split("/")[0]
            rules[parts[1]].append((strip, add, re.compile("(" + parts[4] + ")$")))
    return rules


def paradigms(dic_path, affixes):
    """Yields (lemma, [forms]) for each entry of a hunspell dictionary."""
    for line in read_text(dic_path)[1:]:
        word, _, flags = line.strip().partition("/")
        if not word or any(c not in LETTERS for c in word):
            continue
        out = []
        for flag in flags:
            for strip, add, condition in affixes.get(flag, ()):
                if condition.search(word) and word.endswith(strip):
                    out.append(word[:len(word) - len(strip)] + add)
        yield word, out


def vowel_at(word, index):
    """The character position of the vowel with this index (from the start), or -1."""
    seen = -1
    for k, c in enumerate(word):
        if c in VOWELS:
            seen += 1
            if seen == index:
                return k
    return -1


def carry(lemma, vowel, form, pos):
    """The vowel index of the stress of `form`, an inflected form of `lemma` stressed on vowel
    `vowel`, or None when the rules do not know.

    The stem is what the lemma and the form share from the start. The rules, in order:
    1. Masculine nouns of one syllable stress the plural -ове́ and -е́ (градове́, мъже́,
       градове́те).
    2. A stressed vowel inside the stem stays where it is (пра́вя → пра́вят, мо́жете; вое́нен →
       вое́нната; наре́дба → наре́дбата).
    3. The stressed vowel was in the ending: verbs stressed on the ending take the aorist on the
       stem (чета́ → че́тох, че́тоха); everything else stresses the first vowel of the new ending
       (чета́ → чете́ш, чета́т; говоря́ → говори́ш, говори́х; жена́ → жени́; добъ́р → добра́;
       голя́м → голе́ми; бя́л → бе́ли), or the stem's last vowel when the ending has none."""
    at = vowel_at(lemma, vowel)
    if at < 0:
        return None
    p = 0
    while p < min(len(lemma), len(form)) and lemma[p] == form[p]:
        p += 1
    stem, rest = form[:p], form[p:]
    stem_vowels = vowel_count(stem)
    if pos == "n" and vowel_count(lemma) == 1 and p == len(lemma):
        if rest.startswith("ове"):
            return stem_vowels + 1
        if rest in ("е", "ете"):
            return stem_vowels
    if at < p:
        return vowel
    if pos == "v" and rest.startswith("о") and stem_vowels > 0:
        return stem_vowels - 1
    if vowel_count(rest) > 0:
        return stem_vowels
    return stem_vowels - 1 if stem_vowels > 0 else None


def load_model():
    """make-stress-model.py beside this script, as a module."""
    import importlib.util
    import os
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "make-stress-model.py")
    spec = importlib.util.spec_from_file_location("stress_model", path)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def part_of_speech(lemma, lemma_forms):
    """A lemma's part of speech from its hunspell forms, where the stressed dictionary does not
    give it: verbs have an aorist in -х, nouns a definite form made by adding the article."""
    forms_set = set(lemma_forms)
    if lemma[-1] in "аяме" and any(f.endswith("х") for f in lemma_forms):
        return "v"
    if {lemma + "ът", lemma + "та", lemma + "то", lemma[:-1] + "ят"} & forms_set:
        return "n"
    if any(f.endswith("ият") for f in lemma_forms):
        return "adj"
    return None


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
    options = {}
    rest = argv[3:]
    while rest:
        name = rest.pop(0)
        count = 2 if name == "--hunspell" else 1
        if len(rest) < count:
            sys.stderr.write(f"{name} needs {count} argument(s)\n")
            return 2
        options[name] = rest[:count] if count > 1 else rest[0]
        rest = rest[count:]
    frequent = None
    if "--frequency" in options:
        frequent = {line.split()[0] for line in read_text(options["--frequency"]) if line.split()}
    extra = {}
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
                extra[plain] = sum(1 for c in plain[:at] if c in VOWELS) - 1
    generated, surer = {}, set()
    if "--hunspell" in options:
        aff, dic = options["--hunspell"]
        stress_model = load_model()
        model = stress_model.train(
            [(w, vowel_count(w) - 1 - v) for w, v in base.items() if vowel_count(w) >= 2])
        votes = collections.defaultdict(collections.Counter)
        for lemma, lemma_forms in paradigms(dic, read_affixes(aff)):
            wanted = [f for f in lemma_forms if f not in base and f not in extra and
                      (frequent is None or f in frequent)]
            if not wanted:
                continue
            # The lemma's stress: the hand list, the dictionary, its only vowel, else the model
            # (whose forms are kept out of what the model learns from).
            sure = True
            if lemma in extra:
                vowel = extra[lemma]
            elif lemma in base:
                vowel = base[lemma]
            elif vowel_count(lemma) == 1:
                vowel = 0
            elif vowel_count(lemma) > 1:
                vowel = vowel_count(lemma) - 1 - stress_model.predict(model, lemma)
                sure = False
            else:
                continue
            pos = pos_of.get(lemma) or part_of_speech(lemma, lemma_forms)
            for form in wanted:
                carried = carry(lemma, vowel, form, pos)
                if carried is not None and carried < vowel_count(form):
                    votes[form][carried] += 10 if sure else 1
                    if sure:
                        surer.add(form)
        generated = {w: c.most_common(1)[0][0] for w, c in votes.items()}
        # The paradigm of the lemma itself beats the rough endings of forms().
        lexicon.update(generated)
    lexicon.update(extra)
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
    if "--forms" in options:
        with open(options["--forms"], "w", encoding="utf-8") as out:
            for word in sorted(set(base) | surer):
                out.write(f"{word}\t{lexicon[word]}\n")
    if "--plain" in options:
        with open(options["--plain"], "w", encoding="utf-8") as out:
            for word in sorted(base):
                out.write(f"{word}\t{base[word]}\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
