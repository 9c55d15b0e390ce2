// The project window's "Synchroniser les points".
#include <QPushButton>

#include "core/project/match_points.h"
#include "ui/project/fiche_import.h"
#include "ui/project/profile_panel.h"

namespace orvane::ui {

void TFormImport::SynchroniserClick() {
  if (!Synchroniser->isEnabled() || !Profile1.Present() || !Profile2.Present()) return;
  MatchedProfiles matched =
      MatchPoints(Profile1.raw, Profile1.leadIn, Profile2.raw, Profile2.leadIn);
  if (!matched.message.empty()) {
    context_.messages->Show(MessageKind::Error, matched.message);
    return;
  }
  Profile1.raw = std::move(matched.first);
  Profile2.raw = std::move(matched.second);
  for (ProfilePanel* panel : {Profil1, Profil2}) {
    // The rows are renumbered: locks and the current row would point elsewhere.
    panel->profile->LockedRows.clear();
    panel->profile->currentRow = 1;
    RefreshProfile(panel);
  }
  PushHistory("P1/P2 - Synchroniser les points");
  UpdateProjectState();
  for (ProfilePanel* panel : {Profil1, Profil2}) {
    UpdateDimensionsOf(panel);
    panel->SelectRow(1);
    UpdateOperationCommands(panel);
  }
}

}  // namespace orvane::ui
