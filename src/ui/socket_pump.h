// TSocketPump: the Asio socket library pumped from Qt's event loop. A socket notifier watches the
// library's event handle, which is readable only when the library has completions to run; each
// activation runs them and says so. Nothing polls: an idle program, and one waiting on a slow
// server, sleeps in the event loop.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

#include "net/socket_hub.h"
#include "net/socket_library_asio.h"

namespace korvane::ui {

class TSocketPump : public QObject {
  Q_OBJECT
 public:
  explicit TSocketPump(QObject* parent = nullptr);
  ~TSocketPump() override;

  TSocketHub& Hub() { return *hub_; }
  // Runs what the library has pending, without waiting.
  void ProcessMessages();

 signals:
  // Socket events were handled: a run waiting on them may take its next step.
  void EventsProcessed();

 private:
  void Activated();

  std::unique_ptr<TAsioSocketLibrary> library_;
  std::unique_ptr<TSocketHub> hub_;
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace korvane::ui
