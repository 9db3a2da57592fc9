"""The sound server's private runtime folder, and PipeWire on it."""

import os

from .common import RATE, Process, await_true, run, thread_classes


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
