#include "core/machine/cut_opening.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "core/app/machine_settings.h"
#include "core/cut/cut_set_check.h"

namespace orvane {
namespace {

constexpr const char* kAxisNames[4] = {"X1", "Y1", "X2", "Y2"};

}  // namespace

std::vector<std::string> DifferingSettings(const CutHeaderInfo& info,
                                           const MachineSettings& settings) {
  const int64_t clockwise[4] = {settings.X1clockwise, settings.Y1clockwise, settings.X2clockwise,
                                settings.Y2clockwise};
  const int64_t steps[4] = {settings.X1step, settings.Y1step, settings.X2step, settings.Y2step};
  const int64_t slots[4] = {settings.X1io, settings.Y1io, settings.X2io, settings.Y2io};
  std::vector<std::string> out;
  // In the parameters window's words, so the user knows which box to look at.
  auto direction = [](int64_t flag) {
    return flag == 0   ? std::string("sens normal")
           : flag == 1 ? std::string("sens inversé")
                       : std::to_string(flag);
  };
  auto bits = [](int64_t slot) {
    return "bits " + std::to_string(2 * slot) + "-" + std::to_string(2 * slot + 1);
  };
  auto stepsText = [](int64_t steps) { return std::to_string(steps) + " pas/mm"; };
  auto compare = [&](const std::string& recorded, const std::string& current, size_t axis) {
    if (recorded == current) return;
    out.push_back(std::string(kAxisNames[axis]) + " : " + recorded + " dans la découpe, " +
                  current + " dans les réglages");
  };
  for (size_t i = 0; i < 4; ++i) compare(direction(info.clockwise[i]), direction(clockwise[i]), i);
  for (size_t i = 0; i < 4; ++i) compare(bits(info.ioSlots[i]), bits(slots[i]), i);
  for (size_t i = 0; i < 4; ++i) compare(stepsText(info.stepsPerMm[i]), stepsText(steps[i]), i);
  return out;
}

bool OpenedCut::CanAuto(uint8_t portType) const {
  if (!loaded || header.olderVersion) return false;
  return portType >= 2 || Compatible();
}

bool OpenedCut::CanRun(uint8_t portType) const {
  if (!loaded || header.olderVersion) return false;
  if (portType == 2) return hasGcode;
  if (portType == 3) return hasProgram;
  return hasSteps && Compatible() && stepFileMatches;
}

OpenedCut OpenCut(const std::string& chosenPath, const MachineSettings& settings) {
  namespace fs = std::filesystem;
  OpenedCut cut;
  cut.base = chosenPath.size() >= 4 ? chosenPath.substr(0, chosenPath.size() - 4) : std::string();
  std::error_code error;
  const std::string headerPath = cut.base + ".ovi";
  if (cut.base.empty() || !fs::is_regular_file(headerPath, error)) return cut;

  const CutHeaderRead read = ReadCutHeaderFile(headerPath);
  if (!read.ok) {
    cut.message = read.message;
    return cut;
  }
  cut.loaded = true;
  cut.header = read.info;
  cut.hasSteps = fs::is_regular_file(cut.base + ".ovd", error);
  cut.hasGcode = fs::is_regular_file(cut.base + ".ovg", error);
  cut.hasPoints = fs::is_regular_file(cut.base + ".ovs", error);
  cut.hasProgram = fs::is_regular_file(cut.base + ".nc", error);
  if (cut.header.olderVersion) return cut;

  cut.ticks = cut.header.ticks;
  // The board and the GRBL controller play G-code, not the step file.
  if (settings.PortType >= 2) return cut;
  cut.differences = DifferingSettings(cut.header, settings);
  // Decoded only when it could run: a cut for other motor settings is refused anyway.
  if (!cut.Compatible()) return cut;
  const CutStepCheck check = CheckStepFileOnDisk(cut.header, cut.base + ".ovd");
  if (!check.ok) {
    cut.message = check.message;
    cut.stepFileMatches = false;
  }
  return cut;
}

BlockSize ProposeBlock(const CutHeaderInfo& info) {
  auto whole = [](double value) { return static_cast<int64_t>(std::trunc(value)); };
  const int64_t realWidth = std::max(whole(info.sizes[0]), whole(info.sizes[4]));
  const int64_t realHeight = std::max(whole(info.sizes[1]), whole(info.sizes[5]));
  int64_t mX = 6, mY = 6;
  const bool sameProjection =
      info.sizeLines[2] == info.sizeLines[6] && info.sizeLines[3] == info.sizeLines[7];
  if (sameProjection) {
    mX = std::max(std::abs(whole(info.leadIns[0])), std::abs(whole(info.leadIns[2])));
    mY = std::max(std::abs(whole(info.leadIns[1])), std::abs(whole(info.leadIns[3])));
    if (mX < mY) {
      mX = 2 * mY;
    } else if (mX > mY) {
      mY = 2 * mX;
    } else if (mX == 0) {
      mX = mY = 6;
    }
  }
  return {realWidth + mX, realHeight + mY};
}

BlockFit CheckBlock(const CutHeaderInfo& info, int64_t width, int64_t height) {
  const double realWidth = std::max(info.sizes[0], info.sizes[4]);
  const double realHeight = std::max(info.sizes[1], info.sizes[5]);
  BlockFit fit;
  fit.widthOk = static_cast<double>(width) >= realWidth + 1.0;
  fit.heightOk = static_cast<double>(height) >= realHeight + 1.0;
  return fit;
}

}  // namespace orvane
