#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/app/machine_settings.h"
#include "core/project/project_file.h"
#include "host/atomic_file.h"
#include "support/profiles.h"
#include "ui/project/fiche_edit_point.h"
#include "ui/project/fiche_import.h"
#include "ui/project/fiche_saisie.h"
#include "ui/project/profile_panel.h"
#include "ui/window_harness.h"

namespace orvane::ui {

inline const std::string kData = ORVANE_TEST_DATA;
inline const std::string kMaison = kData + "/maison.ovp";

// The project window with its operation windows, over the harness's services
// and the settings the start-up read.
class ProjectFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h.Start());
    Reopen();
  }
  void TearDown() override {
    if (window) window->CloseWithoutQuestions();
  }
  // A new window over what the store holds now (the old one goes without
  // its close, which would save over the store).
  void Reopen() {
    window.reset();
    h.context.settings = MachineSettings{};  // as a new run: no link started yet
    ReadAllSettings(h.store, h.context.settings, &h.serial);
    window = std::make_unique<TFormImport>(h.context, nullptr);
    window->SetOperationWindows(&saisie, &editPoint, &proprietes);
    window->show();
    p1 = window->Profil1;
    p2 = window->Profil2;
  }
  void Choose(const std::string& path) {
    h.dialogs.browsed = {path};
    h.dialogs.chosen = path;
  }
  void Open(const std::string& path) {
    Choose(path);
    window->ChargerClick();
  }
  void Import(ProfilePanel* panel, const std::string& path) {
    Choose(path);
    window->ImporterClick(panel);
  }
  // A project whose two profiles are the same `points`.
  std::string WriteProject(const std::vector<std::pair<double, double>>& points,
                           const std::string& name = "essai") {
    const Profile p = test::MakeProfile(points);
    const DimensionTexts d = DimensionsOf(p, 3);
    const std::string dims[4] = {d.x, d.y, d.x, d.y};
    const std::string path = h.home / ("projets/" + name + ".ovp");
    EXPECT_TRUE(AtomicWriteFile(path, WriteProjectFile(p, p, 3, dims).bytes));
    return path;
  }
  std::vector<std::string> Captions() { return window->OperationHistory().Captions(); }

  test::WindowHarness h;
  TFormSaisie saisie;
  TFormEditPoint editPoint;
  TFormProprietes proprietes;
  std::unique_ptr<TFormImport> window;
  ProfilePanel* p1 = nullptr;
  ProfilePanel* p2 = nullptr;
};

}  // namespace orvane::ui
