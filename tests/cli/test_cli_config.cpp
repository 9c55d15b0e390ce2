// orvane-cli config as a process: a save restored into another store, a bad
// file refused with the store left byte for byte, a failed write named.
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "cli/cli_harness.h"
#include "core/common/text_lines.h"

namespace orvane {
namespace {

class CliConfig : public OrvaneCli {
 protected:
  void SetUp() override {
    OrvaneCli::SetUp();
    UseSteps(200);
  }
  // The fixture's store has no folders; the program always has them.
  void UseSteps(uint16_t steps) {
    UseStepsPerMm(steps);
    FileSettingsStore store(config / "settings.ini");
    for (const char* name : {"ProjectPath", "CutPath", "DxfPath", "ExportPath"}) {
      store.WriteSettingString(GroupKeyPath("Systeme"), name, home / "projets/");
    }
  }
  std::string StoreText() { return test::ReadText(config / "settings.ini"); }
};

// Regression: `config save` over a pipe, a device or a link left a regular
// file in its place (as root it replaced /dev/full); `config load` of a pipe
// with no writer never ended. Files are read and written through links,
// keeping their permissions; nothing else is read or replaced, a missing file
// is refused, and each refusal leaves the store as it was. A socket takes
// the same not-a-regular-file refusal as the pipe and the device; what a
// file may hold, a NUL in a folder line among it, and its layout are the
// configuration file's test.
TEST_F(CliConfig, RefusesWhatTheStoreCouldNotHoldAndWritesThroughLinksWithoutBlocking) {
  fs::create_directory(work / "backups");
  test::WriteText(work / "backups/real.ovr", "old");
  fs::permissions(work / "backups/real.ovr", fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink("backups/real.ovr", work / "link.ovr");
  fs::create_symlink(work / "link.ovr", work / "chain.ovr");  // absolute, to a link
  fs::create_symlink("backups/new.ovr", work / "dangling.ovr");
  fs::create_symlink(work / "loop.ovr", work / "loop.ovr");
  ASSERT_EQ(mkfifo((work / "fifo.ovr").c_str(), 0644), 0);
  fs::create_symlink(work / "fifo.ovr", work / "to-fifo.ovr");
  // A device node of its own, never one of /dev; without root a link to
  // /dev/null stands in (a plain user cannot replace that one).
  if (mknod((work / "null.ovr").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
    fs::create_symlink("/dev/null", work / "null.ovr");
  }
  const std::string store = StoreText();
  const std::string fifo = "Pas un fichier ordinaire (tube nommé)";
  const std::string device = "Pas un fichier ordinaire (périphérique)";
  const struct {
    const char* command;
    const char* file;
    std::string said;  // empty: done
  } cases[] = {
      {"save", "no-such-folder/orvane.ovr", "no-such-folder : Introuvable"},
      {"save", "to-fifo.ovr", fifo},
      {"save", "null.ovr", device},
      {"save", "loop.ovr", "Trop de liens symboliques"},
      {"save", "backups", "Dossier"},
      {"load", "fifo.ovr", fifo},
      {"load", "backups", "Dossier"},
      {"load", "dangling.ovr", "Introuvable"},
      {"save", "link.ovr", ""},
      {"save", "chain.ovr", ""},
      {"save", "dangling.ovr", ""},
      {"load", "chain.ovr", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.command) + " " + c.file);
    const fs::file_type type = fs::symlink_status(work / c.file).type();
    // A read that blocks ends here, as a failure, rather than hanging.
    const CliRun run = Cli(std::string("config ") + c.command + " " + work / c.file, "timeout 60 ");
    EXPECT_EQ(run.status, c.said.empty() ? 0 : 1) << run.output;
    EXPECT_THAT(run.output, HasSubstr(c.said));
    EXPECT_EQ(fs::symlink_status(work / c.file).type(), type);
    if (!c.said.empty()) {
      EXPECT_THAT(run.output, Not(HasSubstr("Configuration")));
      EXPECT_EQ(StoreText(), store);
    }
  }
  EXPECT_EQ(Names(work / "backups"), (std::set<std::string>{"new.ovr", "real.ovr"}));
  EXPECT_EQ(test::ReadText(work / "backups/new.ovr"), test::ReadText(work / "backups/real.ovr"));
  EXPECT_EQ(fs::status(work / "backups/real.ovr").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
}

// A save restores into another store; a store the program cannot read is
// not saved as factory values; with no store yet, the backup holds the
// values the program runs on.
TEST_F(CliConfig, ABackupHoldsTheValuesInForceAndNeverAnUnreadableStore) {
  const std::string file = work / "réglages.ovr";
  UseSteps(321);
  ASSERT_EQ(Cli("config save '" + file + "'").status, 0);
  EXPECT_EQ(SplitLines(test::ReadText(file))[8], "321");
  UseSteps(200);
  const CliRun load = Cli("config load '" + file + "'");
  ASSERT_EQ(load.status, 0) << load.output;
  EXPECT_THAT(load.output, HasSubstr("Configuration restaurée avec succès !"));
  EXPECT_EQ(FileSettingsStore(config / "settings.ini")
                .ReadSettingString(GroupKeyPath("Moteurs"), "Y2step"),
            "321");

  const std::string saved = test::ReadText(file);
  test::WriteText(config / "settings.ini", std::string("[K]\nA=\0\n", 8));
  const CliRun refused = Cli("config save '" + file + "'");
  EXPECT_EQ(refused.status, 1);
  EXPECT_THAT(refused.output, HasSubstr("settings.ini"));
  EXPECT_EQ(test::ReadText(file), saved);

  fs::remove(config / "settings.ini");
  ASSERT_EQ(Cli("config save '" + file + "'").status, 0);
  EXPECT_EQ(SplitLines(test::ReadText(file))[57], home / "projets/");
  EXPECT_EQ(Cli("config load '" + file + "'").status, 0);
}

}  // namespace
}  // namespace orvane
