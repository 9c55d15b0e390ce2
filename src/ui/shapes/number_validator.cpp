#include "ui/shapes/number_validator.h"

#include <QLineEdit>

namespace orvane::ui {

QValidator::State NumberValidator::validate(QString& input, int& pos) const {
  const std::string typed = input.toStdString();
  const std::string kept = CleanNumberText(typed, rule_);
  if (kept != typed) {
    // The caret stays after what was kept of the text before it.
    const std::string before = input.left(pos).toStdString();
    pos = static_cast<int>(CleanNumberText(before, rule_).size());
    input = QString::fromStdString(kept);
    pos = std::min(pos, static_cast<int>(input.size()));
  }
  return Acceptable;
}

void MakeNumberEdit(QLineEdit* edit, NumberTextRule rule, QWidget* next) {
  edit->setValidator(new NumberValidator(rule, edit));
  edit->setMaxLength(rule.maxLength > 0 ? rule.maxLength : 12);
  edit->setAlignment(Qt::AlignRight);
  if (next) {
    QObject::connect(edit, &QLineEdit::returnPressed, next, [next] { next->setFocus(); });
  }
}

double EditNumber(const QLineEdit* edit) {
  return NumberTextValue(edit->text().toStdString());
}

}  // namespace orvane::ui
