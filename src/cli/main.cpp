// orvane-cli: the program's core from the command line.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "core/common/text_number.h"
#include "core/project/profile.h"
#include "core/project/project_file.h"

namespace {

constexpr size_t kMaxProjectFile = size_t(256) << 20;

int Usage() {
  std::cerr << "usage: orvane-cli info PROJET.ovp\n";
  return 2;
}

bool ReadFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream content;
  content << in.rdbuf();
  bytes = content.str();
  return bytes.size() <= kMaxProjectFile;
}

void PrintProfile(int number, const std::vector<double>& xs, const std::vector<double>& ys,
                  int decimals) {
  using namespace orvane;
  Profile p;
  for (size_t i = 0; i < xs.size(); ++i)
    p.raw.push_back({FormatFixed(xs[i], 6), FormatFixed(ys[i], 6)});
  RefreshAdjusted(p, decimals);
  const auto [width, height] = ProfileExtent(p.adjusted, true);
  std::cout << "Profil " << number << " : " << p.raw.size() << " points, "
            << (IsClosed(p.adjusted) ? "fermé" : "ouvert") << ", "
            << (HasLeadIn(p.adjusted) ? "avec dégagements" : "sans dégagement") << "\n"
            << "  Etendue : " << FormatFixed(width, 3) << " x " << FormatFixed(height, 3) << " mm\n"
            << "  Développé : " << FormatFixed(DevelopedLength(p.adjusted), 3) << " mm\n";
}

int Info(const std::string& path) {
  std::string bytes;
  if (!ReadFile(path, bytes)) {
    std::cerr << "orvane-cli : impossible de lire " << path << "\n";
    return 1;
  }
  const orvane::ProjectReadResult read = orvane::ReadProjectFile(bytes);
  if (!read.ok) {
    std::cerr << "orvane-cli : " << path << " :" << read.message << "\n";
    return 1;
  }
  PrintProfile(1, read.data.X1, read.data.Y1, read.data.decimals);
  PrintProfile(2, read.data.X2, read.data.Y2, read.data.decimals);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "info") return Info(argv[2]);
  return Usage();
}
