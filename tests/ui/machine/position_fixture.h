#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <memory>
#include <ostream>
#include <string>

#include "core/app/machine_settings.h"
#include "core/cut/cut_files.h"
#include "support/temp_folder.h"
#include "ui/machine/fiche_positionnement.h"
#include "ui/window_harness.h"

// Readable failures.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace orvane::ui {

// Which files of a cut set to write beside its header.
struct CutFiles {
  bool steps = true, gcode = true, points = true;
};

// The execution window over a scripted run, with cut sets written straight
// from the header and point writers so every file can be left out or made
// for other settings.
class PositionFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h.Start());
    window = std::make_unique<TFormPosition>(h.context);
    window->show();
  }

  // The cut of the block edge cases: real sizes 300 × 100 and 280 × 90, a
  // lead-in of (10, 0) on profile 1 only.
  static CutHeaderData Wing(bool sameProjection, uint64_t ticks) {
    CutHeaderData data;
    ProjectionState& p = data.projection;
    p.realX1 = 300, p.realY1 = 100, p.realX2 = 280, p.realY2 = 90;
    p.projectedX1 = 320, p.projectedY1 = 110;
    p.projectedX2 = sameProjection ? 320 : 300, p.projectedY2 = 110;
    data.leadIn1 = {10, 0};
    data.ticks = ticks;
    return data;
  }

  // Writes base + ".ovi" (and the files asked for); returns the ".ovi" path.
  std::string WriteCut(const std::string& name, const CutHeaderData& data,
                       const MachineSettings& recorded, CutFiles files = CutFiles()) {
    const std::string base = h.context.settings.CutPath + name;
    const std::vector<CutPoint> points = {
        {0, 0, 10, 5}, {10, 0, 20, 5}, {300, 50, 280, 45}, {10, 100, 20, 95}, {0, 0, 10, 5}};
    CutHeaderData header = data;
    header.segments = points.size() - 1;  // the point file is checked against it
    test::WriteText(base + ".ovi", WriteCutHeader(header, recorded, false));
    if (files.steps) test::WriteText(base + ".ovd", std::string(data.ticks, '\x01'));
    if (files.gcode) test::WriteText(base + ".ovg", "G90\r\nF300\r\nG01 X10\r\n");
    if (files.points) test::WriteText(base + ".ovs", WriteCutPoints(points, false));
    return base + ".ovi";
  }
  void Open(const std::string& path) {
    h.dialogs.browsed.clear();
    h.dialogs.chosen = path;
    window->OuvrirClick();
  }

  test::WindowHarness h;
  std::unique_ptr<TFormPosition> window;
};

}  // namespace orvane::ui
