#include "make_chime/chime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
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

TEST(ChimeSound, ShortAudibleUnclippedAndWithoutClicks) {
  const std::vector<int16_t> samples = ChimeSamples();
  EXPECT_GT(samples.size(), kChimeSampleRate * 3 / 10);
  EXPECT_LT(samples.size(), kChimeSampleRate);
  int peak = 0;
  for (int16_t s : samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
  // A sample on either rail would mean the sum of the notes was clipped.
  EXPECT_LT(peak, 32000);
  EXPECT_GT(peak, 32767 / 4);
  // Starts from silence and fades out to it: a jump at either end is a click.
  EXPECT_EQ(samples.front(), 0);
  for (size_t i = 1; i < 200; ++i) {
    EXPECT_LT(std::abs(samples[i] - samples[i - 1]), 4000) << "sample " << i;
    if (i <= 20) {
      EXPECT_LT(std::abs(static_cast<int>(samples[samples.size() - i])), 100) << "end - " << i;
    }
  }
}

// The file the build put beside the executables, and the tool's own output,
// are the current generator's chime, a WAV read back field by field; a
// folder it cannot write to is an error that leaves nothing.
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
