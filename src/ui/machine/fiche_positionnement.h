#pragma once

#include <QDialog>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "core/cut/cut_point_file.h"
#include "core/machine/cut_opening.h"
#include "core/machine/cut_progress.h"
#include "ui/app/app_context.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace orvane::ui {

class CutPreviewPane;
class TFormBinaire;
class TFormManettes;
class TFormStop;
class UpDownButtons;

// The execution window: opens a saved cut, shows what it holds and whether
// it may run on this machine, sizes the foam block, presets the speed, and
// starts the run.
class TFormPosition : public QDialog {
 public:
  explicit TFormPosition(AppContext& context, QWidget* parent = nullptr);
  // Created after this one.
  void SetDetailWindow(TFormBinaire* binaire) { binaire_ = binaire; }
  void SetStopWindow(TFormStop* stop) { stop_ = stop; }
  void SetManualWindow(TFormManettes* manettes);
  void SetMemoWindow(class TFormMemo* memo);

  // "Découper": shows the window modally and opens the open dialog at once;
  // returns when the window has closed.
  int Run();

  QPushButton* Ouvrir = nullptr;
  QPushButton* Lancer = nullptr;
  QPushButton* Simulation = nullptr;
  QPushButton* Detail = nullptr;
  QPushButton* Manettes = nullptr;
  QPushButton* Memo = nullptr;
  QPushButton* Fermer = nullptr;
  QSlider* TrackBar2 = nullptr;
  QPushButton* Raz = nullptr;
  QLineEdit* EditLargeur = nullptr;
  QLineEdit* EditHauteur = nullptr;
  UpDownButtons* UpDown1 = nullptr;
  UpDownButtons* UpDown2 = nullptr;
  QPushButton* Auto = nullptr;
  QLabel* LabelGcode = nullptr;
  QLabel* LabelBinaire = nullptr;
  QLabel *PmmX1 = nullptr, *PmmY1 = nullptr, *PmmX2 = nullptr, *PmmY2 = nullptr;
  QLabel *vx1 = nullptr, *vy1 = nullptr, *vx2 = nullptr, *vy2 = nullptr;
  QLabel *Vitx1 = nullptr, *Vity1 = nullptr, *Vitx2 = nullptr, *Vity2 = nullptr;
  QLabel* DureeCoupe = nullptr;
  // The header's values.
  QLabel *LabelTaille1 = nullptr, *LabelTaille2 = nullptr;
  QLabel *LabelProjete1 = nullptr, *LabelProjete2 = nullptr;
  QLabel *LabelDegagement1 = nullptr, *LabelDegagement2 = nullptr;
  QLabel* LabelMatiere = nullptr;
  QLabel* LabelSegments = nullptr;
  QLabel* LabelDeveloppes = nullptr;
  QLabel* LabelPas = nullptr;
  // Why "Découpe" is off: the settings the cut was made with that differ.
  QLabel* LabelDifferences = nullptr;
  CutPreviewPane* Preview1 = nullptr;
  CutPreviewPane* Preview2 = nullptr;

  void OuvrirClick();
  void AutoClick();
  void RazClick();
  void DetailClick();
  // "Mode manuel" (F11): manual control over this window.
  void ManettesClick();
  // "Découpe" and "Simulation": this window hides while the progress window
  // runs the cut, then shows again with the cut reloaded and the end told.
  void LancerClick();
  void SimulationClick();
  void TrackBar2Change();
  // Enter in a block edit: the value checked, the previews redrawn, the
  // focus to the other edit.
  void BlockEditEntered(QLineEdit* edit);
  // The open dialog's preview of a browsed file.
  void BrowseCut(const std::string& path);
  // Reloads the current cut, as after a run.
  void ReloadCut();

  const OpenedCut& Cut() const { return cut_; }
  uint64_t CutTickCount() const { return cut_.ticks; }
  const SpeedPreset& Preset() const { return preset_; }
  const std::string& LastOpenedCut() const { return lastOpenedCut_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildControls();
  void FormShow();
  void ResetWindow();
  // Reads the cut chosen as `path` and shows it; `browsing` is the open
  // dialog's preview.
  void LoadCut(const std::string& path, bool browsing);
  void ShowHeader();
  void ShowPoints();
  void ShowPreviewMessage(const QString& message, bool withRecordedSettings);
  void RefreshBlock();
  void UpdateRunCommands();
  // The tooltip of "Simulation" while it is off: what it needs.
  void ExplainSimulation(bool cutShown);
  int BlockValue(QLineEdit* edit) const;
  void SetBlockEnabled(bool enabled);
  void StartRun(bool simulation);

  AppContext& context_;
  TFormBinaire* binaire_ = nullptr;
  TFormStop* stop_ = nullptr;
  TFormManettes* manettes_ = nullptr;
  class TFormMemo* memo_ = nullptr;
  // Hiding a modal dialog ends its loop: `Run` goes on once a run is over.
  bool resumeAfterRun_ = false;
  OpenedCut cut_;
  SpeedPreset preset_;
  std::string lastOpenedCut_;
  std::shared_ptr<const std::vector<CutPointRecord>> points_;
  bool openOnShow_ = false;
  bool blockFits_ = false;
};

}  // namespace orvane::ui
