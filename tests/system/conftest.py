"""The real program on private X servers, one session after another: a plain
screen, a desktop at twice the usual dots per inch, then two at 1.5 times.
Each step a user takes is a fixture that acts, waits for what should follow
and keeps what it saw; the tests judge what was kept.

    pytest-3 tests/system --build-dir BUILD [--memcheck]

--memcheck runs the program under valgrind's memcheck (on a build without
sanitizers). The run ends with status 77 where Xvfb, python3-xlib,
python3-numpy, python3-pil or (with --memcheck) valgrind is missing."""

import collections
import os
import pathlib
import shutil
import signal

import pytest

try:
    import numpy
    from PIL import Image

    import vorlantix as ui
    from sessions import SOURCE_DIR, Launcher
except ImportError as error:
    MISSING, ui = error.name, None
else:
    MISSING = None

SKIP = 77


def pytest_addoption(parser):
    group = parser.getgroup("vorlantix")
    group.addoption("--build-dir", required=True, type=pathlib.Path,
                    help="the build whose bin/vorlantix runs")
    group.addoption("--memcheck", action="store_true",
                    help="run the program under valgrind's memcheck")
    group.addoption("--wait", type=float,
                    help="limit for one awaited condition in seconds (20, 180 with --memcheck)")
    group.addoption("--time-limit", type=int,
                    help="limit for the whole run in seconds (120, 900 with --memcheck)")


def _stop(message, status):
    # In a signal handler: pytest still tears every fixture down.
    def handler(signum, frame):
        pytest.exit(message, returncode=status)
    return handler


def pytest_configure(config):
    if MISSING:
        pytest.exit(f"SKIP: {MISSING} is not installed (Debian packages: python3-xlib "
                    "python3-numpy python3-pil)", returncode=SKIP)
    if shutil.which("Xvfb") is None:
        pytest.exit("SKIP: Xvfb is not installed (Debian package: xvfb)", returncode=SKIP)
    memchecked = config.getoption("memcheck")
    if memchecked and shutil.which("valgrind") is None:
        pytest.exit("SKIP: valgrind is not installed (Debian package: valgrind)", returncode=SKIP)
    program = config.getoption("build_dir").resolve() / "bin" / "vorlantix"
    if not os.access(program, os.X_OK):
        pytest.exit(f"FAIL: {program} not found or not executable", returncode=1)
    # AddressSanitizer's shadow memory and valgrind cannot share a process.
    if memchecked and b"__asan_init" in program.read_bytes():
        pytest.exit(f"FAIL: {program} is built with sanitizers; valgrind needs a build "
                    "without them", returncode=1)
    limit = config.getoption("time_limit") or (900 if memchecked else 120)
    signal.signal(signal.SIGALRM, _stop(f"the whole run did not finish within {limit} s", 1))
    signal.alarm(limit)
    signal.signal(signal.SIGTERM, _stop("terminated", 143))


LAUNCHER = pytest.StashKey()


@pytest.fixture(scope="session")
def launcher(request, tmp_path_factory):
    config = request.config
    memchecked = config.getoption("memcheck")
    launcher = Launcher(tmp_path_factory.mktemp("system"), config.getoption("build_dir").resolve(),
                        memchecked, config.getoption("wait") or (180 if memchecked else 20))
    config.stash[LAUNCHER] = launcher
    yield launcher
    launcher.close()


def pytest_terminal_summary(terminalreporter):
    launcher = terminalreporter.config.stash.get(LAUNCHER, None)
    if launcher is None:
        return
    for session in launcher.sessions if launcher.memcheck else []:
        terminalreporter.section(f"memcheck: {session.name}")
        for line in session.memcheck_report().lines():
            terminalreporter.write_line(line)
    terminalreporter.write_line(f"logs and screenshots: {launcher.work}")


@pytest.fixture(scope="session")
def icon():
    """The application icon's own pixels."""
    return numpy.asarray(Image.open(SOURCE_DIR / "resources/bitmaps/Icon.bmp").convert("RGB"))


# --- A plain screen --------------------------------------------------------

@pytest.fixture(scope="session")
def plain(launcher):
    session = launcher.start("1x")
    yield session
    session.close()


@pytest.fixture(scope="session")
def plain_default(plain):
    """The window with the default design drawn in both boxes."""
    return plain.shown().pictures_until(
        lambda p: not ui.line_misses(p, 0, ui.DEFAULT_POINTS)
        and not ui.line_misses(p, 1, ui.DEFAULT_POINTS))


@pytest.fixture(scope="session")
def plain_knob(plain, plain_default):
    """The window after the upper level knob was dragged KNOB_DRAG px up."""
    program = plain.shown()
    program.drag(*ui.UPPER_LEVEL_KNOB, 0, -ui.KNOB_DRAG, ui.KNOB_DRAG)
    return program.pictures_until(
        lambda p: not ui.line_misses(p, 0, [(0, ui.KNOB_LEVEL)])
        and not ui.marker_misses(p, 0, 0, ui.KNOB_LEVEL))


@pytest.fixture(scope="session")
def plain_add(plain, plain_knob):
    """The window after a click on Add."""
    program = plain.shown()
    program.click(*ui.ADD_BUTTON)
    return program.pictures_until(
        lambda p: not ui.marker_misses(p, 0, *ui.NODE2[0])
        and not ui.marker_misses(p, 1, *ui.NODE2[1]))


@pytest.fixture(scope="session")
def plain_right(plain, plain_add):
    """The window after a click on Right."""
    program = plain.shown()
    program.click(*ui.RIGHT_BUTTON)
    return program.pictures_until(
        lambda p: not ui.marker_misses(p, 0, *ui.NODE3) and not ui.marker_misses(p, 1, *ui.NODE3))


@pytest.fixture(scope="session")
def plain_caption(plain, plain_right):
    """Where the window was before and after a drag on its caption strip by
    CAPTION_DRAG."""
    program = plain.shown()
    before = program.geometry()
    dx, dy = ui.CAPTION_DRAG
    program.drag(*ui.CAPTION, dx, dy, 8, window_follows=True)
    program.until(lambda: (program.geometry() or ())[:2] == (before[0] + dx, before[1] + dy))
    return before, program.geometry()


# ABSENT says why WINDOW is None.
About = collections.namedtuple("About", "window icon absent", defaults=(None,))


@pytest.fixture(scope="session")
def plain_about(plain, plain_caption, icon):
    """About, opened from the menu, and its icon's area once drawn."""
    program = plain.shown()
    window = ui.open_about(program, 1)
    if isinstance(window, str):
        return About(None, None, window)
    shot = program.pictures_until(
        lambda p: numpy.array_equal(ui.icon_area(p, *ui.ICON_1X), icon), window)
    return About(window, ui.icon_area(shot, *ui.ICON_1X))


@pytest.fixture(scope="session")
def plain_about_closed(plain, plain_about):
    return plain_about.window is not None and ui.close_about(plain.shown(), plain_about.window)


@pytest.fixture(scope="session")
def plain_ended(plain, plain_about_closed):
    """The exit status after a click on the close button, or None."""
    return ui.close_window(plain.shown(), 1)


# --- Twice the usual dots per inch ------------------------------------------

@pytest.fixture(scope="session")
def double(launcher, plain_ended):
    session = launcher.start("2x", dpi=192)
    yield session
    session.close()


@pytest.fixture(scope="session")
def double_default(double, plain_default):
    wanted = ui.doubled(plain_default)
    return double.shown().pictures_until(lambda p: numpy.array_equal(p, wanted))


@pytest.fixture(scope="session")
def double_knob(double, double_default, plain_knob):
    """The window after the 1x knob drag in its own pixels: twice as many
    screen pixels."""
    program = double.shown()
    x, y = ui.UPPER_LEVEL_KNOB
    program.drag(2 * x, 2 * y, 0, -2 * ui.KNOB_DRAG, ui.KNOB_DRAG)
    wanted = ui.doubled(plain_knob)
    return program.pictures_until(lambda p: numpy.array_equal(p, wanted))


@pytest.fixture(scope="session")
def double_ended(double, double_knob):
    return ui.close_window(double.shown(), 2)


# --- 1.5 times the usual dots per inch --------------------------------------

@pytest.fixture(scope="session", params=[ui.FONTS_ONLY, ui.QT_SCALING] if ui else [])
def fractional(request, launcher, double_ended):
    """Once where only the fonts follow Xft.dpi, started on a named pipe no one
    writes to, and once with Qt's own scaling (a device pixel ratio of 1.5)."""
    if request.param == ui.FONTS_ONLY:
        pipe = launcher.work / "pipe.vlx"
        os.mkfifo(pipe)
        session = launcher.start(request.param, dpi=144, args=[str(pipe)],
                                 env={"QT_ENABLE_HIGHDPI_SCALING": "0"})
    else:
        session = launcher.start(request.param, dpi=144)
    yield session
    session.close()


@pytest.fixture(scope="session")
def fractional_default(fractional, plain_default):
    wanted = ui.doubled(plain_default)
    return fractional.shown().pictures_until(
        lambda p: numpy.array_equal(ui.top_left(p, wanted), wanted))


@pytest.fixture(scope="session")
def fractional_about(fractional, fractional_default, plain_about):
    program = fractional.shown()
    window = ui.open_about(program, 2)
    if isinstance(window, str):
        return About(None, None, window)
    if plain_about.icon is None:
        return About(window, None)
    wanted = ui.doubled(plain_about.icon)
    shot = program.pictures_until(
        lambda p: numpy.array_equal(ui.icon_area(p, *ui.ICON_15), wanted), window)
    return About(window, ui.icon_area(shot, *ui.ICON_15))


@pytest.fixture(scope="session")
def fractional_about_closed(fractional, fractional_about):
    return fractional_about.window is not None and ui.close_about(fractional.shown(),
                                                                  fractional_about.window)


@pytest.fixture(scope="session")
def fractional_ended(fractional, fractional_about_closed):
    return ui.close_window(fractional.shown(), 2)
