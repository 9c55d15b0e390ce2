#include "core/cut/cut_files.h"

#include <bit>
#include <cstring>

#include "core/app/machine_settings.h"
#include "core/common/cp1252.h"
#include "core/common/text_number.h"

namespace orvane {

void DefaultZeroSizes(ProjectionState& s, const double (&dimensions)[4]) {
  double* real[4] = {&s.realX1, &s.realY1, &s.realX2, &s.realY2};
  double* projected[4] = {&s.projectedX1, &s.projectedY1, &s.projectedX2, &s.projectedY2};
  for (int k = 0; k < 4; ++k) {
    if (*real[k] == 0) *real[k] = dimensions[k];
    if (*projected[k] == 0) *projected[k] = *real[k];
  }
}

std::string WriteCutHeader(const CutHeaderData& d, const MachineSettings& s, bool setB) {
  const ProjectionState& p = d.projection;
  struct Sizes {
    double realX, realY, projectedX, projectedY;
  };
  Sizes first{p.realX1, p.realY1, p.projectedX1, p.projectedY1};
  Sizes second{p.realX2, p.realY2, p.projectedX2, p.projectedY2};
  auto leadIn1 = d.leadIn1, leadIn2 = d.leadIn2;
  long developed1 = d.developed1, developed2 = d.developed2;
  if (setB) {
    std::swap(first, second);
    std::swap(leadIn1, leadIn2);
    std::swap(developed1, developed2);
  }
  std::string out;
  auto put = [&out](const std::string& line) { out += line + "\r\n"; };
  auto size = [](double v) { return FormatFixed(v, 3); };
  auto whole = [](double v) { return FormatFixed(v, 0); };
  put("// version");
  put("160");
  put("// décimales");
  put(std::to_string(d.decimals));
  put("// dimensions profil 1 (réelles et projetées)");
  for (double v : {first.realX, first.realY, first.projectedX, first.projectedY}) put(size(v));
  put("// dimensions profil 2 (réelles et projetées)");
  for (double v : {second.realX, second.realY, second.projectedX, second.projectedY}) put(size(v));
  put("// cotes dégagement profil 1");
  put(whole(leadIn1.first));
  put(whole(leadIn1.second));
  put("// cotes dégagement profil 2");
  put(whole(leadIn2.first));
  put(whole(leadIn2.second));
  put("// distance entre guides");
  put(std::to_string(p.guideDistance));
  put("// position matière");
  put(std::to_string(p.materialPosition));
  put("// épaisseur matière");
  put(std::to_string(p.materialThickness));
  put("// inversion des moteurs");
  for (int v : {s.X1clockwise, s.Y1clockwise, s.X2clockwise, s.Y2clockwise}) put(std::to_string(v));
  put("// pas/mm des moteurs");
  for (int v : {s.X1step, s.Y1step, s.X2step, s.Y2step}) put(std::to_string(v));
  put("// bits des moteurs");
  for (int v : {s.X1io, s.Y1io, s.X2io, s.Y2io}) put(std::to_string(v));
  put("// nombre de segments");
  put(std::to_string(d.segments));
  put("// développés des profils");
  put(std::to_string(developed1));
  put(std::to_string(developed2));
  put("// nombre de pas");
  put(std::to_string(d.ticks));
  return Utf8ToCp1252(out);
}

std::string WriteCutPoints(const std::vector<CutPoint>& points, bool setB) {
  static_assert(std::endian::native == std::endian::little, "the point file is little-endian");
  std::string out;
  out.reserve(points.size() * 32);
  for (const CutPoint& point : points) {
    const int order[4] = {setB ? 2 : 0, setB ? 3 : 1, setB ? 0 : 2, setB ? 1 : 3};
    for (int k : order) {
      const double value = static_cast<double>(point[k]);
      char bytes[8];
      std::memcpy(bytes, &value, 8);
      out.append(bytes, 8);
    }
  }
  return out;
}

std::string ProposedCutName(const std::string& profileFileName, bool twoCuts) {
  return profileFileName + (twoCuts ? "_A" : "");
}

std::string CutBase(const std::string& chosenPath) {
  const size_t slash = chosenPath.rfind('/');
  const size_t dot = chosenPath.rfind('.');
  // A name typed without an extension keeps all its characters.
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return chosenPath;
  return chosenPath.substr(0, dot);
}

CutFileSetNames CutSetNames(const std::string& base, bool twoCuts, bool setB) {
  const std::string stem = twoCuts ? base + (setB ? "_B" : "_A") : base;
  return {stem + ".ovd", stem + ".ovg", stem + ".ovi", stem + ".ovs"};
}

}  // namespace orvane
