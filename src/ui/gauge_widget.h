// TGaugeWidget: a TGauge95 on screen. The model sizes the control to a whole number of boxes;
// the widget takes that size as its own.
#pragma once

#include <QWidget>

#include "viewer/gauge95.h"

namespace korvane::ui {

class TGaugeWidget : public QWidget {
  Q_OBJECT
 public:
  explicit TGaugeWidget(int box_count, QWidget* parent = nullptr);

  TGauge95& Model() { return model_; }
  void SetMax(std::int32_t max_value);
  void SetProgress(std::int32_t progress);
  std::int32_t Progress() const { return model_.Progress(); }
  // After changing the model's properties.
  void Refit();

  QSize sizeHint() const override { return {model_.Width(), model_.Height()}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  TGauge95 model_;
};

}  // namespace korvane::ui
