#include "ui/gauge_widget.h"

#include <QEvent>
#include <QPainter>

#include "ui/shape_painter.h"

namespace korvane::ui {

TGaugeWidget::TGaugeWidget(int box_count, QWidget* parent) : QWidget(parent) {
  model_.SetBoxCount(box_count);
  Refit();
}

void TGaugeWidget::SetMax(std::int32_t max_value) {
  if (model_.SetMaxValue(max_value)) update();
}

void TGaugeWidget::SetProgress(std::int32_t progress) {
  if (model_.SetProgress(progress)) update();
}

void TGaugeWidget::Refit() {
  setFixedSize(model_.Width(), model_.Height());
  update();
}

void TGaugeWidget::paintEvent(QPaintEvent*) {
  // Painted whole into a picture first, then shown, so the boxes never flicker.
  QPixmap picture(size());
  {
    QPainter painter(&picture);
    PaintShapes(painter, model_.Paint(), palette(), palette().color(QPalette::Window));
  }
  QPainter(this).drawPixmap(0, 0, picture);
}

void TGaugeWidget::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) {
    model_.SetEnabled(isEnabled());
    update();
  }
  QWidget::changeEvent(event);
}

}  // namespace korvane::ui
