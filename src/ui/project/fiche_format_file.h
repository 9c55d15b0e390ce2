#pragma once

#include <QDialog>
#include <string>

#include "core/project/exports.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace orvane::ui {

// The DAT export's options: an optional comment line and the separator.
class TFormFormatFile : public QDialog {
 public:
  explicit TFormFormatFile(QWidget* parent = nullptr);

  // Shows the dialog for profile 1 or 2; true on "Valider".
  bool Run(int profile);
  std::string Comment() const;
  DatSeparator Separator() const;

  QCheckBox* CheckBox1 = nullptr;
  QLineEdit* EditComment = nullptr;
  QRadioButton* Tabulation = nullptr;
  QRadioButton* Espace = nullptr;
};

}  // namespace orvane::ui
