#include "ui/params/fiche_memo.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>
#include <QValidator>
#include <array>
#include <functional>

#include "host/atomic_file.h"

namespace orvane::ui {
namespace {

// A memo of a million rows would still be far below this.
constexpr size_t kMaxMemoFile = 64u << 20;

struct Column {
  const char* header;
  int width;
};
constexpr std::array<Column, kMemoCells + 1> kColumns = {{{"N°", 30},
                                                          {"Matière", 200},
                                                          {"Epais. mm", 85},
                                                          {"Vit. mm/s", 85},
                                                          {"Courant mA", 85},
                                                          {"Sect. fil mm", 85},
                                                          {"Long. fil mm", 85},
                                                          {"Ep. trait mm", 85},
                                                          {"Résultat", 200}}};
const QColor kFixedColour(157, 208, 255);
const QColor kFrameColour(153, 153, 153);

// Typed or pasted, ";" and line breaks never enter a cell.
class MemoCellValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& pos) const override {
    for (qsizetype i = input.size() - 1; i >= 0; --i) {
      const QChar c = input.at(i);
      if (c == u';' || c == u'\r' || c == u'\n') {
        input.remove(i, 1);
        if (i < pos) --pos;
      }
    }
    return Acceptable;
  }
};

}  // namespace

// The row the user works on is yellow, and its focused cell framed.
class MemoCellDelegate : public QStyledItemDelegate {
 public:
  MemoCellDelegate(const size_t* current, QObject* parent)
      : QStyledItemDelegate(parent), current_(current) {}
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor))
      line->setValidator(new MemoCellValidator(line));
    editor_ = editor;
    return editor;
  }
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const bool currentRow = static_cast<size_t>(index.row()) == *current_;
    QColor fill = index.column() == 0 ? kFixedColour : (currentRow ? Qt::yellow : Qt::white);
    painter->fillRect(option.rect, fill);
    if (option.state & QStyle::State_HasFocus) {
      painter->fillRect(option.rect, kFrameColour);
      painter->fillRect(option.rect.adjusted(2, 2, -2, -2), Qt::yellow);
    }
    painter->setPen(Qt::black);
    painter->drawText(option.rect, Qt::AlignCenter | Qt::TextSingleLine,
                      index.data(Qt::DisplayRole).toString());
  }

  // Writes the text of an open editor into its cell.
  void destroyEditor(QWidget* editor, const QModelIndex& index) const override {
    if (editor == editor_) editor_ = nullptr;
    QStyledItemDelegate::destroyEditor(editor, index);
  }
  void Commit() {
    if (editor_) emit commitData(editor_);
  }

 private:
  const size_t* current_;
  mutable QPointer<QWidget> editor_;
};

// The memo's rows as the table shows them: column 0 numbers the rows.
class MemoTableModel : public QAbstractTableModel {
 public:
  MemoTableModel(CuttingMemo& memo, QObject* parent) : QAbstractTableModel(parent), memo_(memo) {}
  std::function<void()> onEdited;

  void Reset() {
    beginResetModel();
    endResetModel();
  }
  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(memo_.RowCount());
  }
  int columnCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(kColumns.size());
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
    if (index.column() == 0) return index.row() + 1;
    return QString::fromStdString(memo_.Cell(index.row(), index.column() - 1));
  }
  bool setData(const QModelIndex& index, const QVariant& value, int role) override {
    if (role != Qt::EditRole || index.column() == 0) return false;
    if (!memo_.SetCell(index.row(), index.column() - 1, value.toString().toStdString())) {
      return false;
    }
    emit dataChanged(index, index);
    if (onEdited) onEdited();
    return true;
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || section < 0 || section >= int(kColumns.size())) return {};
    if (role == Qt::DisplayRole) return QString::fromUtf8(kColumns[section].header);
    return {};
  }
  Qt::ItemFlags flags(const QModelIndex& index) const override {
    // The row numbers are the program's.
    if (index.column() == 0) return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
  }

 private:
  CuttingMemo& memo_;
};

TFormMemo::TFormMemo(AppContext& context, QWidget* parent) : QDialog(parent), context_(context) {
  setWindowTitle(QStringLiteral("Orvane - Mémo de découpe"));
  BuildControls();
}

void TFormMemo::BuildControls() {
  model_ = new MemoTableModel(memo_, this);
  model_->onEdited = [this] { CellEdited(); };
  StringGrid1 = new QTableView(this);
  StringGrid1->setModel(model_);
  delegate_ = new MemoCellDelegate(&current_, StringGrid1);
  StringGrid1->setItemDelegate(delegate_);
  StringGrid1->verticalHeader()->hide();
  StringGrid1->horizontalHeader()->setStyleSheet(
      QStringLiteral("QHeaderView::section { background-color: rgb(157, 208, 255); color: black; "
                     "border: 1px solid rgb(120, 160, 200); }"));
  StringGrid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
  StringGrid1->setEditTriggers(QAbstractItemView::DoubleClicked |
                               QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::AnyKeyPressed);
  StringGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
  for (size_t c = 0; c < kColumns.size(); ++c) {
    StringGrid1->setColumnWidth(int(c), kColumns[c].width);
  }
  connect(StringGrid1->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& index) {
            if (index.isValid()) current_ = static_cast<size_t>(index.row());
            RefreshMenu();
            StringGrid1->viewport()->update();
          });

  PopupMenu1 = new QMenu(this);
  const struct {
    QAction** slot;
    const char* caption;
    QKeySequence key;
  } entries[] = {
      {&Copier, "Copier", QKeySequence(Qt::CTRL | Qt::Key_C)},
      {&Coller, "Coller", QKeySequence(Qt::CTRL | Qt::Key_V)},
      {&Inserer, "Insérer", QKeySequence(Qt::Key_Insert)},
      {&Ajouter, "Ajouter", QKeySequence(Qt::CTRL | Qt::Key_Insert)},
      {&Effacer, "Effacer", QKeySequence(Qt::Key_Delete)},
      {&Supprimer, "Supprimer", QKeySequence(Qt::CTRL | Qt::Key_Delete)},
      {&Monter, "Monter", QKeySequence(Qt::Key_F5)},
      {&Descendre, "Descendre", QKeySequence(Qt::Key_F6)},
  };
  for (const auto& entry : entries) {
    QAction* action = PopupMenu1->addAction(QString::fromUtf8(entry.caption));
    action->setShortcut(entry.key);
    // On the table only: while a cell is edited the keys belong to its editor.
    action->setShortcutContext(Qt::WidgetShortcut);
    StringGrid1->addAction(action);
    connect(action, &QAction::triggered, this, [this, action] { MenuClick(action); });
    *entry.slot = action;
  }
  connect(StringGrid1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    const QModelIndex index = StringGrid1->indexAt(at);
    if (index.isValid() && index.column() > 0) SetCurrentRow(index.row());
    RefreshMenu();
    PopupMenu1->popup(StringGrid1->viewport()->mapToGlobal(at));
  });

  Recharger = new QPushButton(QStringLiteral("  Recharger"), this);
  Enregistrer = new QPushButton(QStringLiteral("  Enregistrer"), this);
  Exporter = new QPushButton(QStringLiteral("   Exporter"), this);
  Fermer = new QPushButton(QStringLiteral("    Fermer"), this);
  auto* hint = new QLabel(QStringLiteral("[ Clic droit pour éditer ]"), this);
  connect(Recharger, &QPushButton::clicked, this, [this] { RechargerClick(); });
  connect(Enregistrer, &QPushButton::clicked, this, [this] { EnregistrerClick(); });
  connect(Exporter, &QPushButton::clicked, this, [this] { ExporterClick(); });
  connect(Fermer, &QPushButton::clicked, this, &QDialog::reject);
  for (QPushButton* b : {Recharger, Enregistrer, Exporter, Fermer}) b->setAutoDefault(false);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (QPushButton* b : {Recharger, Enregistrer, Exporter, Fermer}) buttons->addWidget(b);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(StringGrid1, 1);
  layout->addWidget(hint, 0, Qt::AlignHCenter);
  layout->addLayout(buttons);
  resize(980, 460);
}

std::string TFormMemo::MemoPath() const {
  return context_.applicationFolder + std::string(kMemoFileName);
}

int TFormMemo::Run() {
  FormShow();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
  return exec();
}

void TFormMemo::FormShow() {
  memo_.SetRows({});
  memo_.ForgetClipboard();
  current_ = 0;
  unreadable_ = false;
  const bool exists = QFileInfo::exists(QString::fromStdString(MemoPath()));
  if (exists) Load();
  ShowRows();
  SetModified(false);
  Exporter->setEnabled(exists);
}

bool TFormMemo::Load() {
  std::string bytes;
  const FileRead read = ReadFileLimited(MemoPath(), bytes, kMaxMemoFile);
  if (!read.ok) {
    unreadable_ = true;
    context_.messages->Show(MessageKind::Error,
                            "Impossible de lire " + MemoPath() + " : " + read.message);
    return false;
  }
  unreadable_ = false;
  memo_.SetRows(ReadMemoFile(bytes));
  current_ = 0;
  return true;
}

void TFormMemo::ShowRows() {
  model_->Reset();
  current_ = std::min(current_, memo_.RowCount() - 1);
  StringGrid1->setCurrentIndex(model_->index(int(current_), 1));
  RefreshMenu();
  StringGrid1->viewport()->update();
}

void TFormMemo::SetCurrentRow(size_t row) {
  current_ = std::min(row, memo_.RowCount() - 1);
  StringGrid1->setCurrentIndex(model_->index(int(current_), 1));
  RefreshMenu();
}

void TFormMemo::SetModified(bool modified) {
  modified_ = modified;
  Enregistrer->setEnabled(modified);
  Recharger->setEnabled(modified && QFileInfo::exists(QString::fromStdString(MemoPath())));
}

void TFormMemo::CellEdited() {
  SetModified(true);
}

void TFormMemo::RefreshMenu() {
  Coller->setEnabled(memo_.CanPaste());
  Supprimer->setEnabled(memo_.CanRemove());
  Monter->setEnabled(memo_.CanMoveUp(current_));
  Descendre->setEnabled(memo_.CanMoveDown(current_));
}

void TFormMemo::MenuClick(QAction* entry) {
  if (!entry->isEnabled()) return;
  // An open editor holds the cell's new text: it is committed first.
  delegate_->Commit();
  if (entry == Copier) {
    memo_.Copy(current_);
    RefreshMenu();
    return;
  }
  if (entry == Coller) current_ = memo_.Paste(current_);
  if (entry == Inserer) current_ = memo_.Insert(current_);
  if (entry == Ajouter) current_ = memo_.Append();
  if (entry == Effacer) current_ = memo_.Clear(current_);
  if (entry == Supprimer) current_ = memo_.Remove(current_);
  if (entry == Monter) current_ = memo_.MoveUp(current_);
  if (entry == Descendre) current_ = memo_.MoveDown(current_);
  ShowRows();
  SetModified(true);
}

void TFormMemo::RechargerClick() {
  if (!QFileInfo::exists(QString::fromStdString(MemoPath()))) return;
  if (context_.messages->Show(MessageKind::Confirmation, "Abandonner les modifications en cours ?",
                              MessageButtons::YesNo) != MessageAnswer::Yes) {
    return;
  }
  if (!Load()) return;
  ShowRows();
  SetModified(false);
}

bool TFormMemo::EnregistrerClick() {
  delegate_->Commit();
  if (unreadable_ && QFileInfo::exists(QString::fromStdString(MemoPath())) &&
      context_.messages->Show(
          MessageKind::Confirmation,
          MemoPath() + " n'a pas pu être lu.\nLe remplacer par le tableau affiché ?",
          MessageButtons::YesNoDefaultNo) != MessageAnswer::Yes) {
    return false;
  }
  std::string error;
  if (!AtomicWriteFile(MemoPath(), WriteMemoFile(memo_.Rows()), &error)) {
    context_.messages->Show(MessageKind::Error,
                            "Le mémo n'a pas été enregistré dans " + MemoPath() + " :\n" + error);
    return false;
  }
  unreadable_ = false;
  SetModified(false);
  Exporter->setEnabled(true);
  return true;
}

void TFormMemo::ExporterClick() {
  delegate_->Commit();
  FileDialogRequest request;
  request.title = "Exporter le mémo";
  request.folder = context_.applicationFolder;
  request.filters = {"Séparateur point-virgule (*.csv)"};
  request.defaultSuffix = "csv";
  request.fileName = "mon_mémo_de_découpe.csv";
  const auto path = context_.dialogs->SaveFile(request);
  if (!path) return;
  model_->Reset();  // renumbers column 0
  std::string error;
  if (!AtomicWriteFile(*path, WriteMemoCsv(memo_.Rows()), &error)) {
    context_.messages->Show(MessageKind::Error,
                            "Le mémo n'a pas été exporté dans " + *path + " :\n" + error);
  }
  SetCurrentRow(current_);
}

void TFormMemo::done(int result) {
  // The editor's text counts as typed.
  delegate_->Commit();
  memo_.ForgetClipboard();
  if (modified_ &&
      context_.messages->Show(MessageKind::Confirmation, "Enregistrer les modifications ?",
                              MessageButtons::YesNo) == MessageAnswer::Yes &&
      !EnregistrerClick()) {
    return;  // not saved: the rows stay on screen
  }
  // The next opening starts clean.
  memo_.SetRows({});
  current_ = 0;
  model_->Reset();
  SetModified(false);
  QDialog::done(result);
}

}  // namespace orvane::ui
