#include "make_chime/chime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>

#include "support/temp_folder.h"

namespace orvane {
namespace {

// Read back independently of the writer: field by field, little-endian.
struct ParsedWav {
  std::string error;
  uint16_t format = 0;
  uint16_t channels = 0;
  uint32_t sampleRate = 0;
  uint32_t byteRate = 0;
  uint16_t blockAlign = 0;
  uint16_t bitsPerSample = 0;
  std::vector<int16_t> samples;
};

uint32_t Le(const std::vector<uint8_t>& bytes, size_t at, int size) {
  uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = (value << 8) | bytes[at + i];
  return value;
}

std::string Tag(const std::vector<uint8_t>& bytes, size_t at) {
  return std::string(bytes.begin() + at, bytes.begin() + at + 4);
}

ParsedWav Failed(const char* why) {
  ParsedWav wav;
  wav.error = why;
  return wav;
}

ParsedWav ParseWav(const std::vector<uint8_t>& bytes) {
  ParsedWav wav;
  if (bytes.size() < 44) return Failed("shorter than a header");
  if (Tag(bytes, 0) != "RIFF" || Tag(bytes, 8) != "WAVE") return Failed("not RIFF/WAVE");
  if (Le(bytes, 4, 4) != bytes.size() - 8) return Failed("RIFF size is not the file size - 8");
  if (Tag(bytes, 12) != "fmt " || Le(bytes, 16, 4) != 16) return Failed("no 16-byte fmt chunk");
  wav.format = static_cast<uint16_t>(Le(bytes, 20, 2));
  wav.channels = static_cast<uint16_t>(Le(bytes, 22, 2));
  wav.sampleRate = Le(bytes, 24, 4);
  wav.byteRate = Le(bytes, 28, 4);
  wav.blockAlign = static_cast<uint16_t>(Le(bytes, 32, 2));
  wav.bitsPerSample = static_cast<uint16_t>(Le(bytes, 34, 2));
  if (Tag(bytes, 36) != "data") return Failed("no data chunk after fmt");
  const uint32_t dataBytes = Le(bytes, 40, 4);
  if (dataBytes != bytes.size() - 44) return Failed("data size is not the rest of the file");
  for (size_t at = 44; at + 1 < bytes.size(); at += 2) {
    wav.samples.push_back(static_cast<int16_t>(Le(bytes, at, 2)));
  }
  return wav;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
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

TEST(ChimeWavWriter, HeaderFieldsAndLittleEndianSamples) {
  const std::vector<int16_t> samples = {0, 1, -2, 32767, -32768};
  const std::vector<uint8_t> bytes = WavFile(samples, 22050);
  ASSERT_EQ(bytes.size(), 44u + 10u);
  const ParsedWav wav = ParseWav(bytes);
  ASSERT_EQ(wav.error, "");
  EXPECT_EQ(wav.format, 1);
  EXPECT_EQ(wav.channels, 1);
  EXPECT_EQ(wav.sampleRate, 22050u);
  EXPECT_EQ(wav.byteRate, 44100u);
  EXPECT_EQ(wav.blockAlign, 2);
  EXPECT_EQ(wav.bitsPerSample, 16);
  EXPECT_EQ(wav.samples, samples);
  // -2 is 0xFFFE, stored low byte first.
  EXPECT_EQ(bytes[48], 0xFE);
  EXPECT_EQ(bytes[49], 0xFF);

  const ParsedWav empty = ParseWav(WavFile({}, kChimeSampleRate));
  EXPECT_EQ(empty.error, "");
  EXPECT_TRUE(empty.samples.empty());
}

TEST(ChimeSound, ShortAudibleUnclippedAndWithoutClicks) {
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
  const double rms = std::sqrt(energy / static_cast<double>(samples.size()));
  // A sample on either rail would mean the sum of the notes was clipped.
  EXPECT_LT(peak, 32000);
  EXPECT_GT(peak, 32767 / 4);
  EXPECT_GT(rms, 1000.0);

  // Starts from silence and fades out to it: a jump at either end is a click.
  EXPECT_EQ(samples.front(), 0);
  for (size_t i = samples.size() - 20; i < samples.size(); ++i) {
    EXPECT_LT(std::abs(static_cast<int>(samples[i])), 100) << "sample " << i;
  }
  for (size_t i = 1; i < 200; ++i) {
    EXPECT_LT(std::abs(samples[i] - samples[i - 1]), 4000) << "sample " << i;
  }
}

TEST(ChimeSound, RingsAtItsNotesRatherThanBetweenThem) {
  const std::vector<int16_t> samples = ChimeSamples();
  // 0.3 s to 0.5 s: all three notes sound. G5, C6 and E6 against a quarter-tone
  // off each and a frequency in no chord at all.
  const size_t from = kChimeSampleRate * 3 / 10, length = kChimeSampleRate / 5;
  for (double note : {783.99, 1046.50, 1318.51}) {
    const double on = PowerAt(samples, from, length, note);
    EXPECT_GT(on, 50.0 * PowerAt(samples, from, length, note * 1.03)) << note << " Hz";
    EXPECT_GT(on, 50.0 * PowerAt(samples, from, length, 2900.0)) << note << " Hz";
  }
}

// The file the build put beside the executables is the current generator's output.
TEST(ChimeBuiltFile, IsTheGeneratedChime) {
  const std::vector<uint8_t> bytes = ReadBytes(ORVANE_CHIME_WAV);
  const ParsedWav wav = ParseWav(bytes);
  ASSERT_EQ(wav.error, "") << ORVANE_CHIME_WAV;
  EXPECT_EQ(wav.sampleRate, 44100u);
  EXPECT_EQ(wav.channels, 1);
  EXPECT_EQ(wav.bitsPerSample, 16);
  EXPECT_EQ(bytes, WavFile(ChimeSamples(), kChimeSampleRate));
}

TEST(ChimeTool, WritesTheFileAndReportsAFolderItCannotWriteTo) {
  test::TempFolder folder;
  const std::string tool = ORVANE_MAKE_CHIME;
  const std::string target = folder / "son.wav";
  ASSERT_EQ(std::system((tool + " '" + target + "'").c_str()), 0);
  EXPECT_EQ(ReadBytes(target), WavFile(ChimeSamples(), kChimeSampleRate));
  EXPECT_FALSE(std::filesystem::exists(target + ".part"));

  const std::string missing = folder / "absent/son.wav";
  EXPECT_NE(std::system((tool + " '" + missing + "' 2>/dev/null").c_str()), 0);
  EXPECT_FALSE(std::filesystem::exists(folder / "absent"));
  EXPECT_NE(std::system((tool + " 2>/dev/null").c_str()), 0);
}

}  // namespace
}  // namespace orvane
