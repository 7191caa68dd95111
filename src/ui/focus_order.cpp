#include "ui/focus_order.h"

#include <QDialogButtonBox>
#include <QLayout>
#include <QTabBar>
#include <QTabWidget>

namespace korvane::ui {

void TabButtonsAsLaidOut(QDialogButtonBox* row) {
  QList<QWidget*> buttons;
  for (int i = 0; row->layout() && i < row->layout()->count(); ++i) {
    if (QWidget* button = row->layout()->itemAt(i)->widget()) buttons << button;
  }
  if (buttons.size() < 2) return;
  // The row takes the place of its first button met in the focus chain.
  QWidget* window = row->window();
  QWidget* previous = window;
  for (QWidget* w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain()) {
    if (buttons.contains(w)) break;
    previous = w;
  }
  qsizetype first = 0;
  if (previous == window) previous = buttons[first++];
  for (; first < buttons.size(); ++first) {
    QWidget::setTabOrder(previous, buttons[first]);
    previous = buttons[first];
  }
}

void TabBarAfterPages(QTabWidget* pages) {
  QTabBar* bar = pages->tabBar();
  QWidget* last = nullptr;
  for (QWidget* w = bar->nextInFocusChain(); w != bar && pages->isAncestorOf(w);
       w = w->nextInFocusChain()) {
    if (w->focusPolicy() & Qt::TabFocus) last = w;
  }
  if (last) QWidget::setTabOrder(last, bar);
}

}  // namespace korvane::ui
