#include "core/app/startup.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "core/app/host_services.h"
#include "core/app/machine_settings.h"
#include "core/app/settings_document.h"
#include "support/fake_host_probe.h"
#include "support/scripted_services.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::StartsWith;

constexpr const char* kFolders[] = {"projets", "découpes", "dessins", "export", "temp"};

// Writes inside a batch count only once it is committed, as in the file.
struct BatchingStore : MemorySettingsStore {
  void BeginBatch() override {
    if (depth++ == 0) before = Document();
  }
  void CommitBatch() override { --depth; }
  void AbandonBatch() override {
    if (--depth == 0) static_cast<MemorySettingsStore&>(*this) = MemorySettingsStore(before);
  }
  int depth = 0;
  SettingsDocument before;
};

class CreationChecks : public ::testing::Test {
 protected:
  StartupOutcome Run() {
    return RunCreationChecks(host, store, messages, home.Path(), state, settings);
  }
  std::string Systeme(std::string_view name) {
    return store.ReadSettingString(GroupKeyPath("Systeme"), name);
  }
  test::FakeHostProbe host;
  BatchingStore store;
  test::ScriptedMessageService messages;
  test::TempFolder home;
  StartupState state;
  MachineSettings settings;
};

TEST_F(CreationChecks, CreateTheMissingFoldersEmptyTheHistoryAndMarkTheRun) {
  fs::create_directories(home / "export");
  store.WriteSettingString(GroupKeyPath("Systeme"), "ExportPath", "/mnt/atelier/export/");
  fs::create_directories(home / "temp/old");
  test::WriteText(home / "temp/Grids_1", "x");
  test::WriteText(home / "temp/old/Grids_2", "y");
  fs::permissions(home / "temp/Grids_1", fs::perms::owner_read);  // read-only goes too
  ASSERT_EQ(Run(), StartupOutcome::Continue);
  EXPECT_TRUE(messages.shown.empty());
  for (const char* folder : kFolders) EXPECT_TRUE(fs::is_directory(home / folder)) << folder;
  EXPECT_EQ(Systeme("CutPath"), home / "découpes/");
  EXPECT_EQ(Systeme("ExportPath"), "/mnt/atelier/export/");  // there already: not recorded
  EXPECT_EQ(Systeme("Run"), "on");
  EXPECT_EQ(settings.ExportPath, home / "export/");
  EXPECT_FALSE(fs::exists(home / "temp/Grids_1"));
  EXPECT_FALSE(fs::exists(home / "temp/old/Grids_2"));
  EXPECT_TRUE(fs::is_directory(home / "temp/old"));
  EXPECT_FALSE(state.DirectPortAccess);
  // Counter ticks per microsecond are rounded to the nearest even.
  for (auto [frequency, ticks] :
       {std::pair<int64_t, int64_t>{3579545, 4}, {2500000, 2}, {3500000, 4}, {1000000000, 1000}}) {
    host.frequency = frequency;
    store.WriteSettingString(GroupKeyPath("Systeme"), "Run", "off");
    ASSERT_EQ(Run(), StartupOutcome::Continue);
    EXPECT_EQ(state.CounterTicksPerMicrosecond, ticks) << frequency;
  }
}

TEST_F(CreationChecks, EachMissingConditionStopsWithItsMessage) {
  const char* restart =
      "Des modifications ont été apportées à votre configuration.\n\nVeuillez relancer Orvane.";
  const struct {
    const char* name;
    void (*set)(test::FakeHostProbe&);
    const char* message;
    const char* run;  // the run flag afterwards
  } cases[] = {
      {"small screen", [](test::FakeHostProbe& h) { h.screenHeight = 767; },
       "La résolution de votre affichage est trop faible pour le programme", ""},
      {"no counter", [](test::FakeHostProbe& h) { h.frequency = 0; },
       "Vous utilisez un ordinateur d'une conception trop ancienne.\n\n"
       "Orvane ne peut pas fonctionner sur cette machine.",
       ""},
      {"no port driver", [](test::FakeHostProbe& h) { h.driverPresent = false; },
       "Fichier INPOUT32.DLL manquant, Orvane ne peut pas fonctionner !", "off"},
      {"comma separator", [](test::FakeHostProbe& h) { h.onePointFive = "1,50"; }, restart, "off"},
      {"separator just changed", [](test::FakeHostProbe& h) { h.separatorWasPoint = false; },
       restart, "off"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    host = {}, store = {}, messages = {};
    c.set(host);
    EXPECT_EQ(Run(), StartupOutcome::Stop);
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown.back().text, c.message);
    EXPECT_EQ(Systeme("Run"), c.run);
  }
  // The small screen stops before anything is touched.
  host = {}, store = {}, messages = {};
  fs::remove_all(home / "temp");
  host.screenHeight = 767;
  Run();
  EXPECT_EQ(messages.shown[0].kind, MessageKind::Error);
  EXPECT_TRUE(store.Document().Empty());
  EXPECT_FALSE(fs::exists(home / "temp"));
  // Direct port access (Windows 95) needs no driver.
  host = {}, store = {};
  host.driverPresent = false;
  host.windowsCode = 2;
  EXPECT_EQ(Run(), StartupOutcome::Continue);
  EXPECT_TRUE(state.DirectPortAccess);
}

TEST_F(CreationChecks, ASecondInstanceIsAskedAbout) {
  store.WriteSettingString(GroupKeyPath("Systeme"), "Run", "on");
  messages.answers = {MessageAnswer::No, MessageAnswer::Yes};
  EXPECT_EQ(Run(), StartupOutcome::Stop);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, MessageKind::Confirmation);
  EXPECT_EQ(messages.shown[0].text,
            "                    ORVANE est déjà en cours d'exécution\n"
            "                          ou a été arrêté annormalement\n\n"
            "DESIREZ-VOUS FORCER LE LANCEMENT DE L'APPLICATION ?");
  EXPECT_EQ(Systeme("Run"), "on");
  EXPECT_EQ(Run(), StartupOutcome::Continue);
  EXPECT_EQ(Systeme("Run"), "on");
}

// A store that refuses every write, as a read-only or full folder does.
class RefusingStore : public MemorySettingsStore {
 public:
  void WriteSettingString(std::string_view, std::string_view, std::string_view) override {
    throw SettingsWriteError("Les réglages n'ont pas pu être enregistrés.");
  }
  void DeleteSettingsKey(std::string_view) override {
    throw SettingsWriteError("Les réglages n'ont pas pu être enregistrés.");
  }
};

// Regression: the refusal escaped the start-up checks and aborted the program.
TEST(CreationChecksOnARefusingStore, CarryOnAndTellTheUserOnce) {
  test::FakeHostProbe host;
  RefusingStore store;
  test::ScriptedMessageService messages;
  test::TempFolder home;
  StartupState state;
  MachineSettings settings;
  ASSERT_EQ(RunCreationChecks(host, store, messages, home.Path(), state, settings),
            StartupOutcome::Continue);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, MessageKind::Error);
  EXPECT_THAT(messages.shown[0].text, HasSubstr("n'ont pas pu être enregistrés"));
  EXPECT_TRUE(state.settingsWriteFailed);
  for (const char* folder : kFolders) EXPECT_TRUE(fs::is_directory(home / folder)) << folder;
  // Later refusals of the run are not told again.
  WriteOrTell(state, messages, [&] { WriteRunFlag(store, false); });
  EXPECT_EQ(messages.shown.size(), 1u);
}

class VersionCheck : public ::testing::Test {
 protected:
  void SetUp() override { StoreVersion(""); }
  void StoreVersion(const std::string& version) {
    store = {}, messages = {};
    settings.ProjectPath = home / "projets/";
    settings.CutPath = home / "découpes/";
    settings.DxfPath = home / "dessins/";
    settings.ExportPath = home / "export/";
    if (version.empty()) return;
    WriteDefaultSettings(store, settings);
    store.WriteSettingString(GroupKeyPath("Systeme"), "Version", version);
    store.WriteSettingString(GroupKeyPath("Systeme"), "Run", "on");
    store.WriteSettingString(kSettingsRoot, "Foreign", "x");
    store.WriteSettingString(GroupKeyPath("Machine"), "MaxX", "1200");
  }
  std::string Read(std::string_view group, std::string_view name) {
    return store.ReadSettingString(GroupKeyPath(group), name);
  }
  test::TempFolder home;
  MemorySettingsStore store;
  test::ScriptedMessageService messages;
  MachineSettings settings;
};

TEST_F(VersionCheck, CountsTheQuestionsOfEachOlderVersionAndReplacesItsSettings) {
  const struct {
    const char* version;
    size_t questions, summaries;
  } cases[] = {{"133", 1, 1},   {"120", 1, 1}, {"119", 2, 1}, {"1", 2, 1},
               {"159.6", 0, 0}, {"160", 0, 0}, {"172", 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version);
    StoreVersion(c.version);
    messages.answers.assign(c.questions, MessageAnswer::No);
    RunVersionCheck(store, messages, settings);
    EXPECT_EQ(messages.Count(MessageKind::Confirmation), c.questions);
    EXPECT_EQ(messages.Count(MessageKind::Information), c.summaries);
    EXPECT_EQ(Read("Machine", "MaxX"), c.summaries ? "500" : "1200");
    EXPECT_EQ(store.ReadSettingString(kSettingsRoot, "Foreign"), c.summaries ? "" : "x");
    EXPECT_EQ(Read("Systeme", "Run"), "on");
    EXPECT_EQ(Read("Systeme", "Version"), c.summaries ? "160" : c.version);
  }
  StoreVersion("133");
  messages.answers = {MessageAnswer::No};
  RunVersionCheck(store, messages, settings);
  EXPECT_THAT(messages.shown[0].text, StartsWith("Nouvelle version de Orvane\n\nVos anciens"));
  EXPECT_THAT(messages.shown[1].text, StartsWith("NOUVELLE VERSION DE ORVANE\n\n- Tous vos"));

  StoreVersion("");  // no version: only the defaults
  RunVersionCheck(store, messages, settings);
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(Read("Systeme", "Version"), "160");
  EXPECT_EQ(Read("Systeme", "ProjectPath"), home / "projets/");
}

TEST_F(VersionCheck, YesDeletesTheOldFilesOfTheFoldersRecordedInGroupPort) {
  const std::string oldProjects = home / "anciens-projets/", oldCuts = home / "anciennes-decoupes/";
  fs::create_directories(oldProjects);
  fs::create_directories(oldCuts);
  test::WriteText(oldProjects + "aile.ovp", "x");
  test::WriteText(oldCuts + "aile.ovd", "x");
  StoreVersion("110");
  store.WriteSettingString(GroupKeyPath("Port"), "ProjectPath", oldProjects);
  store.WriteSettingString(GroupKeyPath("Port"), "CutPath", oldCuts);
  messages.answers = {MessageAnswer::Yes, MessageAnswer::No};
  RunVersionCheck(store, messages, settings);
  EXPECT_FALSE(fs::exists(oldProjects + "aile.ovp"));
  EXPECT_FALSE(fs::exists(oldCuts + "aile.ovd"));
  EXPECT_EQ(Read("Systeme", "ProjectPath"), oldProjects);
  // Without old folders the current ones stay.
  StoreVersion("119");
  messages.answers = {MessageAnswer::Yes, MessageAnswer::Yes};
  RunVersionCheck(store, messages, settings);
  EXPECT_EQ(Read("Systeme", "ProjectPath"), home / "projets/");
  EXPECT_EQ(Read("Systeme", "CutPath"), home / "découpes/");
}

TEST_F(VersionCheck, ResetAsksThenReplacesTheWholeKey) {
  StoreVersion("160");
  messages.answers = {MessageAnswer::No, MessageAnswer::Yes};
  EXPECT_FALSE(ResetSettings(store, messages, settings));
  EXPECT_EQ(store.ReadSettingString(kSettingsRoot, "Foreign"), "x");
  EXPECT_TRUE(ResetSettings(store, messages, settings));
  EXPECT_EQ(messages.shown.back().text,
            "Etes-vous certain de vouloir initialiser la configuration aux valeurs par défaut ?");
  EXPECT_EQ(store.ReadSettingString(kSettingsRoot, "Foreign"), "");
  EXPECT_EQ(Read("Machine", "MaxX"), "500");
  EXPECT_EQ(Read("Systeme", "Run"), "on");
}

}  // namespace
}  // namespace orvane
