// orvane-cli run on a GRBL-class controller, and orvane-cli grbl info: the
// program streamed with character counting, progress and the feed override
// on the terminal, the stop question, and the spindle output off on every
// end but the program's own.
#include <unistd.h>

#include <fstream>
#include <iostream>
#include <optional>

#include "cli/cli_options.h"
#include "cli/cli_run.h"
#include "core/app/machine_settings.h"
#include "core/common/regular_file.h"
#include "core/cut/gcode_dialect.h"
#include "core/machine/axis_positions.h"
#include "core/machine/cut_opening.h"
#include "core/machine/grbl_link.h"
#include "host/host_centronic.h"
#include "host/settings_file_store.h"
#include "host/termios_serial_port.h"

namespace orvane::cli {
namespace {

// The controller's port: the settings' device and rate unless told.
bool OpenPort(TermiosSerialPort& serial, const MachineSettings& settings, const std::string& device,
              const std::string& baud) {
  int rate = kGrblDefaultBaudRate;
  if (const auto told = ParseGrblBaudRate(baud)) {
    rate = *told;
  } else {
    FileSettingsStore store(SettingsFilePath());
    const GrblBaudRead read = ReadGrblBaudRate(store);
    if (!read.problems.empty()) {
      std::cerr << "orvane-cli : réglage illisible, valeur d'usine reprise :\n" << read.problems;
    }
    rate = read.baud;
  }
  serial.SetParams(GrblSerialParams(settings, rate, device));
  serial.Open();
  if (!serial.IsOpen()) {
    std::cerr << "orvane-cli : impossible d'ouvrir le port série " << serial.Params().port << " : "
              << serial.OpenError() << "\n";
    return false;
  }
  return true;
}

class GrblTerminal : public GrblRunObserver {
 public:
  GrblTerminal(TerminalKeys& keys, int preheat) : keys_(keys), preheat_(preheat) {
    bar_ = isatty(STDOUT_FILENO);
  }
  bool PollStop() override {
    keys_.Poll(0);
    return TerminationRequested() || keys_.IsKeyDown(Key::Space);
  }
  GrblTrim PollTrim() override {
    if (keys_.IsKeyDown(Key::Right)) return GrblTrim::Faster;
    if (keys_.IsKeyDown(Key::Left)) return GrblTrim::Slower;
    if (keys_.IsKeyDown(Key::Up) || keys_.IsKeyDown(Key::Down)) return GrblTrim::Reset;
    return GrblTrim::None;
  }
  void PreheatShown(bool shown) override {
    if (!shown || announced_) return;
    announced_ = true;
    std::cout << (bar_ ? "\n" : "") << "Préchauffage : patientez " << preheat_
              << " secondes (espace : arrêt)\n"
              << std::flush;
  }
  void LinesDone(size_t done, size_t total) override {
    if (!bar_) return;
    constexpr size_t kWidth = 30;
    const size_t filled = total ? done * kWidth / total : kWidth;
    std::cout << "\r[" << std::string(filled, '#') << std::string(kWidth - filled, ' ') << "] "
              << (total ? done * 100 / total : 100) << " %  " << done << "/" << total
              << " lignes  avance " << override_ << " %   " << std::flush;
  }
  void FeedOverride(int percent) override { override_ = percent; }
  bool AbandonAfterStop() override {
    keys_.ReleaseSpace();
    if (TerminationRequested()) return true;
    std::cout << (bar_ ? "\n" : "") << "Abandonner la découpe ? [o/n] " << std::flush;
    const bool yes = keys_.AskYes();
    std::cout << (yes ? "o" : "n") << "\n" << std::flush;
    announced_ = false;
    // A signal while the question waited is an answer too.
    return yes || TerminationRequested();
  }
  void Finish() {
    if (bar_) std::cout << "\n" << std::flush;
  }

 private:
  TerminalKeys& keys_;
  int preheat_;
  bool bar_ = false;
  bool announced_ = false;
  int override_ = 100;
};

}  // namespace

int RunOnGrbl(const RunOptions& options, const MachineSettings& settings, const OpenedCut& cut) {
  if (!cut.loaded) {
    std::cerr << "orvane-cli : "
              << (cut.message.empty() ? "En-tête de découpe introuvable : " + cut.base + ".ovi"
                                      : cut.message)
              << "\n";
    return 1;
  }
  const std::string programPath = options.program.empty() ? cut.base + ".nc" : options.program;
  auto lines = ReadProgramLines(programPath);
  if (lines) std::erase(*lines, std::string());  // blank lines are no G-code
  if (!lines) {
    std::cerr << "orvane-cli : Fichier de découpe manquant : " << programPath << "\n";
    return 1;
  }
  GrblCutRequest request;
  request.lines = *lines;
  // The letters the program was written with; the heating and its pre-heat
  // are the program's own, whatever the settings say.
  const ProgramTraits traits = ReadProgramTraits(request.lines);
  std::string axes = options.axes.empty() ? traits.axes : options.axes;
  if (axes.empty()) {
    FileSettingsStore store(SettingsFilePath());
    axes = ReadGcodeDialect(store).dialect.axes;
  }
  if (axes.size() != 4) axes = "XYZA";
  for (size_t k = 0; k < 4; ++k) request.letters[k] = axes[k];
  request.preheatSeconds = traits.preheatSeconds;
  request.resumeAllowed = settings.Reprise;

  TermiosSerialPort serial;
  if (!OpenPort(serial, settings, options.device, options.baud)) return 1;
  CatchTermination();
  MonotonicClock clock;
  AxisPositions positions;
  positions.MarkUnknown();
  GrblLink link{serial, clock, settings, positions};
  GrblRunOutcome outcome;
  {
    TerminalKeys keys;
    GrblTerminal terminal(keys, request.preheatSeconds);
    GrblOpening opening = OpenGrbl(serial, clock, &terminal);
    if (options.unlock && !opening.alarm.empty()) {
      std::cout << kGrblLinkName << " en alarme (" << opening.alarm << ") : déverrouillage ($X)\n";
      UnlockGrbl(serial, clock, &terminal, opening);
      if (opening.ok) std::cout << opening.message << "\n" << std::flush;
    }
    if (opening.ok) {
      std::cout << kGrblLinkName << " : " << serial.Params().port << " (" << opening.lines.front()
                << ", tampon " << opening.info.rxBuffer << " octets, axes " << opening.info.axes
                << ")\n"
                << "Découpe " << programPath << " : " << lines->size() << " lignes\n"
                << std::flush;
    }
    outcome = RunGrblCut(request, opening, link, terminal);
    terminal.Finish();
  }
  serial.Close();
  if (outcome.message.find("chauffe coupée") == std::string::npos) MarkNoHeatingOutput();
  if (TerminationRequested()) {
    if (!outcome.message.empty()) std::cout << outcome.message << "\n";
    PrintPositions(positions);
    DieOfTermination();
  }
  if (outcome.end == GrblRunEnd::Finished) {
    std::cout << "Découpe terminée normalement\n";
  } else if (outcome.end == GrblRunEnd::StoppedByUser) {
    std::cout << outcome.message << "\n";
  } else {
    std::cerr << "orvane-cli : " << outcome.message << "\n";
  }
  PrintPositions(positions);
  return outcome.end == GrblRunEnd::Finished ? 0 : 1;
}

int GrblCommand(const Args& args) {
  if (args.empty() || (args[0] != "info" && args[0] != "unlock")) {
    return UsageError("grbl attend la sous-commande info ou unlock");
  }
  const bool unlock = args[0] == "unlock";
  const auto parsed = ParseArgs(Args(args.begin() + 1, args.end()), {"--device", "--baud"}, {});
  if (!parsed) return UsageError();
  if (!parsed->positional.empty()) return UsageError("argument en trop : " + parsed->positional[0]);
  if (parsed->Has("--device") && parsed->Value("--device").empty()) {
    return UsageError("--device attend le chemin d'un périphérique");
  }
  const std::string baud = parsed->Has("--baud") ? parsed->Value("--baud") : "";
  if (parsed->Has("--baud") && !ParseGrblBaudRate(baud)) {
    return UsageError(GrblBaudRateRefusal(baud));
  }
  const MachineSettings settings = StoredSettings();
  TermiosSerialPort serial;
  if (!OpenPort(serial, settings, parsed->Has("--device") ? parsed->Value("--device") : "", baud)) {
    return 1;
  }
  MonotonicClock clock;
  GrblOpening opening = OpenGrbl(serial, clock, nullptr);
  if (unlock) UnlockGrbl(serial, clock, nullptr, opening);
  serial.Close();
  for (const std::string& line : opening.lines) std::cout << line << "\n";
  if (!opening.ok) {
    std::cerr << "orvane-cli : " << opening.message << "\n";
    return 1;
  }
  if (unlock) {
    if (opening.unlocked) {
      std::cout << opening.message << "\n";
      return 0;
    }
    // Not in alarm: fine only if the controller is idle, not in a door's
    // or a sleep's state that "$X" would not end either.
    const auto status = ParseGrblStatus(opening.lines.back());
    if (!status || status->state != "Idle") {
      std::cerr << "orvane-cli : Le contrôleur GRBL n'est pas au repos (état "
                << (status ? status->state : "inconnu") << ").\n";
      return 1;
    }
    std::cout << "Le contrôleur GRBL n'est pas en alarme : rien à déverrouiller.\n";
    return 0;
  }
  std::cout << "Tampon de réception : " << opening.info.rxBuffer << " octets"
            << (opening.info.rxReported ? "" : " (non indiqué : valeur par défaut)") << "\n"
            << "Axes : " << opening.info.axes << "\n";
  return 0;
}

}  // namespace orvane::cli
