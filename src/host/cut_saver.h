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
  // The G-code controller's program of each set; empty for none.
  std::string controllerPrograms[2];
};

struct CutSaveResult {
  bool ok = false;
  std::string message;               // names the file that could not be written
  std::vector<std::string> written;  // in the order written
};

// Copies the temporary step and G-code files to their final names and writes
// the headers and point files. The set is replaced only once every file is
// complete, the headers last; a failure before that leaves the old set as it
// was and says which file could not be written. A G-code-only save removes
// the step file an earlier cut left under the same name, and a save without
// a controller's program its ".nc": a controller would run it for this cut.
CutSaveResult SaveCut(const CutSaveRequest& request);

}  // namespace orvane
