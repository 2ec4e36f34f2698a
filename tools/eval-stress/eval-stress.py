#!/usr/bin/env python3
"""k-fold cross-validation of the Bulgarian stress model on the stress lexicon.

The lexicon's words are shuffled (with a fixed seed) and cut into K folds. For each fold the
model is learnt from the other folds only, as the grammar build learns it from the whole
lexicon, and asked for the stress of the fold's words: words outside its lexicon. The tool prints
the share stressed right per fold and overall, next to the grammar's hand fallback rules.

usage: eval-stress.py LEXICON.tsv [--folds K] [--seed N] [--model make-stress-model.py]

LEXICON.tsv holds "word<TAB>index of the stressed vowel from the start" lines, as the grammar
build writes them (build/data/bg/stress-plain.tsv). Words of one vowel are left out: their stress
is never in doubt.
"""
import argparse
import importlib.util
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_MODEL = os.path.join(HERE, "..", "..", "data", "bg", "make-stress-model.py")


def load_model_builder(path):
    spec = importlib.util.spec_from_file_location("make_stress_model", path)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("lexicon", help="word<TAB>stressed vowel index lines")
    parser.add_argument("--folds", type=int, default=10, help="number of folds (default 10)")
    parser.add_argument("--seed", type=int, default=1, help="shuffle seed (default 1)")
    parser.add_argument("--model", default=DEFAULT_MODEL, help="the model builder script")
    args = parser.parse_args(argv[1:])

    if not os.path.isfile(args.model):
        sys.stderr.write(f"eval-stress: the model builder {args.model} is missing; "
                         "pass its path with --model.\n")
        return 2
    builder = load_model_builder(args.model)
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
