"""Runs of the program, each on an X server of its own, in one work folder
that keeps their output, memcheck's logs and the pictures a test kept."""

import os
import pathlib
import re

import pytest
from PIL import Image

import memcheck
from xsession import Program, XServer

SOURCE_DIR = pathlib.Path(__file__).resolve().parents[2]
SANITIZER_REPORT = re.compile(
    r"ERROR: (Address|Leak)Sanitizer|runtime error:|SUMMARY: (Address|UndefinedBehavior)Sanitizer")


class Session:
    """One run of the program on a server of its own; the window it shows
    first, and where that window appeared, or why there is none."""

    def __init__(self, launcher, name, dpi, args, env):
        self.name = name
        self.launcher = launcher
        self.server = XServer(launcher.work / f"{name}-xvfb.log", dpi)
        self.logs = launcher.work / f"{name}-memcheck"
        wrapper = []
        if launcher.memcheck:
            self.logs.mkdir()
            wrapper = memcheck.wrapper(self.logs)
        self.program = Program(self.server, wrapper + [str(launcher.program), *args],
                               launcher.environment(self.server.name, env),
                               launcher.work / f"{name}.out", launcher.work / f"{name}.err",
                               launcher.wait)
        self.appeared = None
        if self.program.await_window() is not None:
            self.appeared = self.program.geometry()
            self.absent = None
        elif self.program.running():
            self.absent = (f"no visible window of process {self.program.pid} "
                           f"within {launcher.wait} s")
        else:
            tail = self.program.error_output().splitlines()[-20:]
            self.absent = (f"the program ended first, with status "
                           f"{self.program.process.returncode}:\n" + "\n".join(tail))

    def shown(self):
        """The program, once its window has appeared; a step without one fails."""
        if self.appeared is None:
            pytest.fail(f"{self.name}: the window never appeared: {self.absent}")
        return self.program

    def keep(self, label, picture):
        """Writes PICTURE into the work folder; says where, for a message."""
        path = self.launcher.work / f"{self.name}-{label}.png"
        if picture is None:
            return "no picture"
        Image.fromarray(picture).save(path)
        return f"see {path}"

    def memory_problems(self):
        """What the sanitizers and, under --memcheck, memcheck reported."""
        err = self.program.error_output()
        found = [line for line in err.splitlines() if SANITIZER_REPORT.search(line)][:3]
        if found:
            found.append("\n".join(err.splitlines()[:60]))
        if self.launcher.memcheck:
            found += self.memcheck_report().problems()
        return found

    def memcheck_report(self):
        return memcheck.Report(sorted(self.logs.glob("memcheck.*.log")), SOURCE_DIR,
                               self.launcher.build_dir)

    def close(self):
        if self.server is not None:
            self.program.stop()
            self.server.close()
            self.server = None


class Launcher:
    """Starts sessions in one work folder, with one home, configuration and
    temporary folder for all of them, as a user's would be."""

    def __init__(self, work, build_dir, memchecked, wait):
        self.work = work
        self.build_dir = build_dir
        self.program = build_dir / "bin" / "vorlantix"
        self.memcheck = memchecked
        self.wait = wait
        self.sessions = []
        for folder in ("home", "config", "runtime", "tmp"):
            (work / folder).mkdir()
        (work / "runtime").chmod(0o700)

    def environment(self, display, extra):
        # Nothing of the caller's desktop, settings or temporary files may
        # reach the program.
        env = {
            "PATH": os.environ["PATH"], "HOME": str(self.work / "home"), "LANG": "C.UTF-8",
            "DISPLAY": display, "XDG_CONFIG_HOME": str(self.work / "config"),
            "XDG_RUNTIME_DIR": str(self.work / "runtime"), "TMPDIR": str(self.work / "tmp"),
            "QT_QPA_PLATFORM": "xcb",
            "ASAN_OPTIONS": os.environ.get("ASAN_OPTIONS", "detect_leaks=1"),
            "UBSAN_OPTIONS": os.environ.get("UBSAN_OPTIONS", "print_stacktrace=1"),
            # Qt has no frame pointers: the suppressions match by function
            # name, which needs full stacks.
            "LSAN_OPTIONS": f"suppressions={pathlib.Path(__file__).with_name('lsan.supp')}"
                            ":print_suppressions=0:fast_unwind_on_malloc=0",
        }
        env.update(extra)
        return env

    def start(self, name, dpi=None, args=(), env=None):
        session = Session(self, name, dpi, args, env or {})
        self.sessions.append(session)
        return session

    def close(self):
        for session in self.sessions:
            session.close()
