#include "ui/params/field_validator.h"

#include <QLineEdit>
#include <algorithm>

namespace orvane::ui {

FieldValidator::FieldValidator(FieldKind kind, int maxLength, QObject* parent)
    : QValidator(parent), kind_(kind), maxLength_(maxLength) {}

QValidator::State FieldValidator::validate(QString& input, int& position) const {
  const QString clean = QString::fromStdString(
      CleanFieldText(input.toStdString(), kind_, static_cast<size_t>(std::max(maxLength_, 0))));
  if (clean != input) {
    // The cursor keeps its place among the characters that stayed.
    position = std::clamp(position - static_cast<int>(input.size() - clean.size()), 0,
                          static_cast<int>(clean.size()));
    input = clean;
  }
  return Acceptable;
}

void RestrictField(QLineEdit* edit, FieldKind kind, int maxLength) {
  edit->setValidator(new FieldValidator(kind, maxLength, edit));
  edit->setMaxLength(maxLength > 0 ? maxLength * 4 : 32767);
}

}  // namespace orvane::ui
