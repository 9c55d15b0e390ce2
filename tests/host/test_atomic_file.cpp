#include "host/atomic_file.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "support/process.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

TEST(FileSetReplacement, NothingIsReplacedUntilEveryFileIsComplete) {
  test::TempFolder folder;
  test::WriteText(folder / "a", "old a");
  test::WriteText(folder / "b", "old b");
  std::string error;
  {
    FileSetReplacement set;
    ASSERT_TRUE(set.Add(folder / "a", "new a", &error));
    EXPECT_FALSE(set.AddCopy(folder / "missing", folder / "b", &error));
    EXPECT_THAT(error, HasSubstr(folder / "b"));
    // A caller that commits anyway still replaces nothing.
    EXPECT_FALSE(set.Commit(&error));
  }
  EXPECT_EQ(test::ReadText(folder / "a"), "old a");
  EXPECT_EQ(test::ReadText(folder / "b"), "old b");
  EXPECT_EQ(Names(folder.Path()), (std::set<std::string>{"a", "b"}));

  FileSetReplacement set;
  ASSERT_TRUE(set.Add(folder / "a", "new a", &error));
  ASSERT_TRUE(set.AddCopy(folder / "a", folder / "b", &error));  // copies the old a
  set.AddRemoval(folder / "c");                                  // absent: nothing to do
  ASSERT_TRUE(set.Commit(&error)) << error;
  EXPECT_EQ(test::ReadText(folder / "a"), "new a");
  EXPECT_EQ(test::ReadText(folder / "b"), "old a");
}

// kill -9 while a large file is written must leave nothing beside the old file.
TEST(FileSetReplacement, AKilledWriterLeavesNoPartialFile) {
  test::TempFolder folder;
  test::WriteText(folder / "out.ovd", "old");
  const pid_t child = fork();
  if (child == 0) {
    FileSetReplacement set;
    set.Add(folder / "out.ovd", std::string(8 << 20, 'x'), nullptr);
    test::WriteText(folder / "written", "");
    pause();  // killed here, written but not committed
    _exit(0);
  }
  ASSERT_TRUE(test::PollUntil([&] { return fs::exists(folder / "written"); }));
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_EQ(Names(folder.Path()), (std::set<std::string>{"out.ovd", "written"}));
  EXPECT_EQ(test::ReadText(folder / "out.ovd"), "old");
}

// Something in a file's place that a plain file must not replace. Returns
// false when this host cannot make it (a device node needs root).
bool MakeSpecial(const std::string& kind, const std::string& path) {
  if (kind == "fifo") return mkfifo(path.c_str(), 0644) == 0;
  if (kind == "device") return mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  const bool made = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return made;
}

// Regression: `config save` over a device, a pipe or a link left a regular
// file in its place (as root it replaced /dev/full); `config load` of a pipe
// with no writer blocked for ever. Files are read and written through links,
// and nothing else is read or replaced.
TEST(FileSetReplacement, WritesAndReadsThroughLinksAndNeverADeviceOrAPipe) {
  const struct {
    const char* setUp;    // what stands at "out"
    const char* refusal;  // empty: written, through any links
  } cases[] = {
      {"plain", ""},
      {"link", ""},
      {"chain", ""},  // of absolute links
      {"dangling", ""},
      {"fifo", "Pas un fichier ordinaire (tube nommé)"},
      {"device", "Pas un fichier ordinaire (périphérique)"},
      {"socket", "Pas un fichier ordinaire (socket)"},
      {"link-fifo", "Pas un fichier ordinaire (tube nommé)"},
      {"loop", "Trop de liens symboliques"},
      {"folder", "Dossier"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.setUp);
    test::TempFolder folder;
    fs::create_directory(folder / "elsewhere");
    const std::string out = folder / "out", real = folder / "elsewhere/real";
    const std::string setUp = c.setUp;
    const std::string target = setUp == "plain" ? out : real;
    if (setUp != "dangling") test::WriteText(real, "old");
    if (setUp == "plain") test::WriteText(out, "old");
    if (setUp == "folder") fs::create_directory(out);
    if (setUp == "link" || setUp == "dangling") fs::create_symlink("elsewhere/real", out);
    if (setUp == "chain") {
      fs::create_symlink(real, folder / "middle");
      fs::create_symlink(folder / "middle", out);
    }
    if (setUp == "link-fifo") {
      fs::remove(real);
      ASSERT_TRUE(MakeSpecial("fifo", real));
      fs::create_symlink(real, out);
    }
    if (setUp == "loop") {
      fs::create_symlink(folder / "other", out);
      fs::create_symlink(out, folder / "other");
    }
    if (setUp == "fifo" || setUp == "device" || setUp == "socket") {
      if (!MakeSpecial(setUp, out)) continue;  // no device nodes without root
    }
    // Kept by the new file, as the old one had them.
    if (fs::exists(target)) {
      fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    }
    std::string read = "previous";
    alarm(60);  // a read that blocks ends the test here rather than hanging it
    const FileRead got = ReadFileLimited(out, read, 10);
    alarm(0);
    const std::string why = setUp == "dangling" ? "Introuvable" : c.refusal;
    EXPECT_EQ(got.message, why);
    EXPECT_EQ(read, why.empty() ? "old" : "");

    const fs::file_type before = fs::symlink_status(out).type();
    const std::set<std::string> namesBefore = Names(folder.Path());

    // A set, as a cut is saved: a refused file stops every other one.
    std::string error;
    FileSetReplacement set;
    ASSERT_TRUE(set.Add(folder / "beside", "new", &error));
    const bool written = set.Add(out, "new", &error) && set.Commit(&error);
    EXPECT_EQ(written, std::string(c.refusal).empty()) << error;
    EXPECT_EQ(fs::symlink_status(out).type(), before);  // a link stays a link
    if (written) {
      EXPECT_EQ(test::ReadText(target), "new");
      std::set<std::string> names = namesBefore;
      names.insert("beside");
      EXPECT_EQ(Names(folder.Path()), names);
      EXPECT_EQ(Names(folder / "elsewhere"), std::set<std::string>{"real"});
      if (setUp != "dangling") {
        EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write);
      }
    } else {
      EXPECT_THAT(error, HasSubstr(out));
      EXPECT_THAT(error, HasSubstr(c.refusal));
      EXPECT_EQ(Names(folder.Path()), namesBefore);
    }
  }
}

TEST(StalePartialFiles, OnlyUnlockedFilesOfTheProgramsOwnNamingGo) {
  test::TempFolder folder;
  const char* kept[] = {
      "wing.ovd.orvane-Ef34Gh",  // held by a live writer (below)
      "wing.ovd.Ab12Cd",         // anyone's name
      "notes.orvane-Ab12C",      // one character short
      "x.orvane-Ab12Cd.txt",     // not at the end
      ".orvane-Ab12Cd",          // no name before it
      "wing.ovd",
  };
  for (const char* name : kept) test::WriteText(folder / name, "x");
  test::WriteText(folder / "wing.ovd.orvane-Ab12Cd", "stale");
  test::WriteText(folder / "p.ovp.orvane-000000", "stale");
  fs::create_directory(folder / "d.orvane-Ab12Cd");
  const int live = open((folder / "wing.ovd.orvane-Ef34Gh").c_str(), O_RDONLY);
  ASSERT_EQ(flock(live, LOCK_EX), 0);

  RemoveStalePartialFiles(folder.Path());
  close(live);
  std::set<std::string> expected(std::begin(kept), std::end(kept));
  expected.insert("d.orvane-Ab12Cd");
  EXPECT_EQ(Names(folder.Path()), expected);
}

TEST(ReadFileLimited, ReadsUpToTheLimitExactly) {
  test::TempFolder folder;
  test::WriteText(folder / "ten", "0123456789");
  std::string data;
  EXPECT_TRUE(ReadFileLimited(folder / "ten", data, 10).ok);
  EXPECT_EQ(data, "0123456789");
  EXPECT_EQ(ReadFileLimited(folder / "ten", data, 9).message,
            "Fichier trop volumineux (plus de 9 octets)");
  EXPECT_EQ(data, "");
}

}  // namespace
}  // namespace orvane
