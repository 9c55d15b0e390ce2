#include "core/params/feed_wizard.h"

#include <cmath>

#include "core/app/machine_settings.h"
#include "core/common/text_number.h"

namespace orvane {
namespace {

// The settings hold T as a 16-bit count and D in hundredths of a millimetre
// in 16 bits: values outside them could be shown but never stored.
constexpr double kMaxMotorSteps = 65535;
constexpr double kMaxTravelHundredths = 65535;
constexpr double kMaxWantedSpeed = 20;
// The shortest step period the program drives, µs.
constexpr double kFastestPeriod = 25;

bool TravelFits(double travel) {
  if (!std::isfinite(travel)) return false;
  const double hundredths = RoundHalfEven(travel * 100);
  return hundredths >= 1 && hundredths <= kMaxTravelHundredths;
}

}  // namespace

int MicroSteppingFactor(int mode) {
  if (mode < 0 || mode >= static_cast<int>(kDriverModes.size())) return 1;
  return 1 << mode;
}

FeedResult RecalculateFeed(const FeedInputs& inputs) {
  FeedResult r;
  r.mode =
      inputs.mode >= 0 && inputs.mode < static_cast<int>(kDriverModes.size()) ? inputs.mode : 0;
  const double t = std::isfinite(inputs.motorSteps) ? RoundHalfEven(inputs.motorSteps) : 0;
  r.motorSteps = t >= 1 && t <= kMaxMotorSteps ? t : 200;
  r.travel = TravelFits(inputs.travel) ? inputs.travel : 1;
  // The speed is only ever shown and kept to the hundredth: that is the one used.
  const double v = std::isfinite(inputs.speed) ? RoundHalfEven(inputs.speed * 100) / 100 : 0;
  r.speed = v > 0 && v <= kMaxWantedSpeed ? v : 1;

  r.ratio = r.motorSteps * MicroSteppingFactor(r.mode) / r.travel;
  r.resolution = 1000 / r.ratio;
  r.maxSpeed = 1e6 / r.ratio / kFastestPeriod;
  r.steps = static_cast<int64_t>(RoundHalfEven(r.ratio));
  const double perMm = r.steps >= 1 ? static_cast<double>(r.steps) : r.ratio;
  r.period = static_cast<int64_t>(RoundHalfEven(1e6 / perMm / r.speed));
  r.tooFast = r.speed > r.maxSpeed;

  if (r.tooFast) {
    r.refusal = "La vitesse recherchée dépasse la vitesse maxi (" + FormatFixed(r.maxSpeed, 2) +
                " mm/sec).";
  } else if (r.steps < 1 || r.steps > kMaxStepsPerMm) {
    r.refusal = "Le rapport de " + FormatFixed(r.ratio, 0) +
                " pas/mm sort des valeurs admises (de 1 à " + std::to_string(kMaxStepsPerMm) + ").";
  } else if (r.period < 1 || r.period > kMaxStepPeriod) {
    r.refusal = "La période de " + std::to_string(r.period) +
                " µs sort des valeurs admises (de 1 à " + std::to_string(kMaxStepPeriod) + ").";
  }
  return r;
}

FeedTexts FormatFeed(const FeedResult& result) {
  FeedTexts texts;
  texts.motorSteps = FormatFixed(result.motorSteps, 0);
  texts.travel = FormatFixed(result.travel, 2);
  texts.speed = FormatFixed(result.speed, 2);
  texts.ratio = FormatFixed(result.ratio, 0);
  texts.resolution = FormatFixed(result.resolution, 2);
  texts.maxSpeed = FormatFixed(result.maxSpeed, 2);
  if (!result.tooFast) texts.period = std::to_string(result.period);
  return texts;
}

WizardValues WizardValuesOf(const FeedResult& result) {
  WizardValues values;
  values.MoteursType = static_cast<uint16_t>(result.motorSteps);
  values.MoteursMode = static_cast<uint16_t>(result.mode);
  values.MoteursMeca = static_cast<uint16_t>(RoundHalfEven(result.travel * 100));
  values.LastSpeedSearch = result.speed;
  // Stored as shown; a speed too small to show stays positive, as the
  // setting must be.
  const double shown = RoundHalfEven(result.maxSpeed * 100) / 100;
  values.Vadm = shown > 0 ? shown : result.maxSpeed;
  return values;
}

void StoreWizardValues(const WizardValues& values, MachineSettings& settings) {
  settings.MoteursType = values.MoteursType;
  settings.MoteursMode = values.MoteursMode;
  settings.MoteursMeca = values.MoteursMeca;
  settings.LastSpeedSearch = values.LastSpeedSearch;
  settings.Vadm = values.Vadm;
}

std::optional<FeedApplication> ApplyFeedResult(const FeedResult& result) {
  if (!result.refusal.empty()) return std::nullopt;
  FeedApplication application;
  application.steps = static_cast<uint16_t>(result.steps);
  application.period = static_cast<int32_t>(result.period);
  application.wizard = WizardValuesOf(result);
  return application;
}

bool IsRadial(Mechanics mechanics) {
  return mechanics == Mechanics::RadialDirect || mechanics == Mechanics::RadialGeared ||
         mechanics == Mechanics::RadialTwoStage;
}

int GearStages(Mechanics mechanics) {
  switch (mechanics) {
    case Mechanics::AxialDirect:
    case Mechanics::RadialDirect:
      return 0;
    case Mechanics::AxialGeared:
    case Mechanics::RadialGeared:
      return 1;
    case Mechanics::AxialTwoStage:
    case Mechanics::RadialTwoStage:
      return 2;
  }
  return 0;
}

TravelResult ComputeTravelPerRevolution(Mechanics mechanics, const MechanicsInputs& in) {
  TravelResult r;
  const int stages = GearStages(mechanics);
  if ((stages >= 1 && (in.pinion1 <= 0 || in.crown1 <= 0)) ||
      (stages >= 2 && (in.pinion2 <= 0 || in.crown2 <= 0))) {
    r.refusal = "Chaque pignon et chaque couronne doit avoir au moins une dent.";
    return r;
  }
  double output = 0;  // mm per revolution of the screw or pulley
  if (IsRadial(mechanics)) {
    if (in.pulleyTeeth <= 0) {
      r.refusal = "La poulie d'entrainement doit avoir au moins une dent.";
      return r;
    }
    if (!(in.beltPitch > 0)) {
      r.refusal = "Le pas de la courroie doit être supérieur à 0.";
      return r;
    }
    output = in.pulleyTeeth * in.beltPitch;
  } else {
    if (!(in.screwPitch > 0)) {
      r.refusal = "Le pas de la vis doit être supérieur à 0.";
      return r;
    }
    output = in.screwPitch;
  }
  double k = 1;
  if (stages >= 1) k *= static_cast<double>(in.pinion1) / in.crown1;
  if (stages >= 2) k *= static_cast<double>(in.pinion2) / in.crown2;
  r.travel = k * output;
  r.reduction = 1 / k;
  if (!TravelFits(r.travel)) {
    r.refusal = "L'avancement doit être compris entre 0.01 et 655.35 mm/tr.";
    return r;
  }
  r.applicable = true;
  return r;
}

}  // namespace orvane
