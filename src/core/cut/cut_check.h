#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/cut/step_stream.h"
#include "core/machine/step_decoder.h"

namespace orvane {

struct MachineSettings;

// How far the motion a step stream makes strays from the outlines it was
// generated from, side by side (profile 1: X1, Y1; profile 2: X2, Y2).
struct CutDeviation {
  double largest[2] = {0, 0};  // millimetres
  double step[2] = {0, 0};     // one step of the side: the larger of its two axes', in mm
  bool endsElsewhere = false;  // the last position is not the outline's last point
  std::string error;           // the file could not be read
  bool Fault(int side) const;
  bool Fault() const { return !error.empty() || endsElsewhere || Fault(0) || Fault(1); }
};

// Follows the positions the bytes make from the first point of the cut table
// and measures each one against the outline through the table's points, as
// the generation places them on whole steps (a point can only be reached to
// the step); the outline's corners must be reached too. A sound stream stays
// within one step.
class CutChecker {
 public:
  CutChecker(const std::vector<CutPoint>& points, const MachineSettings& settings);
  void Feed(const uint8_t* bytes, size_t count);
  CutDeviation Finish();

 private:
  struct Side {
    std::vector<double> xs, ys;  // the outline in mm, corners on whole steps
    std::vector<double> cornerBest;
    size_t segment = 0;
    double worst = 0;
  };
  void Measure(Side& side, double x, double y);

  StepDecoder decoder_;
  AxisPositions steps_;  // from the first point of the cut
  double perMm_[4] = {};
  int64_t start_[4] = {}, end_[4] = {};
  Side sides_[2];
  CutDeviation result_;
};

// Reads the step file ("tmp1") a generation wrote and checks it.
CutDeviation CheckStepFile(const std::string& path, const std::vector<CutPoint>& points,
                           const MachineSettings& settings);

// 0.0031 -> "0,003 mm"
std::string DeviationText(double millimetres);

}  // namespace orvane
