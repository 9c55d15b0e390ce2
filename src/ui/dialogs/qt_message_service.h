#pragma once

#include <QWidget>

#include "core/app/host_services.h"

namespace orvane::ui {

// Modal message boxes with French titles and buttons.
class QtMessageService : public MessageService {
 public:
  MessageAnswer Show(MessageKind kind, const std::string& text, MessageButtons buttons) override;
};

QString MessageTitle(MessageKind kind);

}  // namespace orvane::ui
