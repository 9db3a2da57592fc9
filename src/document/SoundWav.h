#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Filewrite.h"

// How a sound's samples are stored: 16- or 24-bit PCM, or 32-bit float.
enum class TSampleFormat { S16, S24, F32 };

// "s16", "s24" or "f32".
std::optional<TSampleFormat> SampleFormatNamed(std::string_view name);

// Mono samples at full scale +-1 as a WAV file at rate samples a second, each
// held within full scale (one that is not a number as 0); PCM samples are
// rounded to the nearest step. Float files carry the "fact" chunk that format
// requires. An existing file is replaced only when the whole file was written.
TWriteOutcome WriteSoundWav(const std::string& path, const std::vector<double>& samples, int rate,
                            TSampleFormat format);
