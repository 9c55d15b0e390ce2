#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

struct MachineSettings;

// The driver modes in entry order ("Mode des drivers", `MoteursMode`).
inline constexpr std::array<std::string_view, 7> kDriverModes = {
    "Plein pas", "1/2 pas", "1/4 pas", "1/8 pas", "1/16 pas", "1/32 pas", "1/64 pas"};
// Micro-steps per full step of an entry; an unknown entry counts as full steps.
int MicroSteppingFactor(int mode);

// The wizard's inputs as typed (an empty edit reads as 0).
struct FeedInputs {
  double motorSteps = 0;  // T, steps per revolution
  int mode = 0;           // entry of kDriverModes
  double travel = 0;      // D, mm per motor revolution
  double speed = 0;       // V, wanted cutting speed, mm/s
};

// Limits of what the motors page takes.
inline constexpr int kMaxStepsPerMm = 800;
inline constexpr int kMaxStepPeriod = 10000;

struct FeedResult {
  // The inputs as used: a T of 0 is 200, a D of 0 is 1, a V not above 0 or
  // above 20 is 1 (values the settings cannot hold count as those zeros).
  double motorSteps = 0, travel = 0, speed = 0;
  int mode = 0;
  double ratio = 0;       // R, steps per mm
  double resolution = 0;  // µm per step
  double maxSpeed = 0;    // A, the speed at a 25 µs step period, mm/s
  // The whole steps per mm the motors page would get, and the period that
  // gives V with exactly those steps, so what is shown is what is applied.
  int64_t steps = 0;
  int64_t period = 0;
  bool tooFast = false;  // V above A: no period can give it
  // Why the result cannot be applied, in the user's words; empty when it can.
  std::string refusal;
};

FeedResult RecalculateFeed(const FeedInputs& inputs);

// What the page's texts show.
struct FeedTexts {
  std::string motorSteps, travel, speed;    // the inputs written back
  std::string ratio, resolution, maxSpeed;  // "%.0f", "%.2f", "%.2f"
  std::string period;                       // empty when V is too fast
};
FeedTexts FormatFeed(const FeedResult& result);

// The wizard values the machine page stores with its own.
struct WizardValues {
  uint16_t MoteursType = 200, MoteursMode = 0, MoteursMeca = 100;
  double LastSpeedSearch = 1;
  double Vadm = 2;  // the shown "Vitesse maxi"
};
WizardValues WizardValuesOf(const FeedResult& result);
void StoreWizardValues(const WizardValues& values, MachineSettings& settings);

// What "Appliquer" hands to the motors page: the same steps and period for
// the four axes, and the wizard values to store. Nothing when the result does
// not fit the settings.
struct FeedApplication {
  uint16_t steps = 0;
  int32_t period = 0;
  WizardValues wizard;
};
std::optional<FeedApplication> ApplyFeedResult(const FeedResult& result);

// The mechanics between a motor and its axis.
enum class Mechanics {
  AxialDirect,     // "Axiale prise directe"
  AxialGeared,     // "Axiale démultipliée"
  AxialTwoStage,   // "Axiale démultipliée 2 étages"
  RadialDirect,    // "Radiale prise directe"
  RadialGeared,    // "Radiale démultipliée"
  RadialTwoStage,  // "Radiale démultipliée 2 étages"
};
inline constexpr std::array<std::string_view, 6> kMechanicsEntries = {
    "Axiale prise directe",  "Axiale démultipliée",  "Axiale démultipliée 2 étages",
    "Radiale prise directe", "Radiale démultipliée", "Radiale démultipliée 2 étages"};
bool IsRadial(Mechanics mechanics);
int GearStages(Mechanics mechanics);  // 0, 1 or 2

struct MechanicsInputs {
  double screwPitch = 0;        // mm, axial
  int pulleyTeeth = 0;          // radial
  double beltPitch = 0;         // mm, radial
  int pinion1 = 0, crown1 = 0;  // stage 1, teeth
  int pinion2 = 0, crown2 = 0;  // stage 2, teeth
};

struct TravelResult {
  bool applicable = false;
  double travel = 0;     // mm per motor revolution, unrounded
  double reduction = 0;  // motor revolutions per output revolution
  std::string refusal;   // why it cannot be applied
};
TravelResult ComputeTravelPerRevolution(Mechanics mechanics, const MechanicsInputs& inputs);

}  // namespace orvane
