// orvane-cli: the program's core from the command line.
#include <iostream>
#include <string_view>

#include "cli/cli_commands.h"
#include "host/temporaries.h"

namespace orvane::cli {
namespace {

struct Command {
  std::string_view name;
  int (*run)(const Args&);
  std::string_view usage;
};

// One line per command: add new commands here.
constexpr Command kCommands[] = {
    {"info", InfoCommand, "info PROJET.ovp"},
    {"generate", GenerateCommand,
     "generate PROJET.ovp -o BASE [--opposite] [--gcode-only] [--factory]\n"
     "       [--dialect xyza|xyuv|xyab|LETTRES [--feed g93|g94] [--heat S|none]]"},
    {"import", ImportCommand,
     "import FICHIER [FICHIER2] -o PROJET.ovp [--decimals D] [--keep-duplicates] [--match [N]]"},
    {"export", ExportCommand,
     "export PROJET.ovp --profile 1|2 --dxf|--dat|--csv SORTIE\n"
     "       orvane-cli export PROJET.ovp --cut SORTIE"},
    {"shape", ShapeCommand,
     "shape NOM [--width W] [--height H] [--chamfer C] [--width2 W2] [--radius R] [--radius2 R2]\n"
     "       [--sides N] [--revolution DEG] [--depth P] [--kerf T] [--exit F] [--length L]\n"
     "       [--angle DEG] [--rectangular] [--return] [--append PROJET.ovp] [--decimals D]\n"
     "       -o PROJET.ovp"},
    {"leadin", LeadInCommand,
     "leadin PROJET.ovp --direction 1..8 --length L [--inside] [--both] [--no-adjust]\n"
     "       [--profile 1|2] -o SORTIE.ovp"},
    {"pulses", PulsesCommand, "pulses --period US [--ticks N] [--duty P] [--record FICHIER]"},
    {"board", BoardCommand, "board identify [--device PERIPHERIQUE] [--send-parameters]"},
    {"grbl", GrblCommand, "grbl info|unlock [--device PERIPHERIQUE] [--baud N]"},
    {"run", RunCommand,
     "run DECOUPE.ovi [--link parallel|serial|board|grbl] [--device DEV] [--simulate]\n"
     "       [--record FICHIER] [--program PROGRAMME.nc] [--axes LETTRES] [--baud N] [--unlock]"},
    {"jog", JogCommand,
     "jog --axis X1|Y1|X2|Y2|X|Y|XY|X-Y --mm D [--fast] [--link parallel|serial|board]\n"
     "       [--device DEV] [--record FICHIER] [--from X1,Y1,X2,Y2]"},
    {"origin", OriginCommand,
     "origin --set|--return [--from X1,Y1,X2,Y2] [--fast] [--link parallel|serial|board]\n"
     "       [--device DEV] [--record FICHIER]"},
    {"config", ConfigCommand, "config save|load FICHIER.ovr"},
};

}  // namespace

int UsageError() {
  bool first = true;
  for (const Command& command : kCommands) {
    std::cerr << (first ? "usage: " : "       ") << "orvane-cli " << command.usage << "\n";
    first = false;
  }
  return 2;
}

}  // namespace orvane::cli

int main(int argc, char** argv) {
  using namespace orvane::cli;
  const Args args(argv + 1, argv + argc);
  if (args.empty()) return UsageError();
  orvane::RemoveTemporariesOnSignals();
  for (const Command& command : kCommands) {
    if (args[0] == command.name) return command.run(Args(args.begin() + 1, args.end()));
  }
  return UsageError();
}
