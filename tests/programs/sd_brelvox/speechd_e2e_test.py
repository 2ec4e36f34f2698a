#!/usr/bin/python3
"""sd_brelvox through a real speech-dispatcher: a private daemon that loads only our module, audio
captured by an ALSA file sink (no sound card, no audio server, no session bus), driven by spd-say
and by python3-speechd with a connection-wide event tap.

Usage: speechd_e2e_test.py --module BIN --brelvox BIN --share DIR
Exit status 0 when every check passed, 1 when one failed, 77 when speech-dispatcher is missing."""

import argparse
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import threading
import time
import wave

RATE_SERVER_FACTOR = 0.925  # the server plays at volume 85
failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


def samples(data):
    return struct.unpack("<%dh" % (len(data) // 2), data[: len(data) // 2 * 2])


class Daemon:
    """A private speech-dispatcher with only sd_brelvox, its audio in out.raw."""

    def __init__(self, root, args, debian_config):
        self.w = tempfile.mkdtemp(prefix="sd-", dir=root)
        for d in ("run", "conf/modules", "log", "home/.local/share", "moddir"):
            os.makedirs(os.path.join(self.w, d))
        os.chmod(os.path.join(self.w, "run"), 0o700)
        self.raw = os.path.join(self.w, "out.raw")
        home = os.path.join(self.w, "home")
        if debian_config:
            # Installed for the user as users do; the server finds it by its own search.
            subprocess.run([args.brelvox, "speechd", "install", "--user", "--module", args.module,
                            "--conf", args.conf], check=True, capture_output=True,
                           env=dict(os.environ, HOME=home, XDG_DATA_HOME="", XDG_CONFIG_HOME=""))
        else:
            shutil.copy(args.conf, os.path.join(self.w, "conf/modules/brelvox.conf"))
            os.symlink(os.path.abspath(args.module), os.path.join(self.w, "moddir/sd_brelvox"))
        with open(os.path.join(self.w, "home/.asoundrc"), "w") as f:
            f.write('pcm.!default { type file; slave.pcm "null"; file "%s"; format raw }\n' % self.raw)
        if debian_config:
            # Debian's own settings (symbol preprocessing, volume), without its client includes.
            with open("/etc/speech-dispatcher/speechd.conf") as f:
                conf = [l for l in f if not l.lstrip().startswith(("Include", "LogDir"))]
        else:
            conf = ['SymbolsPreproc "none"\n']
        conf += ["LogLevel 5\n", "DisableAutoSpawn\n", 'AudioOutputMethod "alsa"\n',
                 "DefaultModule brelvox\n", 'LanguageDefaultModule "bg" "brelvox"\n']
        with open(os.path.join(self.w, "conf/speechd.conf"), "w") as f:
            f.writelines(conf)
        sock = os.path.join(self.w, "run/sd.sock")
        self.env = dict(os.environ, XDG_RUNTIME_DIR=os.path.join(self.w, "run"),
                        HOME=os.path.join(self.w, "home"),
                        XDG_DATA_HOME=os.path.join(self.w, "home/.local/share"),
                        XDG_CONFIG_HOME=os.path.join(self.w, "home/.config"),
                        SPEECHD_ADDRESS="unix_socket:" + sock, SPEECHD_CMD="/bin/false",
                        BRELVOX_REGISTRY=args.registry)
        self.env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        self.out = open(os.path.join(self.w, "log/sd.stdout"), "wb")
        self.process = subprocess.Popen(
            ["speech-dispatcher", "-s", "-t", "0", "-C", os.path.join(self.w, "conf"),
             "-L", os.path.join(self.w, "log"), "-m", os.path.join(self.w, "moddir"),
             "-c", "unix_socket", "-S", sock], env=self.env, stdout=self.out,
            stderr=subprocess.STDOUT)
        deadline = time.time() + 20
        while time.time() < deadline:
            r = self.spd("-O", timeout=5)
            if "brelvox" in r.stdout.split():
                return
            time.sleep(0.05)
        self.stop()
        raise RuntimeError("speech-dispatcher did not load sd_brelvox; see " + self.w + "/log")

    def spd(self, *args, timeout=30):
        try:
            return subprocess.run(["spd-say", *args], env=self.env, capture_output=True,
                                  text=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            return subprocess.CompletedProcess(args, 124, "", "timed out")

    def captured(self):
        try:
            with open(self.raw, "rb") as f:
                return f.read()
        except FileNotFoundError:
            return b""

    def say(self, *args):
        """Audio samples of one spd-say -w message (the sink writes every message to one file)."""
        before = len(self.captured())
        r = self.spd("-o", "brelvox", "-l", "bg", "-w", *args)
        check(r.returncode == 0, "spd-say %s returns (status %d)" % (" ".join(args), r.returncode))
        time.sleep(0.05)
        return samples(self.captured()[before:])

    def log(self):
        try:
            with open(os.path.join(self.w, "log/brelvox.log"), encoding="utf-8",
                      errors="replace") as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def client(self):
        import speechd
        os.environ.update(SPEECHD_ADDRESS=self.env["SPEECHD_ADDRESS"])
        return Client(speechd.SSIPClient("e2e", autospawn=False))

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(3)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.out.close()


class Client:
    """python3-speechd with a tap on every event of the connection."""

    def __init__(self, client):
        import speechd
        self.speechd = speechd
        self.c = client
        self.c.set_output_module("brelvox")
        self.c.set_language("bg")
        self.events = []
        self.changed = threading.Condition()

        def tap(msg_id, client_id, kind, **kw):
            with self.changed:
                self.events.append((msg_id, kind, kw.get("index_mark"), time.monotonic()))
                self.changed.notify_all()

        self.c._conn.set_callback(tap)
        self.c._conn.send_command("SET", speechd.Scope.SELF, "NOTIFICATION", "all", "on")

    def speak(self, text, ssml=False):
        self.c.set_data_mode(self.speechd.DataMode.SSML if ssml else self.speechd.DataMode.TEXT)
        return int(self.c.speak(text)[2][0])

    def of(self, msg_id):
        return [(kind, mark) for m, kind, mark, _ in self.events if m == msg_id]

    def wait(self, msg_id, kinds, timeout=20):
        deadline = time.monotonic() + timeout
        with self.changed:
            while True:
                for m, kind, mark, at in self.events:
                    if m == msg_id and kind in kinds:
                        return kind, at
                left = deadline - time.monotonic()
                if left <= 0:
                    return None, None
                self.changed.wait(left)

    def close(self):
        self.c.close()


def reference(args, text, xml=False):
    """brelvox say's samples of the same text, at the server's volume."""
    path = os.path.join(args.work, "say.wav")
    cmd = [args.brelvox, "say", text, "--wav", path] + (["--xml"] if xml else [])
    subprocess.run(cmd, check=True, capture_output=True,
                   env=dict(os.environ, BRELVOX_REGISTRY=args.registry))
    with wave.open(path) as w:
        return w.getframerate(), samples(w.readframes(w.getnframes()))


def same_pcm(captured, ref, what):
    check(len(captured) == len(ref), "%s: %d samples captured, %d from brelvox say"
          % (what, len(captured), len(ref)))
    worst = max((abs(a - b * RATE_SERVER_FACTOR) for a, b in zip(captured, ref)), default=99)
    check(worst <= 1.0, "%s: PCM equals brelvox say's x %.3f within 1 LSB (worst %.2f)"
          % (what, RATE_SERVER_FACTOR, worst))


def test_test_configuration(args, d, rate):
    print("-- with the server's symbol preprocessing off")
    sentence = "Здравей, как си днес? Времето навън е хубаво и слънчево."
    _, ref = reference(args, sentence)
    raw = struct.pack("<%dh" % len(ref), *ref)
    escapes = raw.count(b"\x0a") + raw.count(b"\x7d")
    check(escapes > 0, "the sentence's PCM holds %d bytes 0x0A/0x7D that need escaping" % escapes)
    same_pcm(d.say(sentence), ref, "spd-say -o brelvox -l bg -w")

    # Characters and keys: CHAR ж is the voice's spelled жъ.
    _, ref = reference(args, "<spell>ж</spell>", xml=True)
    same_pcm(d.say("-c", "ж"), ref, "spd-say -c ж")
    check("CHAR with" in d.log(), "the module got CHAR")
    a = len(d.say("-c", "a"))
    shift_a = len(d.say("-k", "shift_a"))
    check(shift_a > a + rate * 0.2, "-k shift_a (%.2f s) says more than -c a (%.2f s)"
          % (shift_a / rate, a / rate))
    word = len(d.say("мама"))
    spelled = len(d.say("-s", "мама"))
    check(spelled > word * 1.5, "-s spells: %.2f s against %.2f s read as a word"
          % (spelled / rate, word / rate))

    # Rate: -100 half as fast, 100 twice as fast.
    text = "Днес времето е хубаво и ние отиваме на разходка в планината."
    normal = len(d.say(text))
    fast = len(d.say("-r", "100", text))
    slow = len(d.say("-r", "-100", text))
    check(0.4 < fast / normal < 0.62, "-r 100 takes %.2f of the time (2^-1 expected)"
          % (fast / normal))
    check(1.6 < slow / normal < 2.5, "-r -100 takes %.2f of the time (2^1 expected)"
          % (slow / normal))

    test_punctuation(d, rate)

    r = d.spd("-o", "brelvox", "-L", timeout=10)
    check(re.search(r"BRELVOX Bulgarian\s+bg\s+none", r.stdout) is not None,
          "-o brelvox -L lists the installed voice: " + " ".join(r.stdout.split()[3:]))

    c = d.client()
    try:
        test_marks(c, d)
        test_stop(c, d, rate)
        test_errors(c, d)
    finally:
        c.close()


def test_punctuation(d, rate):
    text = "Здравей, свят!"
    none = len(d.say("-m", "none", text))
    read = len(d.say("-m", "all", text))
    check(read > none + rate * 0.5, "-m all reads the punctuation: %.2f s against %.2f s"
          % (read / rate, none / rate))


def test_marks(c, d):
    mid = c.speak('<speak>Едно <mark name="m1"/>две <mark name="m2"/>три.</speak>', ssml=True)
    c.wait(mid, ("end", "cancel"))
    got = c.of(mid)
    check(got == [("begin", None), ("index_marks", "m1"), ("index_marks", "m2"), ("end", None)],
          "SSML marks: BEGIN, m1, m2, END in order: %s" % got)

    before = d.log()
    mid = c.speak("Първо изречение. Второ изречение! Трето изречение?")
    c.wait(mid, ("end", "cancel"))
    check(c.of(mid)[-1] == ("end", None), "a text of three sentences ends with END")
    new = d.log()[len(before):]
    marks = re.findall(r"mark (__spd_\d+) after (\d+) samples", new)
    positions = [int(n) for _, n in marks]
    check(len(marks) >= 2 and positions == sorted(positions) and positions[0] > 0,
          "__spd_ marks go out after the audio before them, in order: %s" % marks)


def test_stop(c, d, rate):
    text = " ".join("Това е изречение номер %d от един много дълъг текст за прекъсване." % i
                    for i in range(1, 120))
    mid = c.speak(text)
    kind, _ = c.wait(mid, ("begin",))
    time.sleep(0.15)
    stopped_at = time.monotonic()
    c.c.cancel()
    kind, at = c.wait(mid, ("end", "cancel"))
    check(kind == "cancel", "cancel in the middle of a long text gives 703 STOP (%s)" % kind)
    if at is not None:
        print("     STOP to the client's CANCELED event: %.1f ms" % ((at - stopped_at) * 1000))
    log = d.log()
    stop = re.findall(r"(\d+):(\d+):(\d+)\.(\d+) sd_brelvox: STOP\n", log)
    done = re.findall(r"(\d+):(\d+):(\d+)\.(\d+) sd_brelvox: 703 STOP sent", log)
    if stop and done:
        ms = lambda t: ((int(t[0]) * 60 + int(t[1])) * 60 + int(t[2])) * 1000 + int(t[3])
        print("     STOP to 703 inside the module: %d ms" % (ms(done[-1]) - ms(stop[-1])))
    size = len(d.captured())
    time.sleep(1.0)
    check(len(d.captured()) == size, "no audio after the stop")
    check(size / 2 / rate < 60, "the long text was cut short (%.1f s captured)" % (size / 2 / rate))


def test_errors(c, d):
    r = d.spd("-o", "brelvox", "-y", "nosuch", "-w", "текст", timeout=10)
    check(r.returncode == 0, "a missing voice does not hang spd-say -w")
    check("there is no BRELVOX voice nosuch" in d.log(), "a missing voice is named in the log")
    mid = c.speak("<speak>счупен <mark</speak>", ssml=True)
    kind, _ = c.wait(mid, ("end", "cancel"), timeout=10)
    check(kind == "cancel", "bad SSML ends the message (%s)" % kind)
    check("not well-formed SSML" in d.log(), "bad SSML is named in the log")
    mid = c.speak("а" * 1000000)
    kind, _ = c.wait(mid, ("end", "cancel"), timeout=30)
    check(kind == "cancel", "a 1 MB message ends at once (%s)" % kind)
    check("longer than" in d.log(), "a 1 MB message is named in the log")
    mid = c.speak("Още работя.")
    kind, _ = c.wait(mid, ("end", "cancel"))
    check(kind == "end", "the module speaks on after the errors")


def test_machine_install(args):
    root = os.path.join(args.work, "root")
    run = lambda *more: subprocess.run([args.brelvox, "speechd", *more, "--root", root],
                                       capture_output=True, text=True)
    r = run("install", "--module", args.module, "--conf", args.conf)
    module = os.path.join(root, "usr/lib/speech-dispatcher-modules/sd_brelvox")
    conf = os.path.join(root, "etc/speech-dispatcher/modules/brelvox.conf")
    check(r.returncode == 0 and os.access(module, os.X_OK) and os.path.isfile(conf),
          "brelvox speechd install --root puts the module and brelvox.conf in the system folders")
    r = run("uninstall")
    check(r.returncode == 0 and not os.path.exists(module) and not os.path.exists(conf),
          "brelvox speechd uninstall --root takes them away")


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--module", required=True)
    p.add_argument("--brelvox", required=True)
    p.add_argument("--share", required=True)
    args = p.parse_args()
    if shutil.which("speech-dispatcher") is None or shutil.which("spd-say") is None:
        print("SKIP: speech-dispatcher is not installed (scripts/setup installs it)")
        return 77
    try:
        import speechd  # noqa: F401
    except ImportError:
        print("SKIP: python3-speechd is not installed (scripts/setup installs it)")
        return 77
    args.conf = os.path.join(args.share, "speech-dispatcher/brelvox.conf")
    with tempfile.TemporaryDirectory(prefix="sd-brelvox-") as work:
        args.work = work
        args.registry = os.path.join(work, "registry")
        env = dict(os.environ, BRELVOX_REGISTRY=args.registry)
        subprocess.run([args.brelvox, "register"], check=True, env=env, capture_output=True)
        subprocess.run([args.brelvox, "install-voice", "--name", "BRELVOX Bulgarian", "--default",
                        "--voice-data", args.share + "/bulgarian.voice",
                        "--grammar-data", args.share + "/bulgarian.grammar",
                        "--userdict-data", args.share + "/bulgarian.userdict"],
                       check=True, env=env, capture_output=True)
        rate, _ = reference(args, "а")
        test_machine_install(args)
        for debian in (False, True):
            d = Daemon(work, args, debian)
            try:
                if debian:
                    print("-- installed with brelvox speechd install --user, with Debian's "
                          "default configuration")
                    check("configuration %s/home/.config/speech-dispatcher/modules/brelvox.conf"
                          % d.w in d.log(), "the module found the user's brelvox.conf")
                    test_punctuation(d, rate)
                else:
                    test_test_configuration(args, d, rate)
            finally:
                d.stop()
                if failures:
                    print("module log:\n" + d.log()[-3000:])
    print("%d checks failed" % len(failures) if failures else "all checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
