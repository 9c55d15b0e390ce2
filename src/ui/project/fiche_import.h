#pragma once

#include <QMainWindow>
#include <map>
#include <string>
#include <vector>

#include "core/project/history.h"
#include "core/project/profile.h"
#include "core/project/project_file.h"
#include "ui/app/app_context.h"

class QAction;
class QPushButton;
class QActionGroup;
class QEventLoop;
class QLabel;
class QMenu;

namespace orvane::ui {

class TMainForm;
class ProfilePanel;
class TFormCalcul;
class TFormProjection;
class TFormCreation;
class TFormRainures;
class TFormSegment;
class TFormDegagement;
class TFormAligne;

// The project window. It owns the two profiles for the whole run; here, its
// frame: menus, options, link start-up and the orderly close.
class TFormImport : public QMainWindow {
 public:
  TFormImport(AppContext& context, TMainForm* mainForm);

  // Shows the window modally; returns when it has closed.
  void ShowModal();
  // Closes as "Quitter" does but asks nothing (termination signals).
  void CloseWithoutQuestions();
  // Sets the option tick marks from the settings in memory.
  void ApplyOptionsToMenus();

  // Options
  QAction* AfficherReperes = nullptr;
  QAction* AfficherPoints = nullptr;
  QMenu* DensitePoints = nullptr;
  QAction *Densite1 = nullptr, *Densite2 = nullptr, *Densite3 = nullptr;
  QMenu* TaillePoints = nullptr;
  QAction *Taille1 = nullptr, *Taille2 = nullptr, *Taille3 = nullptr;
  QAction *Precision0 = nullptr, *Precision1 = nullptr, *Precision2 = nullptr,
          *Precision3 = nullptr;
  QAction* DoublonsAuto = nullptr;
  QAction* LectureDxfStricte = nullptr;
  QAction* IgnorerAlertes = nullptr;
  QAction* ConfirmeAbandon = nullptr;
  QAction* ConfirmeEcrasement = nullptr;
  QAction *Increment1 = nullptr, *Increment2 = nullptr, *Increment3 = nullptr;
  QAction* GcodeOnly = nullptr;
  QAction* Reprisedecoupe = nullptr;
  QAction* Audio = nullptr;
  // Outils
  QAction* ManageFiles = nullptr;
  QAction* FormatCut2 = nullptr;  // "Importer un projet" -> "Format CUT"
  QAction* FormatCUT1 = nullptr;  // "Exporter le projet" -> "Format CUT"
  QAction* Calculatrice = nullptr;
  QAction* MemoDecoupe = nullptr;  // "Mémo de découpe"
  QAction* Sauvegarder = nullptr;  // "Configuration" -> "Sauvegarder"
  QAction* Restaurer = nullptr;    // "Configuration" -> "Restaurer"
  QAction* Reinitialiser = nullptr;
  QAction* Quitter = nullptr;
  // "?"
  QAction* Aide = nullptr;
  QAction* Telecharger = nullptr;
  QAction* Raccourcis = nullptr;
  QAction* APropos = nullptr;

  QLabel* LinkStatus = nullptr;

  // The two profiles and their controls.
  Profile Profile1, Profile2;
  ProfilePanel* Profil1 = nullptr;
  ProfilePanel* Profil2 = nullptr;
  QPushButton* Deci[7] = {};
  QPushButton* Enregistrer = nullptr;
  QPushButton* Charger = nullptr;
  QPushButton* Fermer = nullptr;
  QPushButton* Calculer = nullptr;
  QPushButton* Decouper = nullptr;
  QPushButton* Manettes = nullptr;  // "Mode manuel"
  QPushButton* ParametresM = nullptr;
  QPushButton* Projection = nullptr;
  QPushButton* Alignement = nullptr;
  QPushButton* Synchroniser = nullptr;
  QMenu* Historique1 = nullptr;

  void SetCutWindows(TFormCalcul* calcul, TFormProjection* projection) {
    calcul_ = calcul;
    projection_ = projection;
  }
  void SetFormatFileWindow(class TFormFormatFile* window) { formatFile_ = window; }
  void SetManageFilesWindow(class TFormManageFiles* window) { manageFiles_ = window; }
  void SetMemoWindow(class TFormMemo* memo);
  void SetPositionWindow(class TFormPosition* position) { position_ = position; }
  void SetManualWindow(class TFormManettes* manettes) { manettes_ = manettes; }
  void SetParametersWindow(class TFormParametres* parametres) { parametres_ = parametres; }
  // Opens the CNC parameters; the machine commands then follow the board.
  void ParametresClick();
  void SetOperationWindows(class TFormSaisie* saisie, class TFormEditPoint* editPoint,
                           class TFormProprietes* proprietes) {
    saisie_ = saisie;
    editPoint_ = editPoint;
    proprietes_ = proprietes;
  }
  // The operations of a profile's popup menu; the ones that need numbers
  // take them from the input window.
  void OperationClick(ProfilePanel* panel, QAction* action);
  void QuarterTurnClick(ProfilePanel* panel);
  void MirrorClick(ProfilePanel* panel, bool horizontal);
  bool KeyboardMove(ProfilePanel* panel, class QKeyEvent* key);
  void EditModeClick(ProfilePanel* panel);
  int EditModeState() const { return editModeState_; }
  // The profile whose table last had the focus (0 before any).
  int ActiveProfile() const { return activeProfile_; }
  void CalculerClick();
  // Hides this window while the execution window is open.
  void DecouperClick();
  void ManettesClick();
  void ImporterClick(ProfilePanel* panel);
  // The browsing preview of a drawing or coordinate file for `panel`.
  void BrowseDrawing(const std::string& path, ProfilePanel* panel);
  void ExportClick(ProfilePanel* panel, const std::string& format);
  void ExportBitmap(ProfilePanel* panel, bool both);
  void ImportCutClick();
  void ExportCutClick();
  void ProjectionClick();
  void ReinitialiserClick();
  void SaveConfigurationFile();
  void LoadConfigurationFile();
  void CalculatriceClick();
  void AideClick();
  void TelechargerClick();
  // The address "Télécharger la dernière version" opens (set at build time).
  void SetUpdateUrl(const std::string& url);
  void SetPeripheryWindows(class TFormRaccourcis* raccourcis, class TFormAPropos* aPropos) {
    raccourcis_ = raccourcis;
    aPropos_ = aPropos;
  }
  void EnregistrerClick();
  void ChargerClick();
  void FermerClick();
  void UndoClick();
  void DecimalsClick(int decimals);
  void CopieClick(ProfilePanel* destination);
  void RealSizeClick(ProfilePanel* panel, Axis axis);
  // The exit logic of a Cote edit after the user typed `text` into it.
  void DimensionExit(ProfilePanel* panel, Axis axis);
  // The browsing preview of the open dialog.
  void BrowseProjectFile(const std::string& path);
  void PushHistory(const std::string& label);
  int Decimals() const { return decimals_; }

  // The shape generators ("Forme" menu, lead-in entries, alignment).
  void SetShapeWindows(TFormCreation* creation, TFormRainures* rainures, TFormSegment* segment,
                       TFormDegagement* degagement, TFormAligne* aligne) {
    creation_ = creation;
    rainures_ = rainures;
    segment_ = segment;
    degagement_ = degagement;
    aligne_ = aligne;
  }
  QAction* FormeItems[15] = {};  // by shape code
  QAction* Rainure1 = nullptr;
  QAction* Segment1 = nullptr;
  QAction *AjoutDegagement1 = nullptr, *AjoutDegagement2 = nullptr;
  QAction *SupprimeDegagement1 = nullptr, *SupprimeDegagement2 = nullptr;
  // "Forme": the lead-in commands of each profile, as in its popup menu.
  QMenu *FormeDegagements1 = nullptr, *FormeDegagements2 = nullptr;
  void Nouvelleforme1Click(int code);
  void Rainure1Click();
  void Segment1Click();
  void AjoutDegagementClick(ProfilePanel* panel);
  void SupprimeDegagementClick(ProfilePanel* panel);
  void AlignementClick();
  // Both profiles get the same number of points, paired place to place.
  void SynchroniserClick();
  // What the generator windows do to the project: profile 1 shows the
  // generated rows; profile 1 goes back to a saved copy (both profiles are
  // emptied when it has fewer than two points); "Valider" copies profile 1
  // to profile 2 and records `label`, as the base of a new history or not.
  void ShowGeneratedProfile(PointRows rows, const std::string& name);
  void RestoreProfile1(const Profile& saved);
  void CommitGenerated(const std::string& label, bool restartHistory);
  // "Abandonner les modifications en cours ?" when a profile is modified.
  bool AskAbandon() { return ConfirmAbandon(); }
  // The Cote fields of both profiles from their full extents.
  void ShowExtents();
  const History& OperationHistory() const { return history_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct ChoiceEntry {
    QAction* action;
    std::string text;
  };
  QAction* AddOption(QMenu* menu, const QString& caption, bool MachineSettings::*field);
  void AddChoice(QMenu* menu, std::string MachineSettings::*field,
                 std::vector<std::pair<QAction**, std::pair<QString, std::string>>> entries);
  void BuildMenus();
  void BuildHelpMenu();
  // The window brought in line with settings that a reset or a configuration
  // load replaced: menus, decimals, link.
  void AfterSettingsReplaced();
  void BuildProfiles();
  void WireProfile(ProfilePanel* panel);
  ProfilePanel* Other(ProfilePanel* panel) const { return panel == Profil1 ? Profil2 : Profil1; }
  void ResetProjectWindow();
  // The arrow over the active profile's raw table; none in edit mode.
  void ShowActiveProfile();
  void ShowDecimals();
  void RefreshProfile(ProfilePanel* panel);
  void ShowDimensions(ProfilePanel* panel, const DimensionTexts& texts);
  void UpdateDimensionsOf(ProfilePanel* panel);
  void AfterRescale(ProfilePanel* panel, const DimensionChange& change);
  void UpdateProjectState();
  // Enables a window command, or, while a profile is in edit mode and the
  // command is set aside, only remembers the state for when it ends.
  void SetCommandEnabled(QObject* command, bool enabled);
  void UpdateSizeFactors();
  void RebuildHistoryMenu();
  void ClearProfile(ProfilePanel* panel);
  bool ConfirmAbandon(bool askAnyway = false);
  void EnableProfileEdits(ProfilePanel* panel, bool enabled);
  void DimensionFields(double (&dimensions)[4]) const;
  void WireOperations(ProfilePanel* panel);
  void BuildShapeMenu();
  void WireShapes(ProfilePanel* panel);
  void UpdateLeadInCommands(ProfilePanel* panel);
  // Replaces both profiles, as opening a project or a CUT file does; `label`
  // becomes the history's base state.
  void LoadProfilePair(PointRows raw1, PointRows raw2, const std::string& name,
                       const std::string& label);
  void UpdateOperationCommands(ProfilePanel* panel);
  void AfterOperation(ProfilePanel* panel, const std::string& label);
  std::optional<std::pair<double, double>> AskNumbers(ProfilePanel* panel, int mode, bool* checked);
  void FormShow();
  void FormClose();
  QString LinkDescription() const;
  // The link and, for settings whose values contradict one another, which
  // rule they break.
  void ShowLinkStatus();
  QString SerialPortProblem(bool namePort) const;

  AppContext& context_;
  TMainForm* mainForm_;
  QEventLoop* modalLoop_ = nullptr;
  TFormCalcul* calcul_ = nullptr;
  TFormProjection* projection_ = nullptr;
  class TFormFormatFile* formatFile_ = nullptr;
  class TFormManageFiles* manageFiles_ = nullptr;
  class TFormMemo* memo_ = nullptr;
  class TFormPosition* position_ = nullptr;
  class TFormManettes* manettes_ = nullptr;
  class TFormParametres* parametres_ = nullptr;
  // Shown again after the execution window: the project stays as it was.
  bool returningFromCut_ = false;
  class TFormSaisie* saisie_ = nullptr;
  class TFormEditPoint* editPoint_ = nullptr;
  class TFormProprietes* proprietes_ = nullptr;
  TFormCreation* creation_ = nullptr;
  TFormRainures* rainures_ = nullptr;
  TFormSegment* segment_ = nullptr;
  TFormDegagement* degagement_ = nullptr;
  TFormAligne* aligne_ = nullptr;
  class TFormRaccourcis* raccourcis_ = nullptr;
  class TFormAPropos* aPropos_ = nullptr;
  std::string updateUrl_;
  int editModeState_ = 0;
  int activeProfile_ = 0;
  // The window's commands set aside by edit mode, with the state each is to
  // take back when it ends.
  std::vector<std::pair<QObject*, bool>> editModeRemembered_;
  History history_;
  // The profiles' lead-in marks after each history entry, by its number.
  std::map<uint16_t, std::pair<bool, bool>> leadInMarks_;
  ProjectData importBuffer_;
  int decimals_ = 3;
  bool projectionDone_ = false;
  bool closingWithoutQuestions_ = false;
  double previousDimension_[2][2] = {};  // [profile][axis] on entering an edit
  std::vector<std::pair<QAction*, bool MachineSettings::*>> options_;
  std::vector<std::pair<std::string MachineSettings::*, std::vector<ChoiceEntry>>> choices_;
};

}  // namespace orvane::ui
