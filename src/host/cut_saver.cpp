#include "host/cut_saver.h"

#include "host/atomic_file.h"

namespace orvane {

CutSaveResult SaveCut(const CutSaveRequest& r) {
  CutSaveResult result;
  auto fail = [&](const std::string& why) {
    result.message = "La découpe n'est pas enregistrée : " + why;
    return result;
  };
  const int sets = r.twoCuts ? 2 : 1;
  const CutFileSetNames names[2] = {CutSetNames(r.base, r.twoCuts, false),
                                    CutSetNames(r.base, r.twoCuts, true)};
  // Every file is complete before any old one is touched; the headers go
  // last, so a set that has its new header has all its new files.
  FileSetReplacement files;
  std::string error;
  for (int set = 0; set < sets; ++set) {
    const CutFileSetNames& n = names[set];
    if (r.gcodeOnly) {
      // A step file of an earlier cut must not stay beside the new header.
      files.AddRemoval(n.steps);
    } else if (!files.AddCopy(r.cutFolder + kTempStepFiles[set], n.steps, &error)) {
      return fail(error);
    }
    if (r.controllerPrograms[set].empty()) {
      files.AddRemoval(n.controller);
    } else if (!files.Add(n.controller, r.controllerPrograms[set], &error)) {
      return fail(error);
    }
    if (!files.AddCopy(r.cutFolder + kTempGcodeFiles[set], n.gcode, &error) ||
        !files.Add(n.points, WriteCutPoints(*r.points, set == 1), &error)) {
      return fail(error);
    }
  }
  for (int set = 0; set < sets; ++set) {
    if (!files.Add(names[set].header, WriteCutHeader(r.header, *r.settings, set == 1), &error)) {
      return fail(error);
    }
  }
  if (!files.Commit(&error)) return fail(error);
  for (int set = 0; set < sets; ++set) {
    if (!r.gcodeOnly) result.written.push_back(names[set].steps);
    result.written.push_back(names[set].gcode);
    result.written.push_back(names[set].points);
    if (!r.controllerPrograms[set].empty()) result.written.push_back(names[set].controller);
  }
  for (int set = 0; set < sets; ++set) result.written.push_back(names[set].header);
  result.ok = true;
  return result;
}

}  // namespace orvane
