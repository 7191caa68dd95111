#include "ui/mime_grid.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/message_box.h"
#include "ui/mime_type_dialog.h"
#include "ui/qt_text.h"

namespace korvane::ui {
namespace {

constexpr int kColumnWidths[] = {145, 81, 57, 200};

}  // namespace

TMimeGrid::TMimeGrid(QWidget* parent) : QWidget(parent) {
  grid_ = new QTableWidget(0, 4, this);
  grid_->setObjectName(QStringLiteral("MimeStringGrid"));
  QStringList titles;
  for (std::string_view title : kMimeColumnTitles) titles << ToQt(title);
  grid_->setHorizontalHeaderLabels(titles);
  grid_->horizontalHeader()->setStretchLastSection(true);
  grid_->verticalHeader()->hide();
  grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
  // The design's widths, widened where a title would not fit.
  for (int c = 0; c < 4; ++c) {
    grid_->setColumnWidth(
        c, std::max(kColumnWidths[c], grid_->horizontalHeader()->sectionSizeHint(c)));
  }
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->installEventFilter(this);
  grid_->setMinimumHeight(140);

  state_button_ = new QPushButton(ToQt(kMimeEnabled), this);
  state_button_->setObjectName(QStringLiteral("MimeEditBut"));
  auto* edit = new QPushButton(tr("Edit..."), this);
  edit->setObjectName(QStringLiteral("MimeChangeBut"));
  auto* remove = new QPushButton(tr("Delete"), this);
  remove->setObjectName(QStringLiteral("MimeDeleteBut"));
  connect(grid_, &QTableWidget::itemSelectionChanged, this, &TMimeGrid::RowClicked);
  connect(grid_, &QTableWidget::cellDoubleClicked, this, [this] { Edit(true); });
  connect(state_button_, &QPushButton::clicked, this, &TMimeGrid::StateButton);
  connect(edit, &QPushButton::clicked, this, [this] { Edit(true); });
  connect(remove, &QPushButton::clicked, this, &TMimeGrid::DeleteRow);

  auto* presets = new QHBoxLayout;
  const TMimeCommand commands[] = {TMimeCommand::kAllTypes, TMimeCommand::kHtmlOnly,
                                   TMimeCommand::kPicturesOnly, TMimeCommand::kSoundsOnly,
                                   TMimeCommand::kHtmlAndPictures};
  int i = 0;
  for (TMimeCommand command : commands) {
    auto* button = new QPushButton(ToQt(MimeCommandCaption(command)), this);
    button->setObjectName(QStringLiteral("MimePreset%1").arg(i));
    connect(button, &QPushButton::clicked, this, [this, command] { Preset(command); });
    presets->addWidget(button);
    ++i;
  }
  presets->addStretch(1);
  auto* side = new QVBoxLayout;
  side->addWidget(state_button_);
  side->addWidget(edit);
  side->addWidget(remove);
  side->addStretch(1);
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(grid_, 0, 0);
  layout->addLayout(side, 0, 1);
  layout->addLayout(presets, 1, 0, 1, 2);
  layout->setColumnStretch(0, 1);
}

void TMimeGrid::SetRows(std::vector<TMimeRow> rows) {
  rows_ = std::move(rows);
  Show();
}

void TMimeGrid::Show() {
  const int selected = Selected();
  grid_->setRowCount(int(rows_.size()));
  for (std::size_t r = 0; r < rows_.size(); ++r) {
    const TMimeRow& row = rows_[r];
    const std::string_view cells[] = {row.Mime, row.Type, row.Extension, MimeStateText(row)};
    for (int c = 0; c < 4; ++c) {
      auto* item = grid_->item(int(r), c);
      if (!item) {
        item = new QTableWidgetItem;
        grid_->setItem(int(r), c, item);
      }
      item->setText(ToQt(cells[c]));
    }
  }
  if (selected >= 0 && selected < int(rows_.size())) grid_->selectRow(selected);
  RowClicked();
}

int TMimeGrid::Selected() const {
  const QList<QTableWidgetItem*> items = grid_->selectedItems();
  return items.isEmpty() ? -1 : items.front()->row();
}

void TMimeGrid::RowClicked() {
  const int row = Selected();
  state_button_->setEnabled(row >= 0);
  if (row < 0) return;
  // The button offers the opposite of the row's state.
  state_button_->setText(ToQt(rows_[std::size_t(row)].Enabled ? kMimeDisabled : kMimeEnabled));
}

void TMimeGrid::StateButton() {
  const int row = Selected();
  if (row < 0) return;
  const TStateButtonResult result = StateButtonClick(rows_, std::size_t(row));
  Warn(result.messages);
  if (result.open_editor) {
    Edit(true);
    return;
  }
  Show();
}

void TMimeGrid::Edit(bool selected_row) {
  const int row = Selected();
  TMimeEntryEditor editor =
      selected_row && row >= 0 ? TMimeEntryEditor(rows_[std::size_t(row)]) : TMimeEntryEditor();
  TMimeTypeDialog(editor, rows_, this).exec();
  Show();
}

void TMimeGrid::DeleteRow() {
  const int row = Selected();
  if (row < 0) return;
  if (Ask(this, DeleteMimeRowQuestion(rows_[std::size_t(row)]), std::string(kDeleteMimeRowCaption),
          mbYes | mbNo, mrNo) != mrYes) {
    return;
  }
  DeleteMimeRow(rows_, std::size_t(row));
  Show();
}

void TMimeGrid::Preset(TMimeCommand command) {
  Warn(ApplyMimeCommand(rows_, command));
  Show();
}

void TMimeGrid::Warn(const std::vector<std::string>& messages) {
  for (const std::string& message : messages) {
    Tell(this, message, "Warning", TBoxIcon::kExclamation);
  }
}

bool TMimeGrid::eventFilter(QObject* watched, QEvent* event) {
  if (watched == grid_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    const int row = Selected();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && row >= 0) {
      ToggleMimeRow(rows_, std::size_t(row));
      Show();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace korvane::ui
