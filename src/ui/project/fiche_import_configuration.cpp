// The project window's side of the configuration file: "Outils" ->
// "Configuration" -> "Sauvegarder" and "Restaurer".
#include "core/app/configuration_file.h"
#include "core/machine/serial_link.h"
#include "host/atomic_file.h"
#include "ui/app/settings_change.h"
#include "ui/project/fiche_import.h"

namespace orvane::ui {
namespace {

// Far above 108 lines of folder names; anything larger is not a configuration.
constexpr size_t kMaxConfigurationFile = 1 << 20;

FileDialogRequest ConfigurationDialog(const AppContext& context, const char* title) {
  FileDialogRequest request;
  request.title = title;
  request.folder = context.applicationFolder;
  request.filters = {"Paramètres Orvane (*.ovr)"};
  request.defaultSuffix = "ovr";
  request.fileName = "orvane";
  return request;
}

}  // namespace

void TFormImport::SaveConfigurationFile() {
  const auto path =
      context_.dialogs->SaveFile(ConfigurationDialog(context_, "Enregistrer la configuration"));
  if (!path) return;
  std::string bytes;
  const ConfigurationResult result =
      WriteConfigurationFile(*context_.store, bytes, context_.settings);
  if (!result.ok) {
    context_.messages->Show(MessageKind::Error, *path + " :\n" + result.message);
    return;
  }
  std::string error;
  if (!AtomicWriteFile(*path, bytes, &error)) {
    context_.messages->Show(MessageKind::Error, "La configuration n'a pas été enregistrée dans " +
                                                    *path + " :\n" + error);
  }
}

void TFormImport::LoadConfigurationFile() {
  const auto path =
      context_.dialogs->OpenFile(ConfigurationDialog(context_, "Charger une configuration"));
  if (!path) return;
  std::string bytes;
  const FileRead file = ReadFileLimited(*path, bytes, kMaxConfigurationFile);
  if (!file.ok) {
    context_.messages->Show(MessageKind::Error,
                            "Impossible de lire " + *path + " : " + file.message);
    return;
  }
  const ConfigurationResult result = ReadConfigurationFile(bytes, *context_.store);
  if (!result.ok) {
    context_.messages->Show(MessageKind::Error, result.message);
    return;
  }
  // The images, the idle image on the parallel port and the serial
  // parameters follow the new settings here.
  const SettingsProblems problems = ReloadSettings(context_);
  MachineSettings& settings = context_.settings;
  if (context_.linkStarted && settings.PortType == 1) {
    context_.serial->Open();
  } else if (context_.linkStarted && settings.PortType == 2) {
    // The board may be another one, on another port, or one swapped on the
    // same: asked again, and told the loaded parameters whatever it kept, so
    // a cut never runs on the old ones.
    settings.BoardPresent =
        ProbeBoard(*context_.serial, *context_.clock, HoldFlags(settings), kBoardHello);
    if (settings.BoardPresent) SendBoardParameters(*context_.serial, settings);
  }
  AfterSettingsReplaced();
  if (!problems.empty()) {
    context_.messages->Show(MessageKind::Error, DescribeSettingsProblems(problems));
    return;
  }
  context_.messages->Show(MessageKind::Information, result.message);
}

}  // namespace orvane::ui
