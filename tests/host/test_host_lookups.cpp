// Where the host's files and programs are found: data beside the program or
// under its prefix, folders from the environment, calculators on the path,
// the processor's name, the parallel port's device.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "host/data_files.h"
#include "host/host_centronic.h"
#include "host/parallel_port.h"
#include "host/program_lookup.h"
#include "host/serial_ports.h"
#include "host/settings_file_store.h"
#include "support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;

// The built program finds its files beside it, the installed one under the
// prefix's share/orvane; a folder of that name is not a file.
TEST(ProgramDataFiles, BuildFolderFirstThenTheInstalledShareFolder) {
  test::TempFolder root;
  fs::create_directories(root / "share/orvane/help");
  fs::create_directories(root / "bin/help/orvane.htm");
  test::WriteText(root / "share/orvane/orvane.wav", "RIFF");
  EXPECT_EQ(ProgramDataFileFrom(root / "bin", "orvane.wav"), root / "share/orvane/orvane.wav");
  test::WriteText(root / "bin/orvane.wav", "RIFF");
  EXPECT_EQ(ProgramDataFileFrom(root / "bin", "orvane.wav"), root / "bin/orvane.wav");
  EXPECT_EQ(ProgramDataFileFrom(root / "bin", "help/orvane.htm"), "");
  EXPECT_EQ(ProgramDataFileFrom(root / "bin", ""), "");
}

// The serial selector lists the three kinds of serial device in natural
// order; other devices, folders and unnumbered names are not ports.
TEST(SerialPortList, ListsNumberedSerialDevicesInNaturalOrder) {
  test::TempFolder dev;
  for (const char* name : {"ttyS10", "ttyACM0", "ttyS2", "ttyUSB1", "ttyUSB0", "ttyS", "tty0",
                           "ttySx", "null", "ttyS1"}) {
    test::WriteText(dev / name, "");
  }
  fs::create_directory(dev / "ttyUSB9");
  EXPECT_EQ(
      ListSerialPorts(dev.Path()),
      (std::vector<std::string>{"ttyS1", "ttyS2", "ttyS10", "ttyUSB0", "ttyUSB1", "ttyACM0"}));
  EXPECT_TRUE(ListSerialPorts(dev / "absent").empty());
}

// The application and settings folders follow ORVANE_HOME and
// ORVANE_CONFIG_DIR (every orvane-cli test runs under them), else the
// desktop's data and configuration folders.
TEST(HostFolders, FollowTheEnvironment) {
  const struct {
    const char* variable;
    const char* value;
    std::string (*path)();
    const char* expected;
  } cases[] = {
      {"XDG_DATA_HOME", "/d", ApplicationFolderPath, "/d/orvane/"},
      {"XDG_CONFIG_HOME", "/x/conf", SettingsFilePath, "/x/conf/orvane/settings.ini"},
  };
  for (const auto& c : cases) {
    setenv(c.variable, c.value, 1);
    EXPECT_EQ(c.path(), c.expected) << c.variable;
    unsetenv(c.variable);
  }
}

// The desktop's order decides which calculator, the path only where it is:
// executable files in absolute folders, the first folder first.
TEST(ProgramLookup, CalculatorsAreTakenInTheDesktopsOrderFromTheFirstFolderOfThePath) {
  test::TempFolder root;
  auto install = [&](const std::string& file, mode_t mode = 0755) {
    fs::create_directories(fs::path(root / file).parent_path());
    test::WriteText(root / file, "#!/bin/sh\n");
    chmod((root / file).c_str(), mode);
  };
  const auto find = [](const std::string& path) { return FindProgram(CalculatorPrograms(), path); };
  install("a/xcalc");
  install("b/kcalc");
  install("c/kcalc");
  install("plain/gnome-calculator", 0644);                // not executable
  fs::create_directories(root / "dir/gnome-calculator");  // a folder, not a program
  const std::string path =
      root / "plain:" + root / "dir::" + root / "a:" + root / "b:" + root / "c";
  EXPECT_EQ(find(path), root / "b/kcalc");  // before xcalc, whatever the path's order
  fs::remove(root / "b/kcalc");
  EXPECT_EQ(find(path), root / "c/kcalc");
  fs::remove(root / "c/kcalc");
  EXPECT_EQ(find(path), root / "a/xcalc");
  // A relative folder or an empty entry (the current folder) is never searched.
  const auto here = fs::current_path();
  fs::current_path(root / "a");
  EXPECT_EQ(find("."), "");
  EXPECT_EQ(find(":"), "");
  fs::current_path(here);
}

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

TEST(ParallelPort, FindsTheDeviceWhoseBaseAddressMatchesElseRecords) {
  test::TempFolder proc;
  for (const char* name : {"parport0", "parport1", "default"}) fs::create_directories(proc / name);
  test::WriteText(proc / "parport0/base-addr", "888\t1912\n");
  test::WriteText(proc / "parport1/base-addr", "632\t1656\n");
  EXPECT_EQ(FindPpdevDevice(888, proc.Path()), "/dev/parport0");
  EXPECT_EQ(FindPpdevDevice(632, proc.Path()), "/dev/parport1");
  EXPECT_EQ(FindPpdevDevice(956, proc.Path()), "");

  // No device at that address: the recording virtual port stands in.
  auto port = OpenParallelPort(956, ParallelBackend::Ppdev, nullptr, proc.Path());
  EXPECT_NE(dynamic_cast<VirtualPort*>(port.get()), nullptr);
  EXPECT_NE(port->Description().find("virtuel"), std::string::npos);
}

}  // namespace
}  // namespace orvane
