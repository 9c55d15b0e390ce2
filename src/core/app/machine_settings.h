#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/app/settings_store.h"

namespace orvane {

class SerialPort;
class Clock;

// Every persisted setting, named as in the store, with its in-memory width.
struct MachineSettings {
  // Moteurs
  uint16_t X1clockwise = 0, Y1clockwise = 0, X2clockwise = 0, Y2clockwise = 0;
  uint16_t X1step = 200, Y1step = 200, X2step = 200, Y2step = 200;
  int32_t X1speed = 5000, Y1speed = 5000, X2speed = 5000, Y2speed = 5000;
  // Machine
  uint8_t Periode = 50;
  uint16_t MaxX = 500, MaxY = 500, Fil = 500, FilMax = 600;
  double Vadm = 2.0, Vmax = 2.0, Vmin = 0.33;
  uint8_t Pente = 70;
  // Port
  uint8_t PortType = 0;
  uint16_t Port = 888;
  // The serial values as the parameters window's selectors hold them; the
  // serial port object has its own current parameters.
  std::string SerialPort = "ttyS0", SerialBaudRate = "9600", SerialDataBits = "8",
              SerialParity = "None", SerialStopBits = "1", SerialFlowControl = "None";
  uint16_t X1io = 0, Y1io = 1, X2io = 2, Y2io = 3;
  uint8_t BitChauffe = 2;
  bool ActChauffe = false, InvChauffe = false;
  uint8_t PreChauffe = 8;
  uint8_t BitCouple = 1;
  bool ActCouple = true, InvCouple = false, LibCouple = true;
  // Systeme
  std::string ProjectPath, CutPath, DxfPath, ExportPath;
  // Assistant
  uint16_t MoteursType = 200, MoteursMode = 0, MoteursMeca = 100;
  double LastSpeedSearch = 1.0;
  // Manuel
  uint16_t DepTest = 10, DepDefaut = 10;
  uint8_t InvTeleX = 0, InvTeleY = 0, OrigineAuto = 0, ModeArret = 1;
  // Options: the tick marks of the project window's menus. Choices hold the
  // text of the ticked entry.
  bool Reperes = true, Points = true;
  std::string Densite = "1", Taille = "2", Precision = "1";
  bool Doublons = false;
  bool DxfStricte = false;  // DXF files read by the marker-driven reader alone
  std::string Decimales = "3";
  bool Alertes = false, GcodeOnly = false, Reprise = true, ConfirmeAbandon = true,
       ConfirmeEcrase = true, Audio = false;
  std::string Increment = "2";

  // Not persisted.
  double Vcut = 0;
  bool BoardPresent = false;
  bool SerialParamsChanged = false;
};

enum class SettingsGroup { Moteurs, Machine, Port, Systeme, Assistant, Manuel, Options };
std::string_view GroupName(SettingsGroup group);

enum class Conversion {
  Int,           // decimal integer within the field's width
  Real,          // real number with a point
  Flag1,         // "1" is true
  OnOff,         // "on" is true
  Choice,        // one of `choices`; no match leaves the field as it is
  SerialChoice,  // one of `choices`; no match gives `fallback`
  Text,          // used unchanged
  GcodeOnly,     // "on", and only with the USB board
  VersionOnly,   // written by the defaults, read by start-up only
};

using SettingField =
    std::variant<std::monostate, uint8_t MachineSettings::*, uint16_t MachineSettings::*,
                 int32_t MachineSettings::*, double MachineSettings::*, bool MachineSettings::*,
                 std::string MachineSettings::*>;

struct SettingValue {
  SettingsGroup group;
  std::string_view name;
  std::string_view factory;  // empty for the folders: their factory text is the in-memory folder
  Conversion conversion;
  SettingField field;
  std::span<const std::string_view> choices = {};
  std::string_view fallback = {};
};

// Every value of the store, group by group in store order.
std::span<const SettingValue> AllSettingValues();

// The text the store holds for `value` as `settings` has it ("2" for 2.00,
// "on", "1").
std::string SettingText(const SettingValue& value, const MachineSettings& settings);

inline constexpr std::string_view kSettingsVersion = "160";

// The six baud rates the parameters window offers; the board is told the index.
std::span<const std::string_view> BoardBaudRates();

// A value that was absent, could not be converted or lay outside its range;
// the factory text was used instead.
struct SettingsProblem {
  SettingsGroup group;
  std::string name;
  std::string text;
  std::string factory;
  std::string range;  // the allowed values when the text was a number outside them
};
// One French message listing the problems, for one error box.
std::string DescribeSettingsProblems(const std::vector<SettingsProblem>& problems);

void WriteDefaultSettings(SettingsStore& store, const MachineSettings& settings);

using SettingsProblems = std::vector<SettingsProblem>;
void ReadMotorSettings(SettingsStore& store, MachineSettings& settings, SettingsProblems& problems);
void ReadMachineSettings(SettingsStore& store, MachineSettings& settings,
                         SettingsProblems& problems);
// Also applies the serial values to `serial` when given.
void ReadPortSettings(SettingsStore& store, MachineSettings& settings, SerialPort* serial,
                      SettingsProblems& problems);
void ReadSystemSettings(SettingsStore& store, MachineSettings& settings,
                        SettingsProblems& problems);
void ReadWizardSettings(SettingsStore& store, MachineSettings& settings,
                        SettingsProblems& problems);
void ReadManualSettings(SettingsStore& store, MachineSettings& settings,
                        SettingsProblems& problems);
void ReadOptionSettings(SettingsStore& store, MachineSettings& settings,
                        SettingsProblems& problems);
SettingsProblems ReadAllSettings(SettingsStore& store, MachineSettings& settings,
                                 SerialPort* serial);

// Writes every group from memory (not `Version`, not `Run`). With a serial
// port, the link is brought in line between the values `Port` and `SerialPort`
// and the serial values are taken from the port. The file is replaced once.
void WriteAllSettings(SettingsStore& store, MachineSettings& settings, SerialPort* serial,
                      Clock* clock);

// Mean cutting speed of the four axes, mm/s.
double ComputeVcut(const MachineSettings& settings);

}  // namespace orvane
