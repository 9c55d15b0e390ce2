#pragma once

#include <QDialog>
#include <optional>
#include <string>

#include "ui/app/app_context.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace orvane::ui {

// Creates a working folder under the application folder.
class TFormNewDir : public QDialog {
 public:
  TFormNewDir(AppContext& context, QWidget* parent = nullptr);

  // Shows the dialog modally; the folder created, with its final "/", or
  // nothing when the user gave up.
  std::optional<std::string> Run();
  // "Créer le dossier": true when the folder was created.
  bool CreerClick();
  const std::optional<std::string>& Created() const { return created_; }

  QLabel* DossierBase = nullptr;
  QLineEdit* SousDossier = nullptr;
  QPushButton *Creer = nullptr, *Annuler = nullptr;

 private:
  AppContext& context_;
  std::optional<std::string> created_;
};

}  // namespace orvane::ui
