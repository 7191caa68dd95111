#include "ui/meter_widget.h"

#include <QEvent>
#include <QPainter>

#include "ui/shape_painter.h"

namespace korvane::ui {

TMeterWidget::TMeterWidget(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  model_.SetBounds(100, 18);
}

void TMeterWidget::SetPercent(int percent) {
  switch (model_.SetPercent(percent)) {
    case TW95Meter::kNoUpdate:
      return;
    case TW95Meter::kDrawSegments:
      Draw(model_.SegmentShapes());
      break;
    case TW95Meter::kRepaintAll:
      Draw(model_.Paint());
      break;
  }
  update();
}

void TMeterWidget::Repaint() {
  Draw(model_.Paint());
  update();
}

void TMeterWidget::Draw(const std::vector<TShape>& shapes) {
  if (buffer_.size() != size()) {
    buffer_ = QPixmap(size());
    buffer_.fill(palette().color(QPalette::Window));
  }
  QPainter painter(&buffer_);
  PaintShapes(painter, shapes, palette(), palette().color(QPalette::Window));
}

void TMeterWidget::paintEvent(QPaintEvent*) {
  if (buffer_.size() != size()) Draw(model_.Paint());
  QPainter painter(this);
  painter.drawPixmap(0, 0, buffer_);
}

void TMeterWidget::resizeEvent(QResizeEvent*) {
  model_.SetBounds(width(), height());
  buffer_ = QPixmap();
  Draw(model_.Paint());
}

void TMeterWidget::changeEvent(QEvent* event) {
  if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
    buffer_ = QPixmap();
    update();
  }
  QWidget::changeEvent(event);
}

}  // namespace korvane::ui
