// The project window's cut commands: projection and cut generation.
#include <QLineEdit>
#include <QPushButton>

#include "core/common/text_number.h"
#include "ui/cut/fiche_calcul.h"
#include "ui/cut/fiche_projection.h"
#include "ui/machine/fiche_manettes.h"
#include "ui/machine/fiche_positionnement.h"
#include "ui/project/fiche_import.h"
#include "ui/project/profile_panel.h"

namespace orvane::ui {

void TFormImport::DimensionFields(double (&dimensions)[4]) const {
  const QLineEdit* edits[4] = {Profil1->DimX, Profil1->DimY, Profil2->DimX, Profil2->DimY};
  for (int k = 0; k < 4; ++k) dimensions[k] = CellNumber(edits[k]->text().toStdString());
}

void TFormImport::CalculerClick() {
  if (!calcul_ || !Calculer->isEnabled()) return;
  const bool differ = ProfilesDiffer(Profile1.adjusted, Profile2.adjusted);
  if (differ && Projection->isEnabled() &&
      context_.messages->Show(
          MessageKind::Confirmation,
          "Les profils sont asymétriques.\n\nForcer le calcul sans projections ?",
          MessageButtons::YesNo) != MessageAnswer::Yes) {
    return;
  }
  double dimensions[4];
  DimensionFields(dimensions);
  // Without an applied projection the cut's sizes are the profiles' own.
  if (!(differ && projectionDone_)) {
    ProjectionState& state = context_.projection;
    state.realX1 = state.projectedX1 = dimensions[0];
    state.realY1 = state.projectedY1 = dimensions[1];
    state.realX2 = state.projectedX2 = dimensions[2];
    state.realY2 = state.projectedY2 = dimensions[3];
    state.guideDistance = state.materialPosition = state.materialThickness = 0;
  }
  calcul_->Run(Profile1, Profile2, decimals_, dimensions);
}

void TFormImport::DecouperClick() {
  if (!position_ || !Decouper->isEnabled()) return;
  hide();
  position_->Run();
  // A termination signal closed the program during a run.
  if (context_.closingOnSignal) return;
  returningFromCut_ = true;
  show();
  returningFromCut_ = false;
}

void TFormImport::ManettesClick() {
  if (!manettes_ || !Manettes->isEnabled()) return;
  manettes_->Run(this);
}

void TFormImport::ProjectionClick() {
  if (!projection_ || !Projection->isEnabled()) return;
  if (Enregistrer->isEnabled() &&
      context_.messages->Show(MessageKind::Confirmation, "Désirez-vous enregistrer le projet ?",
                              MessageButtons::YesNo) == MessageAnswer::Yes) {
    EnregistrerClick();
  }
  double dimensions[4];
  DimensionFields(dimensions);
  if (!projection_->Run(Profile1.raw, Profile2.raw, dimensions)) return;

  const ProjectionResult& r = projection_->Result();
  const double projected[4] = {r.projectedX1, r.projectedY1, r.projectedX2, r.projectedY2};
  Profile1.raw = r.projected1;
  Profile2.raw = r.projected2;
  for (ProfilePanel* panel : {Profil1, Profil2}) RefreshProfile(panel);
  for (ProfilePanel* panel : {Profil1, Profil2}) {
    const int k = panel == Profil1 ? 0 : 2;
    ShowDimensions(
        panel, {FormatFixed(projected[k], decimals_), FormatFixed(projected[k + 1], decimals_)});
    panel->profile->DimX = projected[k];
    panel->profile->DimY = projected[k + 1];
  }
  projectionDone_ = true;
  context_.projection.projectionDone = 1;
  PushHistory("Calcul projections");
  UpdateProjectState();
}

}  // namespace orvane::ui
