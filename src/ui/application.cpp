#include "ui/application.h"

#include <exception>
#include <string>

#include "ui/message_box.h"

namespace korvane::ui {

bool DeliverGuarded(const std::function<bool()>& deliver) {
  std::string what;
  try {
    return deliver();
  } catch (const std::exception& error) {
    what = error.what();
  } catch (...) {
    what = "an unknown error";
  }
  // Shown outside the handler: the box runs its own event loop.
  Tell(QApplication::activeWindow(),
       "The action was stopped by an error: " + what +
           ". The program goes on; save the web to keep "
           "its work.",
       "Error", TBoxIcon::kStop);
  return false;
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  return DeliverGuarded([&] { return QApplication::notify(receiver, event); });
}

}  // namespace korvane::ui
