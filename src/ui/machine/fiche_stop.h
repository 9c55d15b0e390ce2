#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <string>

#include "core/machine/cut_opening.h"
#include "ui/app/app_context.h"

namespace orvane::ui {

// What the execution window hands over when a run starts.
struct CutRunRequest {
  const OpenedCut* cut = nullptr;
  bool simulation = false;                   // "Simulation" (the board only)
  std::array<int32_t, 4> adjustedPeriods{};  // `AdjustedPeriods`, in the order X1, X2, Y1, Y2
  uint64_t durationSeconds = 0;              // `CutDurationSeconds`
};

enum class CutRunEnd {
  Completed,  // ran to its end: the end sound and message follow
  Stopped,    // a stop, an abandon, a termination signal: nothing follows
  Failed,     // a missing file, a port or a board that failed: `message` says why
};

struct CutRunOutcome {
  CutRunEnd end = CutRunEnd::Failed;
  std::string message;
};

// The progress window of a running cut ("Orvane - Découpe en cours..."). It
// runs the cut on the link of the settings in memory and is shown only while
// the run lasts; the heating is off whenever `RunCut` returns.
class TFormStop : public QWidget {
 public:
  explicit TFormStop(AppContext& context, QWidget* parent = nullptr);

  // The execution window's show: the live trim's range from the mean of the
  // configured periods, "0 µs".
  void PrepareTrim(double meanConfiguredPeriod);
  // Checks the needed file, sets the origin, pre-heats and runs; returns once
  // the run has ended and this window is closed.
  CutRunOutcome RunCut(const CutRunRequest& request);
  // Once the execution window shows again: the end sound and "Découpe
  // terminée normalement" (or "Simulation terminée normalement") after a
  // completed run, the outcome's message after a failed one, nothing after a stop.
  void AnnounceEnd(const CutRunOutcome& outcome, bool simulation);
};

}  // namespace orvane::ui
