// orvane-cli run: a saved cut on the machine without the windows, with the
// execution window's checks, pre-heat, pulse engine and heat safety. The
// terminal stands in for the progress window: space stops, the arrows trim.
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>
#include <set>
#include <string>

#include "cli/cli_run.h"

#include "core/app/host_services.h"
#include "core/app/machine_settings.h"
#include "core/common/regular_file.h"
#include "core/machine/axis_positions.h"
#include "core/machine/cut_opening.h"
#include "core/machine/cut_progress.h"
#include "core/machine/grbl_settings.h"
#include "core/machine/heat_guard.h"
#include "core/machine/serial_step.h"
#include "core/machine/step_file_run.h"
#include "core/machine/tick_output.h"
#include "host/heat_signals.h"
#include "host/host_centronic.h"
#include "host/parallel_port.h"
#include "host/realtime.h"
#include "host/settings_file_store.h"
#include "host/termios_serial_port.h"
#include "host/virtual_port.h"

namespace orvane::cli {
namespace {

std::atomic<bool> gStop{false};
// The serial step link drives no heating: nothing to claim switched off.
bool gNoHeatingOutput = false;
volatile sig_atomic_t gSignal = 0;

void OnTermination(int number) {
  RestHeatingFromSignal();  // first: the engine stops at its next tick
  gSignal = number;
  gStop.store(true);
}

bool ParseOptions(const Args& args, RunOptions& options) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--link" && i + 1 < args.size()) {
      options.link = args[++i];
      if (options.link != "parallel" && options.link != "serial" && options.link != "board" &&
          options.link != "grbl") {
        return false;
      }
    } else if (a == "--program" && i + 1 < args.size()) {
      options.program = args[++i];
    } else if (a == "--axes" && i + 1 < args.size()) {
      options.axes = args[++i];
      // Four distinct axis letters, as the dialects write them.
      const std::set<char> letters(options.axes.begin(), options.axes.end());
      const bool distinct = options.axes.size() == 4 && letters.size() == 4 &&
                            options.axes.find_first_not_of("XYZABCUVW") == std::string::npos;
      if (!distinct) {
        std::cerr << "orvane-cli : --axes attend quatre lettres distinctes parmi XYZABCUVW\n";
        return false;
      }
    } else if (a == "--baud" && i + 1 < args.size()) {
      options.baud = args[++i];
      if (!ParseGrblBaudRate(options.baud)) {
        std::cerr << "orvane-cli : " << GrblBaudRateRefusal(options.baud) << "\n";
        return false;
      }
    } else if (a == "--device" && i + 1 < args.size()) {
      options.device = args[++i];
      // An empty name would silently fall back on the settings' port.
      if (options.device.empty()) {
        std::cerr << "orvane-cli : --device attend le chemin d'un périphérique\n";
        return false;
      }
    } else if (a == "--record" && i + 1 < args.size()) {
      options.record = args[++i];
    } else if (a == "--simulate") {
      options.simulate = true;
    } else if (a == "--unlock") {
      options.unlock = true;
    } else if (!a.starts_with("--") && options.cut.empty()) {
      options.cut = a;
    } else {
      return false;
    }
  }
  return !options.cut.empty();
}

class TerminalView : public StepRunView {
 public:
  TerminalView(TerminalKeys& keys, uint64_t ticks) : keys_(keys), ticks_(ticks) {
    bar_ = isatty(STDOUT_FILENO);
  }
  void Wait() override { keys_.Poll(5); }
  void PreHeating(bool visible, int seconds) override {
    if (visible && !announced_) {
      std::cout << "Préchauffage : patientez " << seconds << " secondes (espace : arrêt)\n"
                << std::flush;
      announced_ = true;
    }
  }
  void Progress(const ProgressView& view, uint64_t ticksPlayed) override {
    if (!bar_) return;
    constexpr int kWidth = 30;
    const int filled = view.percent * kWidth / 100;
    std::cout << "\r[" << std::string(size_t(filled), '#')
              << std::string(size_t(kWidth - filled), ' ') << "] " << view.percent << " %  restant "
              << FormatDuration(view.remainingSeconds) << "  " << ticksPlayed << "/" << ticks_
              << " pas " << trim_ << "   " << std::flush;
  }
  void Trim(const std::string& label) override { trim_ = "(" + label + ")"; }
  bool AskAbandon() override {
    keys_.ReleaseSpace();
    std::cout << (bar_ ? "\n" : "") << "Abandonner la découpe ? [o/n] " << std::flush;
    const bool yes = keys_.AskYes();
    std::cout << (yes ? "o" : "n") << "\n" << std::flush;
    announced_ = false;
    return yes;
  }
  void Finish() {
    if (bar_) std::cout << "\n";
  }

 private:
  TerminalKeys& keys_;
  uint64_t ticks_;
  bool bar_ = false;
  bool announced_ = false;
  std::string trim_ = "(0 µs)";
};

// Why the cut cannot run on this link; empty when it can.
std::string Refusal(const OpenedCut& cut, const std::string& path, uint8_t portType) {
  if (!cut.loaded) {
    return cut.message.empty() ? "En-tête de découpe introuvable : " + cut.base + ".ovi"
                               : cut.message;
  }
  if (cut.header.olderVersion) return "Découpe générée avec une version trop ancienne : " + path;
  if (portType == 2) return cut.hasGcode ? "" : "Fichier de découpe manquant";
  if (!cut.Compatible()) {
    std::string text =
        "Paramètres machine différents : la découpe a été générée pour d'autres "
        "réglages des moteurs.";
    for (const std::string& line : cut.differences) text += "\n  " + line;
    return text;
  }
  if (!cut.hasSteps) return "Fichier de découpe manquant";
  if (!cut.stepFileMatches) return cut.message;
  return {};
}

}  // namespace

TerminalKeys::TerminalKeys() {
  interactive_ = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved_) == 0;
  if (interactive_) {
    termios raw = saved_;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
  }
}

TerminalKeys::~TerminalKeys() {
  if (interactive_) tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
}

bool TerminalKeys::IsKeyDown(Key key) const {
  switch (key) {
    case Key::Space:
      return space_;
    case Key::Right:
      return right_;
    case Key::Left:
      return left_;
    case Key::Up:
      return up_;
    case Key::Down:
      return down_;
    default:
      return false;
  }
}

void TerminalKeys::Poll(int milliseconds) {
  right_ = left_ = up_ = down_ = false;
  // After a space, what follows is the answer to the question: left unread.
  // At the end of the input nothing more comes. Either way the wait still
  // lasts its time: the loop that calls this must never spin.
  if (eof_ || space_) {
    if (milliseconds > 0) poll(nullptr, 0, milliseconds);
    return;
  }
  pollfd fd{STDIN_FILENO, POLLIN, 0};
  if (poll(&fd, 1, milliseconds) <= 0) return;
  if (fd.revents & (POLLERR | POLLNVAL)) {
    eof_ = true;
    return;
  }
  if (!(fd.revents & (POLLIN | POLLHUP))) return;
  char bytes[64];
  // From a file or a pipe, one key at a time; a terminal sends an arrow's
  // sequence in one piece.
  const ssize_t n = read(STDIN_FILENO, bytes, interactive_ ? sizeof bytes : 1);
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
  if (n <= 0) {
    eof_ = true;
    return;
  }
  for (ssize_t i = 0; i < n; ++i) {
    if (bytes[i] == ' ') {
      space_ = true;
    } else if (bytes[i] == '\x1b' && i + 2 < n && bytes[i + 1] == '[') {
      const char c = bytes[i + 2];
      right_ |= c == 'C';
      left_ |= c == 'D';
      up_ |= c == 'A';
      down_ |= c == 'B';
      i += 2;
    } else if (!interactive_ && typedAhead_.size() < 4096) {
      typedAhead_ += bytes[i];
    }
  }
}

bool TerminalKeys::NextByte(char& c) {
  if (!typedAhead_.empty()) {
    c = typedAhead_.front();
    typedAhead_.erase(0, 1);
    return true;
  }
  if (eof_) return false;
  if (read(STDIN_FILENO, &c, 1) == 1) return true;
  eof_ = true;
  return false;
}

bool TerminalKeys::AskYes() {
  // Only an explicit "n" resumes (the heating goes on again); the end of the
  // input, a hang-up or a signal abandons.
  char c = 0;
  if (interactive_) {
    // One key; anything but o or n (a space still held down, Enter) is no answer.
    while (read(STDIN_FILENO, &c, 1) == 1) {
      if (c == 'o' || c == 'O') return true;
      if (c == 'n' || c == 'N') return false;
    }
    return true;
  }
  // From a file or a pipe: the first line that starts with o or n, read to
  // its end so that the next question starts on the next line.
  char first = 0;
  while (NextByte(c)) {
    if (c != '\n') {
      if (first == 0 && c != ' ' && c != '\r' && c != '\t') first = c;
      continue;
    }
    if (first == 'o' || first == 'O' || first == 'n' || first == 'N') break;
    first = 0;
  }
  return !(first == 'n' || first == 'N');
}

void PrintPositions(const AxisPositions& positions) {
  if (!positions.Known()) {
    std::cout << "Positions : inconnues\n";
    return;
  }
  const AxisSteps steps = positions.Steps();
  std::cout << "Positions : X1 = " << steps[0] << "  Y1 = " << steps[1] << "  X2 = " << steps[2]
            << "  Y2 = " << steps[3] << "\n";
}

RestedParallelPort::RestedParallelPort() = default;
RestedParallelPort::~RestedParallelPort() = default;

void RestedParallelPort::Finish(const std::string& recordPath) {
  if (recorded) recorded->StopStream();
  recorded = nullptr;
  if (file && !file->Error().empty()) {
    std::cerr << "orvane-cli : écriture de " << recordPath << " : " << file->Error() << "\n";
  }
  file.reset();
}

// A run killed before this one (kill -9) may have left a step pattern and
// the heating on: data 0 and the idle image first. A recording starts with them.
bool OpenRestedParallelPort(const std::string& record, const MachineSettings& settings,
                            MonotonicClock& clock, RestedParallelPort& parallel) {
  const ParallelBackend backend =
      record.empty() ? ParallelBackendFromEnvironment() : ParallelBackend::Virtual;
  parallel.port = OpenParallelPort(settings.Port, backend, &clock);
  if (!record.empty()) {
    auto* virtualPort = dynamic_cast<VirtualPort*>(parallel.port.get());
    parallel.file =
        std::make_unique<RecordingFile>(record, *virtualPort, clock.TicksPerMicrosecond());
    if (!parallel.file->IsOpen()) {
      std::cerr << "orvane-cli : impossible d'écrire " << record << " : " << parallel.file->Error()
                << "\n";
      return false;
    }
    TerminationSignalsHeld held;  // the stream's thread never takes them
    RecordingFile* file = parallel.file.get();
    virtualPort->StartStream(
        [file](const VirtualPort::Write* writes, size_t count) { file->Append(writes, count); });
    parallel.recorded = virtualPort;
  }
  ParallelLinkStartUp(*parallel.port, settings);
  std::cout << parallel.port->Description() << "\n" << std::flush;
  return true;
}

const std::atomic<bool>* TerminationFlag() {
  return &gStop;
}

void MarkNoHeatingOutput() {
  gNoHeatingOutput = true;
}

void CatchTermination() {
  InstallTerminationHandler(OnTermination);
}

bool TerminationRequested() {
  return gStop.load();
}

int TerminationSignal() {
  return gSignal;
}

void DieOfTermination() {
  std::cout << (gNoHeatingOutput ? "Arrêt demandé.\n" : "Arrêt demandé : chauffe coupée.\n")
            << std::flush;
  const int number = gSignal != 0 ? int(gSignal) : SIGTERM;
  signal(number, SIG_DFL);
  raise(number);
  _exit(128 + number);
}

int RunCommand(const Args& args) {
  RunOptions options;
  if (!ParseOptions(args, options)) return UsageError();
  MachineSettings settings = StoredSettings();
  if (options.link == "parallel") settings.PortType = 0;
  if (options.link == "serial") settings.PortType = 1;
  if (options.link == "board") settings.PortType = 2;
  if (options.link == "grbl") settings.PortType = 3;
  if ((!options.program.empty() || !options.axes.empty() || !options.baud.empty()) &&
      settings.PortType != 3) {
    std::cerr << "orvane-cli : --program, --axes et --baud ne valent que pour le contrôleur GRBL\n";
    return 2;
  }
  if (options.simulate && settings.PortType != 2) {
    std::cerr << "orvane-cli : --simulate ne vaut que pour la carte (--link board)\n";
    return 2;
  }
  if (!options.record.empty() && settings.PortType != 0) {
    std::cerr << "orvane-cli : --record ne vaut que pour le port parallèle\n";
    return 2;
  }

  MonotonicClock clock;
  InstallFatalSignalHandlers();
  RestedParallelPort parallel;
  if (settings.PortType == 0 &&
      !OpenRestedParallelPort(options.record, settings, clock, parallel)) {
    return 1;
  }

  const OpenedCut cut = OpenCut(options.cut, settings);
  if (settings.PortType == 3) return RunOnGrbl(options, settings, cut);
  if (const std::string refusal = Refusal(cut, options.cut, settings.PortType); !refusal.empty()) {
    std::cerr << "orvane-cli : " << refusal << "\n";
    return 1;
  }
  if (settings.PortType == 2) return RunOnBoard(options, settings, cut);
  const int maximum = SpeedPresetMaximum(settings);
  const uint64_t duration =
      ComputeSpeedPreset(settings, maximum / 2, maximum, cut.ticks).durationSeconds;

  AxisPositions positions;
  if (settings.OrigineAuto) positions.SetOrigin();

  std::unique_ptr<TermiosSerialPort> serial;
  std::unique_ptr<TickOutput> output;
  if (settings.PortType == 0) {
    output = std::make_unique<ParallelTickOutput>(*parallel.port, settings.Port);
  } else {
    gNoHeatingOutput = true;
    serial = std::make_unique<TermiosSerialPort>();
    SerialParams params = SerialSelectorParams(settings);
    if (!options.device.empty()) params.port = options.device;
    serial->SetParams(params);
    serial->Open();
    if (!serial->IsOpen()) {
      std::cerr << "orvane-cli : impossible d'ouvrir le port série " << params.port << " : "
                << serial->OpenError() << "\n";
      return 1;
    }
    std::cout << "Liaison série : " << params.port << "\n" << std::flush;
    serial->ClearBuffer(true, true);
    output = std::make_unique<SerialTickOutput>(*serial);
  }

  HeatGuard guard(parallel.port.get(), settings);
  CatchTermination();
  // Asked for before the first tick; the cut runs without it, saying so.
  RealTimeRun realTime;
  if (const std::string warning = RealTimeWarning(realTime.Grant()); !warning.empty()) {
    std::cout << warning << "\n" << std::flush;
  }

  StepRunResult result;
  {
    // The terminal is itself again before the process may die of a signal.
    TerminalKeys keys;
    TerminalView view(keys, cut.ticks);
    StepRunSetup setup;
    setup.clock = &clock;
    setup.keys = &keys;
    setup.guard = &guard;
    setup.output = output.get();
    setup.positions = &positions;
    setup.settings = &settings;
    setup.stepPath = cut.base + ".ovd";
    setup.ticks = cut.ticks;
    setup.durationSeconds = duration;
    setup.resumeAllowed = settings.Reprise;
    setup.preHeat = settings.PortType == 0;
    setup.stopRequest = &gStop;
    setup.startThread = realTime.Starter();
    std::cout << "Découpe " << cut.base << " : " << cut.ticks << " pas, durée estimée "
              << FormatDuration(duration) << "\n"
              << std::flush;
    result = RunStepFile(setup, view);
    guard.Rest();
    view.Finish();
  }
  parallel.Finish(options.record);
  if (serial) serial->Close();

  // The serial link's device may have taken less than was written.
  if (serial && result.end == StepRunEnd::Failed) positions.MarkUnknown();
  PrintPositions(positions);
  if (gSignal != 0) DieOfTermination();
  switch (result.end) {
    case StepRunEnd::Completed:
      std::cout << "Découpe terminée normalement\n";
      return 0;
    case StepRunEnd::Stopped:
      // The serial link has no heating output to speak of.
      std::cout << (serial ? "Découpe interrompue.\n" : "Découpe interrompue : chauffe coupée.\n");
      return 1;
    case StepRunEnd::Failed:
      break;
  }
  std::cerr << "orvane-cli : " << result.error << "\n";
  return 1;
}

}  // namespace orvane::cli
