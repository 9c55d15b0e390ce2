#include "make_chime/chime.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace orvane {

namespace {

constexpr double kDurationSeconds = 0.9;
// Loud enough to be heard over a shop, far from the rails so no player clips it.
constexpr double kPeak = 0.6;
constexpr double kAttackSeconds = 0.004;
constexpr double kFadeOutSeconds = 0.08;

struct Note {
  double onsetSeconds;
  double midiNote;
};

// G5, C6, E6: a major chord that sounds finished rather than alarming.
constexpr std::array<Note, 3> kNotes = {{{0.0, 79}, {0.11, 84}, {0.22, 88}}};

struct Partial {
  double ratio;
  double amplitude;
  double decaySeconds;
};

// Upper partials die away first, which is what makes a struck bell sound soft.
constexpr std::array<Partial, 3> kPartials = {
    {{1.0, 1.0, 0.28}, {2.0, 0.30, 0.12}, {3.0, 0.10, 0.07}}};

double NoteFrequency(double midiNote) {
  return 440.0 * std::pow(2.0, (midiNote - 69.0) / 12.0);
}

void PutLittleEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutTag(std::vector<uint8_t>& out, const char (&tag)[5]) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(tag[i]));
}

}  // namespace

std::vector<int16_t> ChimeSamples() {
  const auto count = static_cast<size_t>(kDurationSeconds * kChimeSampleRate);
  std::vector<double> wave(count, 0.0);
  for (const Note& note : kNotes) {
    const double frequency = NoteFrequency(note.midiNote);
    const auto onset = static_cast<size_t>(note.onsetSeconds * kChimeSampleRate);
    for (size_t i = onset; i < count; ++i) {
      const double t = static_cast<double>(i - onset) / kChimeSampleRate;
      // A raised-cosine attack avoids the click of a sine starting at full amplitude.
      const double attack =
          t < kAttackSeconds ? 0.5 - 0.5 * std::cos(std::numbers::pi * t / kAttackSeconds) : 1.0;
      double value = 0.0;
      for (const Partial& partial : kPartials) {
        value += partial.amplitude * std::exp(-t / partial.decaySeconds) *
                 std::sin(2.0 * std::numbers::pi * frequency * partial.ratio * t);
      }
      wave[i] += attack * value;
    }
  }
  const auto fadeLength = static_cast<size_t>(kFadeOutSeconds * kChimeSampleRate);
  for (size_t k = 0; k < fadeLength; ++k) {
    const double x = static_cast<double>(k) / static_cast<double>(fadeLength);
    wave[count - 1 - k] *= 0.5 - 0.5 * std::cos(std::numbers::pi * x);
  }

  double peak = 0.0;
  for (double value : wave) peak = std::max(peak, std::abs(value));
  const double scale = peak > 0.0 ? kPeak * 32767.0 / peak : 0.0;
  std::vector<int16_t> samples(count);
  for (size_t i = 0; i < count; ++i) {
    const double scaled = std::clamp(std::round(wave[i] * scale), -32767.0, 32767.0);
    samples[i] = static_cast<int16_t>(scaled);
  }
  return samples;
}

std::vector<uint8_t> WavFile(const std::vector<int16_t>& samples, uint32_t sampleRate) {
  constexpr uint32_t kChannels = 1;
  constexpr uint32_t kBitsPerSample = 16;
  constexpr uint32_t kBlockAlign = kChannels * kBitsPerSample / 8;
  const auto dataBytes = static_cast<uint32_t>(samples.size() * kBlockAlign);

  std::vector<uint8_t> out;
  out.reserve(44 + dataBytes);
  PutTag(out, "RIFF");
  PutLittleEndian(out, 36 + dataBytes, 4);
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  PutLittleEndian(out, 16, 4);
  PutLittleEndian(out, 1, 2);  // PCM
  PutLittleEndian(out, kChannels, 2);
  PutLittleEndian(out, sampleRate, 4);
  PutLittleEndian(out, sampleRate * kBlockAlign, 4);
  PutLittleEndian(out, kBlockAlign, 2);
  PutLittleEndian(out, kBitsPerSample, 2);
  PutTag(out, "data");
  PutLittleEndian(out, dataBytes, 4);
  for (int16_t sample : samples) PutLittleEndian(out, static_cast<uint16_t>(sample), 2);
  return out;
}

}  // namespace orvane
