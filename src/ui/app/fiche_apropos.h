#pragma once

#include <QDialog>

class QLabel;

namespace orvane::ui {

// "A propos du logiciel": the version, the licence and the libraries used.
class TFormAPropos : public QDialog {
 public:
  explicit TFormAPropos(QWidget* parent = nullptr);

  QLabel* Version = nullptr;
  QLabel* Licence = nullptr;
  QLabel* Bibliotheques = nullptr;
};

}  // namespace orvane::ui
