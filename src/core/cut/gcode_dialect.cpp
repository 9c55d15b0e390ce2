#include "core/cut/gcode_dialect.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "core/app/machine_settings.h"
#include "core/app/settings_store.h"
#include "core/common/text_number.h"

namespace orvane {
namespace {

constexpr std::string_view kAxisLetters = "XYZABCUVW";
constexpr int32_t kLargestSMax = 1000000;

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// The cut's decimals; a value that prints as zero keeps no sign.
std::string Coordinate(double value, int decimals) {
  std::string text = FormatFixed(value, decimals);
  if (text.front() == '-' && text.find_first_of("123456789") == std::string::npos) {
    text.erase(0, 1);
  }
  return text;
}

// Six significant digits, no exponent, no trailing zeros: an inverse-time F
// is often far below 1 and its precision is the line's duration.
std::string Feed(double value) {
  const int magnitude = static_cast<int>(std::floor(std::log10(value)));
  const int decimals = std::clamp(5 - magnitude, 0, 12);
  std::string text = FormatFixed(value, decimals);
  if (text.find('.') != std::string::npos) {
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
  }
  return text;
}

struct Word {
  char letter;
  double value;
};

// The words of a G-code line, letters in upper case; comments, in
// parentheses or after ";", are no words.
std::vector<Word> Words(std::string_view line) {
  std::vector<Word> words;
  size_t i = 0;
  while (i < line.size()) {
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(line[i])));
    if (c == ';') break;
    if (c == '(') {
      const size_t close = line.find(')', i);
      if (close == std::string_view::npos) break;
      i = close + 1;
      continue;
    }
    ++i;
    if (c < 'A' || c > 'Z') continue;
    size_t end = i;
    while (end < line.size() && (std::isdigit(static_cast<unsigned char>(line[end])) ||
                                 line[end] == '.' || line[end] == '-' || line[end] == '+')) {
      ++end;
    }
    if (const auto value = ParseReal(line.substr(i, end - i))) words.push_back({c, *value});
    i = end;
  }
  return words;
}

}  // namespace

DialectSet WriteDialectSet(const std::vector<CutPoint>& points, const GcodeDialect& dialect,
                           const GcodeMotion& motion, bool twoCuts) {
  DialectSet set;
  for (int k = 0; k < (twoCuts ? 2 : 1); ++k) {
    const DialectProgram program = WriteDialectProgram(points, dialect, motion, k == 1);
    if (!program.error.empty()) return {{}, program.error};
    set.texts[k] = program.Text();
  }
  return set;
}

ProgramTraits ReadProgramTraits(const std::vector<std::string>& lines) {
  ProgramTraits traits;
  bool heating = false, dwellLooked = false;
  for (const std::string& line : lines) {
    const std::vector<Word> words = Words(line);
    std::string axes;
    bool dwell = false;
    double seconds = 0;
    for (const Word& w : words) {
      if (kAxisLetters.find(w.letter) != std::string_view::npos &&
          axes.find(w.letter) == std::string::npos) {
        axes += w.letter;
      }
      if (w.letter == 'M' && (w.value == 3 || w.value == 4)) heating = true;
      if (w.letter == 'G' && w.value == 4) dwell = true;
      if (w.letter == 'P') seconds = w.value;
    }
    if (dwell) {
      axes.clear();  // a dwell's words are no axes
      if (heating && !dwellLooked && seconds > 0 && seconds < 1e6) {
        traits.preheatSeconds = static_cast<int>(std::ceil(seconds));
      }
    }
    // Only the dwell right after the heating is its pre-heat.
    if (heating && (dwell || !axes.empty())) dwellLooked = true;
    if (traits.axes.empty() && axes.size() == 4) traits.axes = axes;
  }
  return traits;
}

std::string ParseAxisLetters(std::string_view text, std::string* error) {
  const std::string letters = Upper(text);
  bool valid = letters.size() == 4;
  for (size_t i = 0; valid && i < 4; ++i) {
    valid =
        kAxisLetters.find(letters[i]) != std::string_view::npos && letters.find(letters[i]) == i;
  }
  if (valid) return letters;
  if (error) {
    *error =
        "Les lettres d'axes doivent être quatre lettres distinctes parmi X, Y, Z, A, B, C, "
        "U, V, W (XYZA, XYUV, XYAB...) : « " +
        std::string(text) + " »";
  }
  return {};
}

std::string CheckGcodeDialect(const GcodeDialect& d) {
  std::string error;
  if (ParseAxisLetters(d.axes, &error).empty()) return error;
  if (d.sMax < 1 || d.sMax > kLargestSMax) {
    return "SMax doit être compris entre 1 et " + std::to_string(kLargestSMax) + " : " +
           std::to_string(d.sMax);
  }
  if (d.heat && (d.power < 0 || d.power > d.sMax)) {
    return "La puissance de chauffe doit être comprise entre 0 et " + std::to_string(d.sMax) +
           " (SMax) : " + std::to_string(d.power);
  }
  return {};
}

GcodeDialectRead ReadGcodeDialect(SettingsStore& store) {
  GcodeDialectRead read;
  GcodeDialect& d = read.dialect;
  const std::string key = GroupKeyPath(kGcodeGroup);
  auto problem = [&](std::string_view name, const std::string& text, const std::string& used) {
    read.problems +=
        "- groupe GCode, valeur " + std::string(name) + " : « " + text + " » → « " + used + " »\n";
  };
  auto integer = [&](std::string_view name, int32_t low, int32_t high, int32_t& field) {
    const std::string text = store.ReadSettingString(key, name);
    if (text.empty()) return;
    const auto value = ParseInteger(text);
    if (value && *value >= low && *value <= high) {
      field = static_cast<int32_t>(*value);
    } else {
      problem(name, text, std::to_string(field));
    }
  };
  if (const std::string text = store.ReadSettingString(key, "Axes"); !text.empty()) {
    const std::string letters = ParseAxisLetters(text, nullptr);
    if (letters.empty()) problem("Axes", text, d.axes);
    if (!letters.empty()) d.axes = letters;
  }
  if (const std::string text = store.ReadSettingString(key, "Avance"); !text.empty()) {
    if (text == "G93" || text == "G94") {
      d.feed = text == "G93" ? GcodeFeedMode::InverseTime : GcodeFeedMode::UnitsPerMinute;
    } else {
      problem("Avance", text, "G93");
    }
  }
  if (const std::string text = store.ReadSettingString(key, "Chauffe"); !text.empty()) {
    if (text == "on" || text == "off") {
      d.heat = text == "on";
    } else {
      problem("Chauffe", text, "off");
    }
  }
  integer("SMax", 1, kLargestSMax, d.sMax);
  integer("Puissance", 0, d.sMax, d.power);
  return read;
}

void WriteGcodeDialect(SettingsStore& store, const GcodeDialect& d) {
  const std::string key = GroupKeyPath(kGcodeGroup);
  SettingsBatch batch(store);
  store.WriteSettingString(key, "Axes", d.axes);
  store.WriteSettingString(key, "Avance", d.feed == GcodeFeedMode::InverseTime ? "G93" : "G94");
  store.WriteSettingString(key, "Chauffe", d.heat ? "on" : "off");
  store.WriteSettingString(key, "Puissance", std::to_string(d.power));
  store.WriteSettingString(key, "SMax", std::to_string(d.sMax));
  batch.Commit();
}

GcodeMotion GcodeMotionFrom(const MachineSettings& settings) {
  GcodeMotion m;
  m.feedMmMin = 60 * ComputeVcut(settings);
  m.preheatSeconds = settings.PreChauffe;
  m.decimals =
      static_cast<int>(std::clamp<int64_t>(ParseInteger(settings.Decimales).value_or(3), 0, 6));
  return m;
}

std::string DialectProgram::Text() const {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += '\n';
  }
  return text;
}

DialectProgram WriteDialectProgram(const std::vector<CutPoint>& points, const GcodeDialect& d,
                                   const GcodeMotion& motion, bool opposite) {
  DialectProgram program;
  if (std::string error = CheckGcodeDialect(d); !error.empty()) {
    program.error = error;
    return program;
  }
  if (!(motion.feedMmMin > 0) || !std::isfinite(motion.feedMmMin)) {
    program.error = "La vitesse de coupe est nulle : vérifiez les périodes des moteurs";
    return program;
  }
  const std::string letters = ParseAxisLetters(d.axes, nullptr);
  const int decimals = std::clamp(motion.decimals, 0, 6);
  auto put = [&](std::string line, double seconds) {
    program.lines.push_back(std::move(line));
    program.seconds.push_back(seconds);
  };
  // The plane too: a controller keeps the modes of the program it ran before.
  put(std::string("G17 G21 G90 ") + (d.feed == GcodeFeedMode::InverseTime ? "G93" : "G94"), 0);

  // Machine coordinates as the cut table holds them: the controller's own
  // settings decide each motor's direction.
  std::string previous;
  double at[4] = {};
  for (size_t r = 0; r < points.size(); ++r) {
    const CutPoint& p = points[r];
    const long double v[4] = {opposite ? p[2] : p[0], opposite ? p[3] : p[1],
                              opposite ? p[0] : p[2], opposite ? p[1] : p[3]};
    std::string words;
    double next[4];
    for (int k = 0; k < 4; ++k) {
      const std::string text = Coordinate(static_cast<double>(v[k]), decimals);
      next[k] = ParseReal(text).value_or(0);
      words += ' ';
      words += letters[static_cast<size_t>(k)];
      words += text;
    }
    if (r > 0 && words == previous) continue;
    if (r == 0) {
      put("G0" + words, 0);
      if (d.heat) {
        put("M3 S" + std::to_string(d.power), 0);
        if (motion.preheatSeconds > 0) {
          put("G4 P" + std::to_string(motion.preheatSeconds), motion.preheatSeconds);
        }
      }
    } else {
      const double delta[4] = {next[0] - at[0], next[1] - at[1], next[2] - at[2], next[3] - at[3]};
      const double guide1 = std::hypot(delta[0], delta[1]);
      const double guide2 = std::hypot(delta[2], delta[3]);
      const double minutes = std::max(guide1, guide2) / motion.feedMmMin;
      const double feed = d.feed == GcodeFeedMode::InverseTime
                              ? 1 / minutes
                              : std::sqrt(delta[0] * delta[0] + delta[1] * delta[1] +
                                          delta[2] * delta[2] + delta[3] * delta[3]) /
                                    minutes;
      put("G1" + words + " F" + Feed(feed), minutes * 60);
    }
    if (program.lines.back().size() > kMaxGcodeLineLength) {
      program.error = "Le point " + std::to_string(r + 1) +
                      " donne une ligne de G-code de plus de " +
                      std::to_string(kMaxGcodeLineLength) + " caractères : coordonnées trop " +
                      "grandes pour " + std::to_string(decimals) + " décimales";
      program.lines.clear();
      program.seconds.clear();
      return program;
    }
    previous = std::move(words);
    std::copy(std::begin(next), std::end(next), std::begin(at));
  }
  if (d.heat) put("M5", 0);
  put("M2", 0);
  return program;
}

}  // namespace orvane
