"""A program on a private X server: the server, the program's process and its
windows, driven through XTEST as a user's pointer and keys drive it, and read
back from the server's own image of a window."""

import ctypes
import os
import select
import signal
import subprocess
import time

import numpy
from Xlib import X, Xatom, display, error, protocol
from Xlib.ext import xtest

SCREEN_WIDTH, SCREEN_HEIGHT = 1024, 768
_PR_SET_PDEATHSIG = 1
# A window can vanish between listing and asking; so can the program.
_GONE = (error.BadWindow, error.BadDrawable, error.BadMatch)


def _die_with_parent():
    # A test run killed from outside (a CTest time-out) must not leave its
    # server or program behind.
    ctypes.CDLL(None, use_errno=True).prctl(_PR_SET_PDEATHSIG, signal.SIGKILL)


def stop_process(process):
    if process.poll() is not None:
        return
    process.terminate()
    try:
        process.wait(3)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


class XServer:
    """An Xvfb of 1024 x 768 at 24 bits with one connection of ours, the
    pointer parked in the top left corner, outside any window."""

    def __init__(self, log_path, dpi=None):
        # -displayfd lets the server pick a free display and tell us;
        # -noreset keeps it from resetting, which would drop Xft.dpi, each
        # time its last client leaves.
        reader, writer = os.pipe()
        with open(log_path, "wb") as log:
            self.process = subprocess.Popen(
                ["Xvfb", "-displayfd", str(writer), "-screen", "0",
                 f"{SCREEN_WIDTH}x{SCREEN_HEIGHT}x24", "-nolisten", "tcp", "-noreset"],
                pass_fds=(writer,), stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                preexec_fn=_die_with_parent)
        os.close(writer)
        try:
            number = _read_line(reader, 10)
        finally:
            os.close(reader)
        if not number.isdigit():
            stop_process(self.process)
            raise RuntimeError(f"Xvfb did not start, see {log_path}")
        self.name = f":{number}"
        self.display = display.Display(self.name)
        screen = self.display.screen()
        self.root = screen.root
        visual = next(v for d in screen.allowed_depths for v in d.visuals
                      if v.visual_id == screen.root_visual)
        self.masks = (visual.red_mask, visual.green_mask, visual.blue_mask)
        if dpi is not None:
            # What `xrdb -merge` does on a server with no resources yet.
            self.root.change_property(self.display.intern_atom("RESOURCE_MANAGER"),
                                      Xatom.STRING, 8, f"Xft.dpi:\t{dpi}\n".encode())
        self.move_pointer(0, 0)

    def close(self):
        self.display.close()
        stop_process(self.process)

    def atom(self, name):
        return self.display.intern_atom(name)

    def move_pointer(self, x, y):
        xtest.fake_input(self.display, X.MotionNotify, x=x, y=y)
        self.display.sync()

    def button(self, press):
        xtest.fake_input(self.display, X.ButtonPress if press else X.ButtonRelease, 1)
        self.display.sync()

    def visible_windows(self, pid):
        """The viewable top-level windows of process PID, bottom to top."""
        found = []
        for window in self.root.query_tree().children:
            try:
                if window.get_attributes().map_state != X.IsViewable:
                    continue
                owner = window.get_full_property(self.atom("_NET_WM_PID"), X.AnyPropertyType)
            except _GONE:
                continue
            if owner is not None and owner.value[0] == pid:
                found.append(window)
        return found

    def property(self, window, name):
        """The values of WINDOW's property NAME, or None."""
        try:
            found = window.get_full_property(self.atom(name), X.AnyPropertyType)
        except _GONE:
            return None
        return None if found is None else list(found.value)

    def title(self, window):
        try:
            name = window.get_full_property(self.atom("_NET_WM_NAME"), self.atom("UTF8_STRING"))
        except _GONE:
            return None
        return name.value.decode() if name else None

    def geometry(self, window):
        """Where WINDOW is on the screen: (x, y, width, height), or None once
        it is gone."""
        try:
            size = window.get_geometry()
            origin = self.root.translate_coords(window, 0, 0)
        except _GONE:
            return None
        return origin.x, origin.y, size.width, size.height

    def picture(self, window):
        """WINDOW's pixels as rows of (red, green, blue) bytes, or None once
        it is gone."""
        try:
            size = window.get_geometry()
            image = window.get_image(0, 0, size.width, size.height, X.ZPixmap, 0xFFFFFFFF)
        except _GONE:
            return None
        # Xvfb's 24-bit visual keeps each pixel in a little-endian 32-bit word.
        words = numpy.frombuffer(image.data, dtype="<u4").reshape(size.height, size.width)
        channels = []
        for mask in self.masks:
            shift = (mask & -mask).bit_length() - 1
            channels.append((words & mask) >> shift)
        return numpy.dstack(channels).astype(numpy.uint8)

    def ask_to_close(self, window):
        """Asks WINDOW to close as a window manager's close button does; the
        test server has no window manager to do it."""
        message = protocol.event.ClientMessage(
            window=window, client_type=self.atom("WM_PROTOCOLS"),
            data=(32, [self.atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0]))
        window.send_event(message, event_mask=0)
        self.display.sync()


def _read_line(fd, seconds):
    text = b""
    deadline = time.monotonic() + seconds
    while not text.endswith(b"\n"):
        left = deadline - time.monotonic()
        if left <= 0 or not select.select([fd], [], [], left)[0]:
            break
        chunk = os.read(fd, 64)
        if not chunk:
            break
        text += chunk
    return text.decode().strip()


class Program:
    """One run of a program on SERVER with the environment ENV (nothing of
    the caller's), its output in the files OUT and ERR. WAIT bounds every
    awaited condition, in seconds."""

    def __init__(self, server, argv, env, out, err, wait):
        self.server = server
        self.wait = wait
        self.error_path = err
        with open(out, "wb") as stdout, open(err, "wb") as stderr:
            self.process = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL,
                                            stdout=stdout, stderr=stderr,
                                            preexec_fn=_die_with_parent)
        self.window = None

    @property
    def pid(self):
        return self.process.pid

    def running(self):
        return self.process.poll() is None

    def until(self, condition, seconds=None):
        """Polls CONDITION every 0.1 s for WAIT seconds (or SECONDS) while the
        program runs; returns its last answer."""
        deadline = time.monotonic() + (self.wait if seconds is None else seconds)
        while time.monotonic() < deadline and self.running():
            answer = condition()
            if answer:
                return answer
            time.sleep(0.1)
        return condition()

    def await_window(self):
        """The first visible window, once the program shows one."""
        windows = self.until(lambda: self.server.visible_windows(self.pid))
        self.window = windows[0] if windows else None
        return self.window

    def window_titled(self, title):
        for window in self.server.visible_windows(self.pid):
            if self.server.title(window) == title:
                return window
        return None

    def geometry(self, window=None):
        return self.server.geometry(window or self.window)

    def picture(self, window=None):
        return self.server.picture(window or self.window)

    def pictures_until(self, wanted, window=None):
        """Takes pictures of the main window (or WINDOW) until WANTED holds
        for one; returns the last taken."""
        last = None

        def take():
            nonlocal last
            last = self.picture(window)
            return last is not None and wanted(last)

        self.until(take)
        return last

    def origin(self):
        geometry = self.geometry()
        if geometry is None:
            raise RuntimeError("the program's window is gone")
        return geometry[:2]

    def point_at(self, x, y):
        """Puts the pointer on point (X, Y) of the main window."""
        left, top = self.origin()
        self.server.move_pointer(left + x, top + y)

    def click(self, x, y):
        self.point_at(x, y)
        self.server.button(True)
        time.sleep(0.05)
        self.server.button(False)

    def drag(self, x, y, dx, dy, steps, window_follows=False):
        """Presses at window point (X, Y), moves by (DX, DY) in STEPS equal
        steps and releases. Where the window is meant to follow the pointer,
        each step waits (up to 5 s) until it has, as a hand does: a program
        slowed down many times (under memcheck) would otherwise take motions
        the server placed against the window's old position."""
        left, top = self.origin()
        self.server.move_pointer(left + x, top + y)
        self.server.button(True)
        for step in range(1, steps + 1):
            time.sleep(0.03)
            # Truncated toward zero: no step passes the whole travel.
            moved = (int(dx * step / steps), int(dy * step / steps))
            self.server.move_pointer(left + x + moved[0], top + y + moved[1])
            if window_follows:
                self.until(lambda: self.origin() == (left + moved[0], top + moved[1]), 5)
        time.sleep(0.05)
        self.server.button(False)

    def await_exit(self):
        """The exit status once the program has ended within WAIT seconds,
        else None."""
        try:
            return self.process.wait(self.wait)
        except subprocess.TimeoutExpired:
            return None

    def stop(self):
        stop_process(self.process)

    def error_output(self):
        with open(self.error_path, encoding="utf-8", errors="replace") as err:
            return err.read()
