// TUrlListView: the URL tab's list, its entries coloured by the state of their record (the URL
// list model's colours), Enter opening the selected entry like a double click.
#pragma once

#include <QListWidget>
#include <vector>

#include "app/url_list_model.h"

namespace korvane::ui {

class TUrlListView : public QListWidget {
  Q_OBJECT
 public:
  explicit TUrlListView(QWidget* parent = nullptr);

  // The entries of BuildUrlList over `records`.
  void Show(const std::vector<TUrlRecord>& records, const std::vector<TUrlEntry>& entries);

 signals:
  void Activated();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace korvane::ui
