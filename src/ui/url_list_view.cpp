#include "ui/url_list_view.h"

#include <QKeyEvent>

#include "ui/qt_text.h"
#include "ui/shape_painter.h"

namespace korvane::ui {

TUrlListView::TUrlListView(QWidget* parent) : QListWidget(parent) {
  setObjectName(QStringLiteral("UrlList"));
  setContextMenuPolicy(Qt::CustomContextMenu);
  setUniformItemSizes(true);
  connect(this, &QListWidget::itemDoubleClicked, this, [this] { emit Activated(); });
}

void TUrlListView::Show(const std::vector<TUrlRecord>& records,
                        const std::vector<TUrlEntry>& entries) {
  setUpdatesEnabled(false);
  clear();
  for (const TUrlEntry& entry : entries) {
    auto* item = new QListWidgetItem(ToQt(entry.Text), this);
    // Selected entries take the desktop's highlight colours.
    const TColor color = UrlListColor(records[entry.Record].State, false);
    item->setForeground(ResolveColor(color, palette(), palette().color(QPalette::Base)));
  }
  setUpdatesEnabled(true);
}

void TUrlListView::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
    emit Activated();
    return;
  }
  QListWidget::keyPressEvent(event);
}

}  // namespace korvane::ui
