"""Measures the program's sound on the routes a desktop gives ALSA's "default",
with aplay playing the same samples on the same route as the control.

    tools/sound-measure.py BUILD_DIR [options]

For each route (a private PipeWire reached through its ALSA plug-in; the same
PipeWire served to libasound2-plugins' pulse plug-in by pipewire-pulse; a real
PulseAudio daemon, unpacked, never installed) it starts the sound server with
a sink at 29,761 Hz that writes what it plays into a pipe, which is
recorded, starts
BUILD_DIR/bin/vorlantix on a private Xvfb and presses its buttons through
XTest:

  - Play 0 held for 1 s, the first press after start-up and later ones:
    press-to-first-sample and release-to-silence;
  - Play All held for 1 s: samples of the morph delivered, exact and in place,
    of the 11,399 from its first sound sample on;
  - Play 0 held for 60 s (--hold-seconds) with every core kept busy by
    stress-ng: samples lost, repeated or altered, silence inserted, and the
    processor time of the hold.

aplay gets every one of these turns too, interleaved with the program's,
playing the same samples (a press is its start, a release its SIGINT).
Prints one line per turn and a table for the README. Needs root for the
servers' real-time priority, as rtkit gives it to a desktop's; installs what
it needs with tools/deps.sh measure. Not part of .ci/run: it takes about
25 minutes a route with the default 10 holds.
"""
