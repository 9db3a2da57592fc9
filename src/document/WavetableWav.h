#pragma once

#include <string>

#include "Filewrite.h"
#include "Nodes.h"
#include "Wavetable.h"

// A rate means nothing to a wavetable, but a WAV file must name one; this is
// the one most wavetables carry.
constexpr int kWavetableSampleRate = 44100;

// The text of the "clm " chunk that wavetable synthesizers read: "<!>", the
// frame size, a blank and eight flag digits (the first, 1, asks for linear
// crossfades between frames), then a note of the maker.
std::string WavetableClmText(int frameSize);

// 16-bit mono PCM of RenderWavetable with a "clm " chunk between "fmt " and
// "data". An existing file is replaced only when the whole file was written.
TWriteOutcome WriteWavetableWav(const std::string& path, const TNodeList& wave0,
                                const TNodeList& wave1, int frameSize = kWavetableFrameSize);
