// TMimeGrid: the File tab's MIME grid ("MimeStringGrid") with its state button, its editor and
// its presets. The rows and every rule are the MIME page model's; the grid shows them.
#pragma once

#include <QWidget>
#include <vector>

#include "app/mime_type_model.h"

class QPushButton;
class QTableWidget;

namespace korvane::ui {

class TMimeGrid : public QWidget {
  Q_OBJECT
 public:
  explicit TMimeGrid(QWidget* parent = nullptr);

  void SetRows(std::vector<TMimeRow> rows);
  const std::vector<TMimeRow>& Rows() const { return rows_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Show();
  int Selected() const;
  void RowClicked();
  void StateButton();
  void Edit(bool selected_row);
  void DeleteRow();
  void Preset(TMimeCommand command);
  void Warn(const std::vector<std::string>& messages);

  std::vector<TMimeRow> rows_;
  QTableWidget* grid_;
  QPushButton* state_button_;
};

}  // namespace korvane::ui
