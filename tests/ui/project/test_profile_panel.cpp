#include "ui/project/profile_panel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <QTableView>

#include "support/profiles.h"
#include "ui/project/preview_widget.h"
#include "ui/project/profile_table_model.h"
#include "ui/window_harness.h"

namespace orvane::ui {
namespace {

// Gathers what a widget repaints.
class PaintWatcher : public QObject {
 public:
  explicit PaintWatcher(QWidget* widget) { widget->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(event)->region();
    return false;
  }
  QRegion painted;
};

class Panel : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<std::pair<double, double>> points;
    for (int i = 0; i < 12; ++i) points.push_back({i * 10.0, (i % 3) * 5.0});
    points[6] = points[5];  // rows 6 and 7 repeat each other
    profile = test::MakeProfile(points);
    profile.LockedRows = {3, 4};
    panel = std::make_unique<ProfilePanel>(1, &profile, &settings);
    panel->resize(600, 900);
    panel->show();
    panel->Reload();
    QApplication::processEvents();
  }
  // The colour inside a cell, clear of its text.
  QColor CellColour(QTableView* table, int row, int column) {
    const QImage image = table->viewport()->grab().toImage();
    const QRect cell = table->visualRect(table->model()->index(row - 1, column));
    return image.pixelColor(cell.left() + 2, cell.top() + 2);
  }

  MachineSettings settings;
  Profile profile;
  std::unique_ptr<ProfilePanel> panel;
};

TEST_F(Panel, BothTablesRepaintTheRowsWhoseSelectionChanged) {
  panel->SelectRow(1);
  // Whatever showing the panel still had to paint is done first.
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
  std::vector<std::unique_ptr<PaintWatcher>> watchers;
  for (QTableView* table : {panel->RawTable, panel->AdjustedTable}) {
    watchers.push_back(std::make_unique<PaintWatcher>(table->viewport()));
  }
  panel->SelectRow(5);  // as a click in the other table or the preview does
  auto coordinates = [](QTableView* table, int row) {
    return table->visualRect(table->model()->index(row - 1, 2));
  };
  auto repainted = [&] {
    for (size_t t = 0; t < 2; ++t) {
      QTableView* table = t == 0 ? panel->RawTable : panel->AdjustedTable;
      if (!watchers[t]->painted.contains(coordinates(table, 1)) ||
          !watchers[t]->painted.contains(coordinates(table, 5))) {
        return false;
      }
    }
    return true;
  };
  EXPECT_TRUE(test::WaitUntil(repainted, 2000));
}

TEST_F(Panel, SelectionKeepsTheDuplicateAndLockedColours) {
  panel->SelectRange(2, 8, 2);
  for (QTableView* table : {panel->RawTable, panel->AdjustedTable}) {
    EXPECT_EQ(CellColour(table, 6, 0), QColor(255, 189, 0));  // duplicate, selected
    EXPECT_EQ(CellColour(table, 7, 0), QColor(255, 189, 0));
    EXPECT_EQ(CellColour(table, 3, 1), QColor(0, 160, 0));  // locked, selected
    EXPECT_EQ(CellColour(table, 8, 1), QColor(255, 255, 0));
  }
  panel->SelectRow(10);
  EXPECT_EQ(CellColour(panel->RawTable, 4, 2), QColor(0, 255, 0));  // locked
  EXPECT_EQ(CellColour(panel->RawTable, 6, 0), QColor(255, 189, 0));
  EXPECT_EQ(CellColour(panel->RawTable, 8, 1), QColor(Qt::white));
}

}  // namespace
}  // namespace orvane::ui
