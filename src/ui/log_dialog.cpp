#include "ui/log_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/focus_order.h"
#include "ui/qt_text.h"

namespace korvane::ui {

TLogDialog::TLogDialog(const TFileSystem& fs, std::string folder, QWidget* parent)
    : QDialog(parent), fs_(fs), folder_(std::move(folder)) {
  setObjectName(QStringLiteral("LogDlg"));
  setWindowTitle(tr("Log page"));
  // Each kind's box; the errors and the pages not found are what a user looks for first, but
  // every line is shown until a box is cleared.
  const QString labels[kLogKindCount] = {tr("&Session"), tr("&Errors"), tr("&Not found"),
                                         tr("&Filtered"), tr("&Other")};
  auto* kinds_row = new QHBoxLayout;
  for (int k = 0; k < kLogKindCount; ++k) {
    auto* box = new QCheckBox(labels[k], this);
    box->setObjectName(QStringLiteral("LogKind%1").arg(k));
    box->setChecked(true);
    connect(box, &QCheckBox::toggled, this, &TLogDialog::ShowEntries);
    kinds_row->addWidget(box);
    kinds_.push_back(box);
  }
  kinds_row->addStretch(1);
  search_ = new QLineEdit(this);
  search_->setObjectName(QStringLiteral("LogSearchEdit"));
  search_->setClearButtonEnabled(true);
  connect(search_, &QLineEdit::textChanged, this, &TLogDialog::ShowEntries);
  auto* search_label = new QLabel(tr("Fin&d:"), this);
  search_label->setBuddy(search_);
  kinds_row->addWidget(search_label);
  kinds_row->addWidget(search_, 1);

  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("LogList"));
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->setAlternatingRowColors(true);
  list_->setHeaderLabels({tr("Kind"), tr("Address"), tr("Cause"), tr("Line")});
  list_->header()->setStretchLastSection(true);
  list_->setColumnWidth(0, 80);
  list_->setColumnWidth(1, 260);
  list_->setColumnWidth(2, 160);
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("LogStatus"));
  status_->setWordWrap(true);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* reload = buttons->addButton(tr("&Reload"), QDialogButtonBox::ActionRole);
  reload->setAutoDefault(false);
  QPushButton* close = buttons->addButton(tr("&Close"), QDialogButtonBox::RejectRole);
  close->setDefault(true);
  connect(reload, &QPushButton::clicked, this, &TLogDialog::Reload);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(kinds_row);
  layout->addWidget(list_, 1);
  layout->addWidget(status_);
  layout->addWidget(buttons);
  TabButtonsAsLaidOut(buttons);
  resize(820, 480);
  Reload();
}

void TLogDialog::Reload() {
  log_ = ReadLogPage(fs_, folder_);
  ShowEntries();
  // The newest line, the one a user opens the log for, is at the bottom.
  list_->scrollToBottom();
}

void TLogDialog::ShowEntries() {
  TLogKinds kinds = 0;
  for (int k = 0; k < kLogKindCount; ++k) {
    if (kinds_[std::size_t(k)]->isChecked()) kinds |= LogKindBit(static_cast<TLogKind>(k));
  }
  const std::vector<std::size_t> shown = FilterLog(log_.Entries, kinds, FromQt(search_->text()));
  list_->clear();
  QList<QTreeWidgetItem*> items;
  items.reserve(qsizetype(shown.size()));
  for (std::size_t i : shown) {
    const TLogEntry& e = log_.Entries[i];
    auto* item = new QTreeWidgetItem(
        QStringList{ToQt(LogKindName(e.Kind)), ToQt(e.Address), ToQt(e.Cause), ToQt(e.Text)});
    item->setToolTip(3, ToQt(e.Text));
    items.append(item);
  }
  list_->addTopLevelItems(items);
  if (!log_.Problem.empty()) {
    status_->setText(ToQt(log_.Problem));
  } else {
    status_->setText(tr("%1 of %2 lines shown").arg(shown.size()).arg(log_.Entries.size()));
  }
}

}  // namespace korvane::ui
