"""python3 -m soundmeasure, from tools/: the same as tools/sound-measure.py."""

from .measure import main

main()
