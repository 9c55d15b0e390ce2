// Installs the built tree into a temporary prefix, as a user's
// `cmake --install build --prefix ~/.local` does, and checks what lands there.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "host/data_files.h"
#include "support/process.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;

std::string Quoted(const std::string& path) {
  return "'" + path + "'";
}

// The line `key=` of a desktop entry, without the key.
std::string Value(const std::string& entry, const std::string& key) {
  const size_t at = entry.find("\n" + key + "=");
  return at == std::string::npos
             ? ""
             : entry.substr(at + key.size() + 2, entry.find('\n', at + 1) - at - key.size() - 2);
}

TEST(InstalledTree, ProgramsRunFromThePrefixWithTheirDataAndMenuEntry) {
  test::TempFolder prefix, home, config;
  const auto At = [&](const std::string& relative) { return prefix / relative; };
  // cmake writes the list of installed files into the build folder; the user's
  // list from a real install is what their uninstall relies on, so it is put back.
  const std::string build = ORVANE_BUILD_DIR, manifest = build + "/install_manifest.txt";
  const bool hadManifest = fs::exists(manifest);
  const std::string userManifest = test::ReadText(manifest);
  const test::ShellRun install = test::Shell(Quoted(ORVANE_CMAKE) + " --install " + Quoted(build) +
                                             " --prefix " + Quoted(prefix.Path()));
  if (hadManifest) test::WriteText(manifest, userManifest);
  if (!hadManifest) fs::remove(manifest);
  ASSERT_EQ(install.status, 0) << install.output;

  for (const char* program : {"orvane", "orvane-cli", "orvane-board-sim", "orvane-grbl-sim"}) {
    EXPECT_EQ(access(At(std::string("bin/") + program).c_str(), X_OK), 0) << program;
  }
  const test::ShellRun info = test::Shell("ORVANE_HOME=" + Quoted(home.Path()) +
                                          " ORVANE_CONFIG_DIR=" + Quoted(config.Path()) + " " +
                                          Quoted(At("bin/orvane-cli")) + " info " +
                                          Quoted(std::string(ORVANE_TEST_DATA) + "/maison.ovp"));
  EXPECT_EQ(info.status, 0) << info.output;
  EXPECT_NE(info.output.find("Profil 1"), std::string::npos) << info.output;

  // The installed programs search beside themselves, then the prefix's share
  // folder: the chime, and every help file of the sources (the page "Aide"
  // among them), unchanged, both installed and copied beside the build.
  EXPECT_EQ(ProgramDataFileFrom(At("bin"), "orvane.wav"), At("share/orvane/orvane.wav"));
  EXPECT_EQ(test::ReadText(At("share/orvane/orvane.wav")), test::ReadText(build + "/orvane.wav"));
  const fs::path sources = fs::path(ORVANE_SOURCE_DIR) / "data/help";
  ASSERT_TRUE(fs::exists(sources / "orvane.htm"));
  for (const auto& entry : fs::recursive_directory_iterator(sources)) {
    if (!entry.is_regular_file()) continue;
    const std::string relative = "help/" + fs::relative(entry.path(), sources).string();
    const std::string source = test::ReadText(entry.path());
    EXPECT_EQ(ProgramDataFileFrom(At("bin"), relative), At("share/orvane/" + relative));
    EXPECT_EQ(test::ReadText(At("share/orvane/" + relative)), source) << relative;
    EXPECT_EQ(test::ReadText(build + "/" + relative), source) << relative;
  }

  // What the menu starts and shows must be what was installed, in an entry
  // the desktop accepts.
  const std::string desktop = At("share/applications/orvane.desktop");
  const std::string entry = test::ReadText(desktop);
  EXPECT_EQ(Value(entry, "Name"), "Orvane");
  EXPECT_NE(Value(entry, "Categories").find("Engineering;"), std::string::npos);
  EXPECT_TRUE(fs::is_regular_file(At("bin/" + Value(entry, "Exec")))) << entry;
  EXPECT_TRUE(
      fs::is_regular_file(At("share/icons/hicolor/scalable/apps/" + Value(entry, "Icon") + ".svg")))
      << entry;
  if (test::Shell("command -v desktop-file-validate").status != 0) {
    GTEST_SKIP() << "desktop-file-validate is not installed (desktop-file-utils)";
  }
  const test::ShellRun validate = test::Shell("desktop-file-validate " + Quoted(desktop));
  EXPECT_EQ(validate.status, 0) << validate.output;
  EXPECT_EQ(validate.output, "");
}

}  // namespace
}  // namespace orvane
