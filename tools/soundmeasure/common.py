"""What every part of the measurement shares: the sound's figures, the
buttons, the routes, and running and timing child processes."""

import array
import os
import signal
import subprocess
import time
import wave

RATE = 29761
PERIOD = 114
MORPH = 11400
PLAY0 = (241, 130)  # the middle of each button, in window pixels
PLAYALL = (251, 147)
# tools/, the folder above this package
HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
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


def main_thread_seconds(pid):
    """Time on a processor of a process's main thread (the player's own loop;
    the sound server's client runs in a thread of its own), in seconds."""
    try:
        with open(f"/proc/{pid}/task/{pid}/schedstat") as stat:
            return int(stat.read().split()[0]) / 1e9
    except OSError:
        return None


def thread_classes(pid):
    """The scheduling policy of each of a process's threads, by thread name."""
    out = run(["ps", "-L", "-o", "cls=,rtprio=,comm=", "-p", str(pid)], None)
    return " ".join("/".join(line.split()) for line in (out or "").splitlines())


# --- The sounds played ------------------------------------------------------


def read_wav(path):
    with wave.open(path, "rb") as w:
        return array.array("h", w.readframes(w.getnframes()))


def write_raw(path, samples):
    with open(path, "wb") as out:
        out.write(array.array("h", samples).tobytes())
