#include "host/host_centronic.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "host/parallel_port.h"
#include "host/settings_file_store.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

TEST(ReadProcessorName, TakesTheModelNameOrSaysUnknown) {
  test::TempFolder folder;
  test::WriteText(
      folder / "cpuinfo",
      "processor\t: 0\nvendor_id\t: GenuineIntel\nmodel name\t: Intel(R) Core(TM) i5\n");
  EXPECT_EQ(ReadProcessorName(folder / "cpuinfo"), "Intel(R) Core(TM) i5");
  test::WriteText(folder / "arm", "processor\t: 0\nBogoMIPS\t: 50.00\n");
  EXPECT_EQ(ReadProcessorName(folder / "arm"), "inconnu");
  EXPECT_EQ(ReadProcessorName(folder / "absent"), "inconnu");
}

// The application and settings folders follow ORVANE_HOME and
// ORVANE_CONFIG_DIR, else the desktop's data and configuration folders.
TEST(HostFolders, FollowTheEnvironment) {
  const struct {
    const char* variable;
    const char* value;
    std::string (*path)();
    const char* expected;
  } cases[] = {
      {"ORVANE_HOME", "/srv/atelier", ApplicationFolderPath, "/srv/atelier/"},
      {"XDG_DATA_HOME", "/d", ApplicationFolderPath, "/d/orvane/"},
      {"ORVANE_CONFIG_DIR", "/c/", SettingsFilePath, "/c/settings.ini"},
      {"XDG_CONFIG_HOME", "/x/conf", SettingsFilePath, "/x/conf/orvane/settings.ini"},
  };
  for (const auto& c : cases) {
    setenv(c.variable, c.value, 1);
    EXPECT_EQ(c.path(), c.expected) << c.variable;
    unsetenv(c.variable);
  }
}

TEST(ParallelPort, FindsTheDeviceWhoseBaseAddressMatchesElseRecords) {
  test::TempFolder proc;
  for (const char* name : {"parport0", "parport1", "default"}) {
    std::filesystem::create_directories(proc / name);
  }
  test::WriteText(proc / "parport0/base-addr", "888\t1912\n");
  test::WriteText(proc / "parport1/base-addr", "632\t1656\n");
  EXPECT_EQ(FindPpdevDevice(888, proc.Path()), "/dev/parport0");
  EXPECT_EQ(FindPpdevDevice(632, proc.Path()), "/dev/parport1");
  EXPECT_EQ(FindPpdevDevice(956, proc.Path()), "");

  auto port = OpenParallelPort(956, ParallelBackend::Ppdev, nullptr, proc.Path());
  auto* recording = dynamic_cast<VirtualPort*>(port.get());
  ASSERT_NE(recording, nullptr);
  EXPECT_NE(port->Description().find("virtuel"), std::string::npos);
  port->WriteByte(958, 0x05);
  ASSERT_EQ(recording->Writes().size(), 1u);
  EXPECT_EQ(recording->Writes()[0].address, 958);
  EXPECT_EQ(recording->Writes()[0].value, 0x05);
}

}  // namespace
}  // namespace orvane
