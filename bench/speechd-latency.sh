#!/usr/bin/env bash
# Latency of the speech-dispatcher module against sd_espeak-ng, in one run: each module is started
# as the server starts it and driven through its protocol on a pipe (audio to the server, the
# reader taking every event at once), so the figures are the modules' own. For each, RUNS times:
# SPEAK of a one-sentence message to its first 705 audio event, and STOP in the middle of a long
# text to its 703. Prints each run, the medians and the ratio ours / espeak-ng, against the targets
# of 20 ms and 50 ms.
#
#   bench/speechd-latency.sh [RUNS]      (after scripts/setup; BRELVOX_REGISTRY as for brelvox)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10}
[ -x build/bin/sd_brelvox ] || { echo "speechd-latency: build the module first (cmake --build build --target sd_brelvox)" >&2; exit 1; }
espeak=/usr/lib/speech-dispatcher-modules/sd_espeak-ng
[ -x "$espeak" ] || { echo "speechd-latency: $espeak is missing; run scripts/setup" >&2; exit 1; }
exec /usr/bin/python3 - "$runs" build/bin/sd_brelvox build/share/brelvox/speech-dispatcher/brelvox.conf \
  "$espeak" /etc/speech-dispatcher/modules/espeak-ng.conf <<'PY'
import queue, statistics, subprocess, sys, threading, time

runs = int(sys.argv[1])
modules = [("sd_brelvox", sys.argv[2], sys.argv[3]), ("sd_espeak-ng", sys.argv[4], sys.argv[5])]
SENTENCE = "Днес времето е хубаво и ние отиваме на разходка в планината."
LONG = " ".join("Това е изречение номер %d от един дълъг текст." % i for i in range(1, 200))


class Module:
    def __init__(self, binary, conf):
        self.p = subprocess.Popen([binary, conf], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  stderr=subprocess.DEVNULL)
        self.lines = queue.Queue()
        threading.Thread(target=self.read, daemon=True).start()
        self.command("INIT\n", b"299 ")
        self.command("AUDIO\naudio_output_method=server\n.\n", b"203 OK AUDIO")
        self.command("SET\nrate=0\npitch=0\nvolume=0\npunctuation_mode=none\nspelling_mode=off\n"
                     "cap_let_recogn=none\nvoice=male1\nlanguage=bg\nsynthesis_voice=NULL\n.\n",
                     b"203 OK SETTINGS RECEIVED")

    def read(self):
        # Large reads, as the server reads; only the lines that are not audio are queued.
        import os
        fd, rest = self.p.stdout.fileno(), b""
        while True:
            chunk = os.read(fd, 1 << 20)
            at = time.perf_counter()
            if not chunk:
                break
            *lines, rest = (rest + chunk).split(b"\n")
            for line in lines:
                if not line.startswith(b"705") or line.startswith(b"705-bits"):
                    self.lines.put((at, line))
        self.lines.put((time.perf_counter(), b""))

    def send(self, text):
        self.p.stdin.write(text.encode())
        self.p.stdin.flush()
        return time.perf_counter()

    def until(self, prefix, timeout=60):
        while True:
            at, line = self.lines.get(timeout=timeout)
            if line == b"":
                raise RuntimeError("the module ended")
            if line.startswith(b"399") or line.startswith(b"301"):
                raise RuntimeError(line.decode(errors="replace").strip())
            if line.startswith(prefix):
                return at

    def command(self, text, reply):
        self.send(text)
        self.until(reply)

    def first_audio(self):
        start = self.send("SPEAK\n")
        self.until(b"202 ")
        self.send("<speak>%s</speak>\n.\n" % SENTENCE)
        at = self.until(b"705-bits")
        self.until(b"702 END")
        return (at - start) * 1000

    def stop(self):
        self.send("SPEAK\n")
        self.until(b"202 ")
        self.send("<speak>%s</speak>\n.\n" % LONG)
        self.until(b"705-bits")
        time.sleep(0.1)
        start = self.send("STOP\n")
        at = self.until(b"703 STOP")
        return (at - start) * 1000

    def quit(self):
        try:
            self.command("QUIT\n", b"210")
        finally:
            self.p.wait(5)


results = {}
for name, binary, conf in modules:
    m = Module(binary, conf)
    try:
        m.first_audio()  # warm up
        first = [m.first_audio() for _ in range(runs)]
        stop = [m.stop() for _ in range(runs)]
    finally:
        m.quit()
    results[name] = (first, stop)
    print("%-13s SPEAK to first 705: %s ms" % (name, " ".join("%.1f" % x for x in first)))
    print("%-13s STOP to 703:        %s ms" % (name, " ".join("%.1f" % x for x in stop)))

ours, theirs = results["sd_brelvox"], results["sd_espeak-ng"]
for i, (what, target) in enumerate((("SPEAK to first 705", 20), ("STOP to 703", 50))):
    a, b = statistics.median(ours[i]), statistics.median(theirs[i])
    print("median %-18s sd_brelvox %6.1f ms, sd_espeak-ng %6.1f ms, ratio %.2f (target <= %d ms: %s)"
          % (what, a, b, a / b if b else float("inf"), target, "met" if a <= target else "missed"))
PY
