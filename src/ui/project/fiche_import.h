#pragma once

#include <QMainWindow>
#include <string>
#include <vector>

#include "ui/app/app_context.h"

class QAction;
class QActionGroup;
class QEventLoop;
class QLabel;
class QMenu;

namespace orvane::ui {

class TMainForm;

// The project window. It owns the two profiles for the whole run; here, its
// frame: menus, options, link start-up and the orderly close.
class TFormImport : public QMainWindow {
 public:
  TFormImport(AppContext& context, TMainForm* mainForm);

  // Shows the window modally; returns when it has closed.
  void ShowModal();
  // Closes as "Quitter" does but asks nothing (termination signals).
  void CloseWithoutQuestions();
  // Sets the option tick marks from the settings in memory.
  void ApplyOptionsToMenus();

  // Options
  QAction* AfficherReperes = nullptr;
  QAction* AfficherPoints = nullptr;
  QMenu* DensitePoints = nullptr;
  QAction *Densite1 = nullptr, *Densite2 = nullptr, *Densite3 = nullptr;
  QMenu* TaillePoints = nullptr;
  QAction *Taille1 = nullptr, *Taille2 = nullptr, *Taille3 = nullptr;
  QAction *Precision0 = nullptr, *Precision1 = nullptr, *Precision2 = nullptr,
          *Precision3 = nullptr;
  QAction* DoublonsAuto = nullptr;
  QAction* IgnorerAlertes = nullptr;
  QAction* ConfirmeAbandon = nullptr;
  QAction* ConfirmeEcrasement = nullptr;
  QAction *Increment1 = nullptr, *Increment2 = nullptr, *Increment3 = nullptr;
  QAction* GcodeOnly = nullptr;
  QAction* Reprisedecoupe = nullptr;
  QAction* Audio = nullptr;
  // Outils
  QAction* Reinitialiser = nullptr;
  QAction* Quitter = nullptr;

  QLabel* LinkStatus = nullptr;

  void ReinitialiserClick();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  struct ChoiceEntry {
    QAction* action;
    std::string text;
  };
  QAction* AddOption(QMenu* menu, const QString& caption, bool MachineSettings::*field);
  void AddChoice(QMenu* menu, std::string MachineSettings::*field,
                 std::vector<std::pair<QAction**, std::pair<QString, std::string>>> entries);
  void BuildMenus();
  void FormShow();
  void FormClose();
  QString LinkDescription() const;

  AppContext& context_;
  TMainForm* mainForm_;
  QEventLoop* modalLoop_ = nullptr;
  std::vector<std::pair<QAction*, bool MachineSettings::*>> options_;
  std::vector<std::pair<std::string MachineSettings::*, std::vector<ChoiceEntry>>> choices_;
};

}  // namespace orvane::ui
