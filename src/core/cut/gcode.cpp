#include "core/cut/gcode.h"

#include <cmath>
#include <cstdio>

#include "core/app/machine_settings.h"
#include "core/common/text_number.h"

namespace orvane {
namespace {

constexpr size_t kLineLength = 46;

std::string Coordinate(double value) {
  char text[512];
  std::snprintf(text, sizeof text, "%9.3f", value);
  std::string out = text;
  // A value that rounds to zero keeps no sign: "-0.000" would read as a move.
  if (std::isfinite(value) && std::signbit(value) &&
      out.find_first_of("123456789") == std::string::npos) {
    return "    0.000";
  }
  return out;
}

}  // namespace

std::string FormatGcodeLine(std::string_view code, uint32_t feed, double x, double y, double a,
                            double b) {
  if (code == "M2") return "M2 (----------- fin du programme ------------)";
  if (code == "F") {
    std::string line = "F" + std::to_string(feed);
    if (line.size() < kLineLength) line.append(kLineLength - line.size(), ' ');
    return line;
  }
  return std::string(code) + " X" + Coordinate(x) + " Y" + Coordinate(y) + " A" + Coordinate(a) +
         " B" + Coordinate(b);
}

uint32_t FeedRateMmMin(const MachineSettings& s) {
  // Four feeds of at most 60,000,000 each: the sum fits, the line has room.
  auto feed = [](int32_t speed, uint16_t steps) {
    if (speed <= 0 || steps == 0) return 0.0;
    return RoundHalfEven(60 * (1e6 / (double(speed) * steps)));
  };
  const double total = feed(s.X1speed, s.X1step) + feed(s.Y1speed, s.Y1step) +
                       feed(s.X2speed, s.X2step) + feed(s.Y2speed, s.Y2step);
  return static_cast<uint32_t>(static_cast<uint64_t>(total) / 4);
}

GcodePrograms GenerateGcode(const std::vector<CutPoint>& points, const MachineSettings& s) {
  GcodePrograms programs;
  const size_t bytes = (points.size() + 2) * (kLineLength + 2);
  programs.cut.reserve(bytes);
  programs.opposite.reserve(bytes);
  auto put = [](std::string& program, const std::string& line) {
    program += line;
    program += "\r\n";
  };
  const std::string feed = FormatGcodeLine("F", FeedRateMmMin(s));
  put(programs.cut, feed);
  put(programs.opposite, feed);
  // Coordinates are negated on axes whose direction is not inverted.
  const uint16_t clockwise[4] = {s.X1clockwise, s.Y1clockwise, s.X2clockwise, s.Y2clockwise};
  for (size_t r = 0; r < points.size(); ++r) {
    double v[4];
    for (int k = 0; k < 4; ++k) {
      v[k] = static_cast<double>(points[r][k]);
      if (clockwise[k] == 0) v[k] = -v[k];
    }
    const char* code = r == 0 ? "G0" : "G1";
    put(programs.cut, FormatGcodeLine(code, 0, v[0], v[1], v[2], v[3]));
    put(programs.opposite, FormatGcodeLine(code, 0, v[2], v[3], v[0], v[1]));
  }
  const std::string end = FormatGcodeLine("M2");
  put(programs.cut, end);
  put(programs.opposite, end);
  return programs;
}

}  // namespace orvane
