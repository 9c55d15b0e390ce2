// orvane-cli jog and origin: manual control's moves from a script, with the
// window's checks and heat rules. The space bar stops; a termination signal
// (Ctrl-C) stops too, the heating off before the process dies.
#include <cmath>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>

#include "cli/cli_options.h"
#include "cli/cli_run.h"
#include "core/app/machine_settings.h"
#include "core/common/text_number.h"
#include "core/machine/axis_positions.h"
#include "core/machine/board_run.h"
#include "core/machine/heat_guard.h"
#include "core/machine/manual_move.h"
#include "core/machine/manual_run.h"
#include "core/machine/serial_step.h"
#include "core/machine/tick_output.h"
#include "host/heat_signals.h"
#include "host/host_centronic.h"
#include "host/realtime.h"
#include "host/termios_serial_port.h"

namespace orvane::cli {
namespace {

struct ManualOptions {
  std::string link, device, record;
  bool fast = false;
  std::optional<AxisSteps> from;
};

// "--from 1001,-333,7,0": the four positions in steps, X1 Y1 X2 Y2.
std::optional<AxisSteps> ParseSteps(const std::string& text) {
  AxisSteps steps{};
  std::istringstream in(text);
  std::string field;
  size_t k = 0;
  while (std::getline(in, field, ',')) {
    const auto value = ParseInteger(field);
    if (k >= kAxisCount || !value) return std::nullopt;
    steps[k++] = *value;
  }
  if (k != kAxisCount) return std::nullopt;
  return steps;
}

std::optional<ManualOptions> ParseManual(const ParsedArgs& parsed) {
  ManualOptions options;
  options.link = parsed.Value("--link");
  options.device = parsed.Value("--device");
  options.record = parsed.Value("--record");
  options.fast = parsed.Has("--fast");
  if (!parsed.positional.empty()) {
    UsageError("argument en trop : " + parsed.positional[0]);
    return std::nullopt;
  }
  if (parsed.Has("--link") && options.link != "parallel" && options.link != "serial" &&
      options.link != "board") {
    UsageError("--link attend parallel, serial ou board");
    return std::nullopt;
  }
  if (parsed.Has("--device") && options.device.empty()) {
    UsageError("--device attend le chemin d'un périphérique");
    return std::nullopt;
  }
  if (parsed.Has("--from")) {
    options.from = ParseSteps(parsed.Value("--from"));
    if (!options.from) {
      UsageError("--from attend quatre nombres de pas : X1,Y1,X2,Y2");
      return std::nullopt;
    }
  }
  return options;
}

// The pad button an axis name stands for: a positive distance goes right
// (X) and up (Y), a negative one left and down. "XY" moves both sides
// diagonally up-right, "X-Y" right and down.
std::optional<PadButton> ButtonFor(const std::string& axis, bool positive) {
  using B = PadButton;
  struct Name {
    const char* name;
    B positive, negative;
  };
  static constexpr Name kNames[] = {
      {"X1", B::TestX1D, B::TestX1G}, {"Y1", B::TestY1H, B::TestY1B},
      {"X2", B::TestX2D, B::TestX2G}, {"Y2", B::TestY2H, B::TestY2B},
      {"X", B::TestXD, B::TestXG},    {"Y", B::TestYH, B::TestYB},
      {"XY", B::TestHD, B::TestBG},   {"X-Y", B::TestBD, B::TestHG},
  };
  for (const Name& n : kNames) {
    if (axis == n.name) return positive ? n.positive : n.negative;
  }
  return std::nullopt;
}

class TerminalManualView : public ManualRunView {
 public:
  TerminalManualView(TerminalKeys& keys, uint16_t stepsPerMm)
      : keys_(keys), stepsPerMm_(stepsPerMm) {}
  void Wait() override { keys_.Poll(5); }
  void PreHeating(bool visible, int seconds) override {
    if (visible && !announced_) {
      std::cout << "Préchauffage " << seconds << " secondes (espace : arrêt)\n" << std::flush;
      announced_ = true;
    }
  }
  void Progress(uint64_t ticks) override {
    const uint64_t mm = stepsPerMm_ ? ticks / stepsPerMm_ : 0;
    if (mm != shown_) std::cout << (shown_ = mm) << " mm\n" << std::flush;
  }

 private:
  TerminalKeys& keys_;
  uint16_t stepsPerMm_;
  bool announced_ = false;
  uint64_t shown_ = 0;
};

class TerminalBoardObserver : public BoardRunObserver {
 public:
  TerminalBoardObserver(TerminalKeys& keys, const MachineSettings& settings)
      : keys_(keys), settings_(settings) {}
  bool PollStop() override {
    keys_.Poll(0);
    return TerminationRequested() || keys_.IsKeyDown(Key::Space);
  }
  void PreheatShown(bool shown) override {
    if (shown) {
      std::cout << "Préchauffage " << int(settings_.PreChauffe) << " secondes (espace : arrêt)\n"
                << std::flush;
    }
  }
  void LineSending(size_t, const std::string& line) override {
    std::cout << line << "\n" << std::flush;
  }

 private:
  TerminalKeys& keys_;
  const MachineSettings& settings_;
};

// One move on the link the settings (or --link) name.
class ManualLink {
 public:
  explicit ManualLink(const ManualOptions& options) : options_(options) {
    settings_ = StoredSettings();
    if (options.link == "parallel") settings_.PortType = 0;
    if (options.link == "serial") settings_.PortType = 1;
    if (options.link == "board") settings_.PortType = 2;
    if (options.from) positions_.Set(*options.from);
  }
  MachineSettings& Settings() { return settings_; }
  AxisPositions& Positions() { return positions_; }
  bool Board() const { return settings_.PortType == 2; }

  // The port open and at rest, or false after the message.
  bool Open() {
    if (!options_.record.empty() && settings_.PortType != 0) {
      std::cerr << "orvane-cli : --record ne vaut que pour le port parallèle\n";
      return false;
    }
    // Neither step bytes nor board packets are meant for a GRBL controller.
    if (settings_.PortType == 3) {
      std::cerr << "orvane-cli : les déplacements manuels ne passent pas par le contrôleur GRBL : "
                   "rien n'a été envoyé\n";
      return false;
    }
    InstallFatalSignalHandlers();
    if (settings_.PortType == 0) {
      if (!OpenRestedParallelPort(options_.record, settings_, clock_, parallel_)) return false;
      output_ = std::make_unique<ParallelTickOutput>(*parallel_.port, settings_.Port);
      CatchTermination();
      return true;
    }
    serial_ = std::make_unique<TermiosSerialPort>();
    SerialParams params = SerialSelectorParams(settings_);
    if (!options_.device.empty()) params.port = options_.device;
    serial_->SetParams(params);
    serial_->Open();
    if (!serial_->IsOpen()) {
      std::cerr << "orvane-cli : impossible d'ouvrir le port série " << params.port << " : "
                << serial_->OpenError() << "\n";
      return false;
    }
    CatchTermination();
    if (settings_.PortType == 1) {
      MarkNoHeatingOutput();
      std::cout << "Liaison série : " << params.port << "\n" << std::flush;
      serial_->ClearBuffer(true, true);
      output_ = std::make_unique<SerialTickOutput>(*serial_);
      return true;
    }
    if (!ProbeBoard(*serial_, clock_, HoldFlags(settings_), kBoardHello)) {
      serial_->Close();
      if (TerminationRequested()) DieOfTermination();
      std::cerr << "orvane-cli : aucune carte ne répond sur le port " << params.port << "\n";
      return false;
    }
    std::cout << "Liaison USB - Keldrino : " << params.port << "\n" << std::flush;
    return true;
  }

  // Plays `source` on the step links; the exit status.
  int Steps(TickSource& source, uint64_t ticks, bool heating, uint16_t stepsPerMm) {
    HeatGuard guard(parallel_.port.get(), settings_);
    RealTimeRun realTime;
    if (const std::string warning = RealTimeWarning(realTime.Grant()); !warning.empty()) {
      std::cout << warning << "\n" << std::flush;
    }
    ManualRunResult result;
    {
      TerminalKeys keys;
      TerminalManualView view(keys, stepsPerMm);
      ManualRunSetup setup;
      setup.clock = &clock_;
      setup.keys = &keys;
      setup.guard = &guard;
      setup.output = output_.get();
      setup.positions = &positions_;
      setup.settings = &settings_;
      setup.heating = heating;
      setup.preHeat = settings_.PortType == 0;
      setup.ticks = ticks;
      setup.stopRequest = TerminationFlag();
      setup.startThread = realTime.Starter();
      result = RunManualMove(setup, source, view);
      guard.Rest();
    }
    parallel_.Finish(options_.record);
    if (serial_) serial_->Close();
    if (serial_ && result.end == ManualRunEnd::Failed) positions_.MarkUnknown();
    PrintPositions(positions_);
    if (TerminationRequested()) DieOfTermination();
    switch (result.end) {
      case ManualRunEnd::Completed:
        std::cout << "Déplacement terminé normalement\n";
        return 0;
      case ManualRunEnd::Stopped:
        std::cout << (serial_ ? "Déplacement interrompu.\n"
                              : "Déplacement interrompu : chauffe coupée.\n");
        return 1;
      case ManualRunEnd::Failed:
        break;
    }
    std::cerr << "orvane-cli : " << result.error << "\n";
    return 1;
  }

  // Runs a program on the board; the exit status.
  int Program(const BoardProgramRequest& request) {
    uint8_t abortFlag = 0;
    BoardLink link{*serial_, clock_, settings_, positions_, abortFlag};
    BoardRunOutcome outcome;
    {
      TerminalKeys keys;
      TerminalBoardObserver observer(keys, settings_);
      outcome = RunBoardProgram(request, link, observer);
    }
    if (TerminationRequested()) {
      // Every end but these two has just sent the heating off.
      if (outcome.end == BoardRunEnd::Finished || outcome.end == BoardRunEnd::StoppedByBoard) {
        SendBoardPacket(*serial_, HeatingOffFlags(settings_), kBoardApply);
      }
      serial_->Close();
      PrintPositions(positions_);
      DieOfTermination();
    }
    serial_->Close();
    PrintPositions(positions_);
    switch (outcome.end) {
      case BoardRunEnd::Finished:
        std::cout << "Déplacement terminé normalement\n";
        return 0;
      case BoardRunEnd::StoppedByBoard:
        std::cout << "Déplacement arrêté par la carte.\n";
        return 1;
      case BoardRunEnd::StoppedByUser:
        std::cout << (outcome.message.empty() ? "Déplacement interrompu : chauffe coupée."
                                              : outcome.message)
                  << "\n";
        return 1;
      default:
        std::cerr << "orvane-cli : " << outcome.message << "\n";
        return 1;
    }
  }

  // The origin packet of "Définir origine".
  int DefineOrigin() {
    const bool sent =
        !Board() || SendBoardPacket(*serial_, DefineOriginFlags(settings_, false), kBoardApply);
    parallel_.Finish(options_.record);
    if (serial_) serial_->Close();
    if (!sent) {
      std::cerr << "orvane-cli : la carte ne reçoit plus : origine non définie\n";
      return 1;
    }
    positions_.SetOrigin();
    std::cout << "Origine définie\n";
    PrintPositions(positions_);
    return 0;
  }

 private:
  const ManualOptions& options_;
  MachineSettings settings_;
  MonotonicClock clock_;
  AxisPositions positions_;
  RestedParallelPort parallel_;
  std::unique_ptr<TermiosSerialPort> serial_;
  std::unique_ptr<TickOutput> output_;
};

}  // namespace

int JogCommand(const Args& args) {
  const auto parsed =
      ParseArgs(args, {"--axis", "--mm", "--link", "--device", "--record", "--from"}, {"--fast"});
  if (!parsed) return 2;
  const auto options = ParseManual(*parsed);
  if (!options) return 2;
  const auto mm = ParseReal(parsed->Value("--mm"));
  if (!parsed->Has("--axis") || !mm || *mm == 0) {
    return UsageError("jog attend --axis et --mm (une distance non nulle)");
  }
  const auto button = ButtonFor(parsed->Value("--axis"), *mm > 0);
  if (!button) return UsageError("--axis attend X1, Y1, X2, Y2, X, Y, XY ou X-Y");

  ManualLink link(*options);
  MachineSettings& s = link.Settings();
  // The window's distances: whole millimetres along the bar, or 0.1 mm (Ctrl).
  const double distance = std::abs(*mm);
  const JogDistanceRange range = JogDistances(s);
  const bool tenth = distance == 0.1;
  if (!tenth && (distance != std::floor(distance) || distance < 1 || distance > range.maximum)) {
    std::cerr << "orvane-cli : --mm attend 0.1 ou un nombre entier de millimètres de 1 à "
              << range.maximum << "\n";
    return 2;
  }
  const JogMove move =
      PlanJog(s, *button, tenth ? 0 : uint32_t(distance), tenth ? JogSpan::Tenth : JogSpan::Bar);
  if (const std::string refusal = JogRefusal(s, move); !refusal.empty()) {
    std::cerr << "orvane-cli : " << refusal << "\n";
    return 1;
  }
  if (!link.Open()) return 1;
  const bool working = !options->fast;
  if (link.Board()) {
    return link.Program(BoardJogProgram(s, link.Positions().Steps(), move, working));
  }
  RampMoveSource source(move.pattern, move.steps, PlanJogRamp(s, move, working), s.ModeArret == 0);
  std::cout << "Déplacement de " << move.steps << " pas " << (working ? "en usinage" : "rapide")
            << "\n"
            << std::flush;
  return link.Steps(source, move.steps, working, move.stepsPerMm);
}

int OriginCommand(const Args& args) {
  const auto parsed = ParseArgs(args, {"--link", "--device", "--record", "--from"},
                                {"--set", "--return", "--fast"});
  if (!parsed) return 2;
  const auto options = ParseManual(*parsed);
  if (!options) return 2;
  if (parsed->Has("--set") == parsed->Has("--return")) {
    return UsageError("origin attend --set ou --return");
  }
  ManualLink link(*options);
  if (parsed->Has("--set")) return link.Open() ? link.DefineOrigin() : 1;

  // A new process knows no position: the return starts where --from says.
  if (!options->from) return UsageError("origin --return attend --from X1,Y1,X2,Y2 (en pas)");
  const AxisSteps from = *options->from;
  if (link.Positions().AtOrigin()) {
    std::cout << "Déjà à l'origine\n";
    return 0;
  }
  MachineSettings& s = link.Settings();
  if (!link.Board()) {
    if (const std::string refusal = OriginReturnRefusal(s, from); !refusal.empty()) {
      std::cerr << "orvane-cli : " << refusal << "\n";
      return 1;
    }
  }
  if (!link.Open()) return 1;
  if (link.Board()) return link.Program(BoardOriginProgram(s, from, !options->fast));
  OriginReturnSource source(s, from);
  std::cout << "Retour à l'origine : " << source.TotalTicks() << " pas\n" << std::flush;
  // Back along the way the wire came: the hold, never the heat.
  return link.Steps(source, source.TotalTicks(), false, 0);
}

}  // namespace orvane::cli
