"""The program on scaled desktops: the window shows the plain screen's
picture with every pixel a 2 x 2 block, and the pointer still counts in the
window's own pixels."""

import pytest

import vorlantix as ui


class TestTwiceTheDpi:
    """Xft.dpi 192."""

    def test_window_appears(self, double):
        assert double.appeared is not None, double.absent

    def test_window_is_700_by_560(self, double):
        double.shown()
        assert double.appeared[2:] == (2 * ui.WIDTH, 2 * ui.HEIGHT)

    def test_window_is_the_1x_picture_doubled(self, double, double_default, plain_default):
        difference = ui.differences(double_default, ui.doubled(plain_default))
        assert not difference, double.keep("default", double_default)

    def test_knob_drag_in_window_pixels_turns_the_knob_as_at_1x(self, double, double_knob,
                                                                plain_knob):
        difference = ui.differences(double_knob, ui.doubled(plain_knob))
        assert not difference, double.keep("knob", double_knob)

    def test_close_button_ends_the_program_with_status_0(self, double, double_ended):
        assert double_ended is not None, f"still running after {double.launcher.wait} s"
        assert double_ended == 0

    def test_no_memory_error_reported(self, double, double_ended):
        problems = double.memory_problems()
        assert not problems, "\n".join(problems)


class TestOneAndAHalfTheDpi:
    """Xft.dpi 144, where either way the window and the About icon take the
    nearest whole factor, 2."""

    def test_window_appears(self, fractional):
        assert fractional.appeared is not None, fractional.absent

    def test_window_is_the_1x_picture_doubled(self, fractional, fractional_default,
                                              plain_default):
        wanted = ui.doubled(plain_default)
        difference = ui.differences(ui.top_left(fractional_default, wanted), wanted)
        assert not difference, fractional.keep("default", fractional_default)

    def test_about_icon_is_the_1x_icon_doubled(self, fractional, fractional_about, plain_about):
        assert fractional_about.window is not None, fractional_about.absent
        difference = ui.differences(fractional_about.icon, ui.doubled(plain_about.icon))
        assert not difference, fractional.keep("about-icon", fractional_about.icon)

    def test_about_closes_as_a_window_manager_asks(self, fractional_about,
                                                   fractional_about_closed):
        assert fractional_about.window is not None, fractional_about.absent
        assert fractional_about_closed, "About is still shown"

    def test_close_button_ends_the_program_with_status_0(self, fractional, fractional_ended):
        assert fractional_ended is not None, f"still running after {fractional.launcher.wait} s"
        assert fractional_ended == 0

    def test_no_memory_error_reported(self, fractional, fractional_ended):
        problems = fractional.memory_problems()
        assert not problems, "\n".join(problems)


# The same parameter object as the fixture's: the fonts-only session, not a new one.
@pytest.mark.parametrize("fractional", [ui.FONTS_ONLY], indirect=True, scope="session")
def test_named_pipe_as_the_design_is_refused_in_one_line(fractional, fractional_ended):
    refusal = (f"vorlantix: '{fractional.launcher.work}/pipe.vlx': cannot open: "
               "a named pipe, not a regular file")
    err = fractional.program.error_output()
    assert err.splitlines().count(refusal) == 1, err[:300]
