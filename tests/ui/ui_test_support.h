// What the window and dialog tests share: a work path of their own in a temporary folder (so no
// test touches the user's settings), a navigator that opens nothing, and answers to the modal
// boxes the window runs.
#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
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

// The key a text's mnemonic takes (the letter after a single '&', lower case), or 0.
inline QChar MnemonicOf(const QString& text) {
  for (qsizetype i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != u'&') continue;
    if (text[i + 1] == u'&') {
      ++i;
      continue;
    }
    return text[i + 1].toLower();
  }
  return QChar();
}

// Adds `text` under its mnemonic to `keys`; a second text on the same key is a clash, told in
// `clashes` with `where`.
inline void NoteMnemonic(std::map<QChar, QString>& keys, const QString& text, const QString& where,
                         QStringList& clashes) {
  const QChar key = MnemonicOf(text);
  if (key.isNull()) return;
  auto [it, added] = keys.emplace(key, text);
  if (!added) {
    clashes << QStringLiteral("%1: Alt+%2 is both \"%3\" and \"%4\"")
                   .arg(where, QString(key).toUpper(), it->second, text);
  }
}

// The mnemonics of `menu`'s visible entries that clash, and those of its submenus.
inline void MenuMnemonicClashes(QMenu* menu, QStringList& clashes) {
  std::map<QChar, QString> keys;
  for (QAction* action : menu->actions()) {
    if (!action->isVisible() || action->isSeparator()) continue;
    NoteMnemonic(keys, action->text(), menu->title(), clashes);
    if (action->menu()) MenuMnemonicClashes(action->menu(), clashes);
  }
}

// The mnemonics that clash in `window` as the user meets it: its menu bar and every control
// shown at once, with each page of each tab set in turn, then inside each menu. Empty when every
// Alt key names one thing.
inline QStringList MnemonicClashes(QWidget* window) {
  QStringList clashes;
  auto visible_keys = [window, &clashes](const QString& where) {
    std::map<QChar, QString> keys;
    for (QWidget* w : window->findChildren<QWidget*>()) {
      if (!w->isVisibleTo(window) || w->window() != window) continue;
      if (auto* bar = qobject_cast<QMenuBar*>(w)) {
        for (QAction* a : bar->actions()) {
          if (a->isVisible()) NoteMnemonic(keys, a->text(), where, clashes);
        }
      } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        NoteMnemonic(keys, button->text(), where, clashes);
      } else if (auto* label = qobject_cast<QLabel*>(w)) {
        if (label->buddy()) NoteMnemonic(keys, label->text(), where, clashes);
      } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
        NoteMnemonic(keys, box->title(), where, clashes);
      } else if (auto* tabs = qobject_cast<QTabBar*>(w)) {
        for (int i = 0; i < tabs->count(); ++i) {
          if (tabs->isTabVisible(i)) NoteMnemonic(keys, tabs->tabText(i), where, clashes);
        }
      }
    }
  };
  const QList<QTabWidget*> tab_sets = window->findChildren<QTabWidget*>();
  visible_keys(window->objectName());
  for (QTabWidget* tabs : tab_sets) {
    const int shown = tabs->currentIndex();
    for (int i = 0; i < tabs->count(); ++i) {
      tabs->setCurrentIndex(i);
      visible_keys(window->objectName() + " / " + tabs->tabText(i));
    }
    tabs->setCurrentIndex(shown);
  }
  if (auto* main = qobject_cast<QMainWindow*>(window)) {
    for (QAction* a : main->menuBar()->actions()) {
      if (a->menu()) MenuMnemonicClashes(a->menu(), clashes);
    }
  }
  clashes.removeDuplicates();
  return clashes;
}

// The places where Tab goes against the reading order of `window` (rows top to bottom, each
// left to right): each a pair of controls, the second met right after the first.
inline QStringList TabOrderReversals(QWidget* window) {
  QStringList reversals;
  QList<QWidget*> chain;
  QWidget* w = window;
  do {
    w = w->nextInFocusChain();
    if (w != window && w->isVisibleTo(window) && w->isEnabled() && w->window() == window &&
        (w->focusPolicy() & Qt::TabFocus)) {
      chain << w;
    }
  } while (w != window && chain.size() < 500);
  auto name = [](QWidget* c) {
    const auto* b = qobject_cast<QAbstractButton*>(c);
    return c->objectName().isEmpty()
               ? (b ? b->text() : QString::fromLatin1(c->metaObject()->className()))
               : c->objectName();
  };
  for (qsizetype i = 1; i < chain.size(); ++i) {
    const QRect a(chain[i - 1]->mapTo(window, QPoint()), chain[i - 1]->size());
    const QRect b(chain[i]->mapTo(window, QPoint()), chain[i]->size());
    // On one row when they overlap vertically; then Tab goes right. Otherwise it goes down.
    const bool same_row = a.top() < b.bottom() && b.top() < a.bottom();
    if (same_row ? b.left() < a.left() : b.top() < a.top()) {
      reversals << name(chain[i - 1]) + QStringLiteral(" -> ") + name(chain[i]);
    }
  }
  return reversals;
}

}  // namespace korvane::testing
