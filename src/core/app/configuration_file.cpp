#include "core/app/configuration_file.h"

#include <array>
#include <limits>
#include <vector>

#include "core/app/setting_ranges.h"
#include "core/common/cp1252.h"
#include "core/common/text_lines.h"
#include "core/common/text_number.h"

namespace orvane {
namespace {

using G = SettingsGroup;
using L = ConfigurationLine;

constexpr L H(std::string_view text) {
  return {text, G::Moteurs, {}};
}
constexpr L V(G group, std::string_view name) {
  return {{}, group, name};
}

constexpr auto kLayout = std::to_array<L>({
    H("[version]"),
    H("Orvane version 160"),
    H("[moteurs : rotation X1, Y1, X2, Y2]"),
    V(G::Moteurs, "X1clockwise"),
    V(G::Moteurs, "Y1clockwise"),
    V(G::Moteurs, "X2clockwise"),
    V(G::Moteurs, "Y2clockwise"),
    H("[moteurs : pas par tour X1, Y1, X2, Y2]"),
    V(G::Moteurs, "X1step"),
    V(G::Moteurs, "Y1step"),
    V(G::Moteurs, "X2step"),
    V(G::Moteurs, "Y2step"),
    H("[moteurs : delais X1, Y1, X2, Y2]"),
    V(G::Moteurs, "X1speed"),
    V(G::Moteurs, "Y1speed"),
    V(G::Moteurs, "X2speed"),
    V(G::Moteurs, "Y2speed"),
    H("[machine  : front haut]"),
    V(G::Machine, "Periode"),
    H("[machine : capacités X Y]"),
    V(G::Machine, "MaxX"),
    V(G::Machine, "MaxY"),
    H("[machine : entre guides / longueur fil]"),
    V(G::Machine, "Fil"),
    V(G::Machine, "FilMax"),
    H("[machine / accélération : admis / maxi / mini / pente]"),
    V(G::Machine, "Vadm"),
    V(G::Machine, "Vmax"),
    V(G::Machine, "Vmin"),
    V(G::Machine, "Pente"),
    H("[port : type]"),
    V(G::Port, "PortType"),
    H("[port : adresse parallèle]"),
    V(G::Port, "Port"),
    H("[port : port série]"),
    V(G::Port, "SerialPort"),
    V(G::Port, "SerialBaudRate"),
    V(G::Port, "SerialDataBits"),
    V(G::Port, "SerialParity"),
    V(G::Port, "SerialStopBits"),
    V(G::Port, "SerialFlowControl"),
    H("[port : bits de données]"),
    V(G::Port, "X1io"),
    V(G::Port, "Y1io"),
    V(G::Port, "X2io"),
    V(G::Port, "Y2io"),
    H("[port  : chauffe automatique]"),
    V(G::Port, "BitChauffe"),
    V(G::Port, "ActChauffe"),
    V(G::Port, "InvChauffe"),
    V(G::Port, "PreChauffe"),
    H("[port  : maintien du couple]"),
    V(G::Port, "BitCouple"),
    V(G::Port, "ActCouple"),
    V(G::Port, "InvCouple"),
    V(G::Port, "LibCouple"),
    H("[système : chemins]"),
    V(G::Systeme, "ProjectPath"),
    V(G::Systeme, "CutPath"),
    V(G::Systeme, "DxfPath"),
    V(G::Systeme, "ExportPath"),
    H("[assistant : caractéristiques moteurs]"),
    V(G::Assistant, "MoteursType"),
    V(G::Assistant, "MoteursMode"),
    V(G::Assistant, "MoteursMeca"),
    H("[assistant : vitesse recherchée]"),
    V(G::Assistant, "LastSpeedSearch"),
    H("[mode manuel : distance test]"),
    V(G::Manuel, "DepTest"),
    H("[mode manuel : distance manuel]"),
    V(G::Manuel, "DepDefaut"),
    H("[mode manuel : inversion X]"),
    V(G::Manuel, "InvTeleX"),
    H("[mode manuel : inversion Y]"),
    V(G::Manuel, "InvTeleY"),
    H("[mode manuel : origine automatique]"),
    V(G::Manuel, "OrigineAuto"),
    H("[mode manuel : arret immediat]"),
    V(G::Manuel, "ModeArret"),
    H("[options]"),
    H("- affichage des repères"),
    V(G::Options, "Reperes"),
    H("- affichage des points"),
    V(G::Options, "Points"),
    H("- gestion des doublons"),
    V(G::Options, "Doublons"),
    H("- nombre de décimales"),
    V(G::Options, "Decimales"),
    H("- alertes de dépassement"),
    V(G::Options, "Alertes"),
    H("- gcode uniquement"),
    V(G::Options, "GcodeOnly"),
    H("- reprise de découpe"),
    V(G::Options, "Reprise"),
    H("- protection des modifications"),
    V(G::Options, "ConfirmeAbandon"),
    H("- protection ecrasement"),
    V(G::Options, "ConfirmeEcrase"),
    H("- alertes sonores"),
    V(G::Options, "Audio"),
    H("- incrément"),
    V(G::Options, "Increment"),
    H("- densite"),
    V(G::Options, "Densite"),
    H("- taille"),
    V(G::Options, "Taille"),
    H("- précision"),
    V(G::Options, "Precision"),
});
static_assert(kLayout.size() == kConfigurationLineCount);

// The code of the first control character of `text` (C0, DEL, or C1 as
// UTF-8), or -1. None has a place in a number, a choice, a folder or a port
// name, and a NUL makes the settings file unreadable.
int ControlCharacter(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x20 || b == 0x7F) return b;
    if (b == 0xC2 && i + 1 < text.size()) {
      const auto next = static_cast<unsigned char>(text[i + 1]);
      if (next >= 0x80 && next < 0xA0) return next;
    }
  }
  return -1;
}

const SettingValue* FindValue(std::string_view name) {
  for (const SettingValue& value : AllSettingValues()) {
    if (value.name == name) return &value;
  }
  return nullptr;
}

template <typename T>
bool FitsWidth(int64_t number) {
  return number >= std::numeric_limits<T>::min() && number <= std::numeric_limits<T>::max();
}

bool OneOf(std::span<const std::string_view> list, std::string_view text) {
  for (std::string_view entry : list) {
    if (entry == text) return true;
  }
  return false;
}

// Whether the text reads as the value's type; the store's own reader is more
// forgiving, but a file is restored only when every line means what it says.
bool Converts(const SettingValue& value, std::string_view text) {
  using C = Conversion;
  switch (value.conversion) {
    case C::Int: {
      const auto number = ParseInteger(text);
      if (!number) return false;
      return std::visit(
          [&](auto field) {
            using F = decltype(field);
            if constexpr (std::is_same_v<F, uint8_t MachineSettings::*>) {
              return FitsWidth<uint8_t>(*number);
            } else if constexpr (std::is_same_v<F, uint16_t MachineSettings::*>) {
              return FitsWidth<uint16_t>(*number);
            } else if constexpr (std::is_same_v<F, int32_t MachineSettings::*>) {
              return FitsWidth<int32_t>(*number);
            } else {
              return false;
            }
          },
          value.field);
    }
    case C::Real:
      return ParseReal(text).has_value();
    case C::Flag1:
      return text == "0" || text == "1";
    case C::OnOff:
    case C::GcodeOnly:
      return text == "on" || text == "off";
    case C::Choice:
      return OneOf(value.choices, text);
    case C::SerialChoice:  // an unknown text has its stated fallback
    case C::Text:
    case C::VersionOnly:
      return true;
  }
  return false;
}

std::string Quoted(std::string_view text) {
  return "« " + std::string(text) + " »";
}

std::string LinePrefix(size_t index, std::string_view name) {
  return "Ligne " + std::to_string(index + 1) + " (" + std::string(name) + ") : ";
}

// Why `text` cannot stand on the line of `name`; empty when it can. Saving
// and restoring apply this same rule, so a saved file always restores and a
// restored one is what the store writes and reads back.
std::string LineProblem(std::string_view name, std::string_view text) {
  const SettingValue* value = FindValue(name);
  if (text.empty()) return "valeur absente.";
  if (text.find_first_of("\r\n") != std::string_view::npos) {
    return "la valeur contient un saut de ligne.";
  }
  if (const int code = ControlCharacter(text); code >= 0) {
    return "la valeur contient un caractère de contrôle (code " + std::to_string(code) + ").";
  }
  if (!value || !Converts(*value, text)) return Quoted(text) + " n'est pas une valeur valide.";
  if (!SettingInRange(name, text)) {
    return Quoted(text) + " est hors limites (" + SettingRangeText(name) + ").";
  }
  return {};
}

constexpr std::string_view kStoreKept = "\nLa configuration n'a pas été modifiée.";

}  // namespace

std::span<const ConfigurationLine> ConfigurationLayout() {
  return kLayout;
}

ConfigurationResult WriteConfigurationFile(SettingsStore& store, std::string& bytes,
                                           const MachineSettings& inMemory) {
  constexpr std::string_view kNotWritten = "\nLe fichier n'a pas été écrit.";
  // An unreadable store reads as empty: that would save factory values.
  if (const std::string problem = store.ReadProblem(); !problem.empty()) {
    return {false, "Le fichier des réglages " + problem + "." + std::string(kNotWritten)};
  }
  SettingsBatch once(store);  // one read of the store; abandoned, nothing is written
  // A stored text the program does not take (out of range, malformed,
  // absent) gives way to the value it runs on instead.
  MachineSettings inForce = inMemory;
  ReadAllSettings(store, inForce, nullptr);
  std::string text;
  for (size_t i = 0; i < kLayout.size(); ++i) {
    const ConfigurationLine& line = kLayout[i];
    if (line.name.empty()) {
      text += line.header;
    } else {
      std::string value = store.ReadSettingString(GroupKeyPath(GroupName(line.group)), line.name);
      if (!LineProblem(line.name, value).empty()) {
        value = SettingText(*FindValue(line.name), inForce);
      }
      if (const std::string problem = LineProblem(line.name, value); !problem.empty()) {
        return {false, LinePrefix(i, line.name) + problem + std::string(kNotWritten)};
      }
      text += value;
    }
    text += "\r\n";
  }
  // Windows-1252 is the file's own form; only a text it cannot carry (a
  // folder under /home/Łukasz/) makes the whole file UTF-8.
  bytes = EncodeTextFile(text);
  return {true, {}};
}

ConfigurationResult ReadConfigurationFile(std::string_view bytes, SettingsStore& store) {
  const std::string text = DecodeTextFile(bytes);
  const std::vector<std::string_view> lines = SplitLines(text);
  if (lines.size() < 2 || lines[1] != kConfigurationVersionLine) {
    return {false, std::string(kConfigurationIncompatible)};
  }
  if (lines.size() < kLayout.size()) {
    return {false, "Le fichier de configuration est incomplet : " + std::to_string(lines.size()) +
                       " lignes au lieu de " + std::to_string(kLayout.size()) + "." +
                       std::string(kStoreKept)};
  }
  for (size_t i = 0; i < kLayout.size(); ++i) {
    const ConfigurationLine& line = kLayout[i];
    if (line.name.empty()) continue;
    const std::string problem = LineProblem(line.name, lines[i]);
    if (!problem.empty()) {
      return {false, LinePrefix(i, line.name) + problem + std::string(kStoreKept)};
    }
  }
  try {
    SettingsBatch batch(store);
    for (size_t i = 0; i < kLayout.size(); ++i) {
      const ConfigurationLine& line = kLayout[i];
      if (line.name.empty()) continue;
      store.WriteSettingString(GroupKeyPath(GroupName(line.group)), line.name, lines[i]);
    }
    batch.Commit();
  } catch (const SettingsWriteError& error) {
    return {false, std::string("La configuration n'a pas pu être enregistrée : ") + error.what() +
                       std::string(kStoreKept)};
  }
  return {true, std::string(kConfigurationRestored)};
}

}  // namespace orvane
