#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

#include <clocale>
#include <cstdlib>
#include <memory>

#include "host/heat_signals.h"
#include "host/host_centronic.h"
#include "host/parallel_port.h"
#include "host/realtime.h"
#include "host/settings_file_store.h"
#include "host/signal_bridge.h"
#include "host/termios_serial_port.h"
#include "host/virtual_port.h"
#include "ui/app/fiche_apropos.h"
#include "ui/app/fiche_principale.h"
#include "ui/app/fiche_raccourcis.h"
#include "ui/app/key_state_filter.h"
#include "ui/app/qt_host_probe.h"
#include "ui/cut/fiche_calcul.h"
#include "ui/cut/fiche_patienter.h"
#include "ui/cut/fiche_projection.h"
#include "ui/dialogs/qt_desktop_service.h"
#include "ui/dialogs/qt_file_dialog_service.h"
#include "ui/dialogs/qt_message_service.h"
#include "ui/machine/fiche_binaire.h"
#include "ui/machine/fiche_manettes.h"
#include "ui/machine/fiche_positionnement.h"
#include "ui/machine/fiche_stop.h"
#include "ui/params/fiche_memo.h"
#include "ui/params/fiche_parametres.h"
#include "ui/project/fiche_edit_point.h"
#include "ui/project/fiche_format_file.h"
#include "ui/project/fiche_gestion_fichiers.h"
#include "ui/project/fiche_import.h"
#include "ui/project/fiche_saisie.h"
#include "ui/shapes/fiche_alignement.h"
#include "ui/shapes/fiche_creation.h"
#include "ui/shapes/fiche_degagement.h"
#include "ui/shapes/fiche_rainures.h"
#include "ui/shapes/fiche_segments.h"

int main(int argc, char* argv[]) {
  using namespace orvane;
  QApplication app(argc, argv);
  // Numbers always use the point, whatever the user's locale.
  setlocale(LC_NUMERIC, "C");
  QLocale::setDefault(QLocale::c());
  QApplication::setApplicationName(QStringLiteral("Orvane - Découpe CNC au fil chaud"));
  // Lets the desktop tie the windows to the installed menu entry and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("orvane"));
  QTranslator qtFrench;
  if (qtFrench.load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&qtFrench);
  }

  FileSettingsStore store(SettingsFilePath());
  ui::QtMessageService messages;
  ui::QtFileDialogService dialogs;
  MonotonicClock clock;
  TermiosSerialPort serial;
  ui::QtHostProbe host;
  ui::QtDesktopService desktop;
  auto* keys = new ui::KeyStateFilter(&app);
  app.installEventFilter(keys);

  // Outlives the context, whose port streams into it.
  std::unique_ptr<RecordingFile> recording;
  ui::AppContext context;
  context.store = &store;
  context.messages = &messages;
  context.dialogs = &dialogs;
  context.clock = &clock;
  context.serial = &serial;
  context.keys = keys;
  context.host = &host;
  context.desktop = &desktop;
  context.applicationFolder = ApplicationFolderPath();
  const ParallelBackend backend = ParallelBackendFromEnvironment();
  // `ORVANE_RECORD=FILE`: the first virtual port opened writes its recording
  // there, so a dry run (or a test) can look at what reached the port.
  const char* recordPath = std::getenv("ORVANE_RECORD");
  context.openParallelPort = [&clock, backend, recordPath, &recording](uint16_t base) {
    std::unique_ptr<PortOutput> port = OpenParallelPort(base, backend, &clock);
    auto* dry = dynamic_cast<VirtualPort*>(port.get());
    if (dry && recordPath && *recordPath && !recording) {
      recording = std::make_unique<RecordingFile>(recordPath, *dry, clock.TicksPerMicrosecond());
      if (recording->IsOpen()) {
        // The stream's thread never takes a termination signal: the handler
        // waits for that thread to take its last write.
        TerminationSignalsHeld held;
        RecordingFile* file = recording.get();
        dry->StartStream([file](const VirtualPort::Write* writes, size_t count) {
          file->Append(writes, count);
        });
      }
    }
    return port;
  };
  // The machine at rest before anything else, the second-instance question
  // included: a run killed before this start (kill -9) may have left a step
  // pattern and the heating on. The link keeps this port.
  {
    MachineSettings stored;
    ReadAllSettings(store, stored, nullptr);
    if (stored.PortType == 0) {
      context.port = context.openParallelPort(stored.Port);
      context.portBase = stored.Port;
      if (context.port) ParallelLinkStartUp(*context.port, stored);
    }
  }
  context.realTimeNote = RealTimeNote(ProbeRealTime());

  // Windows are created once, in this order, and live for the whole run.
  ui::TMainForm mainForm(context);
  // Termination signals end the run through its orderly close from the very
  // first question of the start-up checks on.
  SignalBridge signalBridge;
  QObject::connect(&signalBridge, &SignalBridge::terminationRequested, &mainForm,
                   [&mainForm](int) { mainForm.OrderlyClose(); });
  if (!mainForm.FormCreate()) return 0;
  ui::TFormImport projectWindow(context, &mainForm);
  ui::TFormCalcul calcul(context, &projectWindow);
  ui::TFormPatienter patienter(&calcul);
  ui::TFormManettes manettes(context, &projectWindow);
  ui::TFormProjection projection(context, &projectWindow);
  ui::TFormStop stop(context, &projectWindow);
  ui::TFormFormatFile formatFile(&projectWindow);
  ui::TFormPosition position(context, &projectWindow);
  ui::TFormSaisie saisie(&projectWindow);
  ui::TFormEditPoint editPoint(&projectWindow);
  ui::TFormProprietes proprietes(&projectWindow);
  ui::TFormCreation creation(&projectWindow);
  ui::TFormRainures rainures(&projectWindow);
  ui::TFormManageFiles manageFiles(context, &projectWindow);
  ui::TFormSegment segment(&projectWindow);
  ui::TFormDegagement degagement(&projectWindow);
  ui::TFormBinaire binaire(context, &position);
  ui::TFormAligne aligne(&projectWindow);
  ui::TFormRaccourcis raccourcis(&projectWindow, &projectWindow);
  ui::TFormAPropos aPropos(&projectWindow);
  ui::TFormParametres parametres(context, &projectWindow);
  ui::TFormMemo memo(context, &projectWindow);
  mainForm.SetProjectWindow(&projectWindow);
  calcul.SetWaitWindow(&patienter);
  projectWindow.SetCutWindows(&calcul, &projection);
  projectWindow.SetFormatFileWindow(&formatFile);
  projectWindow.SetManageFilesWindow(&manageFiles);
  projectWindow.SetPositionWindow(&position);
  projectWindow.SetManualWindow(&manettes);
  projectWindow.SetParametersWindow(&parametres);
  parametres.SetMemoWindow(&memo);
  position.SetManualWindow(&manettes);
  position.SetDetailWindow(&binaire);
  position.SetStopWindow(&stop);
  binaire.SetWaitWindow(&patienter);
  projectWindow.SetOperationWindows(&saisie, &editPoint, &proprietes);
  projectWindow.SetShapeWindows(&creation, &rainures, &segment, &degagement, &aligne);
  projectWindow.SetPeripheryWindows(&raccourcis, &aPropos);
  projectWindow.SetMemoWindow(&memo);
  position.SetMemoWindow(&memo);

  InstallFatalSignalHandlers();
  QApplication::setQuitOnLastWindowClosed(false);
  // Shown from inside the event loop: every nested loop (message boxes, the
  // modal project window) then ends with the application's quit.
  QTimer::singleShot(0, &mainForm, [&mainForm] { mainForm.show(); });
  return QApplication::exec();
}
