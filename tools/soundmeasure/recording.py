"""Recording the sink, and on PipeWire its profile of every cycle."""

import array
import bisect
import os
import signal
import threading
import time

from .common import RATE, Process, await_true, now


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
