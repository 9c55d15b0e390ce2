// The project window's profiles: tables, dimensions, decimals, copies,
// history and the project-state rules.
#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTableView>
#include <QVBoxLayout>

#include "core/common/text_number.h"
#include "core/project/operations.h"
#include "core/project/preview.h"
#include "ui/project/fiche_import.h"
#include "ui/project/preview_widget.h"
#include "ui/project/profile_panel.h"
#include "ui/project/profile_table_model.h"

namespace orvane::ui {
namespace {

const char* const kCapacityMessage =
    "Forme redimensionnée en raison d'un dépassement de capacité machine";

int AxisIndex(Axis axis) {
  return axis == Axis::X ? 0 : 1;
}

}  // namespace

void TFormImport::BuildProfiles() {
  auto* central = new QWidget(this);
  auto* layout = new QHBoxLayout(central);
  Profil1 = new ProfilePanel(1, &Profile1, &context_.settings, central);
  Profil2 = new ProfilePanel(2, &Profile2, &context_.settings, central);
  layout->addWidget(Profil1, 1);
  layout->addWidget(Profil2, 1);

  auto* actions = new QVBoxLayout;
  Charger = new QPushButton(QStringLiteral("Ouvrir un projet"), central);
  Enregistrer = new QPushButton(QStringLiteral("Enregistrer le projet"), central);
  Fermer = new QPushButton(QStringLiteral("Fermer le projet"), central);
  Projection = new QPushButton(QStringLiteral("Calcul des projections"), central);
  Alignement = new QPushButton(QStringLiteral("Aligner les profils"), central);
  Synchroniser = new QPushButton(QStringLiteral("Synchroniser les points"), central);
  Calculer = new QPushButton(QStringLiteral("Générer la découpe"), central);
  Decouper = new QPushButton(QStringLiteral("Découper"), central);
  Manettes = new QPushButton(QStringLiteral("Mode manuel"), central);
  ParametresM = new QPushButton(QStringLiteral("    Paramètres CNC       "), central);
  for (QPushButton* b : {Charger, Enregistrer, Fermer}) actions->addWidget(b);
  auto* decimals = new QGroupBox(QStringLiteral(" Décimales "), central);
  auto* decimalsLayout = new QHBoxLayout(decimals);
  for (int d = 0; d <= 6; ++d) {
    Deci[d] = new QPushButton(QString::number(d), decimals);
    Deci[d]->setFixedWidth(26);
    decimalsLayout->addWidget(Deci[d]);
    connect(Deci[d], &QPushButton::clicked, this, [this, d] { DecimalsClick(d); });
  }
  actions->addWidget(decimals);
  actions->addSpacing(20);
  for (QPushButton* b : {Projection, Alignement, Synchroniser, Calculer}) actions->addWidget(b);
  actions->addSpacing(20);
  actions->addWidget(Decouper);
  actions->addWidget(Manettes);
  actions->addSpacing(20);
  actions->addWidget(ParametresM);
  actions->addStretch();
  layout->addLayout(actions);
  setCentralWidget(central);

  connect(Charger, &QPushButton::clicked, this, [this] { ChargerClick(); });
  connect(Enregistrer, &QPushButton::clicked, this, [this] { EnregistrerClick(); });
  connect(Fermer, &QPushButton::clicked, this, [this] { FermerClick(); });
  connect(Calculer, &QPushButton::clicked, this, [this] { CalculerClick(); });
  connect(Decouper, &QPushButton::clicked, this, [this] { DecouperClick(); });
  connect(Manettes, &QPushButton::clicked, this, [this] { ManettesClick(); });
  connect(ParametresM, &QPushButton::clicked, this, [this] { ParametresClick(); });
  connect(Projection, &QPushButton::clicked, this, [this] { ProjectionClick(); });
  connect(Synchroniser, &QPushButton::clicked, this, [this] { SynchroniserClick(); });
  Alignement->setEnabled(false);
  WireProfile(Profil1);
  WireProfile(Profil2);
  WireOperations(Profil1);
  WireOperations(Profil2);
  WireShapes(Profil1);
  WireShapes(Profil2);
}

void TFormImport::WireProfile(ProfilePanel* panel) {
  for (QTableView* table : {panel->RawTable, panel->AdjustedTable}) {
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this, panel, table] {
              if (panel->selecting) return;
              const QModelIndexList rows = table->selectionModel()->selectedRows();
              if (rows.isEmpty()) return;
              int top = rows.front().row(), bottom = top;
              for (const QModelIndex& index : rows) {
                top = std::min(top, index.row());
                bottom = std::max(bottom, index.row());
              }
              const int current = table->selectionModel()->currentIndex().row();
              panel->SelectRange(top + 1, bottom + 1, current < 0 ? top + 1 : current + 1);
              UpdateOperationCommands(panel);
            });
    table->installEventFilter(this);
    connect(table, &QWidget::customContextMenuRequested, this, [panel, table](const QPoint& at) {
      panel->Popup->popup(table->viewport()->mapToGlobal(at));
    });
  }
  // Ctrl+Z undoes wherever the focus is inside either profile.
  panel->addAction(panel->Annuler);
  panel->Annuler->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  panel->Preview->SetKeys(context_.keys);
  panel->Preview->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(panel->Preview, &QWidget::customContextMenuRequested, this,
          [panel](const QPoint& at) { panel->Popup->popup(panel->Preview->mapToGlobal(at)); });
  panel->Preview->onPick = [this, panel](int row, bool shift) {
    Profile& p = *panel->profile;
    if (row == 0) {
      panel->SelectRow(p.currentRow);
    } else if (shift) {
      panel->SelectRange(std::min(p.currentRow, row), std::max(p.currentRow, row), row);
    } else {
      panel->SelectRow(row);
    }
    UpdateOperationCommands(panel);
  };
  panel->Preview->onRectangle = [this, panel](const std::vector<int>& rows, bool ctrl) {
    if (rows.empty()) return;
    if (ctrl) {
      for (int row : rows) LockRows(panel->profile->LockedRows, row, row);
      panel->Reload();
    } else {
      panel->SelectRange(rows.front(), rows.back(), rows.front());
    }
    UpdateOperationCommands(panel);
  };
  connect(panel->Annuler, &QAction::triggered, this, [this] { UndoClick(); });
  connect(panel->Copie, &QPushButton::clicked, this, [this, panel] { CopieClick(panel); });
  connect(panel->Importer, &QAction::triggered, this, [this, panel] { ImporterClick(panel); });
  connect(panel->ImporterButton, &QPushButton::clicked, this,
          [this, panel] { ImporterClick(panel); });
  const std::pair<QAction*, const char*> exports[] = {
      {panel->ExporterDXF, "dxf"}, {panel->ExporterDAT, "dat"}, {panel->ExporterCSV, "csv"}};
  for (auto [action, format] : exports) {
    connect(action, &QAction::triggered, this,
            [this, panel, format = std::string(format)] { ExportClick(panel, format); });
  }
  connect(panel->ExporterBMP, &QAction::triggered, this,
          [this, panel] { ExportBitmap(panel, false); });
  connect(panel->ExporterBMPDouble, &QAction::triggered, this,
          [this, panel] { ExportBitmap(panel, true); });
  connect(panel->RealSizeX, &QPushButton::clicked, this,
          [this, panel] { RealSizeClick(panel, Axis::X); });
  connect(panel->RealSizeY, &QPushButton::clicked, this,
          [this, panel] { RealSizeClick(panel, Axis::Y); });
  connect(panel->Proportions, &QCheckBox::toggled, this,
          [panel](bool on) { panel->profile->proportions = on; });
  for (QLineEdit* edit : {panel->DimX, panel->DimY}) edit->installEventFilter(this);

  auto zoomBoth = [this, panel](int position) {
    panel->Preview->SetZoom(position / 10.0);
    panel->Preview->update();
    if (panel->Synchro->isChecked() && editModeState_ == 0) {
      ProfilePanel* other = Other(panel);
      QSignalBlocker block(other->Zoom);
      other->Zoom->setValue(position);
      other->Preview->SetZoom(position / 10.0);
      other->Preview->update();
    }
  };
  connect(panel->Zoom, &QSlider::valueChanged, this, zoomBoth);
  connect(panel->ZoomMini, &QPushButton::clicked, this,
          [panel] { panel->Zoom->setValue(panel->Zoom->minimum()); });
  connect(panel->ZoomMaxi, &QPushButton::clicked, this,
          [panel] { panel->Zoom->setValue(panel->Zoom->maximum()); });
  connect(panel->Centrer, &QPushButton::clicked, this, [this, panel] {
    for (ProfilePanel* p : {panel, Other(panel)}) {
      if (p != panel && !panel->Synchro->isChecked()) continue;
      p->Preview->Centre();
      p->Preview->update();
    }
  });
}

bool TFormImport::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) {
    for (ProfilePanel* panel : {Profil1, Profil2}) {
      if (watched == panel->RawTable || watched == panel->AdjustedTable) {
        activeProfile_ = panel->number;
        ShowActiveProfile();
      }
    }
  }
  if (event->type() == QEvent::KeyPress) {
    for (ProfilePanel* panel : {Profil1, Profil2}) {
      if (watched == panel->RawTable || watched == panel->AdjustedTable) {
        if (KeyboardMove(panel, static_cast<QKeyEvent*>(event))) return true;
      }
    }
  }
  for (ProfilePanel* panel : {Profil1, Profil2}) {
    for (Axis axis : {Axis::X, Axis::Y}) {
      QLineEdit* edit = axis == Axis::X ? panel->DimX : panel->DimY;
      if (watched != edit) continue;
      if (event->type() == QEvent::FocusIn) {
        const auto value = ParseReal(edit->text().toStdString());
        if (value && *value > 0) previousDimension_[panel->number - 1][AxisIndex(axis)] = *value;
      } else if (event->type() == QEvent::FocusOut) {
        DimensionExit(panel, axis);
      } else if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
          (axis == Axis::X ? panel->DimY : static_cast<QWidget*>(panel->Proportions))->setFocus();
          return true;
        }
        const QString text = key->text();
        // Only typed characters are filtered; editing and navigation keys pass.
        if (text.isEmpty() || !text[0].isPrint() || (key->modifiers() & Qt::ControlModifier)) {
          return false;
        }
        const bool digit = text.size() == 1 && text[0].isDigit();
        const bool point = text == QStringLiteral(".") && !edit->text().contains('.');
        return !(digit || point);
      }
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void TFormImport::ShowActiveProfile() {
  for (ProfilePanel* panel : {Profil1, Profil2}) {
    panel->Select->setVisible(editModeState_ == 0 && activeProfile_ == panel->number);
  }
}

void TFormImport::ResetProjectWindow() {
  for (ProfilePanel* panel : {Profil1, Profil2}) {
    ClearProfile(panel);
    panel->Proportions->setChecked(true);
    panel->Zoom->setValue(10);
    panel->Preview->Centre();
    panel->Preview->ClearBrowsed();
  }
  decimals_ = static_cast<int>(ParseInteger(context_.settings.Decimales).value_or(3));
  ShowDecimals();
  projectionDone_ = false;
  context_.projection = ProjectionState{};
  for (QPushButton* b : {Fermer, Enregistrer, Profil1->Copie, Profil2->Copie}) {
    b->setEnabled(false);
  }
  Historique1->setEnabled(false);
  UpdateProjectState();
}

void TFormImport::ClearProfile(ProfilePanel* panel) {
  Profile& p = *panel->profile;
  const bool proportions = p.proportions;
  p = Profile{};
  p.proportions = proportions;
  panel->SetTitle({});
  panel->Reload();
  EnableProfileEdits(panel, false);
  panel->DimX->clear();
  panel->DimY->clear();
  panel->RealSizeX->setEnabled(false);
  panel->RealSizeY->setEnabled(false);
  SetLabelColours(panel->Etat, {0, 128, 128});
  panel->Etat->setText(QStringLiteral("---"));
}

void TFormImport::EnableProfileEdits(ProfilePanel* panel, bool enabled) {
  panel->DimX->setEnabled(enabled);
  panel->DimY->setEnabled(enabled);
}

void TFormImport::ShowDecimals() {
  for (int d = 0; d <= 6; ++d) {
    const bool pressed = d == decimals_;
    QFont font = Deci[d]->font();
    font.setBold(pressed);
    font.setPointSize(pressed ? 10 : 8);
    Deci[d]->setFont(font);
    Deci[d]->setStyleSheet(pressed ? QStringLiteral("color: rgb(255, 0, 128);")
                                   : QStringLiteral("color: rgb(85, 85, 85);"));
  }
}

void TFormImport::RefreshProfile(ProfilePanel* panel) {
  RefreshAdjusted(*panel->profile, decimals_);
  UpdateSizeFactors();
  panel->Reload();
}

void TFormImport::UpdateSizeFactors() {
  const SizeFactors f = ComputeSizeFactors(Profile1.adjusted, Profile2.adjusted);
  Profil1->Preview->SetSizeFactor(f.f1);
  Profil2->Preview->SetSizeFactor(f.f2);
  Profil1->Preview->update();
  Profil2->Preview->update();
}

void TFormImport::ShowDimensions(ProfilePanel* panel, const DimensionTexts& texts) {
  panel->DimX->setText(QString::fromStdString(texts.x));
  panel->DimY->setText(QString::fromStdString(texts.y));
}

void TFormImport::UpdateDimensionsOf(ProfilePanel* panel) {
  const MachineSettings& s = context_.settings;
  DimensionChange change =
      UpdateDimensions(*panel->profile, panel->number, decimals_, s.MaxX, s.MaxY, s.Alertes);
  ShowDimensions(panel, change.texts);
  AfterRescale(panel, change);
}

void TFormImport::AfterRescale(ProfilePanel* panel, const DimensionChange& change) {
  if (change.rescaled) {
    UpdateSizeFactors();
    panel->Reload();
    PushHistory(change.label);
    UpdateProjectState();
    const bool leadIn = HasLeadIn(panel->profile->adjusted).has_value();
    const bool xChanged = change.label.find("Cote X") != std::string::npos;
    panel->RealSizeX->setEnabled(leadIn && xChanged);
    panel->RealSizeY->setEnabled(leadIn && !xChanged);
    for (ProfilePanel* p : {Profil1, Profil2}) {
      p->Zoom->setValue(10);
      p->Preview->Centre();
    }
  }
  if (change.clamped) context_.messages->Show(MessageKind::Information, kCapacityMessage);
}

void TFormImport::DimensionExit(ProfilePanel* panel, Axis axis) {
  Profile& p = *panel->profile;
  if (!p.Present()) return;
  QLineEdit* edit = axis == Axis::X ? panel->DimX : panel->DimY;
  const MachineSettings& s = context_.settings;
  const double previous = previousDimension_[panel->number - 1][AxisIndex(axis)];
  DimensionChange change = EditDimension(p, panel->number, axis, edit->text().toStdString(),
                                         previous, decimals_, s.MaxX, s.MaxY, s.Alertes);
  ShowDimensions(panel, change.texts);
  AfterRescale(panel, change);
  const auto now = ParseReal(edit->text().toStdString());
  if (now && *now > 0) previousDimension_[panel->number - 1][AxisIndex(axis)] = *now;
}

void TFormImport::RealSizeClick(ProfilePanel* panel, Axis axis) {
  Profile& p = *panel->profile;
  const auto [w, h] = ProfileExtent(p.adjusted, false);
  const QLineEdit* edit = axis == Axis::X ? panel->DimX : panel->DimY;
  const double inner = axis == Axis::X ? w : h;
  const auto wanted = ParseReal(edit->text().toStdString());
  if (!wanted || inner <= 0) return;
  RescaleRows(p.raw, *wanted / inner, axis, p.proportions, {});
  RefreshProfile(panel);
  PushHistory("P" + std::to_string(panel->number) + " - Cote " + (axis == Axis::X ? "X" : "Y") +
              " ajustée");
  const auto [fullW, fullH] = ProfileExtent(p.adjusted, true);
  ShowDimensions(panel, {FormatFixed(fullW, decimals_), FormatFixed(fullH, decimals_)});
  p.DimX = fullW;
  p.DimY = fullH;
  (axis == Axis::X ? panel->RealSizeX : panel->RealSizeY)->setEnabled(false);
  UpdateProjectState();
}

void TFormImport::DecimalsClick(int decimals) {
  if (decimals == decimals_) return;
  decimals_ = decimals;
  // The pressed button is the setting: quitting saves it.
  context_.settings.Decimales = std::to_string(decimals);
  ShowDecimals();
  for (ProfilePanel* panel : {Profil1, Profil2}) {
    // A profile behind the other one's edit mode waits until it ends.
    if (!panel->profile->Present() || (editModeState_ && editModeState_ != panel->number)) continue;
    RefreshProfile(panel);
    UpdateDimensionsOf(panel);
  }
  UpdateProjectState();
  if (Profile1.Present() || Profile2.Present()) {
    Profile1.modified = Profile2.modified = true;
    SetCommandEnabled(Enregistrer, true);
  }
}

void TFormImport::CopieClick(ProfilePanel* destination) {
  ProfilePanel* source = Other(destination);
  if (!source->profile->Present()) return;
  CopyProfile(*source->profile, *destination->profile, decimals_);
  destination->SetTitle(source->profile->fileName);
  destination->Proportions->setChecked(source->profile->proportions);
  UpdateSizeFactors();
  destination->Reload();
  PushHistory("P" + std::to_string(destination->number) + " - Copier profil");
  UpdateProjectState();
  EnableProfileEdits(destination, true);
  destination->DimX->setText(source->DimX->text());
  destination->DimY->setText(source->DimY->text());
  destination->RealSizeX->setEnabled(false);
  destination->RealSizeY->setEnabled(false);
  source->Copie->setEnabled(true);
  for (ProfilePanel* p : {Profil1, Profil2}) p->Zoom->setValue(10), p->Preview->Centre();
}

void TFormImport::UpdateProjectState() {
  const ProjectState state = ComputeProjectState(Profile1, Profile2);
  SetCommandEnabled(Fermer, state.Fermer);
  // An applied projection is saved only after it is undone.
  SetCommandEnabled(Enregistrer, state.Enregistrer && !projectionDone_);
  SetCommandEnabled(Calculer, state.Calculer && calcul_);
  SetCommandEnabled(FormatCUT1, state.Exporter);
  for (ProfilePanel* panel : {Profil1, Profil2}) {
    for (QAction* a : {panel->ExporterDXF, panel->ExporterDAT, panel->ExporterCSV,
                       panel->ExporterBMP, panel->ExporterBMPDouble}) {
      a->setEnabled(panel->profile->Present());
    }
  }
  SetCommandEnabled(
      Projection,
      ComputeProjectionCommands(Profile1, Profile2, false, projectionDone_).Projection &&
          projection_);
  const bool alignable =
      ComputeProjectionCommands(Profile1, Profile2, editModeState_ != 0, projectionDone_)
          .Alignement;
  SetCommandEnabled(Alignement, alignable && aligne_);
  SetCommandEnabled(Synchroniser, Profile1.Present() && Profile2.Present() && !projectionDone_ &&
                                      editModeState_ == 0);
  const std::pair<ProfilePanel*, std::pair<std::string, Rgb>> etats[] = {
      {Profil1, {state.Etat1, state.Etat1Colour}}, {Profil2, {state.Etat2, state.Etat2Colour}}};
  for (const auto& [panel, etat] : etats) {
    panel->Etat->setText(QString::fromStdString(etat.first));
    SetLabelColours(panel->Etat, etat.second);
  }
  Profil1->NbPoints->setText(QString::fromStdString(state.NbPoints1));
  Profil2->NbPoints->setText(QString::fromStdString(state.NbPoints2));
  SetLabelColours(Profil1->NbPoints, state.NbPointsColour);
  SetLabelColours(Profil2->NbPoints, state.NbPointsColour);
  Profil1->Copie->setEnabled(Profile2.Present());
  Profil2->Copie->setEnabled(Profile1.Present());
  UpdateOperationCommands(Profil1);
  UpdateOperationCommands(Profil2);
}

void TFormImport::PushHistory(const std::string& label) {
  history_.Push(label, Profile1, Profile2);
  leadInMarks_[history_.Counter()] = {Profile1.leadIn, Profile2.leadIn};
  const ModifiedByLabel flags = FlagsForLabel(label);
  Profile1.modified |= flags.profile1;
  Profile2.modified |= flags.profile2;
  if (Profile1.modified || Profile2.modified) SetCommandEnabled(Enregistrer, true);
  RebuildHistoryMenu();
}

void TFormImport::RebuildHistoryMenu() {
  Historique1->clear();
  for (const std::string& caption : history_.Captions()) {
    Historique1->addAction(QString::fromStdString(caption))->setEnabled(false);
  }
  Historique1->setEnabled(history_.Counter() > 0);
  for (ProfilePanel* panel : {Profil1, Profil2}) panel->Annuler->setEnabled(history_.CanUndo());
}

void TFormImport::UndoClick() {
  std::optional<UndoResult> result = history_.Undo();
  if (!result) return;
  if (result->snapshot) {
    const HistorySnapshot& s = *result->snapshot;
    const std::pair<ProfilePanel*, std::pair<const PointRows*, int>> restored[] = {
        {Profil1, {&s.rows1, s.currentRow1}}, {Profil2, {&s.rows2, s.currentRow2}}};
    for (const auto& [panel, rows] : restored) {
      Profile& p = *panel->profile;
      p.raw = *rows.first;
      p.currentRow = rows.second;
      // The snapshot files hold the rows only: the lead-in marks are kept here.
      const auto marks = leadInMarks_.find(history_.Counter());
      p.leadIn = marks != leadInMarks_.end() &&
                 (panel == Profil1 ? marks->second.first : marks->second.second);
      if (RowCount(p.raw) <= 2) {
        p.raw.clear();
        p.adjusted.clear();
        p.LockedRows.clear();
        p.clipboard = {};
        EnableProfileEdits(panel, false);
        panel->DimX->clear();
        panel->DimY->clear();
        panel->Reload();
      }
    }
  }
  if (result->undidProjection) {
    projectionDone_ = false;
    context_.projection.projectionDone = 0;
  }
  if (result->onlyBaseLeft) {
    Profile1.modified = Profile2.modified = false;
  }
  for (ProfilePanel* panel : {Profil1, Profil2}) {
    if (!panel->profile->Present() || (editModeState_ && editModeState_ != panel->number)) continue;
    RefreshProfile(panel);
    EnableProfileEdits(panel, true);
    UpdateDimensionsOf(panel);
  }
  UpdateSizeFactors();
  UpdateProjectState();
  RebuildHistoryMenu();
}

bool TFormImport::ConfirmAbandon(bool askAnyway) {
  const bool modified = Profile1.modified || Profile2.modified || askAnyway;
  if (!modified || !context_.settings.ConfirmeAbandon) return true;
  return context_.messages->Show(MessageKind::Confirmation,
                                 "Abandonner les modifications en cours ?",
                                 MessageButtons::YesNoDefaultNo) == MessageAnswer::Yes;
}

void TFormImport::FermerClick() {
  if (!ConfirmAbandon()) return;
  history_.Clear();
  RebuildHistoryMenu();
  ResetProjectWindow();
}

}  // namespace orvane::ui
