#pragma once

#include <string>
#include <vector>

#include "core/cut/cut_generation.h"

namespace orvane {

struct MachineSettings;

struct CutSaveRequest {
  std::string cutFolder;  // where the temporary files are
  std::string base;       // the chosen path without its extension
  bool twoCuts = false;
  bool gcodeOnly = false;
  CutHeaderData header;
  const std::vector<CutPoint>* points = nullptr;
  const MachineSettings* settings = nullptr;
};

struct CutSaveResult {
  bool ok = false;
  std::string message;               // names the file that could not be written
  std::vector<std::string> written;  // in the order written
};

// Copies the temporary step and G-code files to their final names and writes
// the headers and point files, each file replaced atomically. Stops at the
// first file that cannot be written and says which.
CutSaveResult SaveCut(const CutSaveRequest& request);

}  // namespace orvane
