// Installs the built tree into a temporary prefix, as a user's
// `cmake --install build --prefix ~/.local` does, and checks what lands there.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QFile>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>
#include <QXmlStreamReader>
#include <filesystem>
#include <map>
#include <sstream>
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

class InstalledTree : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    prefix_ = new test::TempFolder;
    // cmake writes the list of installed files into the build folder; the user's
    // list from a real install is what their uninstall relies on, so it is put back.
    const fs::path manifest = fs::path(ORVANE_BUILD_DIR) / "install_manifest.txt";
    const bool hadManifest = fs::exists(manifest);
    const std::string userManifest = test::ReadText(manifest);
    install_ = test::Shell(Quoted(ORVANE_CMAKE) + " --install " + Quoted(ORVANE_BUILD_DIR) +
                           " --prefix " + Quoted(prefix_->Path()));
    if (hadManifest) test::WriteText(manifest, userManifest);
    if (!hadManifest) fs::remove(manifest);
  }
  static void TearDownTestSuite() {
    delete prefix_;
    prefix_ = nullptr;
  }
  void SetUp() override { ASSERT_EQ(install_.status, 0) << install_.output; }

  static std::string At(const std::string& relative) { return *prefix_ / relative; }

  static test::TempFolder* prefix_;
  static test::ShellRun install_;
};

test::TempFolder* InstalledTree::prefix_ = nullptr;
test::ShellRun InstalledTree::install_;

TEST_F(InstalledTree, ProgramsRunFromThePrefixAndFindTheirData) {
  for (const char* program : {"orvane", "orvane-cli", "orvane-board-sim"}) {
    const fs::path path = At(std::string("bin/") + program);
    ASSERT_TRUE(fs::is_regular_file(path)) << path;
    EXPECT_NE(fs::status(path).permissions() & fs::perms::owner_exec, fs::perms::none) << path;
  }
  test::TempFolder home, config;
  const test::ShellRun info = test::Shell("ORVANE_HOME=" + Quoted(home.Path()) +
                                          " ORVANE_CONFIG_DIR=" + Quoted(config.Path()) + " " +
                                          Quoted(At("bin/orvane-cli")) + " info " +
                                          Quoted(std::string(ORVANE_TEST_DATA) + "/maison.ovp"));
  EXPECT_EQ(info.status, 0) << info.output;
  EXPECT_NE(info.output.find("Profil 1"), std::string::npos) << info.output;

  // The installed programs search beside themselves, then the prefix's share
  // folder: the chime, and every help file of the sources, unchanged, both
  // installed and copied beside the build.
  const std::string build = ORVANE_BUILD_DIR;
  EXPECT_EQ(ProgramDataFileFrom(At("bin"), "orvane.wav"), At("share/orvane/orvane.wav"));
  EXPECT_EQ(test::ReadText(At("share/orvane/orvane.wav")), test::ReadText(build + "/orvane.wav"));
  const fs::path sources = fs::path(ORVANE_SOURCE_DIR) / "data/help";
  ASSERT_TRUE(fs::exists(sources / "orvane.htm"));  // the page "Aide" opens
  for (const auto& entry : fs::recursive_directory_iterator(sources)) {
    if (!entry.is_regular_file()) continue;
    const std::string relative = "help/" + fs::relative(entry.path(), sources).string();
    const std::string source = test::ReadText(entry.path());
    EXPECT_EQ(ProgramDataFileFrom(At("bin"), relative), At("share/orvane/" + relative));
    EXPECT_EQ(test::ReadText(At("share/orvane/" + relative)), source) << relative;
    EXPECT_EQ(test::ReadText(build + "/" + relative), source) << relative;
  }
}

TEST_F(InstalledTree, DesktopEntryLaunchesTheInstalledProgramWithItsIcon) {
  const std::string path = At("share/applications/orvane.desktop");
  ASSERT_TRUE(fs::is_regular_file(path));
  // The keys of the [Desktop Entry] group, each once.
  std::map<std::string, std::string> keys;
  std::istringstream lines(test::ReadText(path));
  std::string line, group;
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      group = line;
      continue;
    }
    const size_t equals = line.find('=');
    EXPECT_TRUE(group == "[Desktop Entry]" && equals != std::string::npos) << "stray: " << line;
    EXPECT_TRUE(keys.emplace(line.substr(0, equals), line.substr(equals + 1)).second)
        << "twice: " << line;
  }
  EXPECT_EQ(keys["Type"], "Application");
  EXPECT_EQ(keys["Name"], "Orvane");
  EXPECT_EQ(keys["Terminal"], "false");
  EXPECT_FALSE(keys["GenericName"].empty());
  EXPECT_FALSE(keys["Comment"].empty());
  for (const char* category : {"Graphics;", "Engineering;"}) {
    EXPECT_NE(keys["Categories"].find(category), std::string::npos) << keys["Categories"];
  }
  // What the menu starts and shows must be what was installed.
  EXPECT_TRUE(fs::is_regular_file(At("bin/" + keys["Exec"]))) << keys["Exec"];
  EXPECT_TRUE(fs::is_regular_file(At("share/icons/hicolor/scalable/apps/" + keys["Icon"] + ".svg")))
      << keys["Icon"];

  if (test::Shell("command -v desktop-file-validate").status != 0) {
    GTEST_SKIP() << "desktop-file-validate is not installed (desktop-file-utils)";
  }
  const test::ShellRun validate = test::Shell("desktop-file-validate " + Quoted(path));
  EXPECT_EQ(validate.status, 0) << validate.output;
  EXPECT_EQ(validate.output, "");
}

// The installed chime is one the program's own player accepts (a bad header
// leaves it loading for ever, and a cut would end in silence).
TEST_F(InstalledTree, TheEndSoundLoadsInTheProgramsPlayer) {
  QSoundEffect effect;
  QEventLoop loop;
  QObject::connect(&effect, &QSoundEffect::statusChanged, &loop, [&] {
    if (effect.status() == QSoundEffect::Ready || effect.status() == QSoundEffect::Error) {
      loop.quit();
    }
  });
  QTimer::singleShot(10000, &loop, &QEventLoop::quit);
  effect.setSource(QUrl::fromLocalFile(QString::fromStdString(At("share/orvane/orvane.wav"))));
  if (effect.status() == QSoundEffect::Loading) loop.exec();
  EXPECT_EQ(effect.status(), QSoundEffect::Ready);
}

// The icon must render anywhere: well-formed SVG, square, with nothing fetched from outside.
TEST_F(InstalledTree, IconIsASelfContainedSquareSvg) {
  QFile file(QString::fromStdString(At("share/icons/hicolor/scalable/apps/orvane.svg")));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&file);
  int elements = 0;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (elements++ == 0) {
      EXPECT_EQ(xml.name(), QStringLiteral("svg"));
      EXPECT_EQ(xml.namespaceUri(), QStringLiteral("http://www.w3.org/2000/svg"));
      const QStringList box = xml.attributes().value("viewBox").toString().split(' ');
      ASSERT_EQ(box.size(), 4);
      EXPECT_EQ(box[2], box[3]) << "the icon's view box is not square";
    }
    for (const QXmlStreamAttribute& attribute : xml.attributes()) {
      const QString value = attribute.value().toString();
      const bool outside = attribute.name() == QStringLiteral("href")
                               ? !value.startsWith('#')
                               : value.contains("url(") && !value.contains("url(#");
      EXPECT_FALSE(outside) << value.toStdString();
    }
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString() << " at line "
                               << xml.lineNumber();
  EXPECT_GT(elements, 5);
}

}  // namespace
}  // namespace orvane
