#include "core/machine/grbl_protocol.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace orvane {
namespace {

std::optional<int> Code(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

// "1.000,-2.500,0.000": every field a number, or nothing.
std::optional<std::vector<double>> Numbers(std::string_view text) {
  std::vector<double> out;
  while (true) {
    const size_t comma = text.find(',');
    const std::string_view field = text.substr(0, comma);
    double v = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), v);
    if (field.empty() || error != std::errc() || end != field.data() + field.size() ||
        !std::isfinite(v) || out.size() >= 9) {
      return std::nullopt;
    }
    out.push_back(v);
    if (comma == std::string_view::npos) return out;
    text.remove_prefix(comma + 1);
  }
}

}  // namespace

GrblLine ClassifyGrblLine(std::string_view line) {
  if (line == "ok") return {GrblLineKind::Ok, 0};
  if (line.starts_with("error:")) {
    if (auto c = Code(line.substr(6))) return {GrblLineKind::Error, *c};
    return {};
  }
  if (line.starts_with("ALARM:")) {
    if (auto c = Code(line.substr(6))) return {GrblLineKind::Alarm, *c};
    return {};
  }
  if (line.starts_with("<") && line.ends_with(">")) {
    return {ParseGrblStatus(line) ? GrblLineKind::Status : GrblLineKind::Other, 0};
  }
  if (line.starts_with("Grbl ") || line.starts_with("GrblHAL ")) return {GrblLineKind::Banner, 0};
  if (line.starts_with("[") && line.ends_with("]")) return {GrblLineKind::Feedback, 0};
  return {};
}

std::optional<GrblStatus> ParseGrblStatus(std::string_view line) {
  if (!line.starts_with("<") || !line.ends_with(">") || line.size() < 3) return std::nullopt;
  line = line.substr(1, line.size() - 2);
  GrblStatus status;
  bool first = true;
  while (!line.empty() || first) {
    const size_t bar = line.find('|');
    const std::string_view field = line.substr(0, bar);
    if (first) {
      if (field.empty()) return std::nullopt;
      status.state = std::string(field);
      first = false;
    } else if (field.starts_with("MPos:")) {
      if (!(status.machine = Numbers(field.substr(5)))) return std::nullopt;
    } else if (field.starts_with("WPos:")) {
      if (!(status.work = Numbers(field.substr(5)))) return std::nullopt;
    } else if (field.starts_with("WCO:")) {
      if (!(status.offset = Numbers(field.substr(4)))) return std::nullopt;
    } else if (field.starts_with("Ov:")) {
      const auto values = Numbers(field.substr(3));
      if (!values || values->empty()) return std::nullopt;
      status.feedOverride = static_cast<int>(std::lround((*values)[0]));
    } else if (field.starts_with("A:")) {
      status.spindleOn = field.find_first_of("SC", 2) != std::string_view::npos;
    }
    if (bar == std::string_view::npos) break;
    line.remove_prefix(bar + 1);
  }
  // A report with no position is no report the link can use.
  if (!status.machine && !status.work) return std::nullopt;
  return status;
}

bool ReadGrblBuildLine(std::string_view line, GrblBuildInfo& info) {
  if (!line.starts_with("[") || !line.ends_with("]")) return false;
  const std::string_view body = line.substr(1, line.size() - 2);
  if (body.starts_with("VER:")) {
    info.version = std::string(body.substr(4));
    if (!info.version.empty() && info.version.back() == ':') info.version.pop_back();
    return true;
  }
  if (body.starts_with("OPT:")) {
    // Option letters, planner blocks, receive buffer bytes, then what a
    // larger controller adds.
    std::vector<std::string_view> fields;
    std::string_view rest = body.substr(4);
    for (size_t comma; (comma = rest.find(',')) != std::string_view::npos;) {
      fields.push_back(rest.substr(0, comma));
      rest.remove_prefix(comma + 1);
    }
    fields.push_back(rest);
    if (fields.size() >= 3) {
      const auto blocks = Code(fields[1]);
      const auto bytes = Code(fields[2]);
      // A buffer too small for one line is not believed.
      if (blocks && bytes && *blocks > 0 && *bytes >= 16 && *bytes <= 65536) {
        info.plannerBlocks = size_t(*blocks);
        info.rxBuffer = size_t(*bytes);
        info.rxReported = true;
      }
    }
    return true;
  }
  if (body.starts_with("AXS:")) {
    const std::string_view rest = body.substr(4);
    const size_t colon = rest.find(':');
    if (colon != std::string_view::npos) info.axes = std::string(rest.substr(colon + 1));
    return true;
  }
  return true;  // [MSG:...] and the like
}

std::string GrblAxesFromCount(size_t count) {
  return std::string("XYZABC").substr(0, std::min<size_t>(count, 6));
}

std::string MissingGrblAxes(std::string_view controllerAxes, std::string_view wanted) {
  std::string missing;
  for (char c : wanted) {
    if (controllerAxes.find(c) == std::string_view::npos && missing.find(c) == std::string::npos) {
      missing += c;
    }
  }
  return missing;
}

std::string GrblErrorMeaning(int code) {
  switch (code) {
    case 1:
      return "lettre de commande attendue";
    case 2:
      return "format de nombre invalide";
    case 3:
      return "commande « $ » invalide";
    case 4:
      return "valeur négative";
    case 5:
      return "prise d'origine non activée";
    case 6:
      return "impulsion de pas trop courte (3 µs au moins)";
    case 7:
      return "lecture de l'EEPROM impossible, réglages par défaut repris";
    case 8:
      return "commande « $ » refusée hors du repos";
    case 9:
      return "G-code refusé pendant une alarme ou un déplacement manuel";
    case 10:
      return "limites logicielles sans prise d'origine";
    case 11:
      return "ligne trop longue";
    case 12:
      return "fréquence de pas trop élevée";
    case 13:
      return "porte de sécurité ouverte";
    case 14:
      return "ligne trop longue pour l'EEPROM";
    case 15:
      return "déplacement manuel hors de la course de la machine";
    case 16:
      return "déplacement manuel invalide";
    case 17:
      return "mode laser sans sortie PWM";
    case 20:
      return "commande G-code non prise en charge";
    case 21:
      return "deux commandes du même groupe modal";
    case 22:
      return "vitesse d'avance non définie";
    case 23:
      return "la commande attend une valeur entière";
    case 24:
      return "deux commandes demandent les mots d'axe";
    case 25:
      return "mot G-code répété dans la ligne";
    case 26:
      return "aucun mot d'axe pour une commande qui en demande";
    case 27:
      return "numéro de ligne invalide";
    case 28:
      return "valeur manquante pour la commande";
    case 29:
      return "repère G59.x non pris en charge";
    case 30:
      return "G53 permis seulement avec G0 et G1";
    case 31:
      return "mots d'axe inutilisés";
    case 32:
      return "arc sans mot d'axe dans le plan";
    case 33:
      return "cible de mouvement invalide";
    case 34:
      return "erreur de rayon d'arc";
    case 35:
      return "arc sans décalage dans le plan";
    case 36:
      return "mots de valeur inutilisés";
    case 37:
      return "correction d'outil hors de l'axe configuré";
    case 38:
      return "numéro d'outil trop grand";
    default:
      return "code inconnu";
  }
}

std::string GrblAlarmMeaning(int code) {
  switch (code) {
    case 1:
      return "fin de course matérielle déclenchée";
    case 2:
      return "cible hors de la course de la machine (limite logicielle)";
    case 3:
      return "réinitialisation pendant un mouvement";
    case 4:
      return "palpeur dans un état inattendu au départ";
    case 5:
      return "palpeur sans contact";
    case 6:
      return "prise d'origine interrompue par une réinitialisation";
    case 7:
      return "prise d'origine interrompue par la porte de sécurité";
    case 8:
      return "prise d'origine : fin de course non dégagé";
    case 9:
      return "prise d'origine : fin de course introuvable";
    case 10:
      return "arrêt d'urgence";
    default:
      return "code inconnu";
  }
}

GrblProgramClock::GrblProgramClock(std::array<char, 4> letters, double slowestMmPerMin)
    : letters_(letters), slowest_(std::max(1.0, slowestMmPerMin)) {}

double GrblProgramClock::LineSeconds(std::string_view line) {
  std::array<std::optional<double>, 4> words;
  std::optional<double> feed, pause;
  bool dwell = false, anyAxis = false;
  for (size_t at = 0; at < line.size();) {
    const char c = line[at];
    if (c == '(') {
      const size_t close = line.find(')', at);
      at = close == std::string_view::npos ? line.size() : close + 1;
      continue;
    }
    if (c == ';') break;
    if (c < 'A' || c > 'Z') {
      ++at;
      continue;
    }
    ++at;
    while (at < line.size() && line[at] == ' ') ++at;
    double v = 0;
    const char* begin = line.data() + at;
    if (at < line.size() && line[at] == '+') ++begin;
    const auto [end, error] = std::from_chars(begin, line.data() + line.size(), v);
    if (error != std::errc() || !std::isfinite(v)) continue;
    at = size_t(end - line.data());
    if (c == 'G') {
      const long g = std::lround(v * 10);
      if (g == 0 || g == 10) motion_ = int(g / 10);
      if (g == 40) dwell = true;
      if (g == 900 || g == 910) absolute_ = g == 900;
      if (g == 930 || g == 940) inverse_ = g == 930;
    } else if (c == 'M') {
      const long m = std::lround(v);
      if (m == 3) spindle_ = true;
      if (m == 5 || m == 2 || m == 30) spindle_ = false;
      if (m == 2 || m == 30) inverse_ = false, absolute_ = true;
    } else if (c == 'F') {
      feed = v;
    } else if (c == 'P') {
      pause = v;
    } else {
      for (size_t k = 0; k < 4; ++k) {
        if (c == letters_[k]) words[k] = v, anyAxis = true;
      }
    }
  }
  if (feed && !inverse_) feed_ = *feed;
  if (dwell) return std::clamp(pause.value_or(0.0), 0.0, 3.15e7);
  if (!anyAxis) return 0;
  std::array<double, 4> to = at_;
  double squared = 0;
  for (size_t k = 0; k < 4; ++k) {
    if (words[k]) to[k] = absolute_ ? *words[k] : at_[k] + *words[k];
    squared += (to[k] - at_[k]) * (to[k] - at_[k]);
  }
  at_ = to;
  end_ = to;
  double minutes = std::sqrt(squared) / slowest_;
  if (motion_ == 1 && inverse_ && feed && *feed > 0) minutes = 1.0 / *feed;
  if (motion_ == 1 && !inverse_ && feed_ > 0) minutes = std::sqrt(squared) / feed_;
  return std::min(minutes * 60, 3.15e7);
}

GrblPath::GrblPath(const std::vector<std::string>& lines, std::array<char, 4> letters,
                   double slowestMmPerMin) {
  GrblProgramClock clock(letters, slowestMmPerMin);
  double time = 0;
  size_t known = lines.size();
  for (const std::string& line : lines) {
    const double seconds = clock.LineSeconds(line);
    // Where the machine stands before the first move is not known: the lines
    // before it, and the move itself, are taken as no way and no time.
    const bool first = clock.End() && known == lines.size();
    if (first) known = ends_.size();
    if (!first) time += seconds;
    times_.push_back(time);
    ends_.push_back(clock.End().value_or(std::array<double, 4>{}));
  }
  for (size_t i = 0; i < known && i < ends_.size(); ++i) ends_[i] = ends_[known];
}

double GrblPath::Fraction(const std::array<double, 4>& p, size_t acknowledged) {
  const size_t last = std::min(acknowledged, ends_.size());
  if (last == 0 || times_.back() <= 0) return fraction_;
  double best = INFINITY;
  for (size_t i = line_; i < last; ++i) {
    const std::array<double, 4>& from = ends_[i == 0 ? 0 : i - 1];
    const std::array<double, 4>& to = ends_[i];
    double length2 = 0, along = 0;
    for (size_t k = 0; k < 4; ++k) {
      length2 += (to[k] - from[k]) * (to[k] - from[k]);
      along += (p[k] - from[k]) * (to[k] - from[k]);
    }
    const double t = length2 > 0 ? std::clamp(along / length2, 0.0, 1.0) : 1.0;
    double distance2 = 0;
    for (size_t k = 0; k < 4; ++k) {
      const double d = from[k] + t * (to[k] - from[k]) - p[k];
      distance2 += d * d;
    }
    // On a tie the later line: a corner is the next line's start.
    if (distance2 <= best) {
      best = distance2;
      line_ = i;
      const double start = i == 0 ? 0 : times_[i - 1];
      fraction_ = std::max(fraction_, (start + t * (times_[i] - start)) / times_.back());
    }
  }
  return fraction_;
}

}  // namespace orvane
