#pragma once

#include "Image.h"

// Pictures of the stand-alone knob, the application icon and the warning icon,
// drawn in full colour; the caller reduces them to 16 colours.

// The transparent ground of the knob faces.
inline constexpr TRgb KnobFaceClear = {255, 0, 0};

// 27 x 27, centred on pixel (13, 13): ticks from lower left through the top to
// lower right, optionally with a focus ring.
TRgbImage DrawKnobFace(bool Focused);
// 27 x 27: white except a black disc where the pointer line may show.
TRgbImage DrawKnobMask();
// 24 x 24: a small knob on grey.
TRgbImage DrawToolKnob();
// 32 x 32: a little display with one waveform turning into another.
TRgbImage DrawAppIcon();
// 32 x 32: a yellow warning triangle with a grey shadow on a flat grey ground.
TRgbImage DrawWarning();

inline constexpr double KnobMaskRadius = 9.5;
