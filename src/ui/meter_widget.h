// TMeterWidget: a TW95Meter on screen. The picture is kept in a buffer so that a new value can be
// drawn over what is shown, as the meter's model asks, without clearing it.
#pragma once

#include <QPixmap>
#include <QWidget>

#include "viewer/w95_meter.h"

namespace korvane::ui {

class TMeterWidget : public QWidget {
  Q_OBJECT
 public:
  explicit TMeterWidget(QWidget* parent = nullptr);

  TW95Meter& Model() { return model_; }
  void SetPercent(int percent);
  int Percent() const { return model_.Percent(); }
  // After changing the model's look (segments, colours, edge).
  void Repaint();

  QSize sizeHint() const override { return {100, 18}; }
  QSize minimumSizeHint() const override { return {40, 14}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void Draw(const std::vector<TShape>& shapes);

  TW95Meter model_;
  QPixmap buffer_;
};

}  // namespace korvane::ui
