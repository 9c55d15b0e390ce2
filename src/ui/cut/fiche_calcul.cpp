#include "ui/cut/fiche_calcul.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "core/cut/gcode_dialect.h"
#include "host/cut_saver.h"
#include "ui/cut/fiche_export_gcode.h"
#include "ui/cut/fiche_patienter.h"

namespace orvane::ui {
namespace {

// Lets the windows breathe every few milliseconds, and sees Escape.
class WindowObserver : public GenerationObserver {
 public:
  WindowObserver(TFormPatienter* wait, KeyState* keys) : wait_(wait), keys_(keys) {
    timer_.start();
  }
  bool Continue(size_t segment, size_t segments, uint64_t) override {
    if (timer_.elapsed() >= 15) {
      wait_->ProgressBar1->setMaximum(static_cast<int>(segments));
      wait_->ProgressBar1->setValue(static_cast<int>(segment));
      QApplication::processEvents();
      timer_.restart();
    }
    return !(keys_ && keys_->IsKeyDown(Key::Escape));
  }
  void Writing() override {
    wait_->LabelInfo->setText(QStringLiteral("Création du fichier temporaire"));
    QApplication::processEvents();
  }

 private:
  TFormPatienter* wait_;
  KeyState* keys_;
  QElapsedTimer timer_;
};

}  // namespace

QString GroupedNumber(long value) {
  QString digits = QString::number(value < 0 ? -value : value);
  for (int i = digits.size() - 3; i > 0; i -= 3) digits.insert(i, QChar(' '));
  return value < 0 ? QStringLiteral("-") + digits : digits;
}

TFormCalcul::TFormCalcul(AppContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
  setWindowTitle(QStringLiteral("Orvane - Fichier de découpe"));
  setWindowFlag(Qt::WindowStaysOnTopHint);
  StringGrid1 = new QTableWidget(this);
  StringGrid1->setColumnCount(5);
  StringGrid1->setHorizontalHeaderLabels({QStringLiteral("Point"), QStringLiteral("X1"),
                                          QStringLiteral("Y1"), QStringLiteral("X2"),
                                          QStringLiteral("Y2")});
  StringGrid1->verticalHeader()->hide();
  StringGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  StringGrid1->verticalHeader()->setDefaultSectionSize(18);
  StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Coordonnees = new QLabel(this);
  Developpe1 = new QLabel(this);
  Developpe2 = new QLabel(this);
  Ecart = new QLabel(this);
  CheckBoxFiles = new QCheckBox(QStringLiteral("créer deux découpes opposées"), this);
  Enregistrer = new QPushButton(QStringLiteral("Enregistrer la découpe"), this);
  Annuler = new QPushButton(QStringLiteral("Annuler"), this);
  connect(Enregistrer, &QPushButton::clicked, this, [this] { EnregistrerClick(); });
  connect(Annuler, &QPushButton::clicked, this, &QDialog::reject);

  auto* menus = new QMenuBar(this);
  ExporterGcode = menus->addMenu(QStringLiteral("Fichier"))
                      ->addAction(QStringLiteral("Exporter le G-code..."), this,
                                  [this] { ExporterGcodeClick(); });
  ExportGcode = new TFormExportGcode(context_.messages, this);

  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(menus);
  layout->addWidget(StringGrid1);
  auto* info = new QHBoxLayout;
  info->addWidget(new QLabel(QStringLiteral("Points :"), this));
  info->addWidget(Coordonnees);
  info->addWidget(new QLabel(QStringLiteral("Développé profil 1 :"), this));
  info->addWidget(Developpe1);
  info->addWidget(new QLabel(QStringLiteral("Développé profil 2 :"), this));
  info->addWidget(Developpe2);
  layout->addLayout(info);
  layout->addWidget(Ecart);
  layout->addWidget(CheckBoxFiles);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Enregistrer);
  buttons->addWidget(Annuler);
  layout->addLayout(buttons);
  resize(620, 600);
}

int TFormCalcul::Run(const Profile& p1, const Profile& p2, int decimals,
                     const double (&dimensions)[4]) {
  generation_.reset();
  exported_.clear();
  // A cut out of the motors' reach is refused before the window opens.
  const std::string refusal = CutRefusal(p1.adjusted, p2.adjusted, context_.settings);
  if (!refusal.empty()) {
    context_.messages->Show(MessageKind::Error, refusal);
    return QDialog::Rejected;
  }
  p1_ = &p1;
  p2_ = &p2;
  decimals_ = decimals;
  std::copy(std::begin(dimensions), std::end(dimensions), dimensions_);
  CheckBoxFiles->setChecked(false);
  Ecart->clear();
  CheckBoxFiles->setEnabled(ProfilesDiffer(p1.adjusted, p2.adjusted));
  FillTable();
  Enregistrer->setEnabled(true);
  ExporterGcode->setEnabled(false);
  // Generation starts once the window is on screen.
  QTimer::singleShot(0, this, [this] { Generate(); });
  return exec();
}

void TFormCalcul::FillTable() {
  const PointRows& a = p1_->adjusted;
  const PointRows& b = p2_->adjusted;
  StringGrid1->clearContents();
  StringGrid1->setRowCount(static_cast<int>(a.size()));
  for (int r = 0; r < static_cast<int>(a.size()); ++r) {
    const QString cells[5] = {
        QString::number(r + 1), QString::fromStdString(a[r].x), QString::fromStdString(a[r].y),
        r < static_cast<int>(b.size()) ? QString::fromStdString(b[r].x) : QString(),
        r < static_cast<int>(b.size()) ? QString::fromStdString(b[r].y) : QString()};
    for (int c = 0; c < 5; ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      item->setTextAlignment(c == 0 ? Qt::AlignCenter : (Qt::AlignRight | Qt::AlignVCenter));
      StringGrid1->setItem(r, c, item);
    }
  }
  Developpe1->setText(GroupedNumber(RoundedDevelopedLength(a)) + QStringLiteral(" mm"));
  Developpe2->setText(GroupedNumber(RoundedDevelopedLength(b)) + QStringLiteral(" mm"));
  Coordonnees->setText(GroupedNumber(static_cast<long>(a.size())));
}

void TFormCalcul::Generate() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  wait_->LabelOperation->setText(QStringLiteral("Génération des points en cours de traitement"));
  wait_->LabelInfo->setText(QStringLiteral("Calcul des trajectoires"));
  wait_->ProgressBar1->setValue(0);
  wait_->show();
  WindowObserver observer(wait_, context_.keys);
  generation_ = GenerateCut(p1_->adjusted, p2_->adjusted, context_.settings,
                            context_.settings.CutPath, context_.settings.GcodeOnly, &observer);
  wait_->hide();
  QApplication::restoreOverrideCursor();
  // The step file read back: how far what will be cut strays from the outlines.
  Ecart->clear();
  if (generation_->checked && generation_->deviation.error.empty()) {
    const CutDeviation& d = generation_->deviation;
    Ecart->setText(QString::fromStdString(DeviationLine(d, 0) + "      " + DeviationLine(d, 1)));
    Ecart->setStyleSheet(d.Fault() ? QStringLiteral("color: red") : QString());
  }
  if (generation_->steps.aborted) {
    Enregistrer->setEnabled(false);
    reject();
    return;
  }
  if (!generation_->error.empty()) {
    Enregistrer->setEnabled(false);
    context_.messages->Show(MessageKind::Error, generation_->error);
  }
  ExporterGcode->setEnabled(generation_->Ok());
}

void TFormCalcul::EnregistrerClick() {
  if (!generation_ || !generation_->Ok()) return;
  const bool twoCuts = CheckBoxFiles->isChecked();
  const std::optional<std::string> path =
      AskCutPath("Enregistrer le fichier de découpe", "Découpes Orvane (*.ovi)", "ovd", twoCuts);
  if (!path) return;

  CutSaveRequest save;
  save.cutFolder = context_.settings.CutPath;
  save.base = CutBase(*path);
  save.twoCuts = twoCuts;
  save.gcodeOnly = context_.settings.GcodeOnly;
  save.header = MakeCutHeader(*generation_, p1_->adjusted, p2_->adjusted, decimals_,
                              context_.projection, dimensions_);
  context_.projection = save.header.projection;  // the record keeps the defaulted sizes
  save.points = &generation_->table.points;
  save.settings = &context_.settings;
  for (int k = 0; k < (twoCuts ? 2 : 1); ++k) {
    const auto exported = exported_.find(CutSetNames(save.base, twoCuts, k == 1).controller);
    if (exported != exported_.end()) save.controllerPrograms[k] = exported->second;
  }
  // On a G-code controller the cut runs from its program: written with the
  // set, in the dialect chosen at the last export.
  if (context_.settings.PortType == 3 && context_.store) {
    GcodeMotion motion = GcodeMotionFrom(context_.settings);
    motion.decimals = decimals_;
    const DialectSet programs = WriteDialectSet(
        generation_->table.points, ReadGcodeDialect(*context_.store).dialect, motion, twoCuts);
    if (!programs.error.empty()) {
      context_.messages->Show(MessageKind::Error,
                              "La découpe n'est pas enregistrée : " + programs.error);
      return;
    }
    save.controllerPrograms[0] = programs.texts[0];
    save.controllerPrograms[1] = programs.texts[1];
  }
  const CutSaveResult saved = SaveCut(save);
  if (!saved.ok) {
    context_.messages->Show(MessageKind::Error, saved.message);
    return;
  }
  accept();
}

std::optional<std::string> TFormCalcul::AskCutPath(const std::string& title,
                                                   const std::string& filter,
                                                   const std::string& suffix, bool twoCuts) {
  FileDialogRequest request;
  request.title = title;
  request.folder = context_.settings.CutPath;
  request.filters = {filter};
  request.defaultSuffix = suffix;
  request.fileName = ProposedCutName(p1_->fileName, twoCuts);
  return context_.dialogs->SaveFile(request);
}

void TFormCalcul::done(int result) {
  DeleteTemporaryCutFiles(context_.settings.CutPath);
  QDialog::done(result);
}

}  // namespace orvane::ui
