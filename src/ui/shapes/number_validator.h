#pragma once

#include <QValidator>

#include "core/shapes/number_text.h"

class QLineEdit;

namespace orvane::ui {

// Filters a number edit of the shape windows: typed and pasted text alike
// keep only what the rule allows, so nothing unreadable ever reaches it.
class NumberValidator : public QValidator {
 public:
  NumberValidator(NumberTextRule rule, QObject* parent) : QValidator(parent), rule_(rule) {}
  State validate(QString& input, int& pos) const override;

 private:
  NumberTextRule rule_;
};

// Gives `edit` the rule; Enter then moves the focus to `next` when given.
void MakeNumberEdit(QLineEdit* edit, NumberTextRule rule, QWidget* next = nullptr);

// The edit's value; empty, "-" and "." read as 0.
double EditNumber(const QLineEdit* edit);

}  // namespace orvane::ui
