#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "ui/app/app_context.h"

class QLabel;
class QPushButton;
class QTableView;

namespace orvane::ui {

class StepRunModel;
class TFormPatienter;

// The run-length view of a step file: one row per run of equal bytes, with
// each axis' bits, and what the file weighs against its G-code.
class TFormBinaire : public QDialog {
 public:
  explicit TFormBinaire(AppContext& context, QWidget* parent = nullptr);
  ~TFormBinaire() override;
  void SetWaitWindow(TFormPatienter* wait) { wait_ = wait; }

  // Reads the step file (Escape stops it), then shows the view modally.
  // False when the reading was stopped or the file could not be read.
  bool Run(const std::string& stepPath, const std::string& gcodePath,
           const MachineSettings& settings);
  // Reads the files and fills the view without showing it.
  bool Fill(const std::string& stepPath, const std::string& gcodePath,
            const MachineSettings& settings);

  QTableView* StringGrid1 = nullptr;
  QLabel* Sequences = nullptr;
  QLabel* OctetsN1 = nullptr;
  QLabel* LignesGcode = nullptr;
  QLabel* OctetsN2 = nullptr;
  QLabel* Rapport = nullptr;
  QPushButton* Fermer = nullptr;

  // The text of a cell, as shown.
  QString Cell(int row, int column) const;
  int RowCount() const;

 private:
  AppContext& context_;
  TFormPatienter* wait_ = nullptr;
  StepRunModel* model_ = nullptr;
};

}  // namespace orvane::ui
