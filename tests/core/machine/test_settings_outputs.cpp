#include "core/machine/settings_outputs.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "core/app/machine_settings.h"

namespace orvane {
namespace {

struct Recorder : PortOutput {
  void WriteByte(uint16_t address, uint8_t value) override { writes.emplace_back(address, value); }
  std::string Description() const override { return "recorder"; }
  std::vector<std::pair<uint16_t, uint8_t>> writes;
};

TEST(ApplySettingsToOutputs, RestsTheParallelPortOnAChangedIdleImageOnly) {
  MachineSettings s;  // heating bit 2, hold bit 1, hold kept at rest
  Recorder port;
  ControlImages images = ApplySettingsToOutputs(s, 0, &port);
  EXPECT_EQ(images.IdleControlImage, 1);
  EXPECT_EQ(images.RunControlImage, 1);  // automatic heating off
  ASSERT_EQ(port.writes.size(), 1u);
  EXPECT_EQ(port.writes[0], std::make_pair(uint16_t{890}, uint8_t{1}));

  ApplySettingsToOutputs(s, images.IdleControlImage, &port);  // nothing changed
  EXPECT_EQ(port.writes.size(), 1u);

  s.ActCouple = false;
  images = ApplySettingsToOutputs(s, images.IdleControlImage, &port);
  ASSERT_EQ(port.writes.size(), 2u);
  EXPECT_EQ(port.writes[1].second, 0);

  // The other links and a link not yet started get the images, not a write.
  s.ActChauffe = true;
  s.PortType = 2;
  images = ApplySettingsToOutputs(s, images.IdleControlImage, &port);
  EXPECT_EQ(images.RunControlImage, 3);
  ApplySettingsToOutputs(s, 0xFF, nullptr);
  EXPECT_EQ(port.writes.size(), 2u);
}

}  // namespace
}  // namespace orvane
