#include "host/settings_file_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "core/app/machine_settings.h"
#include "core/app/startup.h"
#include "host/atomic_file.h"
#include "support/fake_host_probe.h"
#include "support/scripted_services.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

TEST(FileSettingsStore, EveryWriteReachesTheFileAndABatchWritesOnceOrNotAtAll) {
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
  {
    SettingsBatch abandoned(store);
    store.WriteSettingString(GroupKeyPath("Port"), "Port", "888");
  }
  EXPECT_EQ(store.ReadSettingString(GroupKeyPath("Port"), "Port"), "632");
}

// Regression: any read failure made the store an empty document that the
// next write saved (a 1,219-byte file became 43 bytes). What cannot be read
// is never written over; it is set aside whole (beside any earlier one), and
// the store starts afresh. A folder in the file's place stays. A file over
// 4 MB is the start-up's case below.
TEST(FileSettingsStore, AFileThatCannotBeReadIsNeverWrittenOver) {
  const struct {
    const char* what;
    std::string bytes;  // empty: a folder
    const char* problem;
  } cases[] = {
      {"binary",
       std::string("\x7f"
                   "ELF\x02\x01\x01\0\0\xff[K]\nA=1\n",
                   18),
       ""},
      {"no group", "X1step=400\nY1step=400\n", ""},
      {"a folder", "", "est un dossier"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempFolder folder;
    const std::string path = folder / "settings.ini";
    test::WriteText(path + ".illisible", "first");
    if (c.bytes.empty()) fs::create_directory(path);
    if (!c.bytes.empty()) test::WriteText(path, c.bytes);
    FileSettingsStore store(path);
    EXPECT_THAT(store.ReadProblem(), HasSubstr(path));
    EXPECT_THAT(store.ReadProblem(), HasSubstr(c.problem));
    EXPECT_THROW(store.WriteSettingString("K", "A", "2"), SettingsWriteError);
    {
      SettingsBatch batch(store);
      store.WriteSettingString("K", "A", "2");
      EXPECT_THROW(batch.Commit(), SettingsWriteError);
    }
    if (c.bytes.empty()) {
      EXPECT_EQ(store.SetAsideUnreadable(), "");
      EXPECT_TRUE(fs::is_directory(path));
      continue;
    }
    EXPECT_EQ(test::ReadText(path), c.bytes);
    EXPECT_EQ(store.SetAsideUnreadable(), path + ".illisible.2");
    EXPECT_EQ(test::ReadText(path + ".illisible"), "first");
    EXPECT_EQ(test::ReadText(path + ".illisible.2"), c.bytes);
    EXPECT_EQ(store.ReadProblem(), "");
    store.WriteSettingString("K", "A", "2");
    EXPECT_EQ(store.ReadSettingString("K", "A"), "2");
  }
  test::TempFolder folder;
  test::WriteText(folder / "not-a-folder", "x");
  FileSettingsStore store(folder / "not-a-folder/settings.ini");
  EXPECT_THROW(store.WriteSettingString("K", "A", "2"), SettingsWriteError);
  EXPECT_EQ(test::ReadText(folder / "not-a-folder"), "x");
}

// Regression: a NUL restored into a folder value made the store refuse its
// own file, and every later write with it.
TEST(FileSettingsStore, NeverWritesAFileItWouldRefuseOrReadOtherwise) {
  const struct {
    const char* what;
    std::string key, name, text;
    const char* why;
  } cases[] = {
      {"NUL in a value", GroupKeyPath("Systeme"), "CutPath", std::string("/a\0b/", 5),
       "la valeur CutPath contient un caractère nul"},
      {"a name the reader trims", GroupKeyPath("Port"), " Port", "632", "ne se relirait pas"},
      {"a key the reader drops", "", "Port", "632", "ne se relirait pas"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempFolder folder;
    FileSettingsStore store(folder / "settings.ini");
    store.WriteSettingString(GroupKeyPath("Port"), "Port", "888");
    const std::string before = test::ReadText(store.Path());
    EXPECT_THAT([&] { store.WriteSettingString(c.key, c.name, c.text); },
                ::testing::ThrowsMessage<SettingsWriteError>(HasSubstr(c.why)));
    {
      SettingsBatch batch(store);
      EXPECT_THROW(
          {
            store.WriteSettingString(c.key, c.name, c.text);
            batch.Commit();
          },
          SettingsWriteError);
    }
    EXPECT_EQ(test::ReadText(store.Path()), before);
    EXPECT_EQ(store.ReadProblem(), "");
  }
}

// A file set aside at start-up is named in the error box, before the factory
// values are written.
TEST(FileSettingsStore, StartUpSetsAnUnreadableFileAsideAndSaysWhere) {
  test::TempFolder folder, home;
  const std::string path = folder / "settings.ini";
  const std::string big = "[K]\n" + std::string((4 << 20) + 1, ';');
  test::WriteText(path, big);
  FileSettingsStore store(path);
  test::FakeHostProbe host;
  test::ScriptedMessageService messages;
  StartupState state;
  MachineSettings settings;
  ASSERT_EQ(RunCreationChecks(host, store, messages, home.Path(), state, settings),
            StartupOutcome::Continue);
  ASSERT_EQ(messages.Count(MessageKind::Error), 1u);
  EXPECT_THAT(messages.shown[0].text, HasSubstr(path + ".illisible"));
  EXPECT_EQ(fs::file_size(path + ".illisible"), big.size());
  EXPECT_EQ(store.ReadSettingString(GroupKeyPath("Systeme"), "Run"), "on");
  EXPECT_FALSE(state.settingsWriteFailed);
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

  const pid_t child = fork();
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
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << "the failure was not reported";
  EXPECT_EQ(test::ReadText(path), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), {}), 1);
}

}  // namespace
}  // namespace orvane
