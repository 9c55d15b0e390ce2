#include "host/cut_saver.h"

#include "host/atomic_file.h"

namespace orvane {

CutSaveResult SaveCut(const CutSaveRequest& r) {
  CutSaveResult result;
  auto fail = [&](const std::string& file, const std::string& why) {
    result.message = "La découpe n'est pas enregistrée : le fichier " + file +
                     " n'a pas pu être écrit.\n\n" + why;
    return result;
  };
  const int sets = r.twoCuts ? 2 : 1;
  for (int set = 0; set < sets; ++set) {
    const CutFileSetNames names = CutSetNames(r.base, r.twoCuts, set == 1);
    std::string error;
    if (!r.gcodeOnly) {
      if (!AtomicCopyFile(r.cutFolder + kTempStepFiles[set], names.steps, &error)) {
        return fail(names.steps, error);
      }
      result.written.push_back(names.steps);
    }
    if (!AtomicCopyFile(r.cutFolder + kTempGcodeFiles[set], names.gcode, &error)) {
      return fail(names.gcode, error);
    }
    result.written.push_back(names.gcode);
  }
  for (int set = 0; set < sets; ++set) {
    const CutFileSetNames names = CutSetNames(r.base, r.twoCuts, set == 1);
    std::string error;
    if (!AtomicWriteFile(names.header, WriteCutHeader(r.header, *r.settings, set == 1), &error)) {
      return fail(names.header, error);
    }
    result.written.push_back(names.header);
    if (!AtomicWriteFile(names.points, WriteCutPoints(*r.points, set == 1), &error)) {
      return fail(names.points, error);
    }
    result.written.push_back(names.points);
  }
  result.ok = true;
  return result;
}

}  // namespace orvane
