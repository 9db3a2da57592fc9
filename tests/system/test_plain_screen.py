"""The program on a plain screen (no Xft.dpi), driven by real pointer events
and keys, read back from its window's pixels."""

import pytest

import vorlantix as ui
from xsession import SCREEN_HEIGHT, SCREEN_WIDTH

BOXES = pytest.mark.parametrize("box", [0, 1], ids=["box0", "box1"])


def test_window_appears(plain):
    assert plain.appeared is not None, plain.absent


def test_window_asks_for_no_decorations(plain):
    program = plain.shown()
    hints = plain.server.property(program.window, "_MOTIF_WM_HINTS")
    assert hints is not None, "no _MOTIF_WM_HINTS"
    # flags, functions, decorations, ...: decorations count only with flag 2.
    flags, _, decorations = hints[:3]
    assert flags & 2 and decorations == 0, f"_MOTIF_WM_HINTS {hints}"


def test_window_is_350_by_280(plain):
    plain.shown()
    assert plain.appeared[2:] == (ui.WIDTH, ui.HEIGHT)


def test_window_is_centred_on_the_screen(plain):
    plain.shown()
    centre = ((SCREEN_WIDTH - ui.WIDTH) // 2, (SCREEN_HEIGHT - ui.HEIGHT) // 2)
    assert plain.appeared[:2] == centre


@BOXES
def test_box_shows_the_default_triangle(plain, plain_default, box):
    misses = ui.line_misses(plain_default, box, ui.DEFAULT_POINTS)
    assert not misses, plain.keep("default", plain_default)


@BOXES
def test_box_marks_node_1_at_the_origin(plain, plain_default, box):
    misses = ui.marker_misses(plain_default, box, 0, 0)
    assert not misses, plain.keep("default", plain_default)


def test_upper_level_knob_drag_raises_wave_0_start(plain, plain_knob):
    misses = (ui.line_misses(plain_knob, 0, [(0, ui.KNOB_LEVEL)])
              + ui.marker_misses(plain_knob, 0, 0, ui.KNOB_LEVEL))
    start = ui.line_pixel(0, 0)
    if ui.box_pixel(plain_knob, 0, *start) == ui.LINE:
        misses.append(f"box 0 pixel {start} still has the line colour")
    assert not misses, plain.keep("knob", plain_knob)


def test_upper_level_knob_leaves_box_1_unchanged(plain, plain_default, plain_knob):
    difference = ui.differences(ui.box_area(plain_knob, 1), ui.box_area(plain_default, 1))
    assert not difference, plain.keep("knob", plain_knob)


def test_add_selects_new_node_2_halfway_to_the_next(plain, plain_add):
    misses = (ui.marker_misses(plain_add, 0, *ui.NODE2[0])
              + ui.marker_misses(plain_add, 1, *ui.NODE2[1])
              + ui.marker_remnants(plain_add, 0, 0, ui.KNOB_LEVEL)
              + ui.marker_remnants(plain_add, 1, 0, 0))
    assert not misses, plain.keep("add", plain_add)


def test_right_selects_node_3(plain, plain_right):
    misses = []
    for box in (0, 1):
        misses += (ui.marker_misses(plain_right, box, *ui.NODE3)
                   + ui.marker_remnants(plain_right, box, *ui.NODE2[box]))
    assert not misses, plain.keep("right", plain_right)


def test_caption_drag_moves_the_window_by_the_pointer_travel(plain_caption):
    before, after = plain_caption
    assert after is not None, "the window is gone"
    assert (after[0] - before[0], after[1] - before[1]) == ui.CAPTION_DRAG


def test_about_from_the_menu_shows_the_icon_pixels(plain, plain_about, icon):
    assert plain_about.window is not None, plain_about.absent
    difference = ui.differences(plain_about.icon, icon)
    assert not difference, plain.keep("about-icon", plain_about.icon)


def test_about_closes_as_a_window_manager_asks(plain_about, plain_about_closed):
    assert plain_about.window is not None, plain_about.absent
    assert plain_about_closed, "About is still shown"


def test_close_button_ends_the_program_with_status_0(plain, plain_ended):
    assert plain_ended is not None, f"still running after {plain.launcher.wait} s"
    assert plain_ended == 0


def test_no_memory_error_reported(plain, plain_ended):
    problems = plain.memory_problems()
    assert not problems, "\n".join(problems)
