#include "host/atomic_file.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <set>

#include "support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
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
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  if (child == 0) {
    FileSetReplacement set;
    set.Add(folder / "out.ovd", std::string(8 << 20, 'x'), nullptr);
    [[maybe_unused]] ssize_t n = write(ready[1], "w", 1);
    pause();  // killed here, written but not committed
    _exit(0);
  }
  char byte;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  close(ready[0]);
  close(ready[1]);
  EXPECT_EQ(Names(folder.Path()), std::set<std::string>{"out.ovd"});
  EXPECT_EQ(test::ReadText(folder / "out.ovd"), "old");
}

// Something in a file's place that a plain file must not replace. Returns
// false when this host cannot make it (a device node needs root).
bool MakeSpecial(const std::string& kind, const std::string& path) {
  if (kind == "fifo") return mkfifo(path.c_str(), 0644) == 0;
  if (kind == "device") return mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
  if (kind == "socket") {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    const bool made = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return made;
  }
  return false;
}

// Regression: `config save` over a device, a pipe or a link left a regular
// file in its place (as root it replaced /dev/full).
TEST(FileSetReplacement, WritesThroughLinksAndNeverReplacesADeviceOrAPipe) {
  struct Case {
    const char* name;
    const char* setUp;    // what stands at "out"
    const char* refusal;  // empty: written, through any links
  };
  const Case cases[] = {
      {"plain file", "plain", ""},
      {"relative link", "link", ""},
      {"chain of absolute links", "chain", ""},
      {"link to a file not there yet", "dangling", ""},
      {"named pipe", "fifo", "Pas un fichier ordinaire (tube nommé)"},
      {"device", "device", "Pas un fichier ordinaire (périphérique)"},
      {"socket", "socket", "Pas un fichier ordinaire (socket)"},
      {"link to a pipe", "link-fifo", "Pas un fichier ordinaire (tube nommé)"},
      {"loop of links", "loop", "Trop de liens symboliques"},
      {"folder", "folder", "Dossier"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
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
    const fs::file_type before = fs::symlink_status(out).type();
    const std::set<std::string> namesBefore = Names(folder.Path());

    // A set, as a cut is saved: a refused file stops every other one.
    std::string error;
    FileSetReplacement set;
    ASSERT_TRUE(set.Add(folder / "beside", "new", &error));
    const bool added = set.Add(out, "new", &error);
    const bool written = added && set.Commit(&error);
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
      EXPECT_FALSE(fs::exists(folder / "beside"));
    }
  }
}

TEST(FileSetReplacement, ReplacesThePathsInTheOrderTheyWereAdded) {
  test::TempFolder folder;
  const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(inotify_add_watch(watch, folder.Path().c_str(), IN_MOVED_TO), 0);
  FileSetReplacement set;
  std::string error;
  for (const char* name : {"z.ovd", "m.ovg", "a.ovi"})
    ASSERT_TRUE(set.Add(folder / name, name, &error));
  ASSERT_TRUE(set.Commit(&error));
  std::vector<std::string> moved;
  alignas(inotify_event) char buffer[4096];
  const ssize_t length = read(watch, buffer, sizeof buffer);
  for (ssize_t at = 0; at < length;) {
    const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
    moved.push_back(event->name);
    at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
  }
  close(watch);
  EXPECT_THAT(moved, ElementsAre("z.ovd", "m.ovg", "a.ovi"));
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

class ReadFileLimitedTest : public ::testing::Test {
 protected:
  std::string Why(const std::string& path, size_t limit = 1 << 20) {
    std::string data = "previous";
    const FileRead read = ReadFileLimited(path, data, limit);
    EXPECT_FALSE(read.ok) << path;
    EXPECT_TRUE(data.empty()) << path;
    return read.message;
  }
  test::TempFolder folder;
};

// Regression: `config load` of a pipe with no writer blocked for ever.
TEST_F(ReadFileLimitedTest, ReadsOnlyRegularFilesAndSaysWhyNotWithoutBlocking) {
  ASSERT_TRUE(MakeSpecial("fifo", folder / "fifo"));
  ASSERT_TRUE(MakeSpecial("socket", folder / "socket"));
  fs::create_symlink(folder / "fifo", folder / "link-to-fifo");
  // A sparse file far past the limit is refused from its size, unread.
  {
    const int fd = open((folder / "big.ovp").c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_EQ(ftruncate(fd, off_t(4) << 30), 0);
    close(fd);
  }
  const struct {
    std::string path;
    const char* why;
  } cases[] = {
      {folder / "missing.ovp", "Introuvable"},
      {folder / "missing/p.ovp", "Introuvable"},
      {folder.Path(), "Dossier"},
      {folder / "fifo", "Pas un fichier ordinaire (tube nommé)"},
      {folder / "link-to-fifo", "Pas un fichier ordinaire (tube nommé)"},
      {folder / "socket", "Pas un fichier ordinaire (socket)"},
      {"/dev/zero", "Pas un fichier ordinaire (périphérique)"},
      {folder / "big.ovp", "Fichier trop volumineux (plus de 256 Mo)"},
  };
  alarm(60);  // a read that blocks ends the test here rather than hanging it
  for (const auto& c : cases) EXPECT_EQ(Why(c.path, 256 << 20), c.why) << c.path;
  alarm(0);
}

TEST_F(ReadFileLimitedTest, SaysWhenPermissionIsRefused) {
  test::WriteText(folder / "secret.ovp", "x");
  chmod((folder / "secret.ovp").c_str(), 0);
  chmod(folder.Path().c_str(), 0755);
  // Root reads anything: check as an ordinary user.
  const pid_t child = fork();
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    std::string data;
    _exit(ReadFileLimited(folder / "secret.ovp", data, 100).message == "Permission refusée" ? 0
                                                                                            : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(ReadFileLimitedTest, ReadsAFileUpToTheLimitExactlyAndThroughALink) {
  test::WriteText(folder / "ten", "0123456789");
  fs::create_symlink("ten", folder / "link");
  std::string data;
  EXPECT_TRUE(ReadFileLimited(folder / "link", data, 10).ok);
  EXPECT_EQ(data, "0123456789");
  EXPECT_EQ(Why(folder / "ten", 9), "Fichier trop volumineux (plus de 9 octets)");
}

}  // namespace
}  // namespace orvane
