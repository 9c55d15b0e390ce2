#include "host/host_centronic.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "host/parallel_port.h"
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

TEST(ApplicationFolderPath, FollowsOrvaneHomeWithATrailingSlash) {
  setenv("ORVANE_HOME", "/srv/atelier", 1);
  EXPECT_EQ(ApplicationFolderPath(), "/srv/atelier/");
  unsetenv("ORVANE_HOME");
  setenv("XDG_DATA_HOME", "/d", 1);
  EXPECT_EQ(ApplicationFolderPath(), "/d/orvane/");
  unsetenv("XDG_DATA_HOME");
}

TEST(ParallelPort, FindsTheDeviceWhoseBaseAddressMatches) {
  test::TempFolder proc;
  std::filesystem::create_directories(proc / "parport0");
  std::filesystem::create_directories(proc / "parport1");
  std::filesystem::create_directories(proc / "default");
  test::WriteText(proc / "parport0/base-addr", "888\t1912\n");
  test::WriteText(proc / "parport1/base-addr", "632\t1656\n");
  EXPECT_EQ(FindPpdevDevice(888, proc.Path()), "/dev/parport0");
  EXPECT_EQ(FindPpdevDevice(632, proc.Path()), "/dev/parport1");
  EXPECT_EQ(FindPpdevDevice(956, proc.Path()), "");
}

TEST(ParallelPort, FallsBackToTheRecordingVirtualPort) {
  test::TempFolder proc;
  auto port = OpenParallelPort(888, ParallelBackend::Ppdev, nullptr, proc.Path());
  auto* recording = dynamic_cast<VirtualPort*>(port.get());
  ASSERT_NE(recording, nullptr);
  EXPECT_NE(port->Description().find("virtuel"), std::string::npos);
  port->WriteByte(890, 0x05);
  ASSERT_EQ(recording->Writes().size(), 1u);
  EXPECT_EQ(recording->Writes()[0].address, 890);
  EXPECT_EQ(recording->Writes()[0].value, 0x05);
}

TEST(ParallelPort, TheVirtualPortStopsRecordingAtItsCapacity) {
  VirtualPort port(nullptr, 3);
  for (int i = 0; i < 5; ++i) port.WriteByte(888, static_cast<uint8_t>(i));
  EXPECT_EQ(port.Writes().size(), 3u);
  EXPECT_EQ(port.DroppedWrites(), 2u);
}

}  // namespace
}  // namespace orvane
