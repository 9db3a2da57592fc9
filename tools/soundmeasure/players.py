"""The players: the program under a private Xvfb, driven through XTest,
and aplay as the control."""

import ctypes
import ctypes.util
import os
import signal
import subprocess
import time

from .common import RATE, Process, await_true, now, run


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
