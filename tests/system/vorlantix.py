"""The window as a user sees it: where its controls are, in the window's own
pixels at 1x, and how its display boxes draw the design."""

import time

import numpy

WIDTH, HEIGHT = 350, 280
CLOSE_BUTTON = (335 + 5, 4 + 5)
MENU_BUTTON = (9 + 8, 139 + 8)
ADD_BUTTON = (53 + 11, 141 + 6)
RIGHT_BUTTON = (99 + 11, 141 + 6)
UPPER_LEVEL_KNOB = (164 + 11, 114 + 11)
CAPTION = (150, 8)
ABOUT_TITLE = "About Vorlantix"
# About shows the icon's own 32 x 32 pixels from (8,8) at 1x. At 1.5 the
# window and the icon take the nearest whole factor, 2: the icon's 64 x 64
# block is centred where the layout puts the 32 x 32 icon (centre 36,36).
ICON_1X = (8, 32)
ICON_15 = (4, 64)

# The upper level knob sweeps its 54 levels over 50 pixels of vertical drag.
KNOB_DRAG = 10
KNOB_LEVEL = 54 * KNOB_DRAG // 50

# The default design: a triangle through these model points, node 1 selected.
DEFAULT_POINTS = ((0, 0), (75, 27), (150, 0), (225, -27))
# Add puts node 2 halfway between node 1 and the next node (75,27), made
# whole toward zero, in each box: wave 0 starts at KNOB_LEVEL by then.
NODE2 = ((75 // 2, (KNOB_LEVEL + 27) // 2), (75 // 2, 27 // 2))
# Right steps to node 3, the default design's node 2.
NODE3 = (75, 27)

# The two ways a desktop at Xft.dpi 144 shows the window: only the fonts
# follow it (QT_ENABLE_HIGHDPI_SCALING=0), or Qt scales by 1.5 itself.
FONTS_ONLY, QT_SCALING = "fonts-only", "qt-scaling"

# The caption strip drags the window by exactly the pointer's travel.
CAPTION_DRAG = (40, 25)

LINE = (0x00, 0xD0, 0x00)
MARKER = (0x00, 0xFF, 0x00)

# Both display boxes share one mapping from the model; only their origins
# (and sizes) differ.
BOX_ORIGINS = ((23, 33), (23, 202))
BOX_SIZES = ((313, 61), (312, 63))


def colour(picture, x, y):
    return tuple(int(c) for c in picture[y, x])


def hex_colour(rgb):
    return "#" + "".join(f"{c:02x}" for c in rgb)


def box_pixel(picture, box, bx, by):
    left, top = BOX_ORIGINS[box]
    return colour(picture, left + bx, top + by)


def box_area(picture, box):
    (left, top), (width, height) = BOX_ORIGINS[box], BOX_SIZES[box]
    return picture[top:top + height, left:left + width]


def line_pixel(x, y):
    """The box pixel of the line's point at model position X and level Y."""
    return x + 2, 29 - y


def line_misses(picture, box, points):
    """The model points of BOX not drawn in the line colour."""
    misses = []
    for x, y in points:
        bx, by = line_pixel(x, y)
        found = box_pixel(picture, box, bx, by)
        if found != LINE:
            misses.append(f"box {box} pixel ({bx},{by}) is {hex_colour(found)}")
    return misses


def marker_outline(x, y):
    """The 16 outline pixels of the marker of a node at whole-number X, Y."""
    left, top = x, 27 - y
    pixels = []
    for c in range(left, left + 5):
        pixels += [(c, top), (c, top + 4)]
    for r in range(top + 1, top + 4):
        pixels += [(left, r), (left + 4, r)]
    return pixels


def marker_misses(picture, box, x, y):
    """The outline pixels of a marker at (X, Y) in BOX without the marker
    colour."""
    return [f"box {box} pixel ({bx},{by}) is {hex_colour(box_pixel(picture, box, bx, by))}"
            for bx, by in marker_outline(x, y) if box_pixel(picture, box, bx, by) != MARKER]


def marker_remnants(picture, box, x, y):
    """The outline pixels of a marker at (X, Y) in BOX that still have the
    marker colour."""
    return [f"box {box} pixel ({bx},{by}) still has the marker colour"
            for bx, by in marker_outline(x, y) if box_pixel(picture, box, bx, by) == MARKER]


def doubled(picture):
    """PICTURE with every pixel a 2 x 2 block (nearest-neighbour enlargement)."""
    return picture.repeat(2, axis=0).repeat(2, axis=1)


def top_left(picture, like):
    """PICTURE's top left part of LIKE's size. Qt cannot size a window to 700
    pixels at a ratio of 1.5: it is one column and row larger."""
    return None if picture is None else picture[:like.shape[0], :like.shape[1]]


def differences(found, wanted):
    """How FOUND differs from WANTED, in words; empty when they are equal."""
    if found is None:
        return "no picture"
    if found.shape != wanted.shape:
        (height, width), (wanted_height, wanted_width) = found.shape[:2], wanted.shape[:2]
        return f"{width} x {height} instead of {wanted_width} x {wanted_height}"
    rows, columns = numpy.nonzero((found != wanted).any(axis=2))
    if len(rows) == 0:
        return ""
    y, x = int(rows[0]), int(columns[0])
    return (f"{len(rows)} pixels differ, the first at ({x},{y}): "
            f"{hex_colour(colour(found, x, y))} instead of {hex_colour(colour(wanted, x, y))}")


def icon_area(picture, left, size):
    """The square of SIZE pixels from (LEFT, LEFT) where About shows the icon."""
    return None if picture is None else picture[left:left + size, left:left + size]


def open_about(program, scale):
    """Opens About from the menu of a window shown at the whole factor SCALE:
    the menu button, then a click on the menu's last item. Returns the
    dialog's window, or why there is none.

    A click, not the keyboard: keys reach the menu only once it has grabbed
    the keyboard, which a program slowed down by memcheck may do long after
    the menu is shown; until then they go to the main window and are lost.
    A click on the shown menu reaches it either way."""
    program.click(scale * MENU_BUTTON[0], scale * MENU_BUTTON[1])
    # The popup menu is the program's second visible window, the top one.
    windows = program.until(lambda: program.server.visible_windows(program.pid)[1:])
    if not windows:
        return "the menu button opened no menu"
    menu = program.server.geometry(windows[-1])
    if menu is None:
        return "the menu closed before its last item could be clicked"
    left, top, width, height = menu
    # Inside the last item at any scale: below it lies only the frame.
    program.server.move_pointer(left + width // 2, top + height - 3 * scale)
    program.server.button(True)
    time.sleep(0.05)
    program.server.button(False)
    return program.until(lambda: program.window_titled(ABOUT_TITLE)) or \
        "a click on the menu's last item opened no About window"


def close_about(program, about):
    """Asks About to close as a window manager does; True once it is gone."""
    program.server.ask_to_close(about)
    return program.until(lambda: program.window_titled(ABOUT_TITLE) is None)


def close_window(program, scale):
    """Clicks the close button; the exit status once the program has ended,
    else None (and the program is stopped)."""
    program.click(scale * CLOSE_BUTTON[0], scale * CLOSE_BUTTON[1])
    status = program.await_exit()
    if status is None:
        program.stop()
    return status
