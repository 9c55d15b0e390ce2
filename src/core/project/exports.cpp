#include "core/project/exports.h"

#include <algorithm>
#include <cmath>

#include "core/common/cp1252.h"
#include "core/common/text_lines.h"
#include "core/common/text_number.h"
#include "core/project/drawing_readers.h"

namespace orvane {
namespace {

std::string Line(std::string_view text) {
  return std::string(text) + "\r\n";
}

// Everything of an AutoCAD 2000 drawing before the polyline's own data:
// header, tables, the model and paper space blocks, and the opening of the
// entity on layer "1", up to its subclass marker code.
// clang-format off
constexpr std::string_view kDxfPrologue[] = {
    "0", "SECTION", "2", "HEADER", "9", "$ACADVER", "1", "AC1015", "9", "$ACADMAINTVER",
    "70", "6", "9", "$DWGCODEPAGE", "3", "ANSI_1252", "9", "$INSBASE", "10", "0.0", "20", "0.0",
    "30", "0.0", "9", "$EXTMIN", "10", "0.0", "20", "0.0", "30", "0.0", "9", "$EXTMAX",
    "10", "1000.0", "20", "1000.0", "30", "0.0", "9", "$LIMMIN", "10", "0.0", "20", "0.0",
    "9", "$LIMMAX", "10", "1000.0", "20", "1000.0", "9", "$INSUNITS", "70", "4",
    "9", "$MEASUREMENT", "70", "1", "9", "$CLAYER", "8", "0", "9", "$HANDSEED", "5", "100",
    "0", "ENDSEC",
    "0", "SECTION", "2", "CLASSES",
    "0", "ENDSEC",
    "0", "SECTION", "2", "TABLES",
    "0", "TABLE", "2", "VPORT", "5", "8", "330", "0", "100", "AcDbSymbolTable", "70", "1",
    "0", "VPORT", "5", "29", "330", "8", "100", "AcDbSymbolTableRecord",
    "100", "AcDbViewportTableRecord", "2", "*Active", "70", "0", "10", "0.0", "20", "0.0",
    "11", "1.0", "21", "1.0", "12", "500.0", "22", "500.0", "13", "0.0", "23", "0.0",
    "14", "10.0", "24", "10.0", "15", "10.0", "25", "10.0", "16", "0.0", "26", "0.0",
    "36", "1.0", "17", "0.0", "27", "0.0", "37", "0.0", "40", "1000.0", "41", "1.5",
    "42", "50.0", "43", "0.0", "44", "0.0", "50", "0.0", "51", "0.0", "71", "0", "72", "100",
    "73", "1", "74", "3", "75", "0", "76", "0", "77", "0", "78", "0", "281", "0", "65", "1",
    "110", "0.0", "120", "0.0", "130", "0.0", "111", "1.0", "121", "0.0", "131", "0.0",
    "112", "0.0", "122", "1.0", "132", "0.0", "79", "0", "146", "0.0",
    "0", "ENDTAB",
    "0", "TABLE", "2", "LTYPE", "5", "5", "330", "0", "100", "AcDbSymbolTable", "70", "3",
    "0", "LTYPE", "5", "14", "330", "5", "100", "AcDbSymbolTableRecord",
    "100", "AcDbLinetypeTableRecord", "2", "ByBlock", "70", "0", "3", "", "72", "65", "73", "0",
    "40", "0.0",
    "0", "LTYPE", "5", "15", "330", "5", "100", "AcDbSymbolTableRecord",
    "100", "AcDbLinetypeTableRecord", "2", "ByLayer", "70", "0", "3", "", "72", "65", "73", "0",
    "40", "0.0",
    "0", "LTYPE", "5", "16", "330", "5", "100", "AcDbSymbolTableRecord",
    "100", "AcDbLinetypeTableRecord", "2", "Continuous", "70", "0", "3", "Solid line",
    "72", "65", "73", "0", "40", "0.0",
    "0", "ENDTAB",
    "0", "TABLE", "2", "LAYER", "5", "2", "330", "0", "100", "AcDbSymbolTable", "70", "2",
    "0", "LAYER", "5", "10", "330", "2", "100", "AcDbSymbolTableRecord",
    "100", "AcDbLayerTableRecord", "2", "0", "70", "0", "62", "7", "6", "Continuous",
    "370", "-3", "390", "F",
    "0", "LAYER", "5", "11", "330", "2", "100", "AcDbSymbolTableRecord",
    "100", "AcDbLayerTableRecord", "2", "1", "70", "0", "62", "7", "6", "Continuous",
    "370", "-3", "390", "F",
    "0", "ENDTAB",
    "0", "TABLE", "2", "STYLE", "5", "3", "330", "0", "100", "AcDbSymbolTable", "70", "1",
    "0", "STYLE", "5", "12", "330", "3", "100", "AcDbSymbolTableRecord",
    "100", "AcDbTextStyleTableRecord", "2", "Standard", "70", "0", "40", "0.0", "41", "1.0",
    "50", "0.0", "71", "0", "42", "2.5", "3", "txt", "4", "",
    "0", "ENDTAB",
    "0", "TABLE", "2", "VIEW", "5", "6", "330", "0", "100", "AcDbSymbolTable", "70", "0",
    "0", "ENDTAB",
    "0", "TABLE", "2", "UCS", "5", "7", "330", "0", "100", "AcDbSymbolTable", "70", "0",
    "0", "ENDTAB",
    "0", "TABLE", "2", "APPID", "5", "9", "330", "0", "100", "AcDbSymbolTable", "70", "1",
    "0", "APPID", "5", "13", "330", "9", "100", "AcDbSymbolTableRecord",
    "100", "AcDbRegAppTableRecord", "2", "ACAD", "70", "0",
    "0", "ENDTAB",
    "0", "TABLE", "2", "DIMSTYLE", "5", "A", "330", "0", "100", "AcDbSymbolTable", "70", "1",
    "100", "AcDbDimStyleTable", "71", "0",
    "0", "DIMSTYLE", "105", "27", "330", "A", "100", "AcDbSymbolTableRecord",
    "100", "AcDbDimStyleTableRecord", "2", "Standard", "70", "0",
    "0", "ENDTAB",
    "0", "TABLE", "2", "BLOCK_RECORD", "5", "1", "330", "0", "100", "AcDbSymbolTable", "70", "2",
    "0", "BLOCK_RECORD", "5", "1F", "330", "1", "100", "AcDbSymbolTableRecord",
    "100", "AcDbBlockTableRecord", "2", "*Model_Space", "340", "22",
    "0", "BLOCK_RECORD", "5", "1B", "330", "1", "100", "AcDbSymbolTableRecord",
    "100", "AcDbBlockTableRecord", "2", "*Paper_Space", "340", "1E",
    "0", "ENDTAB",
    "0", "ENDSEC",
    "0", "SECTION", "2", "BLOCKS",
    "0", "BLOCK", "5", "20", "330", "1F", "100", "AcDbEntity", "8", "0", "100", "AcDbBlockBegin",
    "2", "*Model_Space", "70", "0", "10", "0.0", "20", "0.0", "30", "0.0", "3", "*Model_Space",
    "1", "",
    "0", "ENDBLK", "5", "21", "330", "1F", "100", "AcDbEntity", "8", "0", "100", "AcDbBlockEnd",
    "0", "BLOCK", "5", "1C", "330", "1B", "100", "AcDbEntity", "67", "1", "8", "0",
    "100", "AcDbBlockBegin", "2", "*Paper_Space", "70", "0", "10", "0.0", "20", "0.0",
    "30", "0.0", "3", "*Paper_Space", "1", "",
    "0", "ENDBLK", "5", "1D", "330", "1B", "100", "AcDbEntity", "67", "1", "8", "0",
    "100", "AcDbBlockEnd",
    "0", "ENDSEC",
    "0", "SECTION", "2", "ENTITIES",
    "0", "LWPOLYLINE", "5", "30", "330", "1F", "100", "AcDbEntity", "8", "1", "100"};
// clang-format on

// After the polyline: the end of the entities and the objects every
// AutoCAD 2000 drawing has (root dictionary, groups, layouts).
// clang-format off
constexpr std::string_view kDxfEpilogue[] = {
    "0", "ENDSEC",
    "0", "SECTION", "2", "OBJECTS",
    "0", "DICTIONARY", "5", "C", "330", "0", "100", "AcDbDictionary", "281", "1",
    "3", "ACAD_GROUP", "350", "D", "3", "ACAD_LAYOUT", "350", "1A",
    "0", "DICTIONARY", "5", "D", "102", "{ACAD_REACTORS", "330", "C", "102", "}", "330", "C",
    "100", "AcDbDictionary", "281", "1",
    "0", "DICTIONARY", "5", "1A", "102", "{ACAD_REACTORS", "330", "C", "102", "}", "330", "C",
    "100", "AcDbDictionary", "281", "1", "3", "Layout1", "350", "1E", "3", "Model", "350", "22"};
// clang-format on

// One LAYOUT object: its plot settings (none) and its layout data.
void AppendLayout(std::string& out, std::string_view handle, std::string_view name,
                  std::string_view plotFlags, std::string_view plotType,
                  std::string_view paperUnits, std::string_view tabOrder,
                  std::string_view blockRecord) {
  const std::string_view pairs[][2] = {{"0", "LAYOUT"},
                                       {"5", handle},
                                       {"102", "{ACAD_REACTORS"},
                                       {"330", "1A"},
                                       {"102", "}"},
                                       {"330", "1A"},
                                       {"100", "AcDbPlotSettings"},
                                       {"1", ""},
                                       {"2", "none_device"},
                                       {"4", ""},
                                       {"6", ""},
                                       {"40", "0.0"},
                                       {"41", "0.0"},
                                       {"42", "0.0"},
                                       {"43", "0.0"},
                                       {"44", "0.0"},
                                       {"45", "0.0"},
                                       {"46", "0.0"},
                                       {"47", "0.0"},
                                       {"48", "0.0"},
                                       {"49", "0.0"},
                                       {"140", "0.0"},
                                       {"141", "0.0"},
                                       {"142", "1.0"},
                                       {"143", "1.0"},
                                       {"70", plotFlags},
                                       {"72", "0"},
                                       {"73", "0"},
                                       {"74", plotType},
                                       {"7", ""},
                                       {"75", paperUnits},
                                       {"147", "1.0"},
                                       {"148", "0.0"},
                                       {"149", "0.0"},
                                       {"100", "AcDbLayout"},
                                       {"1", name},
                                       {"70", "1"},
                                       {"71", tabOrder},
                                       {"10", "0.0"},
                                       {"20", "0.0"},
                                       {"11", "420.0"},
                                       {"21", "297.0"},
                                       {"12", "0.0"},
                                       {"22", "0.0"},
                                       {"32", "0.0"},
                                       {"14", "0.0"},
                                       {"24", "0.0"},
                                       {"34", "0.0"},
                                       {"15", "0.0"},
                                       {"25", "0.0"},
                                       {"35", "0.0"},
                                       {"146", "0.0"},
                                       {"13", "0.0"},
                                       {"23", "0.0"},
                                       {"33", "0.0"},
                                       {"16", "1.0"},
                                       {"26", "0.0"},
                                       {"36", "0.0"},
                                       {"17", "0.0"},
                                       {"27", "1.0"},
                                       {"37", "0.0"},
                                       {"76", "0"},
                                       {"330", blockRecord}};
  for (const auto& pair : pairs) out += Line(pair[0]) + Line(pair[1]);
}

}  // namespace

std::vector<std::pair<double, double>> AnchoredPoints(const PointRows& rows) {
  const MinMax x = FindMinMax(rows, 1), y = FindMinMax(rows, 2);
  std::vector<std::pair<double, double>> points;
  points.reserve(rows.size());
  for (const PointText& row : rows) {
    points.emplace_back(CellNumber(row.x) - x.min, CellNumber(row.y) - y.min);
  }
  return points;
}

std::string WriteCsv(const PointRows& rows) {
  std::string out = Line("[ X ];[ Y ]");
  for (auto [x, y] : AnchoredPoints(rows)) out += Line(FormatFixed(x, 6) + ";" + FormatFixed(y, 6));
  return out;
}

std::string WriteDat(const PointRows& rows, const std::string& comment, DatSeparator separator) {
  std::string out;
  if (!comment.empty()) out += Line(Utf8ToCp1252(comment));
  const char* between = separator == DatSeparator::Tab ? "\t" : " ";
  for (auto [x, y] : AnchoredPoints(rows))
    out += Line(FormatFixed(x, 6) + between + FormatFixed(y, 6));
  return out;
}

std::string WriteDxf(const PointRows& rows) {
  std::string out;
  for (std::string_view line : kDxfPrologue) out += Line(line);
  const auto points = AnchoredPoints(rows);
  out += Line("AcDbPolyline");
  out += Line("90");
  out += Line(std::to_string(points.size()));
  out += Line("70");
  out += Line(IsClosed(rows) ? "1" : "0");
  out += Line("43");
  out += Line("0.0");
  for (auto [x, y] : points) {
    out += Line("10") + Line(FormatFixed(x, 6)) + Line("20") + Line(FormatFixed(y, 6));
  }
  for (std::string_view line : kDxfEpilogue) out += Line(line);
  AppendLayout(out, "22", "Model", "1712", "0", "0", "0", "1F");
  AppendLayout(out, "1E", "Layout1", "688", "5", "16", "1", "1B");
  out += Line("0") + Line("ENDSEC") + Line("0") + Line("EOF");
  return out;
}

std::string WriteCutProject(const PointRows& a, const PointRows& b, int decimals,
                            double meanSpeed) {
  std::string out;
  const size_t n = std::min(a.size(), b.size());
  auto distance = [](const PointRows& rows, size_t i) {
    return std::hypot(CellNumber(rows[i].x) - CellNumber(rows[i - 1].x),
                      CellNumber(rows[i].y) - CellNumber(rows[i - 1].y));
  };
  for (size_t i = 0; i < n; ++i) {
    double t = 10.0;
    if (i > 0) t = meanSpeed > 0 ? (distance(a, i) + distance(b, i)) / 2 / meanSpeed : 0;
    auto f = [decimals](double v) { return FormatFixed(v, decimals); };
    out += Line("T:" + f(t) + " XG:" + f(CellNumber(a[i].x)) + " YG:" + f(CellNumber(a[i].y)) +
                " XD:" + f(CellNumber(b[i].x)) + " YD:" + f(CellNumber(b[i].y)));
  }
  return out;
}

CutProjectRead ReadCutProject(std::string_view bytes) {
  CutProjectRead read;
  auto refuse = [&read](const std::string& why, size_t lineNumber) {
    read = CutProjectRead{};
    read.message =
        std::string(kIncompatibleCut) + " : " + why + " à la ligne " + std::to_string(lineNumber);
    return read;
  };
  const std::vector<std::string_view> lines = SplitLines(bytes);
  for (size_t number = 1; number <= lines.size(); ++number) {
    std::string line(lines[number - 1]);
    for (char& c : line) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const size_t xg = line.find("XG:"), yg = line.find("YG:"), xd = line.find("XD:"),
                 yd = line.find("YD:");
    if (line.find("T:") == std::string::npos || xg == std::string::npos ||
        yg == std::string::npos || xd == std::string::npos || yd == std::string::npos ||
        !(xg < yg && yg < xd && xd < yd)) {
      continue;
    }
    if (read.rows1.size() == kMostDrawingPoints) {
      return refuse("plus de " + std::to_string(kMostDrawingPoints) + " points", number);
    }
    // A value the import cannot read would reshape the profile without a word.
    std::string values[4];
    const size_t bounds[4][2] = {{xg, yg}, {yg, xd}, {xd, yd}, {yd, line.size()}};
    for (int k = 0; k < 4; ++k) {
      std::string_view text =
          std::string_view(line).substr(bounds[k][0] + 3, bounds[k][1] - bounds[k][0] - 3);
      while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
      }
      const std::optional<double> value = ParseReal(text);
      if (!value) return refuse("valeur illisible", number);
      if (std::fabs(*value) > kLargestCoordinate) {
        return refuse("coordonnée au-delà de " + FormatFixed(kLargestCoordinate, 0) + " mm",
                      number);
      }
      values[k] = FormatFixed(*value, 6);
    }
    read.rows1.push_back({values[0], values[1]});
    read.rows2.push_back({values[2], values[3]});
  }
  read.ok = !read.rows1.empty();
  if (!read.ok) read.message = kIncompatibleCut;
  return read;
}

size_t CountConsecutiveDuplicates(const PointRows& rows) {
  size_t count = 0;
  for (size_t i = 1; i < rows.size(); ++i) count += rows[i] == rows[i - 1];
  return count;
}

void RemoveConsecutiveDuplicates(PointRows& rows) {
  PointRows kept;
  kept.reserve(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    if (i + 1 < rows.size() && rows[i] == rows[i + 1]) continue;
    kept.push_back(rows[i]);
  }
  rows = std::move(kept);
}

}  // namespace orvane
