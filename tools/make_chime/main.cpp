// Writes the end-of-cut chime at build time, so the project ships a sound of
// its own making rather than a file taken from elsewhere.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <system_error>

#include "make_chime/chime.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_chime SORTIE.wav\n";
    return 2;
  }
  const std::filesystem::path target = argv[1];
  // A build stopped half-way must not leave a torn file that looks up to date.
  const std::filesystem::path partial = target.string() + ".part";
  const std::vector<uint8_t> bytes =
      orvane::WavFile(orvane::ChimeSamples(), orvane::kChimeSampleRate);
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(partial, ignored);
      std::cerr << "make_chime: impossible d'écrire " << partial.string() << '\n';
      return 1;
    }
  }
  std::error_code error;
  std::filesystem::rename(partial, target, error);
  if (error) {
    std::filesystem::remove(partial, error);
    std::cerr << "make_chime: impossible de créer " << target.string() << '\n';
    return 1;
  }
  return 0;
}
