// What the window and dialog tests share: a work path of their own in a temporary folder (so no
// test touches the user's settings), a navigator that opens nothing, and answers to the modal
// boxes the window runs.
#pragma once

#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/file_system.h"
#include "settings/param.h"
#include "settings/profile.h"
#include "support/quiet_navigator.h"
#include "ui/main_window.h"

namespace korvane::testing {

class TUiFixture {
 public:
  TUiFixture() : profile_(RealFileSystem(), Folder() + "config/profile.ini", WorkPath()) {
    (void)RealFileSystem().MakeDirs(WorkPath());
    profile_.WriteWorkPath(WorkPath());
    // An existing settings file: no first-run dialog.
    (void)RealFileSystem().WriteFile(WorkPath() + "korvane.ini", "");
  }

  // The temporary folder, ending with a separator.
  std::string Folder() const { return dir_.path().toStdString() + "/"; }
  std::string WorkPath() const { return Folder() + "work/"; }

  ui::TDesktopSetup Setup(std::vector<std::string> arguments = {}) {
    ui::TDesktopSetup setup;
    setup.Profile = &profile_;
    setup.Navigator = &navigator_;
    setup.Arguments = std::move(arguments);
    return setup;
  }
  TProfile& Profile() { return profile_; }
  TNavigatorPlatform& Navigator() { return navigator_; }

 private:
  QTemporaryDir dir_;
  TIniProfile profile_;
  TQuietNavigator navigator_;
};

// The visible top-level window named `name`, or null.
inline QWidget* FindWindow(const QString& name) {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible() && w->objectName() == name) return w;
  }
  return nullptr;
}

// Runs `answer` on the window named `name` as soon as it shows (the window's modal loops run the
// event loop, so this is checked from a timer). Returns the timer, to stop waiting.
inline QTimer* WhenShown(const QString& name, std::function<void(QWidget*)> answer) {
  auto* timer = new QTimer(qApp);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, name, answer] {
    if (QWidget* w = FindWindow(name)) {
      timer->stop();
      timer->deleteLater();
      answer(w);
    }
  });
  timer->start();
  return timer;
}

// Clicks the button named `button` of `window`.
inline void Click(QWidget* window, const char* button) {
  if (auto* b = window->findChild<QPushButton*>(QLatin1String(button))) b->click();
}

}  // namespace korvane::testing
