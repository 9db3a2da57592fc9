"""Measures each route in turn and prints the tables."""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

from . import __doc__ as USAGE
from .common import (HERE, PERIOD, PLAY0, PLAYALL, RATE, ROUTES, SOURCE, log, read_wav,
                     write_raw)
from .players import Aplay, Desktop, Program
from .pulseaudio import PulseAudio, unpack_pulseaudio
from .recording import Profiler, Recorder
from .report import table
from .servers import PipeWire
from .session import Session


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
    parser = argparse.ArgumentParser(description=USAGE.split("\n\n")[0])
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
