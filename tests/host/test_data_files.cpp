#include "host/data_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;

// The built program finds its files beside it, the installed one under the
// prefix's share/orvane; a folder of that name is not a file.
TEST(ProgramDataFiles, BuildFolderFirstThenTheInstalledShareFolder) {
  test::TempFolder root;
  fs::create_directories(root / "share/orvane/help");
  fs::create_directories(root / "bin/help/orvane.htm");
  test::WriteText(root / "share/orvane/orvane.wav", "RIFF");
  EXPECT_EQ(ProgramDataFileFrom(root / "bin", "orvane.wav"), root / "share/orvane/orvane.wav");
  test::WriteText(root / "bin/orvane.wav", "RIFF");
  EXPECT_EQ(ProgramDataFileFrom(root / "bin", "orvane.wav"), root / "bin/orvane.wav");
  EXPECT_EQ(ProgramDataFileFrom(root / "bin", "help/orvane.htm"), "");
  EXPECT_EQ(ProgramDataFileFrom(root / "bin", ""), "");
}

}  // namespace
}  // namespace orvane
