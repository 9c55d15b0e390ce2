#include "core/params/param_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/app/machine_settings.h"
#include "core/params/cross_rules.h"
#include "core/params/field_text.h"
#include "core/params/folder_checks.h"

namespace orvane {
namespace {

constexpr const char* kAxisNames[4] = {"X1", "Y1", "X2", "Y2"};
// The control register sits at `Port` + 2.
constexpr int kMaxPortAddress = 0xFFFD;

bool Within(const std::optional<int>& value, int low, int high) {
  return value && *value >= low && *value <= high;
}

std::string ZeroMessage(const std::string& name, const std::string& meaning) {
  return "La valeur " + name + " (" + meaning + ") vaut 0 : elle ne peut pas être enregistrée.";
}

}  // namespace

GlobalValues ParseGlobalValues(std::string_view steps, std::string_view period) {
  GlobalValues values;
  const auto s = FieldInteger(steps);
  if (Within(s, kMinSteps, kMaxSteps)) values.steps = static_cast<uint16_t>(*s);
  const auto p = FieldInteger(period);
  if (Within(p, kMinPeriod, kMaxPeriod)) values.period = *p;
  return values;
}

BitPairs BitPairsOf(const MachineSettings& s) {
  return {s.X1io, s.Y1io, s.X2io, s.Y2io};
}

void SetBitPairs(MachineSettings& s, const BitPairs& pairs) {
  s.X1io = pairs[0], s.Y1io = pairs[1], s.X2io = pairs[2], s.Y2io = pairs[3];
}

void AssignBitPair(BitPairs& pairs, size_t axis, uint16_t pair) {
  if (axis >= pairs.size() || pair > 3) return;
  const uint16_t previous = pairs[axis];
  for (uint16_t& other : pairs) {
    if (other == pair) other = previous;
  }
  pairs[axis] = pair;
}

std::string FormatPortAddress(uint16_t port) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(port));
  return text;
}

uint16_t SavedPortAddress(std::string_view text, uint16_t previous) {
  size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  const auto leading = FieldInteger(text.substr(0, digits));
  if (!leading || *leading <= 0 || text.size() > 4) return previous;
  unsigned value = 0;
  for (char c : text) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (digit < 0) return previous;
    value = value * 16 + static_cast<unsigned>(digit);
  }
  if (value == 0 || value > kMaxPortAddress) return previous;
  return static_cast<uint16_t>(value);
}

SpeedPositions SpeedPositionsOf(double vmax, double vmin, double vcut) {
  if (!(vcut > 0)) return {};
  SpeedPositions positions;
  positions.vmax = static_cast<int>(std::clamp(std::lround(10 * vmax / vcut), 10L, 200L));
  positions.vmin = static_cast<int>(std::clamp(std::lround(100 * vmin / vcut), 10L, 100L));
  return positions;
}

double VmaxAt(int position, double vcut) {
  return position * vcut / 10;
}

double VminAt(int position, double vcut) {
  return position * vcut / 100;
}

DutyTimes DutyCycleTimes(const MachineSettings& s, int percent) {
  DutyTimes times;
  times.period = static_cast<int32_t>((int64_t(s.X1speed) + s.Y1speed + s.X2speed + s.Y2speed) / 4);
  times.high = times.period * static_cast<double>(percent) / 100;
  times.low = times.period - times.high;
  return times;
}

int WireLengthOnLeave(bool leftFil, const WireLengths& shown, const MachineSettings& stored) {
  if (leftFil) {
    int fil = shown.fil.value_or(0) > 0 ? *shown.fil : stored.Fil;
    if (shown.filMax.value_or(0) > 0) fil = std::min(fil, *shown.filMax);
    return fil;
  }
  int filMax = shown.filMax.value_or(0) > 0 ? *shown.filMax : stored.FilMax;
  if (shown.fil.value_or(0) > 0) filMax = std::max(filMax, *shown.fil);
  return filMax;
}

void ApplyPageDefaults(ParamPage page, MachineSettings& s, const std::string& applicationFolder,
                       const std::string& firstSerialPort) {
  switch (page) {
    case ParamPage::Moteurs:
      s.X1clockwise = s.Y1clockwise = s.X2clockwise = s.Y2clockwise = 0;
      s.X1step = s.Y1step = s.X2step = s.Y2step = 50;
      s.X1speed = s.Y1speed = s.X2speed = s.Y2speed = 5000;
      s.DepTest = 5;
      break;
    case ParamPage::Machine: {
      s.MaxX = 500, s.MaxY = 500, s.Fil = 500, s.FilMax = 600;
      s.Periode = 50;
      s.Pente = 70;
      // Twice and a third of the cutting speed, at the up-downs' nearest positions.
      const double vcut = ComputeVcut(s);
      s.Vmax = VmaxAt(20, vcut);
      s.Vmin = VminAt(33, vcut);
      break;
    }
    case ParamPage::Ports:
      s.PortType = 0;
      s.Port = 0x378;
      if (!firstSerialPort.empty()) s.SerialPort = firstSerialPort;
      // 8 data bits, no parity, 1 stop bit: the board's frame, and one that
      // carries every bit of a step byte.
      s.SerialBaudRate = "38400";
      s.SerialDataBits = "8";
      s.SerialParity = "None";
      s.SerialStopBits = "1";
      SetBitPairs(s, {0, 1, 2, 3});
      s.BitChauffe = 2, s.ActChauffe = false, s.InvChauffe = false, s.PreChauffe = 8;
      s.BitCouple = 1, s.ActCouple = false, s.InvCouple = false, s.LibCouple = false;
      break;
    case ParamPage::Systeme:
      s.ProjectPath = applicationFolder + "projets/";
      s.DxfPath = applicationFolder + "dessins/";
      s.CutPath = applicationFolder + "découpes/";
      s.ExportPath = applicationFolder + "export/";
      break;
  }
}

void CopyPageValues(ParamPage page, const MachineSettings& from, MachineSettings& to) {
  switch (page) {
    case ParamPage::Moteurs:
      to.X1clockwise = from.X1clockwise, to.Y1clockwise = from.Y1clockwise;
      to.X2clockwise = from.X2clockwise, to.Y2clockwise = from.Y2clockwise;
      to.X1step = from.X1step, to.Y1step = from.Y1step;
      to.X2step = from.X2step, to.Y2step = from.Y2step;
      to.X1speed = from.X1speed, to.Y1speed = from.Y1speed;
      to.X2speed = from.X2speed, to.Y2speed = from.Y2speed;
      to.DepTest = from.DepTest;
      break;
    case ParamPage::Machine:
      to.MaxX = from.MaxX, to.MaxY = from.MaxY, to.Fil = from.Fil, to.FilMax = from.FilMax;
      to.Periode = from.Periode, to.Pente = from.Pente;
      to.Vmax = from.Vmax, to.Vmin = from.Vmin;
      break;
    case ParamPage::Ports:
      to.PortType = from.PortType, to.Port = from.Port;
      to.SerialPort = from.SerialPort, to.SerialBaudRate = from.SerialBaudRate;
      to.SerialDataBits = from.SerialDataBits, to.SerialParity = from.SerialParity;
      to.SerialStopBits = from.SerialStopBits, to.SerialFlowControl = from.SerialFlowControl;
      SetBitPairs(to, BitPairsOf(from));
      to.BitChauffe = from.BitChauffe, to.ActChauffe = from.ActChauffe;
      to.InvChauffe = from.InvChauffe, to.PreChauffe = from.PreChauffe;
      to.BitCouple = from.BitCouple, to.ActCouple = from.ActCouple;
      to.InvCouple = from.InvCouple, to.LibCouple = from.LibCouple;
      break;
    case ParamPage::Systeme:
      to.ProjectPath = from.ProjectPath, to.DxfPath = from.DxfPath;
      to.CutPath = from.CutPath, to.ExportPath = from.ExportPath;
      break;
  }
}

std::vector<std::string> PageSaveProblems(ParamPage page, const MachineSettings& s) {
  std::vector<std::string> problems;
  std::vector<CrossRule> rules;
  switch (page) {
    case ParamPage::Moteurs: {
      const uint16_t steps[4] = {s.X1step, s.Y1step, s.X2step, s.Y2step};
      const int32_t periods[4] = {s.X1speed, s.Y1speed, s.X2speed, s.Y2speed};
      for (int a = 0; a < 4; ++a) {
        if (steps[a] == 0) {
          problems.push_back(ZeroMessage(std::string(kAxisNames[a]) + "step",
                                         std::string("pas/mm de l'axe ") + kAxisNames[a]));
        }
      }
      for (int a = 0; a < 4; ++a) {
        if (periods[a] <= 0) {
          problems.push_back(ZeroMessage(std::string(kAxisNames[a]) + "speed",
                                         std::string("période µs de l'axe ") + kAxisNames[a]));
        }
      }
      rules = {CrossRule::SpeedOrder};
      break;
    }
    case ParamPage::Machine:
      if (!(s.Vmax > 0)) problems.push_back(ZeroMessage("Vmax", "vitesse maximale"));
      if (!(s.Vmin > 0)) problems.push_back(ZeroMessage("Vmin", "vitesse de démarrage"));
      rules = {CrossRule::WireLength, CrossRule::SpeedOrder};
      break;
    case ParamPage::Ports:
      rules = {CrossRule::DistinctBitPairs, CrossRule::DistinctOutputBits};
      break;
    case ParamPage::Systeme: {
      const std::pair<const std::string*, const char*> folders[4] = {
          {&s.ProjectPath, "de projets"},
          {&s.DxfPath, "de dessins"},
          {&s.CutPath, "de découpes"},
          {&s.ExportPath, "d'exportation"}};
      for (const auto& [folder, label] : folders) {
        const FolderCheck check = CheckWorkingFolder(*folder, label);
        if (!check.ok) problems.push_back(check.message);
      }
      break;
    }
  }
  // A zero speed makes every rule on speeds meaningless: it is told alone.
  if (!problems.empty()) return problems;
  for (const CrossRuleBreak& broken : CrossRuleBreaks(s)) {
    if (std::find(rules.begin(), rules.end(), broken.rule) != rules.end()) {
      problems.push_back(broken.message);
    }
  }
  return problems;
}

}  // namespace orvane
