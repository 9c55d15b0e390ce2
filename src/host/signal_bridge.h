#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace orvane {

// Turns every termination signal into a Qt signal delivered on the event
// loop, so that the program ends through its orderly close; the heating is
// off before the handler returns.
class SignalBridge : public QObject {
  Q_OBJECT
 public:
  explicit SignalBridge(QObject* parent = nullptr);
  ~SignalBridge() override;

 signals:
  void terminationRequested(int signalNumber);

 private:
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace orvane
