#include "core/cut/cut_files.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>

#include "core/app/machine_settings.h"
#include "core/app/setting_ranges.h"
#include "core/common/cp1252.h"
#include "core/common/text_lines.h"
#include "core/common/text_number.h"

namespace orvane {
namespace {

constexpr size_t kHeaderLines = 48;
// A header is 48 short lines; anything much larger is not one.
constexpr uint64_t kMaxHeaderBytes = 64 * 1024;
constexpr int64_t kHeaderVersion = 160;
// A cut's points are counted in 32 bits, like its ticks.
constexpr int64_t kMostSegments = int64_t(kMaxCutTicks);
// Segments of at most 1.5e6 mm each (a profile spans 1,000,000 mm), 2^32 of them.
constexpr int64_t kLongestDeveloped = int64_t(1e16);

// Reads the numbered lines of a header, keeping the first line refused.
class HeaderLines {
 public:
  explicit HeaderLines(const std::vector<std::string_view>& lines) : lines_(lines) {}

  int64_t Integer(size_t line, int64_t low, int64_t high) {
    const std::optional<int64_t> value = ParseInteger(lines_[line - 1]);
    if (value && *value >= low && *value <= high) return *value;
    Refuse(line, low == high
                     ? std::to_string(low)
                     : "un entier de " + std::to_string(low) + " à " + std::to_string(high));
    return low;
  }
  // A motor value, within what the parameters window allows.
  int64_t Setting(size_t line, const std::string& name) {
    const std::string_view text = lines_[line - 1];
    const std::optional<int64_t> value = ParseInteger(text);
    if (value && SettingInRange(name, text)) return *value;
    Refuse(line, name + " " + SettingRangeText(name));
    return 0;
  }
  double Real(size_t line, double low, double high) {
    const std::optional<double> value = ParseReal(lines_[line - 1]);
    if (value && *value >= low && *value <= high) return *value;
    Refuse(line, "un nombre de " + FormatFixed(low, 0) + " à " + FormatFixed(high, 0));
    return 0;
  }
  const std::string& Error() const { return error_; }

 private:
  void Refuse(size_t line, const std::string& expected) {
    if (!error_.empty()) return;
    std::string text(lines_[line - 1].substr(0, 40));
    if (lines_[line - 1].size() > 40) text += "...";
    error_ = "En-tête de découpe illisible (ligne " + std::to_string(line) + " : « " +
             Cp1252ToUtf8(text) + " », attendu " + expected + ").";
  }
  const std::vector<std::string_view>& lines_;
  std::string error_;
};

}  // namespace

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

CutHeaderRead ParseCutHeader(std::string_view text) {
  CutHeaderRead read;
  const std::vector<std::string_view> lines = SplitLines(text);
  if (lines.size() >= 2 && !lines[1].empty() && lines[1][0] == 'v') {
    read.ok = true;
    read.info.olderVersion = true;
    return read;
  }
  if (lines.size() != kHeaderLines) {
    read.message =
        lines.size() < kHeaderLines
            ? "En-tête de découpe incomplet : " + std::to_string(lines.size()) + " lignes sur 48."
            : "En-tête de découpe trop long : " + std::to_string(lines.size()) +
                  " lignes au lieu de 48.";
    return read;
  }
  HeaderLines in(lines);
  CutHeaderInfo& info = read.info;
  in.Integer(2, kHeaderVersion, kHeaderVersion);
  info.decimals = in.Integer(4, 0, 6);
  constexpr size_t kSizeLines[8] = {6, 7, 8, 9, 11, 12, 13, 14};
  for (size_t i = 0; i < 8; ++i) {
    info.sizeLines[i] = std::string(lines[kSizeLines[i] - 1]);
    info.sizes[i] = in.Real(kSizeLines[i], 0, kLargestHeaderSize);
  }
  constexpr size_t kLeadInLines[4] = {16, 17, 19, 20};
  for (size_t i = 0; i < 4; ++i) {
    info.leadIns[i] = in.Real(kLeadInLines[i], -kLargestHeaderSize, kLargestHeaderSize);
  }
  info.guideDistance = in.Integer(22, 0, UINT16_MAX);
  info.materialPosition = in.Integer(24, 0, 100);
  info.materialThickness = in.Integer(26, 0, UINT16_MAX);
  static const char* const kAxes[4] = {"X1", "Y1", "X2", "Y2"};
  for (size_t i = 0; i < 4; ++i) {
    info.clockwise[i] = in.Setting(28 + i, std::string(kAxes[i]) + "clockwise");
    info.stepsPerMm[i] = in.Setting(33 + i, std::string(kAxes[i]) + "step");
    info.ioSlots[i] = in.Setting(38 + i, std::string(kAxes[i]) + "io");
  }
  info.segments = in.Integer(43, 0, kMostSegments);
  info.developed = {in.Integer(45, 0, kLongestDeveloped), in.Integer(46, 0, kLongestDeveloped)};
  info.ticks = static_cast<uint64_t>(in.Integer(48, 0, int64_t(kMaxCutTicks)));
  read.message = in.Error();
  read.ok = read.message.empty();
  return read;
}

CutHeaderRead ReadCutHeaderFile(const std::string& path) {
  namespace fs = std::filesystem;
  CutHeaderRead read;
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (!fs::exists(status)) {
    read.message = "En-tête de découpe introuvable : " + path;
    return read;
  }
  const uint64_t size = fs::is_regular_file(status) ? fs::file_size(path, error) : 0;
  if (!fs::is_regular_file(status) || error || size > kMaxHeaderBytes) {
    read.message = "Ce fichier n'est pas un en-tête de découpe : " + path;
    return read;
  }
  std::ifstream in(path, std::ios::binary);
  std::string text(kMaxHeaderBytes + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  if (!in.is_open() || in.bad()) {
    read.message = "En-tête de découpe illisible : " + path;
    return read;
  }
  if (text.size() > kMaxHeaderBytes) {
    read.message = "Ce fichier n'est pas un en-tête de découpe : " + path;
    return read;
  }
  return ParseCutHeader(text);
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
  return {stem + ".ovd", stem + ".ovg", stem + ".ovi", stem + ".ovs", stem + ".nc"};
}

}  // namespace orvane
