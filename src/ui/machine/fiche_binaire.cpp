#include "ui/machine/fiche_binaire.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <climits>
#include <fstream>

#include "core/app/machine_settings.h"
#include "core/common/regular_file.h"
#include "core/machine/step_runs.h"
#include "ui/cut/fiche_patienter.h"

namespace orvane::ui {

// The runs of the step file, decoded a block at a time as rows are shown:
// the view of a huge file holds its index and one block, never every row.
class StepRunModel : public QAbstractTableModel {
 public:
  using QAbstractTableModel::QAbstractTableModel;

  void Reset(std::unique_ptr<std::ifstream> file, StepRunIndex index,
             const std::array<uint8_t, 4>& masks) {
    beginResetModel();
    file_ = std::move(file);
    index_ = std::move(index);
    masks_ = masks;
    cachedBlock_ = UINT64_MAX;
    cache_.clear();
    endResetModel();
  }
  void Clear() { Reset(nullptr, StepRunIndex(), {}); }
  const StepRunIndex& Index() const { return index_; }

  int rowCount(const QModelIndex& parent = {}) const override {
    if (parent.isValid()) return 0;
    return static_cast<int>(std::min<uint64_t>(index_.runs, INT_MAX));
  }
  int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : 7;
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    static const char* const kHeaders[7] = {"LIGNE", "PAS", "HEXA", "X1", "Y1", "X2", "Y2"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > 6) {
      return {};
    }
    return QString::fromLatin1(kHeaders[section]);
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    const StepRun* run = Run(static_cast<uint64_t>(index.row()));
    if (!run) return {};
    switch (index.column()) {
      case 0:
        return QString::number(static_cast<qulonglong>(run->number));
      case 1:
        return QString::number(static_cast<qulonglong>(run->length));
      case 2:
        return QString::fromStdString(HexByteText(run->byte));
      default:
        return QString::fromStdString(AxisBitsText(run->byte, masks_[index.column() - 3]));
    }
  }

 private:
  const StepRun* Run(uint64_t row) const {
    if (!file_) return nullptr;
    const uint64_t block = row / StepRunIndex::kRunsPerBlock;
    if (block != cachedBlock_) {
      cache_ = ReadStepRunBlock(*file_, index_, block);
      cachedBlock_ = block;
    }
    const uint64_t at = row % StepRunIndex::kRunsPerBlock;
    return at < cache_.size() ? &cache_[at] : nullptr;
  }

  std::unique_ptr<std::ifstream> file_;
  StepRunIndex index_;
  std::array<uint8_t, 4> masks_{};
  mutable uint64_t cachedBlock_ = UINT64_MAX;
  mutable std::vector<StepRun> cache_;
};

namespace {

QString Grouped(uint64_t value) {
  QString digits = QString::number(static_cast<qulonglong>(value));
  for (int i = digits.size() - 3; i > 0; i -= 3) digits.insert(i, QChar(' '));
  return digits;
}

uint8_t PairMask(int64_t slot) {
  return static_cast<uint8_t>(3u << (2 * (slot & 3)));
}

}  // namespace

TFormBinaire::TFormBinaire(AppContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
  setWindowTitle(QStringLiteral("Orvane - Détail de la découpe"));
  model_ = new StepRunModel(this);
  StringGrid1 = new QTableView(this);
  StringGrid1->setModel(model_);
  StringGrid1->verticalHeader()->hide();
  StringGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  StringGrid1->verticalHeader()->setDefaultSectionSize(18);
  StringGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  StringGrid1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
  StringGrid1->setMinimumWidth(640);

  Sequences = new QLabel(this);
  OctetsN1 = new QLabel(this);
  LignesGcode = new QLabel(this);
  OctetsN2 = new QLabel(this);
  Rapport = new QLabel(this);
  Fermer = new QPushButton(QStringLiteral("Fermer"), this);
  connect(Fermer, &QPushButton::clicked, this, &QDialog::accept);

  auto* summary = new QGridLayout;
  const std::pair<const char*, QLabel*> rows[] = {{"Séquences", Sequences},
                                                  {"Octets transmis (n1)", OctetsN1},
                                                  {"Lignes G-code", LignesGcode},
                                                  {"Octets transmis (n2)", OctetsN2}};
  int row = 0;
  for (const auto& [caption, label] : rows) {
    summary->addWidget(new QLabel(QString::fromUtf8(caption), this), row, 0);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    summary->addWidget(label, row++, 1);
  }
  summary->addWidget(Rapport, row, 0, 1, 2);
  summary->setColumnStretch(2, 1);
  summary->addWidget(Fermer, row, 3);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(StringGrid1, 1);
  layout->addLayout(summary);
  resize(720, 620);
}

TFormBinaire::~TFormBinaire() = default;

bool TFormBinaire::Fill(const std::string& stepPath, const std::string& gcodePath,
                        const MachineSettings& settings) {
  model_->Clear();
  for (QLabel* label : {Sequences, OctetsN1, LignesGcode, OctetsN2, Rapport}) label->clear();
  auto file = std::make_unique<std::ifstream>();
  if (!OpenRegularStream(*file, stepPath)) {
    context_.messages->Show(MessageKind::Warning, "Fichier de découpe manquant");
    return false;
  }
  if (wait_) {
    wait_->LabelOperation->setText(QStringLiteral("Détail du fichier de découpe"));
    wait_->LabelInfo->setText(QStringLiteral("Interprétation..."));
    wait_->ProgressBar1->setRange(0, 1000);
    wait_->ProgressBar1->setValue(0);
    wait_->show();
  }
  file->seekg(0, std::ios::end);
  const uint64_t size = static_cast<uint64_t>(std::max<std::streamoff>(0, file->tellg()));
  file->seekg(0);
  QElapsedTimer sinceRefresh;
  sinceRefresh.start();
  const KeyState* keys = context_.keys;
  const std::optional<StepRunIndex> index = IndexStepRuns(*file, [&](uint64_t done) {
    if (sinceRefresh.elapsed() >= 30) {
      if (wait_ && size > 0) wait_->ProgressBar1->setValue(static_cast<int>(done * 1000 / size));
      QApplication::processEvents();
      sinceRefresh.restart();
    }
    return !(keys && keys->IsKeyDown(Key::Escape));
  });
  if (wait_) wait_->hide();
  if (!index) return false;

  const std::array<uint8_t, 4> masks = {PairMask(settings.X1io), PairMask(settings.Y1io),
                                        PairMask(settings.X2io), PairMask(settings.Y2io)};
  const uint64_t runs = index->runs, bytes = index->bytes;
  model_->Reset(std::move(file), *index, masks);
  Sequences->setText(Grouped(runs));
  OctetsN1->setText(Grouped(bytes));
  std::ifstream gcode;
  if (OpenRegularStream(gcode, gcodePath)) {
    const uint64_t lines = CountTextLines(gcode);
    LignesGcode->setText(Grouped(lines));
    OctetsN2->setText(Grouped(lines * 48));
    Rapport->setText(QString::fromStdString(TransferRatioText(bytes, lines)));
  } else {
    LignesGcode->setText(QStringLiteral("-----"));
    OctetsN2->setText(QStringLiteral("-----"));
  }
  StringGrid1->scrollToTop();
  return true;
}

bool TFormBinaire::Run(const std::string& stepPath, const std::string& gcodePath,
                       const MachineSettings& settings) {
  if (!Fill(stepPath, gcodePath, settings)) return false;
  exec();
  // The step file is let go once the view closes.
  model_->Clear();
  return true;
}

QString TFormBinaire::Cell(int row, int column) const {
  return model_->data(model_->index(row, column), Qt::DisplayRole).toString();
}

int TFormBinaire::RowCount() const {
  return model_->rowCount();
}

}  // namespace orvane::ui
