#include "ui/project/profile_panel.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTableView>
#include <QVBoxLayout>

#include "ui/project/preview_widget.h"
#include "ui/project/profile_table_model.h"

namespace orvane::ui {
namespace {

QTableView* MakeTable(ProfileTableModel* model, QWidget* parent) {
  auto* table = new QTableView(parent);
  table->setModel(model);
  table->verticalHeader()->hide();
  // Fixed row heights keep a 100,000-row table fast.
  table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table->verticalHeader()->setDefaultSectionSize(18);
  table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setContextMenuPolicy(Qt::CustomContextMenu);
  table->setMinimumWidth(190);
  table->setStyleSheet(QStringLiteral(
      "QTableView { selection-background-color: rgb(255, 255, 0); selection-color: black; }"));
  return table;
}

}  // namespace

void SetLabelColours(QLabel* label, const Rgb& background, const QColor& text) {
  label->setAutoFillBackground(true);
  label->setStyleSheet(QStringLiteral("background-color: rgb(%1, %2, %3); color: %4;")
                           .arg(background.r)
                           .arg(background.g)
                           .arg(background.b)
                           .arg(text.name()));
}

ProfilePanel::ProfilePanel(int number, Profile* profile, const MachineSettings* settings,
                           QWidget* parent)
    : QGroupBox(parent), number(number), profile(profile) {
  setStyleSheet(number == 1 ? QStringLiteral("QGroupBox { color: blue; font-weight: bold; }")
                            : QStringLiteral("QGroupBox { color: green; font-weight: bold; }"));
  SetTitle({});
  RawModel = new ProfileTableModel(&profile->raw, &profile->LockedRows, true, this);
  AdjustedModel = new ProfileTableModel(&profile->adjusted, &profile->LockedRows, false, this);
  RawTable = MakeTable(RawModel, this);
  AdjustedTable = MakeTable(AdjustedModel, this);

  Etat = new QLabel(QStringLiteral("---"), this);
  Etat->setToolTip(QStringLiteral("Etat du tracé"));
  NbPoints = new QLabel(QStringLiteral("0 points "), this);
  DimX = new QLineEdit(this);
  DimY = new QLineEdit(this);
  Proportions = new QCheckBox(QStringLiteral("Conserver les proportions"), this);
  Proportions->setChecked(true);
  RealSizeX = new QPushButton(QStringLiteral("↔"), this);
  RealSizeY = new QPushButton(QStringLiteral("↕"), this);
  for (QPushButton* b : {RealSizeX, RealSizeY}) {
    b->setToolTip(QStringLiteral("Cote hors dégagements"));
    b->setFixedWidth(28);
  }
  Copie = new QPushButton(
      number == 1 ? QStringLiteral("Recopier profil 2") : QStringLiteral("Recopier profil 1"),
      this);

  Preview = new PreviewWidget(settings, this);
  Preview->SetProfile(profile);
  Zoom = new QSlider(Qt::Horizontal, this);
  Zoom->setRange(10, 100);
  Zoom->setValue(10);
  ZoomMini = new QPushButton(QStringLiteral("Zoom mini"), this);
  ZoomMaxi = new QPushButton(QStringLiteral("Zoom maxi"), this);
  Centrer = new QPushButton(QStringLiteral("Centrer"), this);
  Synchro = new QCheckBox(QStringLiteral("Synchroniser les zooms"), this);

  Popup = new QMenu(this);
  Annuler = Popup->addAction(QStringLiteral("Annuler"));
  Annuler->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  Popup->addSeparator();
  Importer = Popup->addAction(QStringLiteral("Importer"));
  QMenu* exports = Popup->addMenu(QStringLiteral("Exporter le dessin"));
  ExporterDXF = exports->addAction(QStringLiteral("Format DXF"));
  ExporterDAT = exports->addAction(QStringLiteral("Format DAT"));
  ExporterCSV = exports->addAction(QStringLiteral("Format CSV"));
  ExporterBMP = exports->addAction(QStringLiteral("Format BMP (simple)"));
  ExporterBMPDouble = exports->addAction(QStringLiteral("Format BMP (double)"));
  ImporterButton = new QPushButton(QStringLiteral("Importer"), this);

  auto* layout = new QVBoxLayout(this);
  auto* tables = new QGridLayout;
  tables->addWidget(new QLabel(QStringLiteral("Coordonnées brutes"), this), 0, 0);
  tables->addWidget(new QLabel(QStringLiteral("Coordonnées ajustées"), this), 0, 1);
  tables->addWidget(RawTable, 1, 0);
  tables->addWidget(AdjustedTable, 1, 1);
  layout->addLayout(tables, 3);
  auto* state = new QHBoxLayout;
  state->addWidget(Etat);
  state->addWidget(NbPoints);
  state->addStretch();
  state->addWidget(ImporterButton);
  state->addWidget(Copie);
  layout->addLayout(state);
  auto* dims = new QHBoxLayout;
  dims->addWidget(new QLabel(QStringLiteral("Cote X"), this));
  dims->addWidget(DimX);
  dims->addWidget(RealSizeX);
  dims->addWidget(new QLabel(QStringLiteral("Cote Y"), this));
  dims->addWidget(DimY);
  dims->addWidget(RealSizeY);
  layout->addLayout(dims);
  layout->addWidget(Proportions);
  layout->addWidget(Preview, 4);
  auto* zoom = new QHBoxLayout;
  zoom->addWidget(Zoom, 1);
  zoom->addWidget(ZoomMini);
  zoom->addWidget(ZoomMaxi);
  zoom->addWidget(Centrer);
  layout->addLayout(zoom);
  layout->addWidget(Synchro);
}

void ProfilePanel::SetTitle(const std::string& fileName) {
  profile->fileName = fileName;
  setTitle(QString::fromStdString(ProfileTitle(number, fileName)));
}

void ProfilePanel::Reload() {
  RawModel->Reload();
  AdjustedModel->Reload();
  SelectRow(profile->currentRow);
}

void ProfilePanel::SelectRow(int row) {
  const int rows = RawModel->rowCount();
  if (rows == 0) return;
  row = std::clamp(row, 1, rows);
  profile->currentRow = row;
  for (QTableView* table : {RawTable, AdjustedTable}) {
    QSignalBlocker block(table->selectionModel());
    table->selectRow(row - 1);
    table->scrollTo(table->model()->index(row - 1, 0));
  }
  Preview->update();
}

}  // namespace orvane::ui
