// The cut window's "Fichier" -> "Exporter le G-code...".
#include "core/app/settings_store.h"
#include "core/cut/cut_files.h"
#include "core/cut/gcode_dialect.h"
#include "host/atomic_file.h"
#include "ui/cut/fiche_calcul.h"
#include "ui/cut/fiche_export_gcode.h"

#include <QCheckBox>

namespace orvane::ui {

void TFormCalcul::ExporterGcodeClick() {
  if (!generation_ || !generation_->Ok()) return;
  const GcodeDialectRead stored = ReadGcodeDialect(*context_.store);
  if (!stored.problems.empty()) {
    context_.messages->Show(MessageKind::Warning,
                            "Des choix G-code enregistrés sont illisibles ; leur valeur d'usine "
                            "est proposée :\n" +
                                stored.problems);
  }
  const std::optional<GcodeDialect> dialect = ExportGcode->Run(stored.dialect);
  if (!dialect) return;

  // Every program is made before a file is touched: a refusal leaves the
  // disk as it was.
  const bool twoCuts = CheckBoxFiles->isChecked();
  GcodeMotion motion = GcodeMotionFrom(context_.settings);
  motion.decimals = decimals_;
  const DialectSet programs = WriteDialectSet(generation_->table.points, *dialect, motion, twoCuts);
  if (!programs.error.empty()) {
    context_.messages->Show(MessageKind::Error, programs.error);
    return;
  }
  const std::optional<std::string> path =
      AskCutPath("Exporter le G-code", "G-code (*.nc)", "nc", false);
  if (!path) return;

  const std::string base = CutBase(*path);
  FileSetReplacement files;
  std::string error;
  std::string written;
  for (int k = 0; k < (twoCuts ? 2 : 1); ++k) {
    const std::string name = CutSetNames(base, twoCuts, k == 1).controller;
    written += (written.empty() ? "" : ", ") + name;
    if (!files.Add(name, programs.texts[k], &error)) break;
  }
  if (!error.empty() || !files.Commit(&error)) {
    context_.messages->Show(MessageKind::Error, error);
    return;
  }
  for (int k = 0; k < (twoCuts ? 2 : 1); ++k) {
    exported_[CutSetNames(base, twoCuts, k == 1).controller] = programs.texts[k];
  }
  try {
    WriteGcodeDialect(*context_.store, *dialect);
  } catch (const SettingsWriteError& e) {
    context_.messages->Show(
        MessageKind::Warning,
        std::string("Les choix G-code n'ont pas pu être enregistrés : ") + e.what());
  }
  context_.messages->Show(MessageKind::Information, "G-code exporté : " + written);
}

}  // namespace orvane::ui
