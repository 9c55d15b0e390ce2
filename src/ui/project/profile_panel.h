#pragma once

#include <QGroupBox>

#include "core/app/machine_settings.h"
#include "core/project/profile.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSlider;
class QTableView;

namespace orvane::ui {

class PreviewWidget;
class ProfileTableModel;

// The controls of one profile: its raw and adjusted tables, state labels,
// dimension edits and preview. The project window wires them.
class ProfilePanel : public QGroupBox {
 public:
  ProfilePanel(int number, Profile* profile, const MachineSettings* settings,
               QWidget* parent = nullptr);

  // Reloads both tables and redraws the preview.
  void Reload();
  // Selects `row` in both tables and marks it on the preview.
  void SelectRow(int row);
  // Selects rows top..bottom in both tables, `current` among them.
  void SelectRange(int top, int bottom, int current);
  void SetTitle(const std::string& fileName);

  const int number;
  Profile* const profile;
  // Set while SelectRange moves the tables' selection.
  bool selecting = false;

  QTableView* RawTable = nullptr;       // StringGrid1 / StringGrid3
  QLabel* Select = nullptr;             // Select1 / Select2: the active profile's arrow
  QTableView* AdjustedTable = nullptr;  // StringGrid2 / StringGrid4
  ProfileTableModel* RawModel = nullptr;
  ProfileTableModel* AdjustedModel = nullptr;
  QLabel* Etat = nullptr;
  QLabel* NbPoints = nullptr;
  QLineEdit* DimX = nullptr;
  QLineEdit* DimY = nullptr;
  QCheckBox* Proportions = nullptr;
  QPushButton* RealSizeX = nullptr;
  QPushButton* RealSizeY = nullptr;
  QPushButton* Copie = nullptr;
  PreviewWidget* Preview = nullptr;
  QSlider* Zoom = nullptr;
  QPushButton* ZoomMini = nullptr;
  QPushButton* ZoomMaxi = nullptr;
  QPushButton* Centrer = nullptr;
  QCheckBox* Synchro = nullptr;
  QMenu* Popup = nullptr;
  QAction* Annuler = nullptr;
  QAction* Importer = nullptr;
  QPushButton* ImporterButton = nullptr;
  QAction* ExporterDXF = nullptr;
  QAction* ExporterDAT = nullptr;
  QAction* ExporterCSV = nullptr;
  QAction* ExporterBMP = nullptr;        // simple
  QAction* ExporterBMPDouble = nullptr;  // both previews

  // The profile's operations (popup menu and buttons).
  QAction *Permuter = nullptr, *CopierP = nullptr, *CollerP = nullptr, *CollerX = nullptr,
          *CollerY = nullptr, *Editer = nullptr, *Inserer = nullptr, *Supprimer = nullptr,
          *Rotation = nullptr, *FermerForme = nullptr, *Definir = nullptr, *Inverser = nullptr,
          *TraitCoupe = nullptr, *DelDoublons = nullptr, *Confondre = nullptr,
          *Simplifier = nullptr, *Diviser = nullptr, *Figer = nullptr, *Liberer = nullptr,
          *LibererTout = nullptr, *InverseSelect = nullptr, *Deplacer = nullptr,
          *InverserPlage = nullptr, *AppliquerCoef = nullptr, *Proprietes = nullptr;
  QPushButton* RotationHoraire = nullptr;
  QPushButton* MiroirH = nullptr;
  QPushButton* MiroirV = nullptr;
  QPushButton* EditMode = nullptr;
};

void SetLabelColours(QLabel* label, const Rgb& background, const QColor& text = Qt::white);

}  // namespace orvane::ui
