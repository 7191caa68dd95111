// korvane: the desktop program. It shows the main window, which opens the web the command line
// names (and captures it when asked), and runs until the window is closed.
#include <QIcon>
#include <clocale>
#include <string>
#include <vector>

#include "ui/application.h"
#include "ui/main_window.h"
#include "ui/resources.h"

int main(int argc, char** argv) {
  korvane::ui::TApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("korvane"));
  QApplication::setApplicationDisplayName(QStringLiteral("Korvane"));
  QApplication::setApplicationVersion(QStringLiteral("1.073"));
  QApplication::setDesktopFileName(QStringLiteral("korvane"));
  korvane::ui::LoadResources();
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/korvane/korvane.svg")));
  // Qt sets the locale from the environment; dates keep the user's day and month names, while
  // numbers the program reads and writes stay in the C form.
  std::setlocale(LC_NUMERIC, "C");

  korvane::ui::TDesktopSetup setup;
  // QApplication has taken out its own options; the paths go on as the bytes they were given.
  for (int i = 1; i < argc; ++i) setup.Arguments.emplace_back(argv[i]);
  korvane::ui::TMainWin window(setup);
  window.show();
  return QApplication::exec();
}
