#pragma once

#include <QValidator>

#include "core/params/field_text.h"

class QLineEdit;

namespace orvane::ui {

// Cleans whatever reaches an edit, typed or pasted, to what the field
// accepts: a paste becomes what typing it would have given.
class FieldValidator : public QValidator {
 public:
  FieldValidator(FieldKind kind, int maxLength, QObject* parent);
  State validate(QString& input, int& position) const override;

 private:
  FieldKind kind_;
  int maxLength_;
};

// Gives `edit` a cleaning validator and its length.
void RestrictField(QLineEdit* edit, FieldKind kind, int maxLength);

}  // namespace orvane::ui
