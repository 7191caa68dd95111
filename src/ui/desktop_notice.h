// TellDesktop: a short notice outside the window, for an outcome the user would miss while
// working in another program. It goes to the desktop's notification service when one answers on
// the session bus, else to a system tray balloon when a tray exists, else nowhere: the window's
// own status bar always says it too.
#pragma once

#include <QString>

class QWidget;

namespace korvane::ui {

// Returns at once in every case (no call waits for an answer); true when a notice was sent.
bool TellDesktop(QWidget* window, const QString& title, const QString& text, bool failed);

}  // namespace korvane::ui
