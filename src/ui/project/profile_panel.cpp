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
#include <QScopedValueRollback>
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
  table->setItemDelegate(new ProfileCellDelegate(table));
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
  RotationHoraire = new QPushButton(QStringLiteral("↻ 90°"), this);
  RotationHoraire->setToolTip(QStringLiteral("Rotation horaire 90°"));
  MiroirH = new QPushButton(QStringLiteral("↔"), this);
  MiroirH->setToolTip(QStringLiteral("Miroir horizontal"));
  MiroirV = new QPushButton(QStringLiteral("↕"), this);
  MiroirV->setToolTip(QStringLiteral("Miroir vertical"));
  EditMode = new QPushButton(QStringLiteral("Mode édition"), this);
  EditMode->setToolTip(QStringLiteral("Mode édition"));

  Popup = new QMenu(this);
  Annuler = Popup->addAction(QStringLiteral("Annuler"));
  Annuler->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  auto add = [this](const char* caption, QKeySequence shortcut = {}) {
    QAction* action = Popup->addAction(QString::fromUtf8(caption));
    if (!shortcut.isEmpty()) {
      action->setShortcut(shortcut);
      action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
      addAction(action);
    }
    return action;
  };
  Popup->addSeparator();
  Permuter = add("Permuter les profils");
  CopierP = add("Copier XY", QKeySequence(Qt::CTRL | Qt::Key_C));
  CollerP = add("Coller  XY", QKeySequence(Qt::CTRL | Qt::Key_V));
  CollerX = add("Coller  X");
  CollerY = add("Coller  Y");
  Editer = add("Editer  XY", QKeySequence(Qt::Key_F2));
  Inserer = add("Insérer un point", QKeySequence(Qt::Key_Insert));
  Supprimer = add("Supprimer le point", QKeySequence(Qt::Key_Delete));
  Popup->addSeparator();
  Rotation = add("Rotation...");
  FermerForme = add("Fermer le tracé");
  Definir = add("Définir comme point de départ");
  Inverser = add("Inverser le sens de découpe");
  TraitCoupe = add("Trait de coupe...");
  DelDoublons = add("Supprimer les doublons");
  Confondre = add("Confondre les points...");
  Simplifier = add("Simplifier le tracé", QKeySequence(Qt::CTRL | Qt::Key_Delete));
  Diviser = add("Diviser les segments...");
  AppliquerCoef = add("Appliquer un coefficient");
  Popup->addSeparator();
  Figer = add("Verrouiller la sélection", QKeySequence(Qt::Key_F3));
  Liberer = add("Libérer la sélection", QKeySequence(Qt::Key_F4));
  LibererTout = add("Libérer tout", QKeySequence(Qt::SHIFT | Qt::Key_F4));
  InverseSelect = add("Inverser le verrouillage", QKeySequence(Qt::CTRL | Qt::Key_F4));
  Deplacer = add("Déplacer la sélection...", QKeySequence(Qt::Key_F8));
  InverserPlage = add("Inverser le sens", QKeySequence(Qt::Key_F9));
  Popup->addSeparator();
  Proprietes = add("Propriétés du dessin");
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
  Select = new QLabel(QStringLiteral("▼"), this);
  Select->setToolTip(QStringLiteral("Profil actif"));
  Select->setStyleSheet(number == 1 ? QStringLiteral("color: blue;")
                                    : QStringLiteral("color: green;"));
  // The tables must not move when the arrow goes from one profile to the other.
  QSizePolicy keepPlace = Select->sizePolicy();
  keepPlace.setRetainSizeWhenHidden(true);
  Select->setSizePolicy(keepPlace);
  Select->hide();
  auto* rawTitle = new QHBoxLayout;
  rawTitle->addWidget(new QLabel(QStringLiteral("Coordonnées brutes"), this));
  rawTitle->addWidget(Select);
  rawTitle->addStretch();
  tables->addLayout(rawTitle, 0, 0);
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
  auto* tools = new QHBoxLayout;
  tools->addWidget(Synchro);
  tools->addStretch();
  for (QPushButton* b : {RotationHoraire, MiroirH, MiroirV, EditMode}) tools->addWidget(b);
  layout->addLayout(tools);
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
  SelectRange(row, row, row);
}

void ProfilePanel::SelectRange(int top, int bottom, int current) {
  const int rows = RawModel->rowCount();
  if (rows == 0) return;
  top = std::clamp(top, 1, rows);
  bottom = std::clamp(bottom, top, rows);
  profile->currentRow = std::clamp(current, top, bottom);
  profile->selectionTop = top;
  profile->selectionBottom = bottom;
  // The window's selection handlers ignore this change; the tables still
  // hear it, so that they repaint the rows now.
  const QScopedValueRollback<bool> guard(selecting, true);
  for (QTableView* table : {RawTable, AdjustedTable}) {
    const QItemSelection range(table->model()->index(top - 1, 0),
                               table->model()->index(bottom - 1, 2));
    table->selectionModel()->setCurrentIndex(table->model()->index(profile->currentRow - 1, 0),
                                             QItemSelectionModel::NoUpdate);
    table->selectionModel()->select(range, QItemSelectionModel::ClearAndSelect);
    table->scrollTo(table->model()->index(profile->currentRow - 1, 0));
  }
  Preview->update();
}

}  // namespace orvane::ui
