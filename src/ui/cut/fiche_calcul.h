#pragma once

#include <QDialog>
#include <map>
#include <optional>
#include <string>

#include "core/cut/cut_generation.h"
#include "ui/app/app_context.h"

class QAction;
class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace orvane::ui {

class TFormExportGcode;
class TFormPatienter;

// The cut window: generates the step stream and the G-code of the two
// adjusted profiles, then saves them as a set of cut files.
class TFormCalcul : public QDialog {
 public:
  explicit TFormCalcul(AppContext& context, QWidget* parent = nullptr);
  // The wait window is created after this one.
  void SetWaitWindow(TFormPatienter* wait) { wait_ = wait; }

  // Shows the window modally for the given profiles; generation starts at once.
  int Run(const Profile& p1, const Profile& p2, int decimals, const double (&dimensions)[4]);

  QTableWidget* StringGrid1 = nullptr;
  QLabel* Coordonnees = nullptr;
  QLabel* Developpe1 = nullptr;
  QLabel* Developpe2 = nullptr;
  QLabel* Ecart = nullptr;  // the largest deviation of the generated steps, per profile
  QCheckBox* CheckBoxFiles = nullptr;
  QPushButton* Enregistrer = nullptr;
  QPushButton* Annuler = nullptr;
  // "Fichier" -> "Exporter le G-code...": the cut for a G-code controller.
  QAction* ExporterGcode = nullptr;
  TFormExportGcode* ExportGcode = nullptr;

  const CutGeneration* Generation() const { return generation_ ? &*generation_ : nullptr; }
  void EnregistrerClick();
  void ExporterGcodeClick();

 protected:
  void done(int result) override;

 private:
  // The file the user chooses in the cut folder, proposed from the root profile's name.
  std::optional<std::string> AskCutPath(const std::string& title, const std::string& filter,
                                        const std::string& suffix, bool twoCuts);
  void FillTable();
  void Generate();

  AppContext& context_;
  TFormPatienter* wait_ = nullptr;
  const Profile* p1_ = nullptr;
  const Profile* p2_ = nullptr;
  int decimals_ = 3;
  double dimensions_[4] = {};
  std::optional<CutGeneration> generation_;
  // The programs exported from this generation, by path: a save under the
  // same name keeps them, any other ".nc" there is an earlier cut's.
  std::map<std::string, std::string> exported_;
};

// 12345 -> "12 345"
QString GroupedNumber(long value);

}  // namespace orvane::ui
