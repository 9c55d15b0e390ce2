// The project window's side of the shape generators: the "Forme" menu, the
// lead-in entries of the popup menus, "Aligner les profils", and what the
// generator windows write into the profiles.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>

#include "core/common/text_number.h"
#include "core/shapes/lead_in.h"
#include "core/shapes/standard_shapes.h"
#include "ui/project/fiche_import.h"
#include "ui/project/preview_widget.h"
#include "ui/project/profile_panel.h"
#include "ui/shapes/fiche_alignement.h"
#include "ui/shapes/fiche_creation.h"
#include "ui/shapes/fiche_degagement.h"
#include "ui/shapes/fiche_rainures.h"
#include "ui/shapes/fiche_segments.h"

namespace orvane::ui {

void TFormImport::BuildShapeMenu() {
  QMenu* forme = menuBar()->addMenu(QStringLiteral("Forme"));
  QMenu* pleine = forme->addMenu(QStringLiteral("Pleine"));
  auto item = [this](QMenu* menu, const char* caption, int code) {
    FormeItems[code] = menu->addAction(QString::fromUtf8(caption));
    connect(FormeItems[code], &QAction::triggered, this,
            [this, code] { Nouvelleforme1Click(code); });
  };
  QMenu* rectangle = pleine->addMenu(QStringLiteral("Rectangle"));
  item(rectangle, "Simple", kRectangleSimple);
  item(rectangle, "Chanfreiné", kRectangleChanfrein);
  QMenu* triangle = pleine->addMenu(QStringLiteral("Triangle"));
  item(triangle, "Rectangle", kTriangleRectangle);
  item(triangle, "Isocèle", kTriangleIsocele);
  item(triangle, "Equilatéral", kTriangleEquilateral);
  QMenu* trapeze = pleine->addMenu(QStringLiteral("Trapèze"));
  item(trapeze, "Régulier", kTrapezeRegulier);
  item(trapeze, "Irrégulier", kTrapezeIrregulier);
  item(pleine, "Losange", kLosange);
  item(pleine, "Polygone", kPolygone);
  item(pleine, "Cercle", kCercle);
  item(pleine, "Ellipse", kEllipse);
  item(pleine, "Secteur", kSecteur);
  item(pleine, "Etoile", kEtoile);
  QMenu* evidee = forme->addMenu(QStringLiteral("Evidée"));
  item(evidee, "Tube", kTube);
  item(evidee, "Arche", kArche);
  forme->addSeparator();
  Rainure1 = forme->addAction(QStringLiteral("Rainure"));
  Segment1 = forme->addAction(QStringLiteral("Segment"));
  connect(Rainure1, &QAction::triggered, this, [this] { Rainure1Click(); });
  connect(Segment1, &QAction::triggered, this, [this] { Segment1Click(); });
  // The lead-in commands of both profiles, the popup menus' own actions.
  forme->addSeparator();
  FormeDegagements1 = forme->addMenu(QStringLiteral("Dégagements du profil 1"));
  FormeDegagements2 = forme->addMenu(QStringLiteral("Dégagements du profil 2"));
  connect(forme, &QMenu::aboutToShow, this, [this] {
    UpdateLeadInCommands(Profil1);
    UpdateLeadInCommands(Profil2);
  });
}

void TFormImport::WireShapes(ProfilePanel* panel) {
  QAction* ajout = new QAction(QStringLiteral("Ajouter des dégagements..."), panel->Popup);
  QAction* supprime = new QAction(QStringLiteral("Supprimer les dégagements"), panel->Popup);
  panel->Popup->insertAction(panel->Proprietes, ajout);
  panel->Popup->insertAction(panel->Proprietes, supprime);
  panel->Popup->insertSeparator(panel->Proprietes);
  (panel->number == 1 ? FormeDegagements1 : FormeDegagements2)->addActions({ajout, supprime});
  (panel->number == 1 ? AjoutDegagement1 : AjoutDegagement2) = ajout;
  (panel->number == 1 ? SupprimeDegagement1 : SupprimeDegagement2) = supprime;
  connect(ajout, &QAction::triggered, this, [this, panel] { AjoutDegagementClick(panel); });
  connect(supprime, &QAction::triggered, this, [this, panel] { SupprimeDegagementClick(panel); });
  connect(panel->Popup, &QMenu::aboutToShow, this, [this, panel] { UpdateLeadInCommands(panel); });
  if (panel->number == 1) {
    connect(Alignement, &QPushButton::clicked, this, [this] { AlignementClick(); });
  }
}

void TFormImport::UpdateLeadInCommands(ProfilePanel* panel) {
  const Profile& p = *panel->profile;
  const bool leadIn = ProfileHasLeadIn(p);
  (panel->number == 1 ? AjoutDegagement1 : AjoutDegagement2)
      ->setEnabled(p.Present() && !leadIn && degagement_);
  (panel->number == 1 ? SupprimeDegagement1 : SupprimeDegagement2)
      ->setEnabled(p.Present() && leadIn && p.raw.size() >= (p.leadIn ? 4u : 5u));
}

void TFormImport::Nouvelleforme1Click(int code) {
  if (!creation_ || !ConfirmAbandon()) return;
  history_.Clear();
  RebuildHistoryMenu();
  ResetProjectWindow();
  creation_->Run(code);
}

void TFormImport::Rainure1Click() {
  // The groove replaces both profiles when it is validated.
  if (!rainures_ || !ConfirmAbandon()) return;
  rainures_->Run();
}

void TFormImport::Segment1Click() {
  // Whether it replaces the project is only known at "Valider".
  if (segment_) segment_->Run();
}

void TFormImport::AjoutDegagementClick(ProfilePanel* panel) {
  Profile& p = *panel->profile;
  if (!degagement_ || !p.Present() || ProfileHasLeadIn(p)) return;
  if (!degagement_->Run()) return;
  ProfilePanel* other = Other(panel);
  const LeadInOutcome outcome =
      AddLeadIn(panel->number, TargetOf(p), TargetOf(*other->profile), degagement_->Options());
  if (!outcome.changedThis) return;
  if (outcome.changedOther) {
    RefreshProfile(other);
    UpdateDimensionsOf(other);
  }
  AfterOperation(panel, outcome.label);
  UpdateLeadInCommands(panel);
}

void TFormImport::SupprimeDegagementClick(ProfilePanel* panel) {
  Profile& p = *panel->profile;
  if (!RemoveLeadIn(TargetOf(p))) return;
  p.currentRow = std::clamp(p.currentRow - 1, 1, static_cast<int>(p.raw.size()));
  AfterOperation(panel, "P" + std::to_string(panel->number) + " - Supprimer dégagements");
  UpdateLeadInCommands(panel);
  panel->Preview->Centre();
  panel->Preview->update();
}

void TFormImport::AlignementClick() {
  if (aligne_ && Alignement->isEnabled()) aligne_->Run();
}

void TFormImport::ShowGeneratedProfile(PointRows rows, const std::string& name) {
  Profile1.raw = std::move(rows);
  Profile1.leadIn = false;
  Profile1.LockedRows.clear();
  Profile1.clipboard = {};
  Profile1.currentRow = 1;
  Profil1->SetTitle(name);
  RefreshProfile(Profil1);
  ShowDimensions(Profil1, DimensionsOf(Profile1, decimals_));
  Profile1.DimX = CellNumber(Profil1->DimX->text().toStdString());
  Profile1.DimY = CellNumber(Profil1->DimY->text().toStdString());
  EnableProfileEdits(Profil1, Profile1.Present());
  Profil1->RealSizeX->setEnabled(false);
  Profil1->RealSizeY->setEnabled(false);
  Profil1->Zoom->setValue(10);
  Profil1->Preview->Centre();
  UpdateProjectState();
}

void TFormImport::RestoreProfile1(const Profile& saved) {
  if (saved.raw.size() < 2) {
    ClearProfile(Profil1);
    ClearProfile(Profil2);
    UpdateSizeFactors();
    UpdateProjectState();
    return;
  }
  const bool proportions = Profile1.proportions;
  Profile1 = saved;
  Profile1.proportions = proportions;
  Profil1->SetTitle(saved.fileName);
  RefreshProfile(Profil1);
  ShowDimensions(Profil1, DimensionsOf(Profile1, decimals_));
  EnableProfileEdits(Profil1, Profile1.Present());
  UpdateProjectState();
}

void TFormImport::CommitGenerated(const std::string& label, bool restartHistory) {
  for (ProfilePanel* panel : {Profil1, Profil2}) {
    panel->profile->LockedRows.clear();
    panel->profile->clipboard = {};
    panel->Proportions->setChecked(true);
  }
  CopyProfile(Profile1, Profile2, decimals_);
  Profil2->SetTitle(Profile1.fileName);
  RefreshProfile(Profil2);
  ShowDimensions(Profil2,
                 {Profil1->DimX->text().toStdString(), Profil1->DimY->text().toStdString()});
  EnableProfileEdits(Profil2, Profile2.Present());
  if (restartHistory) history_.Clear();
  PushHistory(label);
  // A new shape is unsaved work: closing must ask before it goes.
  Profile1.modified = Profile2.modified = true;
  SetCommandEnabled(Enregistrer, true);
  UpdateProjectState();
  for (ProfilePanel* panel : {Profil1, Profil2}) {
    panel->Zoom->setValue(10);
    panel->Preview->Centre();
    panel->Reload();
  }
}

void TFormImport::ShowExtents() {
  for (ProfilePanel* panel : {Profil1, Profil2}) {
    Profile& p = *panel->profile;
    if (!p.Present()) continue;
    RefreshProfile(panel);
    const auto [w, h] = ProfileExtent(p.adjusted, true);
    ShowDimensions(panel, {FormatFixed(w, decimals_), FormatFixed(h, decimals_)});
    p.DimX = CellNumber(FormatFixed(w, decimals_));
    p.DimY = CellNumber(FormatFixed(h, decimals_));
  }
  UpdateProjectState();
}

}  // namespace orvane::ui
