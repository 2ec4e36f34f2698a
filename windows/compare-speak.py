#!/usr/bin/env python3
"""The same sound and the same events from the Windows brelvox.exe (under Wine) as from the Linux
brelvox, for random speak requests.

    windows/compare-speak.py --count 200 --seed 1 --linux build/bin/brelvox \
        --share build/share/brelvox --windows build-windows/x86_64/bin/brelvox.exe \
        --windows build-windows/i686/bin/brelvox.exe --work build-windows/compare

Each request is a fragment list (speak, pronounce and spelled text cut from Bulgarian sentences,
bookmarks, silences, sections and unknown tags, with rate, volume and pitch per fragment) or
marked-up text, with a platform rate and volume, speak flags, a small --max-write and scheduled
actions (abort, skip, rate, volume). Every program speaks it with the voice, grammar and user
dictionary of --share; their event files, raw audio and exit statuses must be byte-identical. The
run needs a Wine server for WINEPREFIX (scripts/build-windows starts one). A request that differs
is kept in --work with both outputs; the exit status is 1 then.
"""
import argparse
import json
import os
import random
import shutil
import subprocess
import sys
import tempfile

SENTENCES = [
    "Добър ден, как сте днес?",
    "Котката спи на топлия прозорец.",
    "В 2024 г. имаше 365 дни и 12 месеца.",
    "Градът е стар, а улиците са тесни и криви.",
    "Ще дойда утре в 9:30 ч., ако не вали.",
    "Това е БДЖ, а онова е НАТО.",
    "Моля, прочетете думата „здравей“ бавно!",
    "Имаме 3,50 лв. и две ябълки.",
    "Слънцето изгря над планината.",
    "Hello, това е смесен текст с English думи.",
]
ACTIONS = ["speak", "speak", "speak", "pronounce", "spellout", "bookmark", "silence",
           "section", "unknown"]


def random_fragments(rng):
    source = " ".join(rng.sample(SENTENCES, rng.randint(1, 3)))
    fragments = []
    at = 0
    while at < len(source):
        action = rng.choice(ACTIONS)
        state = {"rate": rng.choice([0, 0, rng.randint(-10, 10), rng.randint(-15, 15)]),
                 "volume": rng.choice([100, 100, rng.randint(0, 100)]),
                 "pitch": rng.choice([0, 0, rng.randint(-10, 10)])}
        if action in ("speak", "pronounce", "spellout"):
            length = min(len(source) - at, rng.randint(1, 40) if action != "spellout" else rng.randint(1, 6))
            fragments.append(dict(action=action, offset=at, length=length, **state))
            at += length
            if rng.random() < 0.3:
                at += 1  # a character left out, as between tags
        elif action == "bookmark":
            # No negative numbers: wParam is pointer-sized, so a 32-bit program's -3 is 4294967293
            # where a 64-bit one's is 2**64 - 3; both are the platform's answer.
            text = rng.choice(["42abc", "7", "mark", "+3x", " 12", ""])
            fragments.append(dict(action=action, text=text, offset=at, **state))
        elif action == "silence":
            fragments.append(dict(action=action, silence_ms=rng.choice([0, 50, 100, 250, 700]),
                                  **state))
        else:
            fragments.append(dict(action=action, offset=at, **state))
    return {"source": source, "speak_flags": rng.choice([0, 0, 0x40]), "fragments": fragments}


def random_markup(rng):
    words = rng.choice(SENTENCES).split()
    out = []
    for word in words:
        r = rng.random()
        if r < 0.15:
            out.append('<bookmark mark="%d%s"/>' % (rng.randint(0, 99), rng.choice(["", "b"])))
        elif r < 0.25:
            out.append('<silence msec="%d"/>' % rng.choice([10, 100, 300]))
        elif r < 0.35:
            word = "<spell>%s</spell>" % word
        elif r < 0.45:
            word = '<rate speed="%d">%s</rate>' % (rng.randint(-10, 10), word)
        elif r < 0.55:
            word = '<volume level="%d">%s</volume>' % (rng.randint(0, 100), word)
        elif r < 0.65:
            word = '<pitch middle="%d">%s</pitch>' % (rng.randint(-10, 10), word)
        out.append(word)
    return " ".join(out)


def random_request(rng, folder, index):
    args = []
    if rng.random() < 0.75:
        path = os.path.join(folder, "request-%d.json" % index)
        with open(path, "w", encoding="utf-8") as f:
            json.dump(random_fragments(rng), f, ensure_ascii=False)
        args += ["--fragments", path]
    else:
        path = os.path.join(folder, "request-%d.txt" % index)
        with open(path, "w", encoding="utf-8") as f:
            f.write(random_markup(rng))
        args += ["--xml", "--text-file", path]
    if rng.random() < 0.4:
        args += ["--rate", str(rng.randint(-15, 15))]
    if rng.random() < 0.3:
        args += ["--volume", str(rng.choice([0, 50, 100, 150, 65535]))]
    if rng.random() < 0.5:
        args += ["--max-write", str(rng.choice([1, 2, 3, 100, 333, 4096]))]
    for _ in range(rng.choice([0, 0, 1, 2])):
        what = rng.choice(["abort", "skip=%d" % rng.randint(1, 3), "rate=%d" % rng.randint(-12, 12),
                           "volume=%d" % rng.randint(0, 120)])
        args += ["--action", "%d:%s" % (rng.choice([0, 2000, 20000, 60000]), what)]
    return args


def run(command, env):
    done = subprocess.run(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                          timeout=300)
    return done.returncode, done.stderr.decode("utf-8", "replace").replace("\r", "")


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return None


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--count", type=int, default=200)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--linux", required=True, help="the Linux brelvox")
    parser.add_argument("--share", required=True, help="folder of bulgarian.voice/.grammar/.userdict")
    parser.add_argument("--windows", action="append", required=True, help="a brelvox.exe (repeatable)")
    parser.add_argument("--work", required=True, help="folder for requests and differences")
    options = parser.parse_args()

    shutil.rmtree(options.work, ignore_errors=True)
    os.makedirs(options.work)
    rng = random.Random(options.seed)
    voice = ["--voice-data", os.path.join(options.share, "bulgarian.voice"),
             "--grammar-data", os.path.join(options.share, "bulgarian.grammar"),
             "--userdict-data", os.path.join(options.share, "bulgarian.userdict")]
    env = dict(os.environ)
    env["BRELVOX_REGISTRY"] = tempfile.mkdtemp(prefix="registry-", dir=options.work)
    programs = [("linux", [options.linux])] + [
        ("windows-%d" % i, ["wine", exe]) for i, exe in enumerate(options.windows)]
    # Each program's engine library registered beside it (on Windows in the program's own view).
    for name, program in programs:
        status, error = run(program + ["register"], env)
        if status != 0:
            print("compare-speak: %s could not register its engine library: %s" % (name, error.strip()))
            return 1
    # No engine settings value anywhere: every engine uses its default option bits.
    for view in ("/reg:64", "/reg:32"):
        run(["wine", "reg", "delete", "HKLM\\SOFTWARE\\ORVELT\\TTSEngine", "/f", view], env)
    differing = 0
    audio_bytes = 0
    for index in range(options.count):
        args = random_request(rng, options.work, index)
        results = []
        for name, program in programs:
            events = os.path.join(options.work, "%d-%s.events" % (index, name))
            raw = os.path.join(options.work, "%d-%s.raw" % (index, name))
            status, error = run(program + ["speak"] + voice + args + ["--events", events, "--raw", raw],
                                env)
            results.append((name, status, read(events), read(raw), error))
        reference = results[0]
        audio_bytes += len(reference[3] or b"")
        same = all(r[1:4] == reference[1:4] for r in results[1:])
        if not same:
            differing += 1
            print("request %d differs: %s" % (index, " ".join(args)))
            for name, status, events, raw, error in results:
                print("  %s: status %d, %s event bytes, %s audio bytes %s" % (
                    name, status, len(events or b""), len(raw or b""), error.strip()[:200]))
        else:
            for name, *_ in results:
                for suffix in ("events", "raw"):
                    path = os.path.join(options.work, "%d-%s.%s" % (index, name, suffix))
                    if os.path.exists(path):
                        os.remove(path)
    print("compare-speak: %d requests, %d programs, %.1f s of audio each, %d differing" % (
        options.count, len(programs), audio_bytes / 2 / 22050.0, differing))
    return 1 if differing else 0


if __name__ == "__main__":
    sys.exit(main())
