// TApplication: the desktop program's application object. An exception that leaves an event
// handler or a slot would end the program with the work of the session (Qt cannot carry it
// through its event loop); here it ends only the action that raised it, and is said in a box.
#pragma once

#include <QApplication>
#include <functional>

namespace korvane::ui {

// Runs `deliver` (the delivery of one event); an exception it lets out is said in an error box
// with its words, and the event counts as not handled. The program goes on.
bool DeliverGuarded(const std::function<bool()>& deliver);

class TApplication final : public QApplication {
 public:
  TApplication(int& argc, char** argv) : QApplication(argc, argv) {}
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace korvane::ui
