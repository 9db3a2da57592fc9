#!/usr/bin/env python3
"""Measures the program's sound on the routes a desktop gives ALSA's "default",
with aplay as the control: tools/sound-measure.py BUILD_DIR [options], as
root; --help lists the options. The measurement itself is the package
tools/soundmeasure/, whose first page says what it does."""

import importlib
import os
import sys

# The package lies beside this script, wherever it is started from.
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
importlib.import_module("soundmeasure.measure").main()
