#pragma once

#include <QDialog>
#include <optional>

#include "core/cut/gcode_dialect.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace orvane {
class MessageService;
}

namespace orvane::ui {

// The choices of a G-code export for a controller: the axes' letters, the
// feed mode and the heating through the spindle output.
class TFormExportGcode : public QDialog {
 public:
  explicit TFormExportGcode(MessageService* messages, QWidget* parent = nullptr);

  // Shows the dialog modally with `initial`; the choices once "Exporter" is
  // pressed with letters and a power that can be written, nothing on "Annuler".
  std::optional<GcodeDialect> Run(const GcodeDialect& initial);

  QComboBox* Axes = nullptr;  // editable: any four letters
  QRadioButton* AvanceG93 = nullptr;
  QRadioButton* AvanceG94 = nullptr;
  QCheckBox* Chauffe = nullptr;
  QSpinBox* Puissance = nullptr;
  QSpinBox* SMax = nullptr;
  QPushButton* Exporter = nullptr;
  QPushButton* Annuler = nullptr;

  void ExporterClick();

 private:
  GcodeDialect Choices() const;

  MessageService* messages_;
  GcodeDialect chosen_;
};

}  // namespace orvane::ui
