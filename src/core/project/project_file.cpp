#include "core/project/project_file.h"

#include <cmath>

#include "core/common/cp1252.h"
#include "core/common/text_lines.h"
#include "core/common/text_number.h"
#include "core/project/drawing_readers.h"

namespace orvane {
namespace {

constexpr int kHeaderLines = 12;

ProjectReadResult Refuse(std::string message) {
  ProjectReadResult result;
  result.message = std::move(message);
  return result;
}

}  // namespace

ProjectReadResult ReadProjectFile(std::string_view bytes) {
  if (bytes.size() > kMaxProjectFileBytes) return Refuse(" Fichier projet trop grand ");
  const std::vector<std::string_view> lines = SplitLines(bytes);
  auto line = [&](size_t number) { return number <= lines.size() ? lines[number - 1] : ""; };

  const std::string_view version = line(2);
  const auto versionNumber = ParseInteger(version.substr(std::min<size_t>(1, version.size()), 3));
  if (version.empty() || version[0] != 'v' || !versionNumber || *versionNumber < 120) {
    ProjectReadResult result = Refuse(std::string(kIncompatibleProject));
    result.incompatible = true;
    return result;
  }
  const auto count = ParseInteger(line(4));
  if (!count) return Refuse(" Nombre de points illisible (ligne 4) ");
  const auto decimals = ParseInteger(line(6));
  if (!decimals || *decimals < 0 || *decimals > 6)
    return Refuse(" Décimales illisibles (ligne 6) ");
  const size_t available = lines.size() > kHeaderLines ? (lines.size() - kHeaderLines) / 4 : 0;
  if (*count < 0 || static_cast<uint64_t>(*count) > available) {
    return Refuse(" Fichier projet incomplet : " + std::to_string(available) + " points lus sur " +
                  std::to_string(*count) + " ");
  }

  ProjectReadResult result;
  ProjectData& data = result.data;
  data.decimals = static_cast<int>(*decimals);
  for (int i = 0; i < 4; ++i) data.dimensions[i] = Cp1252ToUtf8(line(8 + i));
  const auto n = static_cast<size_t>(*count);
  std::vector<double>* columns[4] = {&data.X1, &data.Y1, &data.X2, &data.Y2};
  for (auto* column : columns) column->reserve(n);
  for (size_t i = 0; i < n; ++i) {
    for (size_t c = 0; c < 4; ++c) {
      const size_t number = kHeaderLines + 1 + 4 * i + c;
      const auto value = ParseReal(line(number));
      // A wrong number would silently reshape the profile: refuse the file.
      if (!value) return Refuse(" Coordonnée illisible (ligne " + std::to_string(number) + ") ");
      if (std::fabs(*value) > kLargestCoordinate) {
        return Refuse(" Coordonnée hors limites (ligne " + std::to_string(number) + ") ");
      }
      columns[c]->push_back(*value);
    }
  }
  result.ok = true;
  return result;
}

ProjectWriteResult WriteProjectFile(const Profile& p1, const Profile& p2, int decimals,
                                    const std::string (&dimensions)[4]) {
  ProjectWriteResult result;
  if (p1.raw.size() != p2.raw.size()) {
    result.message = "Le projet n'est pas enregistré : le profil 1 a " +
                     std::to_string(p1.raw.size()) + " points et le profil 2 en a " +
                     std::to_string(p2.raw.size()) +
                     ".\nUn projet réunit deux profils du même nombre de points.";
    return result;
  }
  for (const Profile* p : {&p1, &p2}) {
    for (const PointText& row : p->raw) {
      if (std::fabs(CellNumber(row.x)) > kLargestCoordinate ||
          std::fabs(CellNumber(row.y)) > kLargestCoordinate) {
        result.message = "Le projet n'est pas enregistré : une coordonnée dépasse " +
                         FormatFixed(kLargestCoordinate, 0) +
                         " mm.\nOrvane ne relit pas de tels projets.";
        return result;
      }
    }
  }
  std::string text;
  text.reserve(64 * (p1.raw.size() + 4));
  auto put = [&text](std::string_view line) {
    text += line;
    text += "\r\n";
  };
  put("// version");
  put("v160");
  put("// nombre de points");
  put(std::to_string(p1.raw.size()));
  put("// décimales");
  put(std::to_string(decimals));
  put("// dimensions x1,y1,x2,y2");
  for (const std::string& dimension : dimensions) put(dimension);
  put("// coordonnées x1,y1,x2,y2");
  for (size_t i = 0; i < p1.raw.size(); ++i) {
    put(p1.raw[i].x);
    put(p1.raw[i].y);
    put(p2.raw[i].x);
    put(p2.raw[i].y);
  }
  put("// fin du fichier");
  std::string bytes = Utf8ToCp1252(text);
  if (bytes.size() > kMaxProjectFileBytes) {
    result.message = "Le projet n'est pas enregistré : il dépasserait " +
                     std::to_string(kMaxProjectFileBytes >> 20) +
                     " Mo, la taille la plus grande qu'Orvane relit.";
    return result;
  }
  result.ok = true;
  result.bytes = std::move(bytes);
  return result;
}

}  // namespace orvane
