#pragma once

#include "core/app/host_services.h"

namespace orvane::ui {

// The desktop's own handlers (browser, help viewer) and detached programs.
class QtDesktopService : public DesktopService {
 public:
  bool OpenUrl(const std::string& url) override;
  bool StartProgram(const std::string& program) override;
  std::string SearchPath() const override;
};

}  // namespace orvane::ui
