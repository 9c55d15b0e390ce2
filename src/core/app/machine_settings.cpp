#include "core/app/machine_settings.h"

#include <array>
#include <limits>

#include "core/app/setting_ranges.h"
#include "core/common/text_number.h"
#include "core/machine/serial_link.h"

namespace orvane {
namespace {

using M = MachineSettings;
using G = SettingsGroup;
using C = Conversion;
using sv = std::string_view;

constexpr std::array<sv, 15> kBaudRates = {"110",   "300",   "600",    "1200",   "2400",
                                           "4800",  "9600",  "14400",  "19200",  "38400",
                                           "56000", "57600", "115200", "128000", "256000"};
constexpr std::array<sv, 4> kDataBits = {"5", "6", "7", "8"};
constexpr std::array<sv, 5> kParities = {"None", "Odd", "Even", "Mark", "Space"};
constexpr std::array<sv, 3> kStopBits = {"1", "1.5", "2"};
constexpr std::array<sv, 4> kFlowControls = {"Hardware", "Software", "None", "Custom"};
constexpr std::array<sv, 3> kOneToThree = {"1", "2", "3"};
constexpr std::array<sv, 4> kZeroToThree = {"0", "1", "2", "3"};
constexpr std::array<sv, 7> kZeroToSix = {"0", "1", "2", "3", "4", "5", "6"};
constexpr std::array<sv, 6> kBoardBaudRates = {"4800", "9600", "19200", "38400", "57600", "115200"};

const std::array kValues = std::to_array<SettingValue>({
    {G::Moteurs, "X1clockwise", "0", C::Int, &M::X1clockwise},
    {G::Moteurs, "Y1clockwise", "0", C::Int, &M::Y1clockwise},
    {G::Moteurs, "X2clockwise", "0", C::Int, &M::X2clockwise},
    {G::Moteurs, "Y2clockwise", "0", C::Int, &M::Y2clockwise},
    {G::Moteurs, "X1step", "200", C::Int, &M::X1step},
    {G::Moteurs, "Y1step", "200", C::Int, &M::Y1step},
    {G::Moteurs, "X2step", "200", C::Int, &M::X2step},
    {G::Moteurs, "Y2step", "200", C::Int, &M::Y2step},
    {G::Moteurs, "X1speed", "5000", C::Int, &M::X1speed},
    {G::Moteurs, "Y1speed", "5000", C::Int, &M::Y1speed},
    {G::Moteurs, "X2speed", "5000", C::Int, &M::X2speed},
    {G::Moteurs, "Y2speed", "5000", C::Int, &M::Y2speed},

    {G::Machine, "Periode", "50", C::Int, &M::Periode},
    {G::Machine, "MaxX", "500", C::Int, &M::MaxX},
    {G::Machine, "MaxY", "500", C::Int, &M::MaxY},
    {G::Machine, "Fil", "500", C::Int, &M::Fil},
    {G::Machine, "FilMax", "600", C::Int, &M::FilMax},
    {G::Machine, "Vadm", "2.00", C::Real, &M::Vadm},
    {G::Machine, "Vmax", "2.00", C::Real, &M::Vmax},
    {G::Machine, "Vmin", "0.33", C::Real, &M::Vmin},
    {G::Machine, "Pente", "70", C::Int, &M::Pente},

    {G::Port, "PortType", "0", C::Int, &M::PortType},
    {G::Port, "Port", "888", C::Int, &M::Port},
    {G::Port, "SerialPort", "ttyS0", C::Text, &M::SerialPort},
    {G::Port, "SerialBaudRate", "9600", C::SerialChoice, &M::SerialBaudRate, kBaudRates, "9600"},
    {G::Port, "SerialDataBits", "8", C::SerialChoice, &M::SerialDataBits, kDataBits, "8"},
    {G::Port, "SerialParity", "None", C::SerialChoice, &M::SerialParity, kParities, "None"},
    {G::Port, "SerialStopBits", "1", C::SerialChoice, &M::SerialStopBits, kStopBits, "1"},
    {G::Port, "SerialFlowControl", "None", C::SerialChoice, &M::SerialFlowControl, kFlowControls,
     "Custom"},
    {G::Port, "X1io", "0", C::Int, &M::X1io},
    {G::Port, "Y1io", "1", C::Int, &M::Y1io},
    {G::Port, "X2io", "2", C::Int, &M::X2io},
    {G::Port, "Y2io", "3", C::Int, &M::Y2io},
    {G::Port, "BitChauffe", "2", C::Int, &M::BitChauffe},
    {G::Port, "ActChauffe", "0", C::Flag1, &M::ActChauffe},
    {G::Port, "InvChauffe", "0", C::Flag1, &M::InvChauffe},
    {G::Port, "PreChauffe", "8", C::Int, &M::PreChauffe},
    {G::Port, "BitCouple", "1", C::Int, &M::BitCouple},
    {G::Port, "ActCouple", "1", C::Flag1, &M::ActCouple},
    {G::Port, "InvCouple", "0", C::Flag1, &M::InvCouple},
    {G::Port, "LibCouple", "1", C::Flag1, &M::LibCouple},

    {G::Systeme, "Version", kSettingsVersion, C::VersionOnly, std::monostate{}},
    {G::Systeme, "ProjectPath", "", C::Text, &M::ProjectPath},
    {G::Systeme, "CutPath", "", C::Text, &M::CutPath},
    {G::Systeme, "DxfPath", "", C::Text, &M::DxfPath},
    {G::Systeme, "ExportPath", "", C::Text, &M::ExportPath},

    {G::Assistant, "MoteursType", "200", C::Int, &M::MoteursType},
    {G::Assistant, "MoteursMode", "0", C::Int, &M::MoteursMode},
    {G::Assistant, "MoteursMeca", "100", C::Int, &M::MoteursMeca},
    {G::Assistant, "LastSpeedSearch", "1.00", C::Real, &M::LastSpeedSearch},

    {G::Manuel, "DepTest", "10", C::Int, &M::DepTest},
    {G::Manuel, "DepDefaut", "10", C::Int, &M::DepDefaut},
    {G::Manuel, "InvTeleX", "0", C::Int, &M::InvTeleX},
    {G::Manuel, "InvTeleY", "0", C::Int, &M::InvTeleY},
    {G::Manuel, "OrigineAuto", "0", C::Int, &M::OrigineAuto},
    {G::Manuel, "ModeArret", "1", C::Int, &M::ModeArret},

    {G::Options, "Reperes", "on", C::OnOff, &M::Reperes},
    {G::Options, "Points", "on", C::OnOff, &M::Points},
    {G::Options, "Densite", "1", C::Choice, &M::Densite, kOneToThree},
    {G::Options, "Taille", "2", C::Choice, &M::Taille, kOneToThree},
    {G::Options, "Precision", "1", C::Choice, &M::Precision, kZeroToThree},
    {G::Options, "Doublons", "off", C::OnOff, &M::Doublons},
    {G::Options, "DxfStricte", "off", C::OnOff, &M::DxfStricte},
    {G::Options, "Decimales", "3", C::Choice, &M::Decimales, kZeroToSix},
    {G::Options, "Alertes", "off", C::OnOff, &M::Alertes},
    {G::Options, "GcodeOnly", "off", C::GcodeOnly, &M::GcodeOnly},
    {G::Options, "Reprise", "on", C::OnOff, &M::Reprise},
    {G::Options, "ConfirmeAbandon", "on", C::OnOff, &M::ConfirmeAbandon},
    {G::Options, "ConfirmeEcrase", "on", C::OnOff, &M::ConfirmeEcrase},
    {G::Options, "Audio", "off", C::OnOff, &M::Audio},
    {G::Options, "Increment", "2", C::Choice, &M::Increment, kOneToThree},
});

bool Contains(std::span<const sv> list, sv text) {
  for (sv entry : list) {
    if (entry == text) return true;
  }
  return false;
}

template <typename T>
bool AssignInteger(MachineSettings& settings, T MachineSettings::*field, sv text) {
  auto value = ParseInteger(text);
  if (!value || *value < std::numeric_limits<T>::min() || *value > std::numeric_limits<T>::max()) {
    return false;
  }
  settings.*field = static_cast<T>(*value);
  return true;
}

// Converts `text` into the value's field; false when it cannot be converted.
bool Assign(const SettingValue& value, MachineSettings& settings, sv text) {
  switch (value.conversion) {
    case C::Int:
      return std::visit(
          [&](auto field) -> bool {
            using F = decltype(field);
            if constexpr (std::is_same_v<F, uint8_t M::*> || std::is_same_v<F, uint16_t M::*> ||
                          std::is_same_v<F, int32_t M::*>) {
              return AssignInteger(settings, field, text);
            } else {
              return false;
            }
          },
          value.field);
    case C::Real: {
      auto real = ParseReal(text);
      if (!real) return false;
      settings.*std::get<double M::*>(value.field) = *real;
      return true;
    }
    case C::Flag1:
      settings.*std::get<bool M::*>(value.field) = text == "1";
      return true;
    case C::OnOff:
      settings.*std::get<bool M::*>(value.field) = text == "on";
      return true;
    case C::GcodeOnly:
      settings.*std::get<bool M::*>(value.field) = text == "on" && settings.PortType == 2;
      return true;
    case C::Choice:
      if (Contains(value.choices, text)) settings.*std::get<std::string M::*>(value.field) = text;
      return true;
    case C::SerialChoice:
      settings.*std::get<std::string M::*>(value.field) =
          Contains(value.choices, text) ? text : value.fallback;
      return true;
    case C::Text:
      settings.*std::get<std::string M::*>(value.field) = text;
      return true;
    case C::VersionOnly:
      return true;
  }
  return false;
}

}  // namespace

std::string SettingText(const SettingValue& value, const MachineSettings& settings) {
  switch (value.conversion) {
    case C::Flag1:
      return settings.*std::get<bool M::*>(value.field) ? "1" : "0";
    case C::OnOff:
      return settings.*std::get<bool M::*>(value.field) ? "on" : "off";
    case C::GcodeOnly:
      return settings.*std::get<bool M::*>(value.field) && settings.PortType == 2 ? "on" : "off";
    case C::VersionOnly:
      return std::string(kSettingsVersion);
    default:
      break;
  }
  return std::visit(
      [&](auto field) -> std::string {
        using F = decltype(field);
        if constexpr (std::is_same_v<F, std::monostate>) {
          return {};
        } else if constexpr (std::is_same_v<F, double M::*>) {
          return FormatReal15(settings.*field);
        } else if constexpr (std::is_same_v<F, bool M::*>) {
          return settings.*field ? "1" : "0";
        } else if constexpr (std::is_same_v<F, std::string M::*>) {
          return settings.*field;
        } else {
          return std::to_string(settings.*field);
        }
      },
      value.field);
}

namespace {

void ReadGroup(SettingsStore& store, MachineSettings& settings, SettingsGroup group,
               SettingsProblems& problems) {
  const std::string key = GroupKeyPath(GroupName(group));
  for (const SettingValue& value : kValues) {
    if (value.group != group || value.conversion == C::VersionOnly) continue;
    std::string text = store.ReadSettingString(key, value.name);
    // A missing value, one that does not convert, or one the parameters
    // window would not accept is reported once and replaced by its factory
    // text so that the program always runs on a complete and sensible set;
    // the next save rewrites it.
    const bool inRange = SettingInRange(value.name, text);
    if (!text.empty() && inRange && Assign(value, settings, text)) continue;
    std::string factory =
        value.factory.empty() ? SettingText(value, settings) : std::string(value.factory);
    // A number outside its range says which values are allowed.
    MachineSettings scratch = settings;
    const bool converts = !text.empty() && Assign(value, scratch, text);
    problems.push_back({group, std::string(value.name), text, factory,
                        converts && !inRange ? SettingRangeText(value.name) : std::string()});
    Assign(value, settings, factory);
  }
}

}  // namespace

std::string_view GroupName(SettingsGroup group) {
  switch (group) {
    case G::Moteurs:
      return "Moteurs";
    case G::Machine:
      return "Machine";
    case G::Port:
      return "Port";
    case G::Systeme:
      return "Systeme";
    case G::Assistant:
      return "Assistant";
    case G::Manuel:
      return "Manuel";
    case G::Options:
      return "Options";
  }
  return {};
}

std::span<const SettingValue> AllSettingValues() {
  return kValues;
}
std::span<const std::string_view> BoardBaudRates() {
  return kBoardBaudRates;
}

std::string DescribeSettingsProblems(const std::vector<SettingsProblem>& problems) {
  std::string text =
      "Des réglages enregistrés sont absents, illisibles ou hors limites ; leur valeur "
      "d'usine est utilisée et sera enregistrée à la prochaine sauvegarde :\n";
  for (const SettingsProblem& p : problems) {
    text += "\n- groupe " + std::string(GroupName(p.group)) + ", valeur " + p.name + " : ";
    text += p.text.empty() ? std::string("absente") : "« " + p.text + " »";
    if (!p.range.empty()) text += " hors limites (" + p.range + ")";
    text += " → « " + p.factory + " »";
  }
  return text;
}

void WriteDefaultSettings(SettingsStore& store, const MachineSettings& settings) {
  SettingsBatch batch(store);
  for (const SettingValue& value : kValues) {
    std::string text =
        value.factory.empty() ? SettingText(value, settings) : std::string(value.factory);
    store.WriteSettingString(GroupKeyPath(GroupName(value.group)), value.name, text);
  }
  batch.Commit();
}

void ReadMotorSettings(SettingsStore& store, MachineSettings& settings,
                       SettingsProblems& problems) {
  ReadGroup(store, settings, G::Moteurs, problems);
}
void ReadMachineSettings(SettingsStore& store, MachineSettings& settings,
                         SettingsProblems& problems) {
  ReadGroup(store, settings, G::Machine, problems);
}
void ReadPortSettings(SettingsStore& store, MachineSettings& settings, SerialPort* serial,
                      SettingsProblems& problems) {
  ReadGroup(store, settings, G::Port, problems);
  if (serial) serial->SetParams(SerialSelectorParams(settings));
}
void ReadSystemSettings(SettingsStore& store, MachineSettings& settings,
                        SettingsProblems& problems) {
  ReadGroup(store, settings, G::Systeme, problems);
}
void ReadWizardSettings(SettingsStore& store, MachineSettings& settings,
                        SettingsProblems& problems) {
  ReadGroup(store, settings, G::Assistant, problems);
}
void ReadManualSettings(SettingsStore& store, MachineSettings& settings,
                        SettingsProblems& problems) {
  ReadGroup(store, settings, G::Manuel, problems);
}
void ReadOptionSettings(SettingsStore& store, MachineSettings& settings,
                        SettingsProblems& problems) {
  ReadGroup(store, settings, G::Options, problems);
}

SettingsProblems ReadAllSettings(SettingsStore& store, MachineSettings& settings,
                                 SerialPort* serial) {
  SettingsProblems problems;
  ReadMotorSettings(store, settings, problems);
  ReadMachineSettings(store, settings, problems);
  ReadPortSettings(store, settings, serial, problems);
  ReadSystemSettings(store, settings, problems);
  ReadWizardSettings(store, settings, problems);
  ReadManualSettings(store, settings, problems);
  ReadOptionSettings(store, settings, problems);
  settings.Vcut = ComputeVcut(settings);
  return problems;
}

void WriteAllSettings(SettingsStore& store, MachineSettings& settings, SerialPort* serial,
                      Clock* clock) {
  SettingsBatch batch(store);
  bool serialDone = false;
  for (const SettingValue& value : kValues) {
    if (value.conversion == C::VersionOnly) continue;
    const std::string key = GroupKeyPath(GroupName(value.group));
    if (value.group == G::Port && value.name.starts_with("Serial")) {
      if (serialDone) continue;
      serialDone = true;
      SerialParams params = SerialSelectorParams(settings);
      if (serial && clock) {
        AlignSerialLink(*serial, *clock, settings);
        params = serial->Params();
      }
      store.WriteSettingString(key, "SerialPort", params.port);
      store.WriteSettingString(key, "SerialBaudRate", params.baudRate);
      store.WriteSettingString(key, "SerialDataBits", params.dataBits);
      store.WriteSettingString(key, "SerialParity", params.parity);
      store.WriteSettingString(key, "SerialStopBits", params.stopBits);
      store.WriteSettingString(key, "SerialFlowControl", params.flowControl);
      continue;
    }
    store.WriteSettingString(key, value.name, SettingText(value, settings));
  }
  batch.Commit();
}

double ComputeVcut(const MachineSettings& s) {
  auto speed = [](int32_t period, uint16_t steps) {
    return period == 0 || steps == 0 ? 0.0 : 1e6 / period / steps;
  };
  return (speed(s.X1speed, s.X1step) + speed(s.Y1speed, s.Y1step) + speed(s.X2speed, s.X2step) +
          speed(s.Y2speed, s.Y2step)) /
         4;
}

}  // namespace orvane
