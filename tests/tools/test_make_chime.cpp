#include "make_chime/chime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>

#include "support/process.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

uint32_t Le(const std::string& bytes, size_t at, int size) {
  uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = (value << 8) | uint8_t(bytes[at + i]);
  return value;
}

// Read back independently of the writer, field by field, little-endian:
// what a player checks, then the samples. Empty when the file is no WAV.
std::vector<int16_t> WavSamples(const std::string& bytes, uint32_t rate) {
  const bool wav = bytes.size() >= 44 && bytes.substr(0, 4) == "RIFF" &&
                   Le(bytes, 4, 4) == bytes.size() - 8 && bytes.substr(8, 8) == "WAVEfmt " &&
                   Le(bytes, 16, 4) == 16 && Le(bytes, 20, 2) == 1 && Le(bytes, 22, 2) == 1 &&
                   Le(bytes, 24, 4) == rate && Le(bytes, 28, 4) == 2 * rate &&
                   Le(bytes, 32, 2) == 2 && Le(bytes, 34, 2) == 16 &&
                   bytes.substr(36, 4) == "data" && Le(bytes, 40, 4) == bytes.size() - 44;
  EXPECT_TRUE(wav) << "not a 16-bit mono PCM WAV at " << rate << " Hz";
  std::vector<int16_t> samples;
  for (size_t at = 44; wav && at + 1 < bytes.size(); at += 2) {
    samples.push_back(static_cast<int16_t>(Le(bytes, at, 2)));
  }
  return samples;
}

std::string Bytes(const std::vector<uint8_t>& bytes) {
  return {bytes.begin(), bytes.end()};
}

TEST(ChimeWavWriter, HeaderFieldsAndLittleEndianSamples) {
  const std::vector<int16_t> samples = {0, 1, -2, 32767, -32768};
  const std::string bytes = Bytes(WavFile(samples, 22050));
  ASSERT_EQ(bytes.size(), 44u + 10u);
  EXPECT_EQ(WavSamples(bytes, 22050), samples);
  EXPECT_EQ(bytes.substr(48, 2), "\xFE\xFF");  // -2, low byte first
  EXPECT_TRUE(WavSamples(Bytes(WavFile({}, kChimeSampleRate)), kChimeSampleRate).empty());
}

// Power of one frequency over a window (Goertzel), relative to the window's length.
double PowerAt(const std::vector<int16_t>& samples, size_t from, size_t length, double frequency) {
  const double coefficient = 2.0 * std::cos(2.0 * std::numbers::pi * frequency / kChimeSampleRate);
  double previous = 0.0, beforePrevious = 0.0;
  for (size_t i = from; i < from + length; ++i) {
    const double current = samples[i] + coefficient * previous - beforePrevious;
    beforePrevious = previous;
    previous = current;
  }
  return (previous * previous + beforePrevious * beforePrevious -
          coefficient * previous * beforePrevious) /
         static_cast<double>(length * length);
}

TEST(ChimeSound, ShortAudibleUnclippedWithoutClicksAndOnItsNotes) {
  const std::vector<int16_t> samples = ChimeSamples();
  const double seconds = static_cast<double>(samples.size()) / kChimeSampleRate;
  EXPECT_GT(seconds, 0.3);
  EXPECT_LT(seconds, 1.0);
  int peak = 0;
  double energy = 0.0;
  for (int16_t s : samples) {
    peak = std::max(peak, std::abs(static_cast<int>(s)));
    energy += static_cast<double>(s) * s;
  }
  // A sample on either rail would mean the sum of the notes was clipped.
  EXPECT_LT(peak, 32000);
  EXPECT_GT(peak, 32767 / 4);
  EXPECT_GT(std::sqrt(energy / static_cast<double>(samples.size())), 1000.0);
  // Starts from silence and fades out to it: a jump at either end is a click.
  EXPECT_EQ(samples.front(), 0);
  for (size_t i = samples.size() - 20; i < samples.size(); ++i) {
    EXPECT_LT(std::abs(static_cast<int>(samples[i])), 100) << "sample " << i;
  }
  for (size_t i = 1; i < 200; ++i) {
    EXPECT_LT(std::abs(samples[i] - samples[i - 1]), 4000) << "sample " << i;
  }
  // 0.3 s to 0.5 s: G5, C6 and E6 all sound, against a quarter-tone off each
  // and a frequency in no chord at all.
  const size_t from = kChimeSampleRate * 3 / 10, length = kChimeSampleRate / 5;
  for (double note : {783.99, 1046.50, 1318.51}) {
    const double on = PowerAt(samples, from, length, note);
    EXPECT_GT(on, 50.0 * PowerAt(samples, from, length, note * 1.03)) << note << " Hz";
    EXPECT_GT(on, 50.0 * PowerAt(samples, from, length, 2900.0)) << note << " Hz";
  }
}

// The file the build put beside the executables, and the tool's own output,
// are the current generator's chime; a folder it cannot write to is an error
// that leaves nothing.
TEST(ChimeTool, WritesTheGeneratedChimeAndReportsAFolderItCannotWriteTo) {
  const std::string chime = Bytes(WavFile(ChimeSamples(), kChimeSampleRate));
  EXPECT_EQ(WavSamples(chime, 44100), ChimeSamples());
  EXPECT_EQ(test::ReadText(ORVANE_CHIME_WAV), chime) << ORVANE_CHIME_WAV;

  test::TempFolder folder;
  const std::string tool = ORVANE_MAKE_CHIME;
  ASSERT_EQ(test::Shell(tool + " '" + folder / "son.wav'").status, 0);
  EXPECT_EQ(test::ReadText(folder / "son.wav"), chime);
  EXPECT_FALSE(std::filesystem::exists(folder / "son.wav.part"));
  EXPECT_NE(test::Shell(tool + " '" + folder / "absent/son.wav'").status, 0);
  EXPECT_FALSE(std::filesystem::exists(folder / "absent"));
  EXPECT_NE(test::Shell(tool).status, 0);
}

}  // namespace
}  // namespace orvane
