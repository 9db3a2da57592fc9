#include "Wavetable.h"

#include <stdexcept>

bool IsWavetableFrameSize(int frameSize) {
  return frameSize >= kMinWavetableFrameSize && frameSize <= kMaxWavetableFrameSize &&
         (frameSize & (frameSize - 1)) == 0;
}

std::vector<std::int16_t> RenderWavetable(const TNodeList& wave0, const TNodeList& wave1,
                                          int frameSize) {
  if (!IsWavetableFrameSize(frameSize)) throw std::invalid_argument("bad wavetable frame size");
  const std::size_t count = static_cast<std::size_t>(frameSize) * kWavetableFrames;
  // The morph itself at another period length: one interpolation for the
  // sound the window plays and for every frame.
  std::vector<double> morph(count);
  RenderTransition(morph.data(), wave0, wave1, frameSize, kWavetableFrames);
  std::vector<std::int16_t> samples(count);
  for (std::size_t i = 0; i < count; ++i) samples[i] = SampleToPcm(morph[i]);
  return samples;
}

bool WritePcm16(const std::vector<std::int16_t>& samples, std::FILE* file) {
  std::vector<unsigned char> bytes(samples.size() * 2);
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const auto word = static_cast<std::uint16_t>(samples[i]);
    bytes[2 * i] = static_cast<unsigned char>(word & 0xff);
    bytes[2 * i + 1] = static_cast<unsigned char>(word >> 8);
  }
  return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}
