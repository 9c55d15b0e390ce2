#pragma once

#include <cstdint>
#include <vector>

namespace orvane {

inline constexpr uint32_t kChimeSampleRate = 44100;

// The end-of-cut chime: a rising major arpeggio of three bell-like notes,
// mono, at kChimeSampleRate, peaking well below full scale.
std::vector<int16_t> ChimeSamples();

// A canonical 44-byte-header RIFF/WAVE file of 16-bit PCM mono samples.
std::vector<uint8_t> WavFile(const std::vector<int16_t>& samples, uint32_t sampleRate);

}  // namespace orvane
