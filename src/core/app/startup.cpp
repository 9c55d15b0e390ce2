#include "core/app/startup.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "core/app/host_services.h"
#include "core/app/machine_settings.h"
#include "core/app/settings_store.h"
#include "core/common/text_number.h"

namespace orvane {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kProductName = "Orvane";
constexpr int kMinimumScreenHeight = 768;

fs::path FsPath(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string UpgradeQuestion() {
  return "Nouvelle version de Orvane\n\n"
         "Vos anciens fichiers de projets et de découpes ne seront pas compatibles avec cette "
         "version.\n\nVoulez-vous les supprimer maintenant ?";
}

std::string NewVersionSummary() {
  return "NOUVELLE VERSION DE ORVANE\n\n"
         "- Tous vos réglages ont été remis à leurs valeurs par défaut.\n"
         "- Rendez-vous dans « Paramètres / Assistant » pour la configuration.\n"
         "- Vos anciennes sauvegardes de paramètres sont obsolètes, recréez-les.\n\n"
         "- Consultez la notice mise à jour pour plus d'informations.";
}

// Versions before 1.34 kept the folders in group Port. Only a folder that is
// really recorded there replaces the one in memory: an absent value must not
// blank the folders the defaults are about to write.
std::string OldFolder(SettingsStore& store, std::string_view name, std::string& inMemory) {
  std::string text = store.ReadSettingString(GroupKeyPath("Port"), name);
  if (!text.empty()) inMemory = text;
  return text;
}

void EmptyIfExists(const std::string& folder) {
  std::error_code error;
  if (!folder.empty() && fs::is_directory(FsPath(folder), error)) EmptyFolderFiles(folder);
}

// Deleting the whole key also deletes `Run`; it is put back at once so that a
// crash later in this run is still noticed at the next start.
void ReplaceWithDefaults(SettingsStore& store, const MachineSettings& settings) {
  SettingsBatch batch(store);
  store.DeleteSettingsKey(kSettingsRoot);
  WriteDefaultSettings(store, settings);
  WriteRunFlag(store, true);
  batch.Commit();
}

}  // namespace

AppFolders MakeAppFolders(std::string applicationFolder) {
  if (applicationFolder.empty() || applicationFolder.back() != '/') applicationFolder += '/';
  AppFolders f;
  f.application = applicationFolder;
  f.project = applicationFolder + "projets/";
  f.cut = applicationFolder + "découpes/";
  f.dxf = applicationFolder + "dessins/";
  f.exportFolder = applicationFolder + "export/";
  f.help = applicationFolder + "help/";
  f.temp = applicationFolder + "temp/";
  return f;
}

void EmptyFolderFiles(const std::string& folder) {
  std::error_code error;
  const fs::path root = FsPath(folder);
  fs::create_directories(root, error);
  fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error);
  for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    std::error_code fileError;
    if (it->is_directory(fileError) && !it->is_symlink(fileError)) continue;
    fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, fileError);
    fs::remove(it->path(), fileError);
  }
}

void PrepareWorkingFolders(const AppFolders& folders, SettingsStore& store) {
  const std::pair<const std::string*, std::string_view> working[] = {
      {&folders.project, "ProjectPath"},
      {&folders.cut, "CutPath"},
      {&folders.dxf, "DxfPath"},
      {&folders.exportFolder, "ExportPath"}};
  std::vector<std::string_view> created;
  for (const auto& [folder, name] : working) {
    std::error_code error;
    if (fs::is_directory(FsPath(*folder), error)) continue;
    fs::create_directories(FsPath(*folder), error);
    created.push_back(name);
  }
  // The folders exist before any write, and one write records them all, so
  // that a store refusing it still leaves every folder there.
  SettingsBatch batch(store);
  for (const auto& [folder, name] : working) {
    if (std::find(created.begin(), created.end(), name) != created.end()) {
      store.WriteSettingString(GroupKeyPath("Systeme"), name, *folder);
    }
  }
  batch.Commit();
}

StartupOutcome RunCreationChecks(HostProbe& host, SettingsStore& store, MessageService& messages,
                                 const std::string& applicationFolder, StartupState& state,
                                 MachineSettings& settings) {
  if (host.ScreenHeight() < kMinimumScreenHeight) {
    messages.Show(MessageKind::Error,
                  "La résolution de votre affichage est trop faible pour le programme");
    return StartupOutcome::Stop;
  }

  state.CpuClockGHz = host.MeasureCpuClockGHz();

  const int64_t frequency = host.CounterFrequency();
  if (frequency <= 0) {
    messages.Show(MessageKind::Information,
                  "Vous utilisez un ordinateur d'une conception trop ancienne.\n\n"
                  "Orvane ne peut pas fonctionner sur cette machine.");
    return StartupOutcome::Stop;
  }
  state.CounterTicksPerMicrosecond =
      static_cast<int64_t>(RoundHalfEven(static_cast<double>(frequency) / 1e6));

  state.folders = MakeAppFolders(applicationFolder);
  settings.ProjectPath = state.folders.project;
  settings.CutPath = state.folders.cut;
  settings.DxfPath = state.folders.dxf;
  settings.ExportPath = state.folders.exportFolder;
  std::error_code error;
  fs::create_directories(FsPath(state.folders.temp), error);

  EmptyFolderFiles(state.folders.temp);
  state.historyCounter = 0;

  // A store that cannot be read is never written over: it is moved aside
  // before the first write, and the user is told where it went.
  if (const std::string problem = store.ReadProblem(); !problem.empty()) {
    const std::string aside = store.SetAsideUnreadable();
    messages.Show(MessageKind::Error, UnreadableSettingsMessage(problem, aside));
    state.settingsWriteFailed = aside.empty();
  }

  WriteOrTell(state, messages, [&] { PrepareWorkingFolders(state.folders, store); });

  if (store.ReadSettingString(GroupKeyPath("Systeme"), "Run") == "on") {
    if (messages.Show(MessageKind::Confirmation, SecondInstanceQuestion(), MessageButtons::YesNo) !=
        MessageAnswer::Yes) {
      return StartupOutcome::Stop;
    }
  } else {
    WriteOrTell(state, messages, [&] { WriteRunFlag(store, true); });
  }

  const uint8_t code = host.ClassifyWindows();
  state.DirectPortAccess = code >= 1 && code <= 7;

  if (!host.PortDriverPresent() && !state.DirectPortAccess) {
    messages.Show(MessageKind::Warning,
                  "Fichier INPOUT32.DLL manquant, Orvane ne peut pas fonctionner !");
    WriteOrTell(state, messages, [&] { WriteRunFlag(store, false); });
    return StartupOutcome::Stop;
  }

  const std::string formatted = host.FormatOnePointFive();
  const bool unchanged = host.EnsurePointDecimalSeparator();
  if (!unchanged || formatted.find(',') != std::string::npos) {
    messages.Show(MessageKind::Information,
                  "Des modifications ont été apportées à votre configuration.\n\n"
                  "Veuillez relancer Orvane.");
    WriteOrTell(state, messages, [&] { WriteRunFlag(store, false); });
    return StartupOutcome::Stop;
  }
  return StartupOutcome::Continue;
}

std::string SecondInstanceQuestion() {
  std::string upper;
  for (char c : kProductName) upper += (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
  return std::string(20, ' ') + upper + " est déjà en cours d'exécution\n" +
         "                          ou a été arrêté annormalement\n\n" +
         "DESIREZ-VOUS FORCER LE LANCEMENT DE L'APPLICATION ?";
}

std::string UnreadableSettingsMessage(const std::string& problem, const std::string& aside) {
  std::string text = "Le fichier des réglages " + problem + ".\n\n";
  if (aside.empty()) {
    return text + "Les réglages d'usine sont utilisés ; ils ne pourront pas y être enregistrés.";
  }
  return text + "Il a été mis de côté sous « " + aside +
         " » et les réglages d'usine sont utilisés.";
}

void WriteOrTell(StartupState& state, MessageService& messages,
                 const std::function<void()>& write) {
  try {
    write();
  } catch (const SettingsWriteError& error) {
    if (!state.settingsWriteFailed) messages.Show(MessageKind::Error, error.what());
    state.settingsWriteFailed = true;
  }
}

void RunVersionCheck(SettingsStore& store, MessageService& messages, MachineSettings& settings) {
  const std::string text = store.ReadSettingString(GroupKeyPath("Systeme"), "Version");
  if (text.empty()) WriteDefaultSettings(store, settings);
  const double version = RoundHalfEven(ParseReal(text).value_or(0));

  if (version > 0 && version < 120 &&
      messages.Show(MessageKind::Confirmation, UpgradeQuestion(), MessageButtons::YesNoDefaultNo) ==
          MessageAnswer::Yes) {
    EmptyIfExists(OldFolder(store, "ProjectPath", settings.ProjectPath));
    EmptyIfExists(OldFolder(store, "CutPath", settings.CutPath));
  }
  if (version > 0 && version < 134 &&
      messages.Show(MessageKind::Confirmation, UpgradeQuestion(), MessageButtons::YesNoDefaultNo) ==
          MessageAnswer::Yes) {
    EmptyIfExists(OldFolder(store, "CutPath", settings.CutPath));
  }
  if (version > 0 && version < 160) {
    ReplaceWithDefaults(store, settings);
    messages.Show(MessageKind::Information, NewVersionSummary());
  }
}

bool ResetSettings(SettingsStore& store, MessageService& messages,
                   const MachineSettings& settings) {
  if (messages.Show(MessageKind::Confirmation,
                    "Etes-vous certain de vouloir initialiser la configuration aux valeurs par "
                    "défaut ?",
                    MessageButtons::YesNoDefaultNo) != MessageAnswer::Yes) {
    return false;
  }
  ReplaceWithDefaults(store, settings);
  return true;
}

std::string VersionText() {
  const std::string digits(kSettingsVersion);
  return digits.substr(0, 1) + "." + digits.substr(1, 2);
}

std::string SettingsVersionLabel() {
  return "Version " + VersionText();
}

void WriteRunFlag(SettingsStore& store, bool running) {
  store.WriteSettingString(GroupKeyPath("Systeme"), "Run", running ? "on" : "off");
}

}  // namespace orvane
