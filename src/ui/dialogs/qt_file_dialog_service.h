#pragma once

#include "core/app/host_services.h"

namespace orvane::ui {

// Open and save dialogs; browsing a file calls the request's preview callback.
class QtFileDialogService : public FileDialogService {
 public:
  std::optional<std::string> OpenFile(const FileDialogRequest& request) override;
  std::optional<std::string> SaveFile(const FileDialogRequest& request) override;
  std::optional<std::string> ChooseFolder(const FileDialogRequest& request) override;
  void SetConfirmOverwrite(bool confirm) override { confirmOverwrite_ = confirm; }
  bool ConfirmOverwrite() const override { return confirmOverwrite_; }

 private:
  std::optional<std::string> Run(const FileDialogRequest& request, bool save);
  bool confirmOverwrite_ = true;
};

}  // namespace orvane::ui
