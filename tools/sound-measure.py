#!/usr/bin/env python3
"""Measures the program's sound on the routes a desktop gives ALSA's "default",
with aplay playing the same samples on the same route as the control.

    tools/sound-measure.py BUILD_DIR [options]

For each route (a private PipeWire reached through its ALSA plug-in; the same
PipeWire served to libasound2-plugins' pulse plug-in by pipewire-pulse; a real
PulseAudio daemon, unpacked, never installed) it starts the sound server with
a sink at 29,761 Hz that writes what it plays into a pipe, which is
recorded, starts
BUILD_DIR/bin/vorlantix on a private Xvfb and presses its buttons through
XTest:

  - Play 0 held for 1 s, the first press after start-up and later ones:
    press-to-first-sample and release-to-silence;
  - Play All held for 1 s: samples of the morph delivered, exact and in place,
    of the 11,399 from its first sound sample on;
  - Play 0 held for 60 s (--hold-seconds) with every core kept busy by
    stress-ng: samples lost, repeated or altered, silence inserted, and the
    processor time of the hold.

aplay gets every one of these turns too, interleaved with the program's,
playing the same samples (a press is its start, a release its SIGINT).
Prints one line per turn and a table for the README. Needs root for the
servers' real-time priority, as rtkit gives it to a desktop's; installs what
it needs with tools/deps.sh measure. Not part of .ci/run: it takes about
25 minutes a route with the default 10 holds.
"""

import argparse
import array
import bisect
import ctypes
import ctypes.util
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import wave

RATE = 29761
PERIOD = 114
MORPH = 11400
PLAY0 = (241, 130)  # the middle of each button, in window pixels
PLAYALL = (251, 147)
HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(HERE)
ROUTES = ("pipewire", "pulse", "pulseaudio")
ROUTE_NAMES = {
    "pipewire": "PipeWire's ALSA plug-in",
    "pulse": "the pulse plug-in, served by pipewire-pulse",
    "pulseaudio": "the pulse plug-in, served by PulseAudio",
}


def now():
    return time.monotonic()


def log(text):
    print(text, flush=True)


class Process:
    """A child process with its own output file, always stopped and reaped."""

    def __init__(self, args, env, output, name=None, cwd=None):
        self.name = name or os.path.basename(args[0])
        with open(output, "wb") as out:
            self.popen = subprocess.Popen(
                args, env=env, cwd=cwd, stdin=subprocess.DEVNULL, stdout=out,
                stderr=subprocess.STDOUT
            )

    @property
    def pid(self):
        return self.popen.pid

    def running(self):
        return self.popen.poll() is None

    def send(self, number):
        if self.running():
            self.popen.send_signal(number)

    def stop(self, number=signal.SIGTERM, seconds=3):
        if self.running():
            self.popen.send_signal(number)
            try:
                self.popen.wait(seconds)
            except subprocess.TimeoutExpired:
                self.popen.kill()
                self.popen.wait()
        return self.popen.returncode


def run(args, env, seconds=10):
    """Runs a command to its end; its standard output, or None if it failed."""
    try:
        done = subprocess.run(
            args, env=env, stdin=subprocess.DEVNULL, capture_output=True, timeout=seconds
        )
    except (subprocess.TimeoutExpired, OSError):
        return None
    return done.stdout.decode(errors="replace") if done.returncode == 0 else None


def await_true(condition, seconds, step=0.05):
    deadline = now() + seconds
    while now() < deadline:
        if condition():
            return True
        time.sleep(step)
    return condition()


def cpu_ticks(pid):
    """User and system time of a process and all its threads, in clock ticks."""
    try:
        with open(f"/proc/{pid}/stat") as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
    except OSError:
        return None
    return int(fields[11]) + int(fields[12])


def thread_classes(pid):
    """The scheduling policy of each of a process's threads, by thread name."""
    out = run(["ps", "-L", "-o", "cls=,rtprio=,comm=", "-p", str(pid)], None)
    return " ".join("/".join(line.split()) for line in (out or "").splitlines())


# --- Sound servers ----------------------------------------------------------


class Server:
    """A sound server in a private runtime folder; nothing of the user's own
    sound server is touched."""

    def __init__(self, work, route):
        self.route = route
        self.dir = os.path.join(work, route)
        os.makedirs(self.dir, mode=0o700)
        self.children = []
        # A PulseAudio or PipeWire named by the caller's environment must not
        # take the clients over.
        self.env = {
            k: v
            for k, v in os.environ.items()
            if k not in ("PULSE_SERVER", "PIPEWIRE_REMOTE", "DISPLAY", "ALSA_CONFIG_PATH")
        }
        self.env.update(
            HOME=self.dir,
            XDG_RUNTIME_DIR=self.dir,
            PIPEWIRE_RUNTIME_DIR=self.dir,
            XDG_CONFIG_HOME=os.path.join(self.dir, "config"),
            XDG_STATE_HOME=os.path.join(self.dir, "state"),
            DBUS_SESSION_BUS_ADDRESS="unix:path=" + os.path.join(self.dir, "bus"),
        )

    def start_child(self, args, name, socket=None):
        child = Process(args, self.env, os.path.join(self.dir, name + ".log"), name)
        self.children.append(child)
        if socket and not await_true(
            lambda: os.path.exists(os.path.join(self.dir, socket)) or not child.running(), 10
        ):
            raise RuntimeError(f"{name} did not come up")
        if not child.running():
            raise RuntimeError(f"{name} ended at start: see {self.dir}/{name}.log")
        return child

    def stop(self):
        for child in reversed(self.children):
            child.stop()

    def write(self, relative, text):
        path = os.path.join(self.dir, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as out:
            out.write(text)

    def alsa_default_pulse(self):
        # What a PulseAudio desktop's ALSA configuration does for "default".
        self.write(".asoundrc", "pcm.!default { type pulse }\nctl.!default { type pulse }\n")


class PipeWire(Server):
    """pipewire and WirePlumber on a session bus, and as the default sink
    "vlx-out" at the stream's rate, which writes what it plays into a pipe
    from the server's own thread, so that the recording cannot fall behind
    and lose a cycle; with pulse=True also pipewire-pulse, and ALSA's
    "default" sent through the pulse plug-in."""

    continuous = False  # the sink runs only while something plays

    def __init__(self, work, route, pulse, serve_pulse=False):
        super().__init__(work, route)
        self.pulse = pulse
        self.serve_pulse = pulse or serve_pulse  # parec needs the pulse protocol
        self.pipe = os.path.join(self.dir, "sink.fifo")

    def start(self):
        # Fragments only, read alike by PipeWire 0.3 and 1.x.
        self.write(
            "config/pipewire/pipewire.conf.d/vlx.conf",
            "context.properties = {\n"
            "  default.clock.rate = 29761\n"
            "  default.clock.allowed-rates = [ 29761 ]\n"
            "}\n"
            "context.modules = [\n"
            "  { name = libpipewire-module-pipe-tunnel\n"
            f"    args = {{ tunnel.mode = sink pipe.filename = \"{self.pipe}\"\n"
            "             audio.format = S16LE audio.rate = 29761 audio.channels = 1\n"
            "             audio.position = [ MONO ]\n"
            "             stream.props = { node.name = vlx-out media.class = Audio/Sink } } }\n"
            "]\n",
        )
        self.start_child(
            ["dbus-daemon", "--session", "--nofork", "--nosyslog",
             "--address=" + self.env["DBUS_SESSION_BUS_ADDRESS"]],
            "dbus", "bus",
        )
        self.server = self.start_child(["pipewire"], "pipewire", "pipewire-0")
        self.start_child(["wireplumber"], "wireplumber")
        if self.serve_pulse:
            self.start_child(["pipewire-pulse"], "pipewire-pulse", "pulse/native")
        if self.pulse:
            self.alsa_default_pulse()
        ok = await_true(
            lambda: run(["pw-metadata", "0", "default.configured.audio.sink",
                         '{ "name": "vlx-out" }', "Spa:String:JSON"], self.env, 3) is not None,
            10, 0.2,
        )
        if not ok:
            raise RuntimeError("WirePlumber did not publish its default metadata")

    def recorder(self, path):
        return ["sh", "-c", f"exec cat '{self.pipe}' > '{path}'"]

    def monitor_recorder(self, kind, path):
        """A second recorder on the sink's monitor, as a user would record
        what a sink plays: parec with a short latency (through pipewire-pulse)
        or pw-record capturing the sink."""
        if kind == "parec":
            return ["parec", "-d", "vlx-out.monitor", "--format=s16le", f"--rate={RATE}",
                    "--channels=1", "--raw", "--latency-msec=10", path]
        return ["pw-record", "--target", "vlx-out", "-P", "{ stream.capture.sink=true }",
                "--format", "s16", "--rate", str(RATE), "--channels", "1", path]

    def priority(self):
        return thread_classes(self.server.pid)


class PulseAudio(Server):
    """A real PulseAudio daemon, unpacked from Debian's package (installing it
    would remove pipewire-alsa), with a sink "out" at the stream's rate that
    writes what it plays into a pipe, paced by the system clock as a sound
    card would pace it.

    Not a null sink recorded from its monitor: PulseAudio rewinds a sink to
    play a new stream at once, and a monitor that has already handed the
    rewound silence to its recorder drops as many of the new stream's first
    samples instead (seen: 6 to 270 samples of every morph, for aplay and the
    program alike, where this sink records all 11,399)."""

    continuous = True  # the sink runs, and is recorded, all the time

    def __init__(self, work, route, unpacked, idle=False):
        super().__init__(work, route)
        self.unpacked = unpacked
        self.idle = idle
        self.pipe = os.path.join(self.dir, "sink.fifo")

    def start(self):
        root = self.unpacked
        modules = [os.path.join(root, "usr/lib", d, "modules")
                   for d in os.listdir(os.path.join(root, "usr/lib")) if d.startswith("pulse-")]
        if not modules:
            raise RuntimeError(f"no PulseAudio modules in {root}")
        self.env["LD_LIBRARY_PATH"] = os.path.join(root, "usr/lib/x86_64-linux-gnu/pulseaudio")
        self.env["LD_LIBRARY_PATH"] += ":" + modules[0]
        self.server = self.start_child(
            [os.path.join(root, "usr/bin/pulseaudio"), "-n", "--daemonize=no",
             "--exit-idle-time=-1", "--dl-search-path=" + modules[0], "--use-pid-file=no",
             "--load=module-native-protocol-unix",
             f"--load=module-pipe-sink sink_name=out file={self.pipe} rate={RATE}"
             " format=s16le channels=1 use_system_clock_for_timing=yes",
             "--load=module-always-sink",
             # A desktop's configuration suspends an idle sink after 5 s.
             *(["--load=module-suspend-on-idle timeout=1"] if self.idle else [])],
            "pulseaudio", "pulse/native",
        )
        # PulseAudio runs a sound card's thread with real-time priority; its
        # pipe sink does not ask for it, so it gets what a card's would.
        for task in os.listdir(f"/proc/{self.server.pid}/task"):
            with open(f"/proc/{self.server.pid}/task/{task}/comm") as comm:
                if comm.read().strip() == "pipe-sink":
                    subprocess.run(["chrt", "-r", "-p", "5", task], check=True,
                                   stdout=subprocess.DEVNULL)
        # The clients must not pick up the unpacked libraries.
        del self.env["LD_LIBRARY_PATH"]
        self.alsa_default_pulse()

    def recorder(self, path):
        return ["sh", "-c", f"exec cat '{self.pipe}' > '{path}'"]

    def priority(self):
        return thread_classes(self.server.pid)


def unpack_pulseaudio(cache):
    """Debian's pulseaudio package, unpacked into CACHE once."""
    root = os.path.join(cache, "root")
    if os.path.exists(os.path.join(root, "usr/bin/pulseaudio")):
        return root
    os.makedirs(cache, exist_ok=True)
    subprocess.run(["apt-get", "download", "pulseaudio"], cwd=cache, check=True,
                   stdout=subprocess.DEVNULL)
    deb = [f for f in os.listdir(cache) if f.startswith("pulseaudio_") and f.endswith(".deb")]
    subprocess.run(["dpkg-deb", "-x", os.path.join(cache, deb[0]), root], check=True)
    return root


# --- Recording ---------------------------------------------------------------


class Recorder:
    """Records the sink into a raw file and ties its samples to the clock. The
    sink takes one server cycle of samples at each of its wakeups and the file
    grows by them in the same cycle, so a look at time T that sees the file
    grown from M samples says sample M was heard at T or a little before. A
    late look only errs later, so the earliest such moment over a stretch of
    steady cycles ties that stretch; each turn is tied by its own cycles, as
    their length follows the latency its player asks for."""

    def __init__(self, server, path, command=None, name="pipe sink"):
        self.path = path
        self.server = server
        self.name = name
        # Real-time, as the server's own threads: a starved recorder loses
        # what it records and moves the clock with it.
        self.process = Process(["chrt", "-f", "10", *(command or server.recorder(path))],
                               server.env, path + ".log", "recorder")
        self.looks = []  # (time, size before, size after) of each growth seen
        self.running = True
        self.thread = threading.Thread(target=self.watch, daemon=True)
        self.thread.start()

    def size(self):
        try:
            return os.stat(self.path).st_size // 2
        except OSError:
            return 0

    def watch(self):
        last = 0
        while self.running:
            t = now()
            n = self.size()
            if n > last:
                self.looks.append((t, last, n))
                last = n
            time.sleep(0.002)

    def started(self):
        if self.name != "pipe sink":
            return await_true(lambda: self.process.running() and os.path.exists(self.path), 5)
        if not self.server.continuous:
            return await_true(lambda: os.path.exists(self.path), 5)
        return await_true(lambda: self.size() > RATE // 2, 15)

    def stop(self):
        # Whatever the server still holds for the recorder comes out first.
        time.sleep(1.5)
        self.running = False
        self.thread.join()
        self.process.stop(signal.SIGINT)
        with open(self.path, "rb") as raw:
            self.samples = array.array("h", raw.read())
        self.times = [t for t, _, _ in self.looks]

    def size_at(self, t):
        """The samples recorded by time T."""
        k = bisect.bisect_right(self.times, t)
        return self.looks[k - 1][2] if k else 0

    def offset(self, start, end):
        """When sample 0 was heard, by the cycles recorded between START and END."""
        lo = bisect.bisect_left(self.times, start)
        hi = bisect.bisect_right(self.times, end)
        near = self.looks[lo:hi] or self.looks
        return min(t - before / RATE for t, before, _ in near)


class Profiler:
    """pw-profiler on a PipeWire route: for every server cycle, its length and
    when each node was woken and finished. Started once the recorder runs, so
    its first cycle is the one after recorded sample `first`, about."""

    def __init__(self, server, recorder):
        self.dir = os.path.join(server.dir, "profile")
        os.makedirs(self.dir)
        self.first = recorder.size()
        self.process = Process(["pw-profiler"], server.env, os.path.join(self.dir, "log"),
                               cwd=self.dir)

    def stop(self):
        self.process.stop(signal.SIGINT, 5)
        names = {}
        try:
            with open(os.path.join(self.dir, "Timing3.plot")) as plot:
                for title in plot.read().split(' title "')[1:]:
                    name, _, node = title.split('"')[0].rpartition("/")
                    names[node] = name
        except OSError:
            pass
        self.late = {}  # cycle -> what went wrong in it
        self.quanta = []
        previous = 0.0
        with open(os.path.join(self.dir, "profiler.log")) as lines:
            for k, line in enumerate(lines):
                cols = line.rstrip("\n").split("\t")
                period = float(cols[3])
                self.quanta.append(round(period * RATE / 1e6))
                what = []
                # A cycle after a change of length is as long as the one before.
                longest, previous = max(period, previous), period
                if float(cols[0]) > 1.3 * longest:
                    what.append(f"server woke {float(cols[0]) / 1000:.1f} ms after the last cycle")
                for i in range(4, len(cols) - 7, 8):
                    if not cols[i].strip():
                        continue
                    finish, status = float(cols[i + 3]), int(cols[i + 6])
                    if status != 3 or finish > period:
                        who = names.get(cols[i], "node " + cols[i])
                        state = {0: "not triggered", 1: "triggered, not woken",
                                 2: "woken, not finished"}.get(status, "finished")
                        what.append(f"{who} {state} at {finish / 1000:.1f} ms")
                if what:
                    self.late[k] = what

    def cycle(self, sample):
        """The cycle that recorded SAMPLE."""
        n = self.first
        for k, q in enumerate(self.quanta):
            n += q
            if n > sample:
                return k
        return len(self.quanta)

    def quantum(self, sample):
        k = self.cycle(sample)
        return self.quanta[k] if k < len(self.quanta) else None

    def near(self, sample, seconds=2.0):
        """What went wrong in the cycles around the one that recorded SAMPLE
        (the profiler's count of cycles can be a second or so off)."""
        c = self.cycle(sample)
        cycles = int(seconds * RATE / max(self.quanta[c] if c < len(self.quanta) else 1, 1))
        seen = []
        for k in range(max(0, c - cycles), c + cycles + 1):
            for w in self.late.get(k, []):
                if w not in seen:
                    seen.append(w)
        return seen


# --- The sounds played ------------------------------------------------------


def read_wav(path):
    with wave.open(path, "rb") as w:
        return array.array("h", w.readframes(w.getnframes()))


def write_raw(path, samples):
    with open(path, "wb") as out:
        out.write(array.array("h", samples).tobytes())


# --- Analysis ---------------------------------------------------------------


def burst(rec, start, end):
    """First and last non-zero sample between start and end, or None."""
    first = next((i for i in range(start, min(end, len(rec))) if rec[i]), None)
    if first is None:
        return None
    last = next(i for i in range(min(end, len(rec)) - 1, first - 1, -1) if rec[i])
    return first, last


def phase_at(rec, j, period, window=16):
    """The one phase of PERIOD that the samples from j on follow, or None."""
    if j + window > len(rec):
        return None
    n = len(period)
    found = [q for q in range(n)
             if all(rec[j + k] == period[(q + k) % n] for k in range(window))]
    return found[0] if len(found) == 1 else None


def analyse_loop(rec, first, last, period):
    """Walks a looped period from its first sound sample to its last and counts
    what differs: silence (runs of zeros where sound was due, whether in phase,
    replacing samples, or delaying them), samples lost or repeated (the loop
    going on at another phase), samples altered."""
    n = len(period)
    result = {"silence": 0, "runs": 0, "replaced": 0, "lost": 0, "repeated": 0, "altered": 0,
              "events": []}
    p = phase_at(rec, first, period)
    if p is None:
        # The server may let a stream in mid-sample: find the phase a little on.
        for j in range(first + 1, min(first + 4096, last)):
            p = phase_at(rec, j, period)
            if p is not None:
                result["altered"] += j - first
                first = j
                break
        if p is None:
            result["altered"] = last - first + 1
            return result
    j = first
    while j <= last:
        if rec[j] == period[p]:
            j += 1
            p = (p + 1) % n
            continue
        if rec[j] == 0:
            k = j
            while k <= last and rec[k] == 0:
                k += 1
            length = k - j
            q = phase_at(rec, k, period)
            result["runs"] += 1
            result["silence"] += length
            if q is None:
                result["events"].append((j, f"{length} silent, then no phase"))
                j, p = resync(rec, k, last, period, result)
                continue
            skipped = (q - p) % n
            if skipped == length % n:
                result["replaced"] += length
                result["lost"] += length
                kind = "in phase: samples replaced"
            elif skipped == 0:
                kind = "delayed"
            else:
                result["lost"] += skipped
                kind = f"then {skipped} samples skipped"
            result["events"].append((j, f"{length} silent, {kind}"))
            j, p = k, q
            continue
        q = phase_at(rec, j, period)
        if q is None:
            result["altered"] += 1
            result["events"].append((j, "altered"))
            j += 1
            p = (p + 1) % n
            continue
        d = (q - p) % n
        if d <= n // 2:
            result["lost"] += d
            result["events"].append((j, f"{d} lost"))
        else:
            result["repeated"] += n - d
            result["events"].append((j, f"{n - d} repeated"))
        p = q
    return result


def resync(rec, j, last, period, result):
    while j <= last:
        q = phase_at(rec, j, period)
        if q is not None:
            return j, q
        result["altered"] += 1
        j += 1
    return j, 0


def morph_delivered(rec, first, last, morph):
    """How many of the morph's samples from its first sound sample on were
    heard in place, the burst's last sound sample taken as the morph's last."""
    end = max(i for i in range(len(morph)) if morph[i])
    start = min(i for i in range(len(morph)) if morph[i])
    count = 0
    for i in range(start, end + 1):
        j = last - (end - i)
        if first <= j and rec[j] == morph[i]:
            count += 1
    return count, end - start + 1


# --- The program under X -----------------------------------------------------


class Desktop:
    """A private Xvfb; the program is started on it for each route. Pointer
    events go to it through XTest from this process, so that the moment of a
    press or a release is known to the millisecond (xdotool would add the
    start and end of a process to it)."""

    def __init__(self, work):
        self.work = work
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten",
             "tcp", "-noreset"],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as display:
            number = display.readline().strip()
        if not number.isdigit():
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number
        self.x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        self.xtst = ctypes.CDLL(ctypes.util.find_library("Xtst") or "libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                                   ctypes.c_int, ctypes.c_ulong]
        self.xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                                   ctypes.c_ulong]
        self.connection = self.x11.XOpenDisplay(self.display.encode())
        if not self.connection:
            raise RuntimeError(f"cannot open display {self.display}")

    def stop(self):
        self.x11.XCloseDisplay(self.connection)
        self.xvfb.terminate()
        self.xvfb.wait()

    def move(self, x, y):
        self.xtst.XTestFakeMotionEvent(self.connection, 0, x, y, 0)
        self.x11.XSync(self.connection, 0)

    def button(self, down):
        """Presses or releases the left button; the moment the server has it."""
        self.xtst.XTestFakeButtonEvent(self.connection, 1, 1 if down else 0, 0)
        self.x11.XSync(self.connection, 0)
        return now()


class Program:
    def __init__(self, desktop, server, binary):
        self.desktop = desktop
        env = dict(server.env)
        env.update(DISPLAY=desktop.display, QT_QPA_PLATFORM="xcb", LANG="C.UTF-8",
                   TMPDIR=server.dir)
        self.process = Process([binary], env, os.path.join(server.dir, "program.log"))
        wid = None

        def window():
            nonlocal wid
            out = run(["xdotool", "search", "--onlyvisible", "--pid", str(self.process.pid)],
                      {"DISPLAY": desktop.display, "PATH": os.environ["PATH"]}, 5)
            wid = out.split()[0] if out else None
            return wid is not None

        if not await_true(window, 30, 0.1):
            raise RuntimeError("the program's window did not appear")
        out = run(["xdotool", "getwindowgeometry", wid],
                  {"DISPLAY": desktop.display, "PATH": os.environ["PATH"]}, 5)
        x, y = out.split("Position: ")[1].split()[0].split(",")
        self.origin = (int(x), int(y))
        time.sleep(1)

    def press(self, button):
        self.desktop.move(self.origin[0] + button[0], self.origin[1] + button[1])
        return self.desktop.button(True)

    def release(self):
        return self.desktop.button(False)

    def stop(self):
        self.process.stop()


class Aplay:
    """aplay on the same route, playing what the program plays: its start is a
    press and its SIGINT a release."""

    def __init__(self, server, files, extra=()):
        self.server = server
        self.files = files
        self.extra = list(extra)
        self.process = None

    def press(self, button):
        t = now()
        self.process = Process(["aplay", "-q", "-t", "raw", "-f", "S16_LE", "-r", str(RATE),
                                "-c", "1", *self.extra, self.files[button]], self.server.env,
                               os.path.join(self.server.dir, "aplay.log"))
        return t

    def release(self):
        self.process.send(signal.SIGINT)
        t = now()
        self.process.popen.wait(10)
        return t


# --- A route's session --------------------------------------------------------


class Session:
    """Turns of the program and of aplay on one route, recorded throughout."""

    def __init__(self, route, server, program, aplay, recorder, profiler=None, idle=0.0):
        self.route = route
        self.idle = idle
        self.profiler = profiler
        self.server = server
        self.players = {"program": program, "aplay": aplay}
        self.recorder = recorder
        self.turns = []

    def turn(self, who, kind, button, seconds, busy=False):
        time.sleep(self.idle)
        player = self.players[who]
        stress = None
        if busy:
            stress = Process(["stress-ng", "--cpu", str(os.cpu_count()), "--timeout",
                              str(int(seconds) + 30)], None, os.path.join(self.server.dir,
                                                                          "stress.log"))
            time.sleep(2)
        load = os.getloadavg()[0]
        press = player.press(button)
        pid = player.process.pid
        time.sleep(min(0.5, seconds / 2))
        before, t_before = cpu_ticks(pid), now()
        time.sleep(max(0.0, press + seconds - now()))
        after, t_after = cpu_ticks(pid), now()
        release = player.release()
        if stress:
            stress.stop(signal.SIGINT)
        cpu = None
        if before is not None and after is not None:
            cpu = 100.0 * (after - before) / os.sysconf("SC_CLK_TCK") / (t_after - t_before)
        self.turns.append(dict(route=self.route, who=who, kind=kind, press=press,
                               release=release, cpu=cpu, load=load, busy=busy))
        time.sleep(1.5)

    def analyse(self, period, morph, recorder=None):
        """The turns as RECORDER (default: the pipe sink's) heard them."""
        recorder = recorder or self.recorder
        rec = recorder.samples
        heard = []
        for played in self.turns:
            t = dict(played, recorder=recorder.name)
            heard.append(t)
            # The player's own cycles: from a little after its start to its end.
            settled = min(t["press"] + 0.3, t["release"] - 0.1)
            offset = recorder.offset(settled, t["release"])
            start = recorder.size_at(t["press"] - 0.2)
            end = recorder.size_at(t["release"] + 1.0)
            found = burst(rec, start, end)
            if not found:
                t.update(heard=False)
                continue
            first, last = found
            t.update(heard=True,
                     latency=offset + first / RATE - t["press"],
                     release_gap=offset + (last + 1) / RATE - t["release"])
            if t["kind"] == "morph":
                t["delivered"], t["of"] = morph_delivered(rec, first, last, morph)
            else:
                t["loop"] = analyse_loop(rec, first, last, period)
                if self.profiler and recorder is self.recorder:
                    t["quantum"] = self.profiler.quantum((first + last) // 2)
                    t["loop"]["events"] = [(j, what + "".join(
                        "; " + w for w in self.profiler.near(j))) for j, what in
                        t["loop"]["events"]]
            log(describe(t))
        return heard


def describe(t):
    text = f"{t['route']:10} {t['who']:7} {t['kind']:6}"
    if t.get("recorder", "pipe sink") != "pipe sink":
        text += f" [{t['recorder']}]"
    if not t["heard"]:
        return text + " nothing heard"
    text += f" press-to-sound {1000 * t['latency']:6.0f} ms, release-to-silence"
    text += f" {1000 * t['release_gap']:5.0f} ms"
    if "delivered" in t:
        text += f", morph {t['delivered']}/{t['of']}"
    if "loop" in t:
        r = t["loop"]
        text += (f", lost {r['lost']} repeated {r['repeated']} altered {r['altered']}"
                 f" silence {r['silence']} ({r['runs']} runs)")
        for j, what in r["events"][:5]:
            text += f"\n    at {j / RATE:8.3f} s: {what}"
    if t.get("quantum"):
        text += f", server cycle {t['quantum']} samples"
    if t["busy"]:
        text += f", cpu {t['cpu']:.1f}% of a core, load {t['load']:.1f}"
    return text


# --- The table ------------------------------------------------------------------


def span(values, unit="", scale=1.0, digits=0):
    if not values:
        return "–"
    lo, hi = min(values) * scale, max(values) * scale
    if round(lo, digits) == round(hi, digits):
        return f"{lo:.{digits}f}{unit}"
    return f"{lo:.{digits}f}–{hi:.{digits}f}{unit}"


def table(turns, routes):
    rows = ["| route | player | first press: press to sound | later presses: press to sound |"
            " release to silence | Play All: morph samples heard in place | 60 s holds,"
            " both cores busy: clean | lost / repeated / altered / silence, all holds |"
            " processor time of a hold |",
            "|---|---|---|---|---|---|---|---|---|"]
    for route in routes:
        for who in ("program", "aplay"):
            mine = [t for t in turns if t["route"] == route and t["who"] == who]
            heard = [t for t in mine if t["heard"]]
            first = [t["latency"] for t in heard if t["kind"] == "first"]
            later = [t["latency"] for t in heard if t["kind"] == "press"]
            release = [t["release_gap"] for t in heard if t["kind"] in ("first", "press")]
            morphs = [t for t in mine if t["kind"] == "morph"]
            delivered = [t["delivered"] for t in morphs if t["heard"]]
            of = morphs[0]["of"] if delivered else MORPH
            exact = sum(1 for d in delivered if d == of)
            holds = [t for t in mine if t["kind"] == "hold"]
            loops = [t["loop"] for t in holds if t["heard"]]
            clean = sum(1 for r in loops
                        if not (r["lost"] or r["repeated"] or r["altered"] or r["silence"]))
            totals = "–" if not holds else " / ".join(
                str(sum(r[k] for r in loops)) for k in ("lost", "repeated", "altered", "silence"))
            cpu = [t["cpu"] for t in holds if t["cpu"] is not None]
            rows.append(
                f"| {ROUTE_NAMES[route] if who == 'program' else ''} | {who} "
                f"| {span(first, ' ms', 1000)} | {span(later, ' ms', 1000)} "
                f"| {span(release, ' ms', 1000)} "
                f"| {span(delivered)} of {of}, {exact}/{len(morphs)} presses whole "
                f"| {clean}/{len(holds)} | {totals} | {span(cpu, '%', 1, 1)} of a core |")
    return "\n".join(rows)


# --- Main -------------------------------------------------------------------------


def measure_route(route, args, desktop, work, period, morph):
    if route == "pulseaudio":
        server = PulseAudio(work, route, unpack_pulseaudio(os.path.join(args.cache, "pulseaudio")),
                            idle=args.pulseaudio_idle)
    else:
        server = PipeWire(work, route, pulse=route == "pulse",
                          serve_pulse=args.monitor == "parec")
    program = None
    recorder = None
    monitor = None
    profiler = None
    try:
        server.start()
        log(f"{route}: server threads {server.priority()}")
        recorder = Recorder(server, os.path.join(server.dir, "recorded.raw"))
        if not recorder.started():
            raise RuntimeError("the recorder records nothing")
        if args.monitor != "none" and route != "pulseaudio":
            monitor = Recorder(server, os.path.join(server.dir, "monitor.raw"),
                               server.monitor_recorder(args.monitor,
                                                       os.path.join(server.dir, "monitor.raw")),
                               args.monitor)
            if not monitor.started():
                raise RuntimeError(f"{args.monitor} records nothing")
        loop_file = os.path.join(server.dir, "loop.raw")
        write_raw(loop_file, list(period) * int((args.hold_seconds + 5) * RATE / PERIOD))
        morph_file = os.path.join(server.dir, "morph.raw")
        write_raw(morph_file, list(morph) + [0] * (3 * RATE))
        aplay = Aplay(server, {PLAY0: loop_file, PLAYALL: morph_file}, args.aplay_args.split())
        program = Program(desktop, server, os.path.join(args.build, "bin", "vorlantix"))
        if args.profile and route != "pulseaudio":
            profiler = Profiler(server, recorder)
        idle = 4.0 if route == "pulseaudio" and args.pulseaudio_idle else 0.0
        session = Session(route, server, program, aplay, recorder, profiler, idle)
        time.sleep(3)
        session.turn("program", "first", PLAY0, 1.0)
        time.sleep(3)
        session.turn("aplay", "first", PLAY0, 1.0)
        for _ in range(args.presses):
            session.turn("program", "press", PLAY0, 1.0)
            session.turn("aplay", "press", PLAY0, 1.0)
        for _ in range(args.morphs):
            session.turn("program", "morph", PLAYALL, 1.0)
            session.turn("aplay", "morph", PLAYALL, 1.0)
        holds = args.holds if route != "pulseaudio" else args.pulseaudio_holds
        for _ in range(holds):
            session.turn("program", "hold", PLAY0, args.hold_seconds, busy=True)
            session.turn("aplay", "hold", PLAY0, args.hold_seconds, busy=True)
        program.stop()
        program = None
        if profiler:
            profiler.stop()
            profiler = None
        if monitor:
            monitor.stop()
        recorder.stop()
        recorder = None
        heard = session.analyse(period, morph)
        if monitor:
            heard += session.analyse(period, morph, monitor)
            monitor = None
        return heard
    finally:
        if program:
            program.stop()
        if profiler:
            profiler.process.stop()
        for r in (recorder, monitor):
            if r:
                r.running = False
                r.process.stop()
        server.stop()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("build", help="build folder holding bin/vorlantix and bin/vorlantix-render")
    parser.add_argument("--routes", default=",".join(ROUTES))
    parser.add_argument("--presses", type=int, default=5, help="later Play 0 presses")
    parser.add_argument("--morphs", type=int, default=10, help="Play All presses")
    parser.add_argument("--holds", type=int, default=10, help="long holds on the PipeWire routes")
    parser.add_argument("--pulseaudio-holds", type=int, default=3)
    parser.add_argument("--hold-seconds", type=float, default=60)
    parser.add_argument("--pulseaudio-idle", action="store_true",
                        help="on PulseAudio, suspend the idle sink after 1 s and start every"
                        " turn from a suspended sink, as a desktop's after 5 s")
    parser.add_argument("--profile", action="store_true",
                        help="on the PipeWire routes, name the node that was late where"
                        " silence was heard (pw-profiler)")
    parser.add_argument("--monitor", choices=("none", "parec", "pw-record"), default="none",
                        help="on the PipeWire routes, also record the sink's monitor with this"
                        " recorder (real-time, parec at --latency-msec=10) and judge every"
                        " turn by both recordings")
    parser.add_argument("--aplay-args", default="",
                        help="more arguments for aplay, e.g. \"--period-size=595"
                        " --buffer-size=16384\" to ask ALSA for what the program asks")
    parser.add_argument("--keep", help="keep recordings and logs in this folder")
    parser.add_argument("--cache", default=os.path.join(SOURCE, "build-measure"))
    args = parser.parse_args()
    routes = args.routes.split(",")
    if any(r not in ROUTES for r in routes):
        parser.error(f"routes are {', '.join(ROUTES)}")
    if os.geteuid() != 0:
        sys.exit("sound-measure.py: needs root, for the servers' real-time priority")
    subprocess.run([os.path.join(HERE, "deps.sh"), "measure"], check=True)

    work = tempfile.mkdtemp(prefix="vlx-measure-")
    os.chmod(work, 0o700)
    reference = os.path.join(work, "morph.wav")
    # The program starts with the default design; this is the same design saved.
    subprocess.run([os.path.join(args.build, "bin", "vorlantix-render"),
                    os.path.join(SOURCE, "fuzz/corpus/document/accepted-default.vlx"),
                    reference], check=True)
    morph = read_wav(reference)
    period = morph[:PERIOD]
    desktop = Desktop(work)
    turns = []
    try:
        log(f"{os.cpu_count()} cores, load {os.getloadavg()[0]:.1f} at the start")
        for route in routes:
            turns += measure_route(route, args, desktop, work, period, morph)
    finally:
        desktop.stop()
        if args.keep:
            shutil.copytree(work, args.keep, dirs_exist_ok=True)
        shutil.rmtree(work, ignore_errors=True)
    for name in dict.fromkeys(t["recorder"] for t in turns):
        log("")
        log(f"Recorded by the {name}:" if name == "pipe sink" else f"Recorded by {name}:")
        log(table([t for t in turns if t["recorder"] == name], routes))


if __name__ == "__main__":
    main()
