#!/usr/bin/env python3
"""Times the grammar compiler on generated sources that grow: a stage of N rewrite rules (each a
three-letter word with a left and a right context) and one rule whose left side is a literal of N
symbols.

    bench/grammarc-scale.py [--grammarc build/bin/grammarc] [--rules 250 500 1000]
                            [--literal 10000] [--keep DIR]

Prints one line per source: what it holds, the compiler's CPU and wall seconds (CPU is what to
compare on a busy machine) and the output's size.
"""
import argparse
import os
import resource
import subprocess
import sys
import tempfile
import time

LETTERS = "абвгдежзийклмнопрстуфхцчшщъьюя"


def word(i, length=3):
    out = []
    for _ in range(length):
        out.append(LETTERS[i % len(LETTERS)])
        i //= len(LETTERS)
    return "".join(out)


def rules_source(count):
    lines = ["stage many"]
    for i in range(count):
        left = LETTERS[(i * 7) % len(LETTERS)]
        right = LETTERS[(i * 11 + 3) % len(LETTERS)]
        out = LETTERS[(i * 13 + 5) % len(LETTERS)]
        lines.append(f'  "{word(i)}" -> "{out}{out}" / "{left}" _ "{right}"')
    return "\n".join(lines) + "\n"


def literal_source(length):
    text = "".join(LETTERS[(i * i + i // 7) % len(LETTERS)] for i in range(length))
    return f'stage long\n  "{text}" -> "x"\n'


def run(grammarc, path):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    result = subprocess.run([grammarc, path, "-o", path + ".grammar"], capture_output=True, text=True)
    wall = time.monotonic() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if result.returncode != 0:
        sys.exit(f"grammarc-scale: {path} failed: {result.stderr.strip()}")
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return cpu, wall, os.path.getsize(path + ".grammar")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--grammarc", default="build/bin/grammarc")
    parser.add_argument("--rules", type=int, nargs="*", default=[250, 500, 1000])
    parser.add_argument("--literal", type=int, nargs="*", default=[10000])
    parser.add_argument("--keep", help="write the sources and outputs here instead of a temporary folder")
    args = parser.parse_args()
    if not os.access(args.grammarc, os.X_OK):
        sys.exit(f"grammarc-scale: {args.grammarc} is missing; build the grammarc target first")
    folder = args.keep or tempfile.mkdtemp(prefix="grammarc-scale.")
    os.makedirs(folder, exist_ok=True)
    cases = [(f"{n} rules", f"rules-{n}.grc", rules_source(n)) for n in args.rules]
    cases += [(f"{n}-symbol literal", f"literal-{n}.grc", literal_source(n)) for n in args.literal]
    for label, name, text in cases:
        path = os.path.join(folder, name)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        cpu, wall, size = run(args.grammarc, path)
        print(f"{label:>22}: {cpu:8.2f} s CPU, {wall:8.2f} s wall, {size} bytes", flush=True)


if __name__ == "__main__":
    main()
