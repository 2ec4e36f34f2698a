#!/usr/bin/env python3
"""k-fold cross-validation of the Bulgarian stress model on the stress lexicon.

The lexicon's words are shuffled (with a fixed seed) and cut into K folds. For each fold the
model is learnt from the other folds only, as the grammar build learns it from the whole
lexicon, and asked for the stress of the fold's words: words outside its lexicon. The tool prints
the share stressed right per fold and overall, next to the grammar's hand fallback rules.

With --paradigms DEVSET --stress-lexicon STRESS.lex it checks instead the front end's stress of
a hand-stressed development set of inflected forms (tools/eval-stress/paradigms-dev.txt): each
form is stressed as the grammar stresses it (the stress lexicon of the build, else the model
learnt from LEXICON.tsv), and the share right is printed overall, by part of speech and by form.

usage: eval-stress.py LEXICON.tsv [--folds K] [--seed N] [--model make-stress-model.py]
                      [--backoff B]
       eval-stress.py LEXICON.tsv --paradigms DEVSET --stress-lexicon STRESS.lex [--backoff B]

LEXICON.tsv holds "word<TAB>index of the stressed vowel from the start" lines, as the grammar
build writes them (build/data/bg/stress-plain.tsv). Words of one vowel are left out: their stress
is never in doubt.
"""
import argparse
import collections
import importlib.util
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_MODEL = os.path.join(HERE, "..", "..", "data", "bg", "make-stress-model.py")


def load_model_builder(path):
    spec = importlib.util.spec_from_file_location("make_stress_model", path)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def read_stress_lexicon(path, vowels):
    """{word: stressed vowel index} of the grammar's lexicon file (word "head" <mark> "tail")."""
    entries = {}
    pattern = re.compile(r'^(\S+) "([^"]*)" <0x12100> "([^"]*)"$')
    with open(path, encoding="utf-8") as f:
        for line in f:
            m = pattern.match(line.rstrip("\n"))
            if m:
                entries[m.group(1)] = vowels(m.group(2)) - 1
    return entries


def read_development_set(path):
    """(word, stressed vowel index, part of speech, form) of each line of the set."""
    rows = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.split("#")[0].strip()
            if not line:
                continue
            parts = line.split()
            at = parts[0].find("\u0301")
            if len(parts) != 3 or at < 1 or parts[0].count("\u0301") != 1:
                raise ValueError(f"{path}:{number}: expected STRESSED-FORM POS FORM with one "
                                 "stress mark")
            word = parts[0].replace("\u0301", "").lower()
            rows.append((word, at, parts[1], parts[2]))
    return rows


def check_paradigms(builder, lexicon_path, development, stress_lexicon):
    """Prints the front end's share right on the development set; returns an exit status."""
    try:
        rows = read_development_set(development)
        entries = read_stress_lexicon(stress_lexicon, builder.vowels)
        model = builder.train(builder.read(lexicon_path))
    except OSError as error:
        sys.stderr.write(f"eval-stress: cannot read {error.filename} ({error.strerror}); "
                         "build the grammar first or name an existing file.\n")
        return 2
    except ValueError as error:
        sys.stderr.write(f"eval-stress: {error}; mend the line.\n")
        return 2
    totals = collections.defaultdict(lambda: [0, 0])
    wrong = []
    for word, at, pos, form in rows:
        want = builder.vowels(word[:at]) - 1
        n = builder.vowels(word)
        if word in entries:
            got, source = entries[word], "lexicon"
        elif n < 2:
            got, source = 0, "only vowel"
        else:
            got, source = n - 1 - builder.predict(model, word), "model"
        for key in ("all", pos, f"{pos} {form}", f"by the {source}"):
            totals[key][0] += 1
            totals[key][1] += got == want
        if got != want:
            wrong.append(word)
    print(f"{len(rows)} hand-stressed forms of {development}")
    for key in sorted(totals, key=lambda k: (k != "all", k.startswith("by the"), k)):
        n, right = totals[key]
        print(f"{key:24} {right:5} of {n:5}  {right / n:6.1%}")
    if wrong:
        print("wrong: " + " ".join(wrong))
    return 0


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("lexicon", help="word<TAB>stressed vowel index lines")
    parser.add_argument("--folds", type=int, default=10, help="number of folds (default 10)")
    parser.add_argument("--seed", type=int, default=1, help="shuffle seed (default 1)")
    parser.add_argument("--model", default=DEFAULT_MODEL, help="the model builder script")
    parser.add_argument("--backoff", type=float,
                        help="the model's smoothing weight (default: the model builder's own)")
    parser.add_argument("--paradigms", help="a hand-stressed development set of word forms")
    parser.add_argument("--stress-lexicon", help="the grammar's stress lexicon (stress.lex)")
    args = parser.parse_args(argv[1:])
    if (args.paradigms is None) != (args.stress_lexicon is None):
        sys.stderr.write("eval-stress: --paradigms and --stress-lexicon go together; "
                         "give both or neither.\n")
        return 2

    if not os.path.isfile(args.model):
        sys.stderr.write(f"eval-stress: the model builder {args.model} is missing; "
                         "pass its path with --model.\n")
        return 2
    builder = load_model_builder(args.model)
    if args.backoff is not None:
        builder.BACKOFF = args.backoff
    if args.paradigms is not None:
        return check_paradigms(builder, args.lexicon, args.paradigms, args.stress_lexicon)
    try:
        far = []
        words = builder.read(args.lexicon, far)
    except OSError as error:
        sys.stderr.write(f"eval-stress: cannot read {args.lexicon} ({error.strerror}); "
                         "build the grammar first or name an existing lexicon.\n")
        return 2
    except ValueError:
        sys.stderr.write(f"eval-stress: {args.lexicon} is not a lexicon of "
                         "\"word<TAB>vowel index\" lines; check the file.\n")
        return 2
    if args.folds < 2 or len(words) < args.folds:
        sys.stderr.write(f"eval-stress: {len(words)} words of two or more vowels cannot be cut "
                         f"into {args.folds} folds; use at least 2 folds and no more than there "
                         "are words.\n")
        return 2

    folds = builder.cross_validate(words, args.folds, args.seed)
    print(f"{len(words)} words of two or more vowels, {args.folds}-fold cross-validation "
          "(each fold stressed by a model learnt from the other folds)")
    for i, (n, right, hand) in enumerate(folds, 1):
        print(f"fold {i:2}: {n:6} words  model {right / n:6.1%}  hand rules {hand / n:6.1%}")
    n = sum(f[0] for f in folds)
    right = sum(f[1] for f in folds)
    hand = sum(f[2] for f in folds)
    print(f"overall: {n} words outside the lexicon, model {right / n:.1%} right "
          f"({right} words), hand rules {hand / n:.1%}")
    if far:
        # Stressed further from the end than the model ever places the stress: always wrong.
        print(f"with the {len(far)} words stressed more than {builder.MAX_FROM_END} vowels from "
              f"the end counted wrong: model {right / (n + len(far)):.1%} right")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
