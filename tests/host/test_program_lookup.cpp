#include "host/program_lookup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/temp_folder.h"

namespace orvane {
namespace {

class ProgramLookup : public ::testing::Test {
 protected:
  // A program `name` in `folder` (created), executable or not.
  std::string Install(const std::string& folder, const std::string& name, bool executable = true) {
    std::filesystem::create_directories(root / folder);
    const std::string path = root / (folder + "/" + name);
    test::WriteText(path, "#!/bin/sh\n");
    chmod(path.c_str(), executable ? 0755 : 0644);
    return path;
  }
  std::string Find(const std::string& path) { return FindProgram(CalculatorPrograms(), path); }

  test::TempFolder root;
};

// The desktop's order decides which calculator, the path only where it is.
TEST_F(ProgramLookup, CalculatorsAreTakenInTheDesktopsOrderFromTheFirstFolderOfThePath) {
  const std::vector<std::string> order = {"gnome-calculator", "kcalc", "galculator",
                                          "qalculate-gtk", "xcalc"};
  std::string path;  // each in its own folder, the path listing them in reverse
  for (const std::string& name : order) {
    Install(name, name);
    path = root / name + (path.empty() ? "" : ":") + path;
  }
  const std::string first = Install("first", "kcalc");
  for (const std::string& name : order) {
    EXPECT_EQ(Find(path), root / (name + "/" + name));
    // The same program in two folders: the first folder of the path wins.
    if (name == "kcalc") {
      EXPECT_EQ(Find(root / "first:" + path), first);
    }
    std::filesystem::remove(root / (name + "/" + name));
  }
  EXPECT_EQ(Find(path), "");
}

TEST_F(ProgramLookup, OnlyExecutableFilesInAbsoluteFoldersCount) {
  Install("plain", "gnome-calculator", false);              // not executable
  std::filesystem::create_directories(root / "dir/kcalc");  // a folder, not a program
  const std::string galculator = Install("ok", "galculator");
  EXPECT_EQ(Find(root / "plain" + ":" + root / "dir" + "::" + root / "ok"), galculator);
  // A relative folder or an empty entry (the current folder) is never searched.
  const auto here = std::filesystem::current_path();
  std::filesystem::current_path(root.Path());
  Install("rel", "xcalc");
  EXPECT_EQ(Find("rel"), "");
  EXPECT_EQ(Find(":rel:"), "");
  std::filesystem::current_path(here);
  EXPECT_EQ(Find(""), "");
}

}  // namespace
}  // namespace orvane
