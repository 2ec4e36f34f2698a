#!/usr/bin/env python3
"""The stress model for words outside the stress lexicon, learnt from the lexicon.

For each word the model predicts how many vowels follow the stressed one (0 = the last vowel is
stressed). The evidence is the word's ending: for every ending seen in the lexicon (up to
MAX_SUFFIX letters) the counts of each answer, smoothed towards the answer distribution of the
next shorter ending (P(e) = (counts(e) + BACKOFF * P(shorter)) / (n(e) + BACKOFF)), so that a rare
long ending does not overrule a well-attested shorter one. The answer must fit the word: a word
of two vowels cannot have two after the stressed one. So the model keeps, for each ending, its
best answer for words of 2, 3 and 4 or more vowels (a "choice"); the longest known ending of the
word decides, and in the grammar that is exactly a longest-suffix rule.

usage: make-stress-model.py LEXICON.tsv OUTPUT.grc [--backoff B]
                                                      write the model as grammar rules
       make-stress-model.py LEXICON.tsv --evaluate [K]  K-fold cross-validation (default 10)

LEXICON.tsv holds "word<TAB>index of the stressed vowel from the start" lines. --backoff sets the
smoothing weight (default BACKOFF): the build learns from the lexicon with its generated forms,
where a heavier weight keeps the rules few (and the compile fast) at little cost in accuracy.
"""
import collections
import random
import re
import sys

VOWELS = set("аеиоуъюяѝѐ")
MAX_SUFFIX = 7
MAX_FROM_END = 3
BACKOFF = 4.0
BUCKETS = (2, 3, 4)  # words of 2, 3, and 4 or more vowels
NOTE_BASE = 0x12110  # private note symbols, one per choice (at most 2 * 3 * 4 of them)


def vowels(word):
    return sum(1 for c in word if c in VOWELS)


def read(path, far=None):
    """The words of two or more vowels with their answer. Words stressed further back than the
    model reaches are left out; with `far` (a list) they are appended to it."""
    words = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            word, index = line.split("\t")
            n = vowels(word)
            if n < 2:
                continue  # a single vowel carries the stress whatever the model says
            from_end = n - 1 - int(index)
            if 0 <= from_end <= MAX_FROM_END:
                words.append((word, from_end))
            elif far is not None:
                far.append(word)
    return words


def choice_of(p):
    """The best answer that fits a word of 2, 3 and 4+ vowels, from answer probabilities."""
    return tuple(max(range(min(b, MAX_FROM_END + 1)), key=lambda c: (p[c], -c)) for b in BUCKETS)


def train(words, backoff=None):
    """(default choice, {ending: choice}), an ending kept only where it changes the choice of
    the longest shorter ending kept."""
    backoff = BACKOFF if backoff is None else backoff
    counts = collections.defaultdict(collections.Counter)
    for word, cls in words:
        counts[""][cls] += 1
        for k in range(1, min(MAX_SUFFIX, len(word)) + 1):
            counts[word[-k:]][cls] += 1
    probability = {}
    for ending in sorted(counts, key=len):
        c = counts[ending]
        n = sum(c.values())
        if ending:
            shorter = probability[ending[1:]]
            probability[ending] = [(c[k] + backoff * shorter[k]) / (n + backoff)
                                   for k in range(MAX_FROM_END + 1)]
        else:
            probability[ending] = [c[k] / n for k in range(MAX_FROM_END + 1)]
    default = choice_of(probability[""])
    table = {}

    def inherited(ending):
        for k in range(len(ending) - 1, 0, -1):
            if ending[-k:] in table:
                return table[ending[-k:]]
        return default

    for ending in sorted(counts, key=len):
        if ending:
            choice = choice_of(probability[ending])
            if choice != inherited(ending):
                table[ending] = choice
    return default, table


def bucket(word):
    return min(vowels(word), BUCKETS[-1])


def predict(model, word):
    default, table = model
    choice = default
    for k in range(min(MAX_SUFFIX, len(word)), 0, -1):
        if word[-k:] in table:
            choice = table[word[-k:]]
            break
    return choice[BUCKETS.index(bucket(word))]


def hand_rules(word):
    """The fallback rules of stress.grc, for comparison."""
    v = "[аеиоуъюяѝѐ]"
    c = "[бвгджзйклмнпрстфхцчшщь]"
    for pattern in (c + "+и(я|ята|ят|е|ето)$", c + "+ът$", c + "+(ост|ест)$", "й$",
                    c + "*" + v + "$", c + "*$"):
        m = re.search(v + "(" + pattern + ")", word)
        if m:
            return vowels(m.group(1))
    return 0


def cross_validate(words, k, seed=1):
    """Per fold (words, model right, hand rules right); the model of each fold is learnt from
    the other folds only."""
    words = list(words)
    random.Random(seed).shuffle(words)
    folds = []
    for fold in range(k):
        test = words[fold::k]
        model = train([w for i, w in enumerate(words) if i % k != fold])
        folds.append((len(test), sum(1 for w, cls in test if predict(model, w) == cls),
                      sum(1 for w, cls in test if hand_rules(w) == cls)))
    return folds


def evaluate(words, k):
    folds = cross_validate(words, k)
    n = sum(f[0] for f in folds)
    print(f"{n} words of two or more syllables, {k}-fold cross-validation")
    print(f"model: {sum(f[1] for f in folds) / n:.1%} stressed right on words outside the "
          "training folds")
    print(f"hand rules: {sum(f[2] for f in folds) / n:.1%}")
    model = train(words)
    print(f"model from all words: {len(model[1])} endings, default {model[0]}")


def note(choice):
    a2, a3, a4 = choice
    return f"<{NOTE_BASE + a2 + 2 * a3 + 6 * a4:#x}>"


def write(model, path):
    default, table = model
    choices = sorted(set(table.values()) | {default})
    with open(path, "w", encoding="utf-8") as out:
        out.write("# Generated by make-stress-model.py from the stress lexicon.\n")
        out.write("# A word outside the lexicon gets, before its closing word marker, a note of where\n")
        out.write("# its stress goes for each number of vowels: the longest known ending decides.\n\n")
        out.write("stage stress_model_class\n  prefer earlier\n")
        for ending in sorted(table, key=lambda s: (-len(s), s)):
            out.write(f'  "" -> {note(table[ending])} / WordMarker Plain* "{ending}" _ WordMarker\n')
        out.write(f'  "" -> {note(default)} / WordMarker Plain+ _ WordMarker\n\n')
        out.write("stage stress_model\n")
        for choice in choices:
            for b, after in zip(BUCKETS, choice):
                before = b - 1 - after  # vowels before the stressed one
                head = "WordMarker Consonant* " + "Vowel Consonant* " * before
                if b == BUCKETS[-1]:
                    head += "(Vowel Consonant*)* "
                tail = "Consonant* Vowel " * after + "Consonant*"
                out.write(f"  \"\" -> StressMark / {head}Vowel _ {tail} {note(choice)}\n")
        out.write("  " + " | ".join(note(c) for c in choices) + " -> \"\"\n")


def main(argv):
    if len(argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    words = read(argv[1])
    if argv[2] == "--evaluate":
        evaluate(words, int(argv[3]) if len(argv) > 3 else 10)
    else:
        options = dict(zip(argv[3::2], argv[4::2]))
        write(train(words, float(options.get("--backoff", BACKOFF))), argv[2])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
