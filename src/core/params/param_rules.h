#pragma once
// The rules of the parameters window's pages that need no window: what the
// global values apply, the bit-pair swap, the port address, the speeds of the
// machine page, each page's factory values and what a save refuses.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

struct MachineSettings;

enum class ParamPage { Moteurs, Machine, Ports, Systeme };

// The limits of the motors page's values.
inline constexpr int kMinSteps = 1, kMaxSteps = 800;
inline constexpr int kMinPeriod = 1, kMaxPeriod = 10000;

// "Appliquer" of "Valeurs globales": each value that lies within its limits
// is copied into the four axes; one outside them (or not a number) is not.
struct GlobalValues {
  std::optional<uint16_t> steps;
  std::optional<int32_t> period;
};
GlobalValues ParseGlobalValues(std::string_view steps, std::string_view period);

// The data-register bit pair of each axis, X1 Y1 X2 Y2 (0 = bits 0-1 ... 3 = bits 6-7).
using BitPairs = std::array<uint16_t, 4>;
BitPairs BitPairsOf(const MachineSettings& settings);
void SetBitPairs(MachineSettings& settings, const BitPairs& pairs);
// Gives `axis` the pair `pair`; an axis that held it takes `axis`'s previous
// pair, so no two axes ever share one.
void AssignBitPair(BitPairs& pairs, size_t axis, uint16_t pair);

// The base address as the page shows it: four hexadecimal digits ("0378").
std::string FormatPortAddress(uint16_t port);
// The address a save stores from the edit's text: the text read as
// hexadecimal, but only when its leading decimal digits form a number above
// 0 ("03BC" is taken, "ABCD" and "0000" keep `previous`), and only when the
// control register at address + 2 still exists.
uint16_t SavedPortAddress(std::string_view text, uint16_t previous);

// The machine page carries Vmax and Vmin as up-down positions, fractions of
// `Vcut`: Vmax = position x Vcut / 10 (10 to 200), Vmin = position x Vcut /
// 100 (10 to 100). Positions from speeds are rounded and kept in range, which
// keeps Vmin <= Vcut <= Vmax.
struct SpeedPositions {
  int vmax = 20;
  int vmin = 33;
};
SpeedPositions SpeedPositionsOf(double vmax, double vmin, double vcut);
double VmaxAt(int position, double vcut);
double VminAt(int position, double vcut);

// The duty-cycle labels: the mean of the four stored periods (integer
// division), the high and low times at `percent`.
struct DutyTimes {
  int32_t period = 0;
  double high = 0, low = 0;
};
DutyTimes DutyCycleTimes(const MachineSettings& settings, int percent);

// Leaving one of the two wire edits: 0 (or empty) gives the stored value back,
// and a distance between guides never exceeds the wire's useful length.
struct WireLengths {
  std::optional<int> fil, filMax;
};
// Returns the value the left edit shows; `leftFil` says which one was left.
int WireLengthOnLeave(bool leftFil, const WireLengths& shown, const MachineSettings& stored);

// "Par défaut" of a page: its factory values written into `settings` (the
// page's candidate, not the settings in memory). `applicationFolder` ends with
// "/"; `firstSerialPort` is the first port the serial selector lists.
void ApplyPageDefaults(ParamPage page, MachineSettings& settings,
                       const std::string& applicationFolder, const std::string& firstSerialPort);

// The values of `page` copied from `from` into `to`.
void CopyPageValues(ParamPage page, const MachineSettings& from, MachineSettings& to);

// Why `candidate` cannot be saved from `page`: a value of 0 that something
// divides by, or a rule spanning several values that it breaks. Empty when
// it can be saved.
std::vector<std::string> PageSaveProblems(ParamPage page, const MachineSettings& candidate);

}  // namespace orvane
