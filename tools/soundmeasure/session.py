"""A route's session: the turns of both players, and what was heard of them."""

import os
import signal
import time

from .common import RATE, Process, cpu_ticks, log, main_thread_seconds, now
from .judging import analyse_loop, burst, morph_delivered


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
        before, main_before, t_before = cpu_ticks(pid), main_thread_seconds(pid), now()
        time.sleep(max(0.0, press + seconds - now()))
        after, main_after, t_after = cpu_ticks(pid), main_thread_seconds(pid), now()
        release = player.release()
        if stress:
            stress.stop(signal.SIGINT)
        cpu = main = None
        if before is not None and after is not None:
            cpu = 100.0 * (after - before) / os.sysconf("SC_CLK_TCK") / (t_after - t_before)
        if main_before is not None and main_after is not None:
            main = 100.0 * (main_after - main_before) / (t_after - t_before)
        self.turns.append(dict(route=self.route, who=who, kind=kind, press=press,
                               release=release, cpu=cpu, main=main, load=load, busy=busy))
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
        text += f", cpu {t['cpu']:.2f}% of a core"
        if t["main"] is not None:
            text += f" (main thread {t['main']:.2f}%)"
        text += f", load {t['load']:.1f}"
    return text
