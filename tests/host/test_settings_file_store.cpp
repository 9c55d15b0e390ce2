#include "host/settings_file_store.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "core/app/machine_settings.h"
#include "host/atomic_file.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;

size_t FilesIn(const std::string& folder) {
  size_t n = 0;
  for ([[maybe_unused]] auto& e : fs::directory_iterator(folder)) ++n;
  return n;
}

TEST(FileSettingsStore, EveryWriteReachesTheFileAndABatchWritesOnce) {
  test::TempFolder folder;
  FileSettingsStore store(folder / "orvane/settings.ini");
  store.WriteSettingString(GroupKeyPath("Systeme"), "Run", "on");
  EXPECT_EQ(test::ReadText(store.Path()), "[.Default\\Software\\Orvane\\Systeme]\nRun=on\n");

  // A second store over the same file sees what the first wrote.
  FileSettingsStore other(store.Path());
  EXPECT_EQ(other.ReadSettingString(GroupKeyPath("systeme"), "RUN"), "on");

  store.BeginBatch();
  store.WriteSettingString(GroupKeyPath("Port"), "Port", "632");
  EXPECT_EQ(store.ReadSettingString(GroupKeyPath("Port"), "Port"), "632");
  EXPECT_EQ(other.ReadSettingString(GroupKeyPath("Port"), "Port"), "");
  store.CommitBatch();
  EXPECT_EQ(other.ReadSettingString(GroupKeyPath("Port"), "Port"), "632");
}

TEST(FileSettingsStore, AnAbandonedBatchLeavesTheFileAsItWas) {
  test::TempFolder folder;
  FileSettingsStore store(folder / "settings.ini");
  store.WriteSettingString("K", "A", "1");
  {
    SettingsBatch batch(store);
    store.WriteSettingString("K", "A", "2");
  }
  EXPECT_EQ(store.ReadSettingString("K", "A"), "1");
}

TEST(FileSettingsStore, ARefusedWriteIsAnError) {
  test::TempFolder folder;
  test::WriteText(folder / "not-a-folder", "x");
  FileSettingsStore store(folder / "not-a-folder/settings.ini");
  EXPECT_THROW(store.WriteSettingString("K", "A", "2"), SettingsWriteError);
  EXPECT_EQ(store.ReadSettingString("K", "A"), "");
  EXPECT_EQ(test::ReadText(folder / "not-a-folder"), "x");
}

TEST(FileSettingsStore, AFileThatIsNotTextReadsAsEmptyValues) {
  test::TempFolder folder;
  std::string bytes =
      "\x7f"
      "ELF\x02\x01\x01";
  bytes += std::string("\0\0\xff[=]\n=\n[\n", 12);
  test::WriteText(folder / "settings.ini", bytes);
  FileSettingsStore store(folder / "settings.ini");
  MachineSettings settings;
  settings.ProjectPath = settings.CutPath = settings.DxfPath = settings.ExportPath = "/p/";
  SettingsProblems problems = ReadAllSettings(store, settings, nullptr);
  EXPECT_FALSE(problems.empty());
  EXPECT_EQ(settings.X1step, 200);
  WriteAllSettings(store, settings, nullptr, nullptr);
  MachineSettings again;
  EXPECT_TRUE(ReadAllSettings(store, again, nullptr).empty());
}

TEST(FileSettingsStore, FollowsOrvaneConfigDir) {
  test::TempFolder folder;
  setenv("ORVANE_CONFIG_DIR", folder.Path().c_str(), 1);
  EXPECT_EQ(SettingsFilePath(), folder.Path() + "settings.ini");
  unsetenv("ORVANE_CONFIG_DIR");
  setenv("XDG_CONFIG_HOME", "/x/conf", 1);
  EXPECT_EQ(SettingsFilePath(), "/x/conf/orvane/settings.ini");
  unsetenv("XDG_CONFIG_HOME");
}

// A write cut off half-way (here by a file-size limit, as a full disk would)
// must leave the previous file whole and no temporary file behind.
TEST(AtomicWriteFile, AnInterruptedWriteLeavesThePreviousFileWhole) {
  test::TempFolder folder;
  const std::string path = folder / "settings.ini";
  MachineSettings settings;
  settings.ProjectPath = "/p/";
  {
    FileSettingsStore store(path);
    WriteDefaultSettings(store, settings);
  }
  const std::string before = test::ReadText(path);
  ASSERT_GT(before.size(), 1000u);

  pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{512, 512};
    setrlimit(RLIMIT_FSIZE, &limit);
    FileSettingsStore store(path);
    settings.X1step = 400;
    try {
      WriteAllSettings(store, settings, nullptr, nullptr);
    } catch (const SettingsWriteError&) {
      _exit(3);
    }
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 3);  // the failure was reported
  EXPECT_EQ(test::ReadText(path), before);
  EXPECT_EQ(FilesIn(folder.Path()), 1u);
}

TEST(AtomicWriteFile, KeepsThePermissionsOfTheFileItReplaces) {
  test::TempFolder folder;
  const std::string path = folder / "f";
  ASSERT_TRUE(AtomicWriteFile(path, "one"));
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_TRUE(AtomicWriteFile(path, "two"));
  EXPECT_EQ(test::ReadText(path), "two");
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  std::string error;
  EXPECT_FALSE(AtomicWriteFile(folder / "missing/f", "x", &error));
  EXPECT_NE(error.find("missing"), std::string::npos);
}

}  // namespace
}  // namespace orvane
