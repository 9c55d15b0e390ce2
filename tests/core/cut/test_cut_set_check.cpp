#include "core/cut/cut_set_check.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/app/machine_settings.h"
#include "core/cut/cut_files.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

using ::testing::HasSubstr;

std::string HeaderOf(uint64_t ticks) {
  CutHeaderData data;
  data.ticks = ticks;
  return WriteCutHeader(data, MachineSettings{}, false);
}

// The first `count` lines of a header, each with its CR LF.
std::string FirstLines(const std::string& header, int count) {
  size_t end = 0;
  for (int i = 0; i < count; ++i) end = header.find('\n', end) + 1;
  return header.substr(0, end);
}

TEST(CutStepCheck, TheStepFileMustHoldTheHeadersTicks) {
  const std::string header = HeaderOf(1000);
  struct Case {
    const char* name;
    std::optional<uint64_t> stepSize;
    bool ok;
  } cases[] = {
      {"step file of the header's size", 1000, true},
      {"no step file: a G-code-only cut", std::nullopt, true},
      {"a shorter step file from another cut", 999, false},
      {"a longer step file from another cut", 59'700'000, false},
      {"an empty step file", 0, false},
  };
  for (const Case& c : cases) {
    const CutStepCheck check = CheckCutStepFile(header, c.stepSize);
    EXPECT_EQ(check.ok, c.ok) << c.name;
    EXPECT_EQ(check.ticks, 1000u) << c.name;
    EXPECT_EQ(check.message.empty(), c.ok) << c.name;
  }
  EXPECT_THAT(CheckCutStepFile(header, 999).message,
              HasSubstr("999 octets pour 1000 pas annoncés"));
}

TEST(CutStepCheck, AHeaderEndingAfterLine46TakesTheStepFilesSize) {
  const std::string short46 = FirstLines(HeaderOf(1000), 46);
  EXPECT_EQ(CheckCutStepFile(short46, 777).ticks, 777u);
  EXPECT_TRUE(CheckCutStepFile(short46, 777).ok);
  EXPECT_EQ(CheckCutStepFile(short46, std::nullopt).ticks, 0u);
  // The same with LF only: readers take either line end.
  std::string lf = short46;
  std::erase(lf, '\r');
  EXPECT_TRUE(CheckCutStepFile(lf, 5).ok);
}

TEST(CutStepCheck, AHeaderWithoutAUsableTickCountIsRefused) {
  const std::string full = HeaderOf(1000);
  const std::string upTo47 = FirstLines(full, 47);
  struct Case {
    const char* name;
    std::string header;
    const char* says;
  } cases[] = {
      {"cut after the tick count's comment", upTo47, "ligne 48"},
      {"tick count not a number", upTo47 + "abc\r\n", "« abc »"},
      {"negative tick count", upTo47 + "-5\r\n", "« -5 »"},
      {"torn after ten lines", FirstLines(full, 10), "10 lignes sur 48"},
      {"empty file", "", "0 lignes sur 48"},
  };
  for (const Case& c : cases) {
    const CutStepCheck check = CheckCutStepFile(c.header, 1000);
    EXPECT_FALSE(check.ok) << c.name;
    EXPECT_THAT(check.message, HasSubstr(c.says)) << c.name;
  }
}

TEST(CutStepCheck, ReadsTheSetOnDisk) {
  test::TempFolder folder;
  const std::string base = folder / "wing";
  EXPECT_THAT(CheckCutSet(base).message, HasSubstr("introuvable"));
  test::WriteText(base + ".ovi", HeaderOf(4));
  EXPECT_TRUE(CheckCutSet(base).ok);  // no step file
  test::WriteText(base + ".ovd", "abcd");
  EXPECT_TRUE(CheckCutSet(base).ok);
  test::WriteText(base + ".ovd", "abcde");
  EXPECT_FALSE(CheckCutSet(base).ok);
  // Anything the size of a step file is no header.
  test::WriteText(base + ".ovi", std::string(1 << 20, '\n'));
  EXPECT_THAT(CheckCutSet(base).message, HasSubstr("n'est pas un en-tête"));
}

}  // namespace
}  // namespace orvane
