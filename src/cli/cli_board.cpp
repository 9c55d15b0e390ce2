// orvane-cli board identify: the output test of the ports page from the
// command line. Asks the USB board for its identification and prints the
// lines the parameters window shows, then puts the outputs back to rest.
// With --send-parameters the board is first given the settings' parameters,
// as the parameters window does when it saves them.
#include <iostream>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "core/app/machine_settings.h"
#include "core/machine/board_wait.h"
#include "host/host_centronic.h"
#include "host/settings_file_store.h"
#include "host/termios_serial_port.h"

namespace orvane::cli {
namespace {

constexpr int kBoardPauseMs = 150;

int Identify(const ParsedArgs& parsed) {
  bool complete = true;
  MachineSettings settings = StoredSettings(&complete);
  const bool sendParameters = parsed.Has("--send-parameters");
  if (sendParameters && !complete) {
    // Factory values would replace what the board holds without anyone asking.
    std::cerr << "orvane-cli : réglages incomplets, paramètres non envoyés à la carte\n";
    return 1;
  }
  if (parsed.Has("--device")) settings.SerialPort = parsed.Value("--device");
  TermiosSerialPort serial;
  MonotonicClock clock;
  serial.SetParams(SerialSelectorParams(settings));
  serial.Open();
  if (!serial.IsOpen()) {
    std::cerr << "orvane-cli : le port " << settings.SerialPort
              << " ne peut pas être ouvert : " << serial.OpenError() << "\n";
  }
  bool sendFailed = false, sent = false;
  if (sendParameters && serial.IsOpen()) {
    // Only a board that answers its hello is sent a packet it would take as
    // its parameters.
    if (ProbeBoard(serial, clock, HoldFlags(settings), kBoardHello)) {
      const BoardPacket packet = BoardParametersPacket(settings);
      sendFailed = !serial.Write(packet.data(), packet.size());
      sent = !sendFailed;
      clock.SleepMilliseconds(kBoardPauseMs);
    } else {
      std::cerr << "orvane-cli : la carte ne répond pas, paramètres non envoyés\n";
    }
  }
  if (sendFailed) {
    std::cerr << "orvane-cli : paramètres non envoyés : " << serial.WriteError() << "\n";
    serial.Close();
    return 1;
  }
  const BoardIdentifyResult result = IdentifyBoard(serial, clock, settings);
  for (const std::string& line : result.lines) std::cout << line << "\n";
  // The request switched the outputs as the test button does; release them.
  ReleaseOutputTest(serial, settings);
  serial.Close();
  // Parameters asked for and not sent are a failure, whatever the board said.
  return result.board && (sent || !sendParameters) ? 0 : 1;
}

}  // namespace

int BoardCommand(const Args& args) {
  if (args.empty() || args[0] != "identify") {
    return UsageError("board attend la sous-commande identify");
  }
  const auto parsed =
      ParseArgs(Args(args.begin() + 1, args.end()), {"--device"}, {"--send-parameters"});
  if (!parsed) return UsageError();
  if (!parsed->positional.empty()) return UsageError("argument en trop : " + parsed->positional[0]);
  // An empty name would fall back on the settings' port, or open a folder.
  if (parsed->Has("--device") && parsed->Value("--device").empty()) {
    return UsageError("--device attend le chemin d'un périphérique");
  }
  return Identify(*parsed);
}

}  // namespace orvane::cli
