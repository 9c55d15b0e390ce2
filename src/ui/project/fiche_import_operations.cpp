// The project window's profile operations: popup menu, buttons, keys.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>

#include "core/common/text_number.h"
#include "core/project/exports.h"
#include "core/project/operations.h"
#include "ui/project/fiche_edit_point.h"
#include "ui/project/fiche_import.h"
#include "ui/project/fiche_saisie.h"
#include "ui/project/preview_widget.h"
#include "ui/project/profile_panel.h"

namespace orvane::ui {
namespace {

std::string Prefix(const ProfilePanel* panel) {
  return "P" + std::to_string(panel->number) + " - ";
}

double IncrementOf(const MachineSettings& s) {
  return s.Increment == "1" ? 0.1 : s.Increment == "3" ? 10.0 : 1.0;
}

}  // namespace

void TFormImport::WireOperations(ProfilePanel* panel) {
  const QList<QAction*> actions = {
      panel->Permuter,      panel->CopierP,     panel->CollerP,       panel->CollerX,
      panel->CollerY,       panel->Editer,      panel->Inserer,       panel->Supprimer,
      panel->Rotation,      panel->FermerForme, panel->Definir,       panel->Inverser,
      panel->TraitCoupe,    panel->DelDoublons, panel->Confondre,     panel->Simplifier,
      panel->Diviser,       panel->Figer,       panel->Liberer,       panel->LibererTout,
      panel->InverseSelect, panel->Deplacer,    panel->InverserPlage, panel->AppliquerCoef,
      panel->Proprietes};
  for (QAction* action : actions) {
    connect(action, &QAction::triggered, this,
            [this, panel, action] { OperationClick(panel, action); });
  }
  connect(panel->Popup, &QMenu::aboutToShow, this,
          [this, panel] { UpdateOperationCommands(panel); });
  connect(panel->RotationHoraire, &QPushButton::clicked, this,
          [this, panel] { QuarterTurnClick(panel); });
  connect(panel->MiroirH, &QPushButton::clicked, this, [this, panel] { MirrorClick(panel, true); });
  connect(panel->MiroirV, &QPushButton::clicked, this,
          [this, panel] { MirrorClick(panel, false); });
  connect(panel->EditMode, &QPushButton::clicked, this, [this, panel] { EditModeClick(panel); });
}

void TFormImport::UpdateOperationCommands(ProfilePanel* panel) {
  const Profile& p = *panel->profile;
  const bool present = p.Present();
  const bool clipboard = !p.clipboard.x.empty() && !p.clipboard.y.empty();
  const bool locked = !p.LockedRows.empty();
  const bool leadIn = ProfileHasLeadIn(p);
  std::string kerfLabel = Prefix(panel) + "Trait de coupe";
  bool kerfDone = false;
  for (const std::string& caption : history_.Captions()) kerfDone |= caption.starts_with(kerfLabel);
  const std::pair<QAction*, bool> rules[] = {
      // The other profile waits behind edit mode.
      {panel->Permuter, Profile1.Present() && Profile2.Present() && editModeState_ == 0},
      {panel->CopierP, present},
      {panel->CollerP, present && clipboard},
      {panel->CollerX, present && clipboard},
      {panel->CollerY, present && clipboard},
      {panel->Editer, present},
      {panel->Inserer, present},
      {panel->Supprimer, present},
      {panel->Rotation, present},
      {panel->FermerForme, present && !IsClosed(p.raw)},
      {panel->Definir, present && p.currentRow != 1},
      {panel->Inverser, present},
      {panel->TraitCoupe, present && !leadIn && !kerfDone},
      {panel->DelDoublons, present},
      {panel->Confondre, present},
      {panel->Simplifier, present},
      {panel->Diviser, present && !leadIn},
      {panel->Figer, present},
      {panel->Liberer, present && locked},
      {panel->LibererTout, present && locked},
      {panel->InverseSelect, present && locked},
      {panel->Deplacer, present && locked},
      {panel->InverserPlage, present && p.selectionBottom - p.selectionTop >= 2},
      {panel->AppliquerCoef, present},
      {panel->Proprietes, present}};
  for (auto [action, enabled] : rules) action->setEnabled(enabled);
  panel->Annuler->setEnabled(history_.CanUndo());
  for (QPushButton* b : {panel->RotationHoraire, panel->MiroirH, panel->MiroirV})
    b->setEnabled(present);
  UpdateLeadInCommands(panel);
}

void TFormImport::AfterOperation(ProfilePanel* panel, const std::string& label) {
  RefreshProfile(panel);
  if (!label.empty()) PushHistory(label);
  UpdateProjectState();
  UpdateDimensionsOf(panel);
  panel->SelectRow(panel->profile->currentRow);
  UpdateOperationCommands(panel);
}

std::optional<std::pair<double, double>> TFormImport::AskNumbers(ProfilePanel* panel, int mode,
                                                                 bool* checked) {
  if (!saisie_) return std::nullopt;
  saisie_->warn = [this](const std::string& text) {
    context_.messages->Show(MessageKind::Warning, text);
  };
  if (!saisie_->Run(mode + panel->number - 1)) return std::nullopt;
  if (checked) *checked = saisie_->Checked();
  return std::pair{saisie_->Value1(), saisie_->Value2()};
}

void TFormImport::OperationClick(ProfilePanel* panel, QAction* action) {
  Profile& p = *panel->profile;
  if (!action->isEnabled() || (!p.Present() && action != panel->Permuter)) return;
  PointRows& rows = p.raw;
  const std::string prefix = Prefix(panel);
  const int current = p.currentRow;
  if (action == panel->Permuter) {
    ExchangeProfiles(Profile1, Profile2);
    const QString x1 = Profil1->DimX->text(), y1 = Profil1->DimY->text();
    for (ProfilePanel* each : {Profil1, Profil2}) RefreshProfile(each);
    Profil1->DimX->setText(Profil2->DimX->text());
    Profil1->DimY->setText(Profil2->DimY->text());
    Profil2->DimX->setText(x1);
    Profil2->DimY->setText(y1);
    Profile1.modified = Profile2.modified = true;
    UpdateProjectState();
  } else if (action == panel->CopierP) {
    p.clipboard = rows[current - 1];
    UpdateOperationCommands(panel);
  } else if (action == panel->CollerP || action == panel->CollerX || action == panel->CollerY) {
    if (action != panel->CollerY) rows[current - 1].x = p.clipboard.x;
    if (action != panel->CollerX) rows[current - 1].y = p.clipboard.y;
    AfterOperation(panel, prefix + (action == panel->CollerP   ? "Coller point"
                                    : action == panel->CollerX ? "Coller X"
                                                               : "Coller Y"));
  } else if (action == panel->Editer) {
    if (!editPoint_ || !editPoint_->Run(rows[current - 1].x, rows[current - 1].y)) return;
    const PointText edited{FormatFixed(CellNumber(editPoint_->NewX()), 6),
                           FormatFixed(CellNumber(editPoint_->NewY()), 6)};
    if (edited == rows[current - 1]) return;
    rows[current - 1] = edited;
    AfterOperation(panel, prefix + "Editer point");
  } else if (action == panel->Inserer) {
    InsertPoint(rows, current, &p.LockedRows);
    AfterOperation(panel, prefix + "Insérer point");
  } else if (action == panel->Supprimer) {
    const PointText first = rows.front(), last = rows.back();
    const Deleted deleted = DeleteRows(rows, p.LockedRows, p.selectionTop, p.selectionBottom);
    if (deleted == Deleted::Nothing) return;
    // A lead-in point deleted takes the lead-in with it.
    if (!(rows.front() == first) || !(rows.back() == last)) p.leadIn = false;
    p.currentRow = std::min(p.selectionTop, static_cast<int>(rows.size()));
    AfterOperation(
        panel, prefix + (deleted == Deleted::Locked ? "Supprimer sélection" : "Supprimer point"));
  } else if (action == panel->Rotation) {
    auto values = AskNumbers(panel, 11, nullptr);
    if (!values) return;
    Rotate(rows, values->first);
    AfterOperation(panel, prefix + "Rotation " + FormatFixed(values->first, 0) + "°");
  } else if (action == panel->FermerForme) {
    CloseOutline(rows);
    p.leadIn = false;  // the lead-out point is no longer the last
    AfterOperation(panel, prefix + "Fermer tracé");
  } else if (action == panel->Definir) {
    if (!SetStartPoint(rows, current)) return;
    p.leadIn = false;
    p.currentRow = 1;
    AfterOperation(panel, prefix + "Définir départ");
  } else if (action == panel->Inverser) {
    ReverseDirection(rows);
    p.currentRow = 1;
    AfterOperation(panel, prefix + "Inverser sens découpe");
  } else if (action == panel->TraitCoupe) {
    if (CountConsecutiveDuplicates(p.adjusted) > 0) {
      context_.messages->Show(MessageKind::Error, "Supprimez d'abord les doublons !");
      return;
    }
    bool inward = false;
    auto values = AskNumbers(panel, 9, &inward);
    if (!values) return;
    KerfResult kerf = OffsetKerf(rows, p.adjusted, values->first, inward);
    if (!kerf.rows) {
      context_.messages->Show(MessageKind::Error, kerf.message);
      return;
    }
    rows = std::move(*kerf.rows);
    AfterOperation(panel, prefix + "Trait de coupe");
  } else if (action == panel->DelDoublons) {
    RemoveConsecutiveDuplicates(rows);
    AfterOperation(panel, prefix + "Supprimer doublons");
  } else if (action == panel->Confondre) {
    bool reverse = false;
    auto values = AskNumbers(panel, 3, &reverse);
    if (!values) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // Let the window breathe on very long outlines.
    MergeClosePoints(rows, values->first, values->second, reverse, [](size_t, size_t) {
      QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    QApplication::restoreOverrideCursor();
    AfterOperation(panel, prefix + "Confondre");
  } else if (action == panel->Simplifier) {
    if (!Simplify(rows)) return;  // nothing to drop: the outline is as it was
    AfterOperation(panel, prefix + "Simplifier dessin");
  } else if (action == panel->Diviser) {
    auto values = AskNumbers(panel, 7, nullptr);
    if (!values) return;
    if (!DivideSegments(rows, values->first, values->second)) {
      context_.messages->Show(MessageKind::Warning,
                              "Division refusée : le tracé dépasserait " +
                                  std::to_string(kMostDrawingPoints) +
                                  " points.\nChoisissez une distance plus grande ou moins de "
                                  "passes.");
      return;
    }
    AfterOperation(panel, prefix + "Diviser segments");
  } else if (action == panel->Figer) {
    LockRows(p.LockedRows, p.selectionTop, p.selectionBottom);
    panel->Reload();
    UpdateOperationCommands(panel);
  } else if (action == panel->Liberer || action == panel->LibererTout ||
             action == panel->InverseSelect) {
    if (action == panel->Liberer) ReleaseRows(p.LockedRows, p.selectionTop, p.selectionBottom);
    if (action == panel->LibererTout) p.LockedRows.clear();
    if (action == panel->InverseSelect) InvertLocks(p.LockedRows, RowCount(rows));
    panel->Reload();
    UpdateOperationCommands(panel);
  } else if (action == panel->Deplacer) {
    auto values = AskNumbers(panel, 5, nullptr);
    if (!values) return;
    MoveRows(rows, p.LockedRows, values->first, values->second);
    AfterOperation(panel, prefix + "Déplacement");
  } else if (action == panel->InverserPlage) {
    ReverseRange(rows, p.selectionTop, p.selectionBottom);
    AfterOperation(panel, prefix + "Inverser sens plage");
  } else if (action == panel->AppliquerCoef) {
    auto values = AskNumbers(panel, 1, nullptr);
    if (!values || !ScaleByCoefficient(rows, values->first, p.LockedRows)) return;
    AfterOperation(panel, prefix + "Coefficient x " + FormatFixed(std::fabs(values->first), 1));
    for (ProfilePanel* each : {Profil1, Profil2}) {
      each->Zoom->setValue(10);
      each->Preview->Centre();
    }
  } else if (action == panel->Proprietes) {
    if (proprietes_) proprietes_->Run(panel->number, p);
  }
}

void TFormImport::QuarterTurnClick(ProfilePanel* panel) {
  if (!panel->profile->Present()) return;
  QuarterTurnClockwise(panel->profile->raw);
  AfterOperation(panel, Prefix(panel) + "Rotation");
}

void TFormImport::MirrorClick(ProfilePanel* panel, bool horizontal) {
  if (!panel->profile->Present()) return;
  if (horizontal) {
    MirrorHorizontal(panel->profile->raw);
  } else {
    MirrorVertical(panel->profile->raw);
  }
  AfterOperation(panel, Prefix(panel) + (horizontal ? "Miroir horizontal" : "Miroir vertical"));
}

bool TFormImport::KeyboardMove(ProfilePanel* panel, QKeyEvent* key) {
  if (!(key->modifiers() & Qt::ControlModifier)) return false;
  const double step = IncrementOf(context_.settings);
  double dx = 0, dy = 0;
  switch (key->key()) {
    case Qt::Key_Left:
      dx = -step;
      break;
    case Qt::Key_Right:
      dx = step;
      break;
    case Qt::Key_Up:
      dy = step;
      break;
    case Qt::Key_Down:
      dy = -step;
      break;
    default:
      return false;
  }
  Profile& p = *panel->profile;
  if (!p.Present()) return true;
  std::vector<int> targets = p.LockedRows;
  if (targets.empty()) {
    for (int r = p.selectionTop; r <= p.selectionBottom; ++r) targets.push_back(r);
  }
  const int top = p.selectionTop, bottom = p.selectionBottom, current = p.currentRow;
  MoveRows(p.raw, targets, dx, dy);
  AfterOperation(panel, ShiftLabel(panel->number, dx, dy, step));
  panel->SelectRange(top, bottom, current);
  return true;
}

namespace {

bool IsEnabled(const QObject* command) {
  if (auto* action = qobject_cast<const QAction*>(command)) return action->isEnabled();
  return static_cast<const QWidget*>(command)->isEnabled();
}

void Enable(QObject* command, bool enabled) {
  if (auto* action = qobject_cast<QAction*>(command)) {
    action->setEnabled(enabled);
  } else {
    static_cast<QWidget*>(command)->setEnabled(enabled);
  }
}

}  // namespace

void TFormImport::SetCommandEnabled(QObject* command, bool enabled) {
  for (auto& [remembered, state] : editModeRemembered_) {
    if (remembered == command) {
      state = enabled;
      return;
    }
  }
  Enable(command, enabled);
}

void TFormImport::EditModeClick(ProfilePanel* panel) {
  ProfilePanel* other = Other(panel);
  if (editModeState_ == 0) {
    // The profile takes the working area; everything else waits, its state
    // remembered. Commands that replace both profiles wait too.
    editModeRemembered_.clear();
    for (QObject* command :
         std::initializer_list<QObject*>{other, Charger, Enregistrer, Fermer, Calculer, Projection,
                                         Alignement, Decouper, Manettes, FormatCut2, FormatCUT1}) {
      editModeRemembered_.push_back({command, IsEnabled(command)});
      Enable(command, false);
    }
    other->hide();
    editModeState_ = panel->number;
    panel->EditMode->setToolTip(QStringLiteral("Mode normal"));
    panel->EditMode->setText(QStringLiteral("Mode normal"));
  } else if (editModeState_ == panel->number) {
    for (auto [command, enabled] : editModeRemembered_) Enable(command, enabled);
    editModeRemembered_.clear();
    other->show();
    editModeState_ = 0;
    if (other->profile->Present()) RefreshProfile(other);
    panel->EditMode->setToolTip(QStringLiteral("Mode édition"));
    panel->EditMode->setText(QStringLiteral("Mode édition"));
    UpdateProjectState();
    Profil1->Preview->update();
    Profil2->Preview->update();
  }
  ShowActiveProfile();
}

}  // namespace orvane::ui
