#include "ui/about_dialog.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvane::ui {

void ShowAbout(QWidget* parent) {
  QDialog about(parent);
  about.setObjectName(QStringLiteral("AboutBox"));
  about.setWindowTitle(QObject::tr("About Korvane"));
  auto* icon = new QLabel(&about);
  icon->setPixmap(QIcon(QStringLiteral(":/korvane/korvane.svg")).pixmap(64, 64));
  auto* text = new QLabel(&about);
  text->setTextFormat(Qt::RichText);
  text->setText(QObject::tr(
      "<h3>Korvane 1.073</h3>"
      "<p>Captures web sites for reading off line: it fetches a site's pages within the limits "
      "you set, stores them in a folder of your disk, rewrites their links so that the copy "
      "reads from disk, and makes a home page and indexes for it.</p>"
      "<p>A captured site is a <i>web</i>, kept in its project file (<tt>Local.Web</tt>) "
      "beside its files.</p>"));
  text->setWordWrap(true);
  text->setMinimumWidth(320);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &about);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &about, &QDialog::accept);
  auto* row = new QHBoxLayout;
  row->addWidget(icon, 0, Qt::AlignTop);
  row->addWidget(text, 1);
  auto* layout = new QVBoxLayout(&about);
  layout->addLayout(row);
  layout->addWidget(buttons);
  about.exec();
}

}  // namespace korvane::ui
