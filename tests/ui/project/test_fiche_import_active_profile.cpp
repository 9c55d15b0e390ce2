// The arrow over the active profile's raw table.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include "ui/project/fiche_import.h"
#include "ui/project/profile_panel.h"
#include "ui/window_harness.h"

namespace orvane::ui {
namespace {

class ActiveProfile : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h.Start());
    ReadAllSettings(h.store, h.context.settings, &h.serial);
    window.show();
  }
  void Focus(QWidget* table) {
    QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(table, &in);
  }
  // Which arrows show: "1", "2", "" or "12".
  std::string Arrows() {
    std::string shown;
    if (!window.Profil1->Select->isHidden()) shown += '1';
    if (!window.Profil2->Select->isHidden()) shown += '2';
    return shown;
  }
  test::WindowHarness h;
  TFormImport window{h.context, nullptr};
};

TEST_F(ActiveProfile, FollowsTheFocusOfEitherTableAndHidesInEditMode) {
  EXPECT_EQ(Arrows(), "");
  Focus(window.Profil2->AdjustedTable);
  EXPECT_EQ(window.ActiveProfile(), 2);
  EXPECT_EQ(Arrows(), "2");
  Focus(window.Profil1->RawTable);
  EXPECT_EQ(Arrows(), "1");
  // Other widgets taking the focus leave the active profile as it was.
  Focus(window.Profil2->DimX);
  EXPECT_EQ(Arrows(), "1");

  window.EditModeClick(window.Profil1);
  EXPECT_EQ(Arrows(), "");
  Focus(window.Profil1->AdjustedTable);  // still the active one, still no arrow
  EXPECT_EQ(Arrows(), "");
  window.EditModeClick(window.Profil1);
  EXPECT_EQ(Arrows(), "1");
}

}  // namespace
}  // namespace orvane::ui
