"""A real PulseAudio daemon, unpacked from Debian's package."""

import os
import subprocess

from .common import RATE, thread_classes
from .servers import Server


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
