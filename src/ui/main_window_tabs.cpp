// The main window's tabs: their controls, and the form record of the web they show.
#include <algorithm>
#include <cstdlib>

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/main_window.h"
#include "ui/meter_widget.h"
#include "ui/mime_grid.h"
#include "ui/multimedia_view.h"
#include "ui/politeness_group.h"
#include "ui/qt_text.h"
#include "ui/rules_editor.h"
#include "ui/url_list_view.h"

namespace korvane::ui {
namespace {

QLineEdit* Edit(const char* name, QWidget* parent, bool read_only = false) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QLatin1String(name));
  edit->setReadOnly(read_only);
  return edit;
}

QCheckBox* Check(const QString& caption, const char* name, QWidget* parent) {
  auto* box = new QCheckBox(caption, parent);
  box->setObjectName(QLatin1String(name));
  return box;
}

QSpinBox* Depth(const char* name, QWidget* parent) {
  auto* spin = new QSpinBox(parent);
  spin->setObjectName(QLatin1String(name));
  spin->setRange(0, kMaxDepth);
  return spin;
}

QPushButton* Button(const QString& caption, const char* name, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QLatin1String(name));
  return button;
}

// "MaxFileCountCheck" enables "MaxFileCountEdit".
QLineEdit* LimitEdit(const char* name, QWidget* parent) {
  QLineEdit* edit = Edit(name, parent);
  edit->setValidator(new QIntValidator(0, 2147483647, edit));
  edit->setMaximumWidth(110);
  return edit;
}

std::string SpinText(const QSpinBox* spin) { return std::to_string(spin->value()); }

void SetSpin(QSpinBox* spin, const std::string& text) {
  spin->setValue(std::clamp(std::atoi(text.c_str()), spin->minimum(), spin->maximum()));
}

}  // namespace

QWidget* TMainWin::CreateCentre() {
  centre_ = new QStackedWidget(this);
  auto* empty = new QLabel(
      tr("No web is open.\n\nFile > New... (Ctrl+N) creates one on an Internet address;\n"
         "File > Open... (Ctrl+O) opens a web captured before."),
      centre_);
  empty->setObjectName(QStringLiteral("NoWebLabel"));
  empty->setAlignment(Qt::AlignCenter);
  empty->setEnabled(false);

  auto* panel = new QWidget(centre_);
  panel->setObjectName(QStringLiteral("WebPanel"));
  notebook_ = new QTabWidget(panel);
  notebook_->setObjectName(QStringLiteral("WebNoteBook"));
  notebook_->addTab(WebTab(), tr("W&eb"));
  notebook_->addTab(OptionsTab(), tr("&Options"));
  notebook_->addTab(FileTab(), tr("F&ile"));
  notebook_->addTab(CaptureTab(), tr("C&apture"));
  notebook_->addTab(UrlTab(), tr("&URL"));
  notebook_->addTab(MultimediaTab(), tr("&Multimedia"));
  connect(notebook_, &QTabWidget::currentChanged, this, &TMainWin::TabChanged);

  auto* buttons = new QHBoxLayout;
  QPushButton* start = Button(tr("&Start"), "StartBut", panel);
  QPushButton* stop = Button(tr("Sto&p"), "StopBut", panel);
  QPushButton* quit = Button(tr("E&xit"), "QuitBut", panel);
  buttons->addWidget(start);
  buttons->addWidget(stop);
  buttons->addStretch(1);
  buttons->addWidget(quit);
  BindButton(start, TCommand::kStart);
  BindButton(stop, TCommand::kStop);
  BindButton(quit, TCommand::kExit);
  auto* layout = new QVBoxLayout(panel);
  layout->addWidget(notebook_, 1);
  layout->addLayout(buttons);

  centre_->addWidget(empty);
  centre_->addWidget(panel);
  return centre_;
}

QWidget* TMainWin::WebTab() {
  auto* tab = new QWidget;
  url_edit_ = Edit("UrlEdit", tab);
  path_edit_ = Edit("PathEdit", tab);
  title_edit_ = Edit("TitleEdit", tab);
  connect(title_edit_, &QLineEdit::editingFinished, this, &TMainWin::TitleExit);
  auto* web = new QGroupBox(tr(" Web "), tab);
  auto* web_form = new QFormLayout(web);
  web_form->addRow(tr("Internet address"), url_edit_);
  web_form->addRow(tr("Local path"), path_edit_);
  web_form->addRow(tr(" Web title"), title_edit_);

  page_count_edit_ = Edit("WebPageCountEdit", tab, true);
  date_edit_ = Edit("WebDateEdit", tab, true);
  size_edit_ = Edit("WebSizeEdit", tab, true);
  auto* figures = new QGroupBox(tr(" Last capture "), tab);
  auto* figures_form = new QFormLayout(figures);
  figures_form->addRow(tr("Captured pages count:"), page_count_edit_);
  figures_form->addRow(tr(" Last capture date:"), date_edit_);
  figures_form->addRow(tr("Size:"), size_edit_);

  auto* pages = new QGroupBox(tr(" Local pages "), tab);
  auto* pages_layout = new QHBoxLayout(pages);
  local_webs_button_ = Button(tr("Local Webs"), "LocalWebsBut", pages);
  QPushButton* home = Button(tr("Home"), "HomeBut", pages);
  QPushButton* html = Button(tr("HTML Pages"), "HtmlPagesBut", pages);
  QPushButton* images = Button(tr("Images"), "ImagesBut", pages);
  QPushButton* new_web = Button(tr("New..."), "NewButton", pages);
  BindButton(local_webs_button_, TCommand::kLocalWebs);
  BindButton(home, TCommand::kHome);
  BindButton(html, TCommand::kHtmlPages);
  BindButton(images, TCommand::kImages);
  BindButton(new_web, TCommand::kNew);
  for (QPushButton* b : {local_webs_button_, home, html, images}) pages_layout->addWidget(b);
  pages_layout->addStretch(1);
  pages_layout->addWidget(new_web);

  auto* layout = new QVBoxLayout(tab);
  layout->addWidget(web);
  layout->addWidget(figures);
  layout->addWidget(pages);
  layout->addStretch(1);
  return tab;
}

QWidget* TMainWin::OptionsTab() {
  auto* tab = new QWidget;
  auto* main_web = new QGroupBox(tr(" Main Web "), tab);
  internal_path_limit_ =
      Check(tr(" Restrict search to the included path in URL (but not CGI or included objects)."),
            "InternalPathLimitCheck", main_web);
  internal_depth_ = Depth("InternalLinkDepthEdit", main_web);
  external_web_depth_ = Depth("ExternalWebDepthEdit", main_web);
  auto* main_form = new QFormLayout(main_web);
  main_form->addRow(internal_path_limit_);
  main_form->addRow(tr("Search level of internal links:"), internal_depth_);
  main_form->addRow(tr("Search level of external webs: "), external_web_depth_);
  connect(external_web_depth_, &QSpinBox::valueChanged, this, &TMainWin::UpdateEnabledFields);

  auto* external = new QGroupBox(tr(" External webs "), tab);
  external_path_limit_ = Check(tr(" Restrict search to the first path of the Web."),
                               "ExternalPathLimitCheck", external);
  external_depth_ = Depth("ExternalLinkDepthEdit", external);
  external_depth_label_ = new QLabel(tr("Search level of links:"), external);
  external_depth_label_->setBuddy(external_depth_);
  auto* external_form = new QFormLayout(external);
  external_form->addRow(external_path_limit_);
  external_form->addRow(external_depth_label_, external_depth_);

  auto* pages = new QGroupBox(tr(" Pages "), tab);
  real_link_ = Check(tr(" Add link to the actual URL at end of page."), "RealLinkCheck", pages);
  suppress_link_ = Check(tr(" Delete all links to bad URLs."), "SuppressLinkCheck", pages);
  ref_limit_ = Check(tr(" Do not capture pictures in HTML pages."), "RefLimitCheck", pages);
  background_only_ = Check(tr(" Capture background pictures only."), "BackgroundOnlyCheck", pages);
  site_layout_ = Check(tr(" Keep the site's own folders."), "SiteLayoutCheck", pages);
  site_layout_->setToolTip(
      tr("New files are stored under HOST/PATH as on the server, so that the links the site's "
         "scripts build work off line. Off: every file in the web's folder under a short name."));
  delete_gone_ =
      Check(tr(" Delete the files of pages gone, when updating."), "DeleteGoneCheck", pages);
  delete_gone_->setToolTip(
      tr("Capture > Update asks again for every kept file. Pages their server no longer has are "
         "kept and listed in the log; with this, their files are deleted."));
  auto* pages_layout = new QVBoxLayout(pages);
  for (QCheckBox* b :
       {real_link_, suppress_link_, ref_limit_, background_only_, site_layout_, delete_gone_}) {
    pages_layout->addWidget(b);
  }

  auto* connection = new QGroupBox(tr(" Connection "), tab);
  max_time_check_ = Check(tr(" Connection timeout:"), "MaxTimeCheck", connection);
  max_time_edit_ = LimitEdit("MaxTimeEdit", connection);
  connect(max_time_check_, &QCheckBox::toggled, this, &TMainWin::UpdateEnabledFields);
  username_ = Edit("UsernameEdit", connection);
  password_ = Edit("PasswordEdit", connection);
  password_->setEchoMode(QLineEdit::Password);
  auto* time_row = new QHBoxLayout;
  time_row->addWidget(max_time_check_);
  time_row->addWidget(max_time_edit_);
  time_row->addWidget(new QLabel(tr("minutes."), connection));
  time_row->addStretch(1);
  cookies_ = Check(tr(" Keep coo&kies"), "CookiesCheck", connection);
  cookies_->setToolTip(
      tr("The cookies servers set are sent back, at the next capture too; they "
         "stay in a file beside the project that only you can read."));
  clear_cookies_ = new QPushButton(tr("C&lear cookies"), connection);
  clear_cookies_->setObjectName(QStringLiteral("ClearCookiesBut"));
  clear_cookies_->setAutoDefault(false);
  connect(clear_cookies_, &QPushButton::clicked, this, &TMainWin::ClearCookiesCommand);
  auto* cookie_row = new QHBoxLayout;
  cookie_row->addWidget(cookies_);
  cookie_row->addStretch(1);
  cookie_row->addWidget(clear_cookies_);
  auto* connection_form = new QFormLayout(connection);
  connection_form->addRow(time_row);
  connection_form->addRow(tr("User name:"), username_);
  connection_form->addRow(tr("Password:"), password_);
  connection_form->addRow(cookie_row);

  rules_editor_ = new TRulesEditor(tab);
  connect(rules_editor_, &TRulesEditor::Changed, this, [this] {
    if (web_) web_->EditOptions().AddressRules = rules_editor_->Texts();
  });

  auto* layout = new QGridLayout(tab);
  layout->addWidget(main_web, 0, 0, 1, 2);
  layout->addWidget(external, 1, 0);
  layout->addWidget(connection, 1, 1);
  politeness_ = new TPolitenessGroup(tab);
  layout->addWidget(pages, 2, 0);
  layout->addWidget(politeness_, 2, 1);
  layout->addWidget(RequestsGroup(tab), 3, 0, 1, 2);
  layout->addWidget(rules_editor_, 4, 0, 1, 2);
  layout->setRowStretch(5, 1);
  // The page is never made shorter than its groups need: the scroll area shows the rest.
  layout->setSizeConstraint(QLayout::SetMinimumSize);
  // The tab holds more than a small window shows: it scrolls rather than squeezing its groups.
  auto* scroll = new QScrollArea;
  scroll->setObjectName(QStringLiteral("OptionsScroll"));
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setWidget(tab);
  return scroll;
}

QWidget* TMainWin::RequestsGroup(QWidget* tab) {
  auto* requests = new QGroupBox(tr(" Requests "), tab);
  send_referer_ = Check(tr(" Send the linking page as Referer."), "SendRefererCheck", requests);
  send_referer_->setToolTip(
      tr("Each request names the page whose link led to its address, as a navigator does: some "
         "servers refuse pictures and files asked for without it. Never sent from a secure page "
         "to a server reached in the clear."));
  http_version_ = new QComboBox(requests);
  http_version_->setObjectName(QStringLiteral("HttpVersionCombo"));
  http_version_->addItem(tr("HTTP/1.1: connections kept, bodies compressed"));
  http_version_->addItem(tr("HTTP/1.0: one connection per request"));
  http_version_->setToolTip(
      tr("HTTP/1.1 sends the next request to a server on the connection its last answer left "
         "open and takes compressed bodies, which it stores decoded; HTTP/1.0 opens a connection "
         "for every request, as webs made before the choice do."));
  request_headers_ = new QPlainTextEdit(requests);
  request_headers_->setObjectName(QStringLiteral("RequestHeadersEdit"));
  request_headers_->setPlaceholderText(tr("X-Token: value"));
  request_headers_->setToolTip(
      tr("Headers sent with every request of the web, one \"Name: value\" a line (a token a "
         "site asks for). The request's own headers (Host, Accept, User-Agent, Referer, Cookie, "
         "Range) cannot be given."));
  request_headers_->setMaximumHeight(request_headers_->fontMetrics().height() * 5);
  headers_problem_ = new QLabel(requests);
  headers_problem_->setObjectName(QStringLiteral("HeadersProblemLabel"));
  headers_problem_->setVisible(false);
  connect(request_headers_, &QPlainTextEdit::textChanged, this, [this] {
    const std::string problem = RequestHeadersProblem(FromQt(request_headers_->toPlainText()));
    headers_problem_->setText(ToQt(problem));
    headers_problem_->setVisible(!problem.empty());
  });
  auto* layout = new QVBoxLayout(requests);
  layout->addWidget(send_referer_);
  auto* version = new QHBoxLayout;
  version->addWidget(new QLabel(tr("Protocol:"), requests));
  version->addWidget(http_version_, 1);
  layout->addLayout(version);
  layout->addWidget(new QLabel(tr("Extra headers:"), requests));
  layout->addWidget(request_headers_);
  layout->addWidget(headers_problem_);
  layout->addStretch(1);
  return requests;
}

QWidget* TMainWin::FileTab() {
  auto* tab = new QWidget;
  auto* limits = new QGroupBox(tr(" Limits "), tab);
  auto* grid = new QGridLayout(limits);
  struct TRow {
    TLimitWidgets& widgets;
    QString caption;
    const char* check;
    const char* edit;
    QString unit;
  };
  TRow rows[] = {
      {max_file_count_, tr("Maximum captured files count:"), "MaxFileCountCheck",
       "MaxFileCountEdit", QString()},
      {min_file_size_, tr("Lowest file size:"), "MinFileSizeCheck", "MinFileSizeEdit", tr("Ko")},
      {max_file_size_, tr("Highest file size:"), "MaxFileSizeCheck", "MaxFileSizeEdit", tr("Ko")},
      {max_disk_size_, tr("Maximum hard drive space:"), "MaxDiskSizeCheck", "MaxDiskSizeEdit",
       tr("Ko")},
  };
  int r = 0;
  for (TRow& row : rows) {
    row.widgets.check = Check(row.caption, row.check, limits);
    row.widgets.edit = LimitEdit(row.edit, limits);
    connect(row.widgets.check, &QCheckBox::toggled, this, &TMainWin::UpdateEnabledFields);
    grid->addWidget(row.widgets.check, r, 0);
    grid->addWidget(row.widgets.edit, r, 1);
    grid->addWidget(new QLabel(row.unit, limits), r, 2);
    ++r;
  }
  grid->setColumnStretch(3, 1);
  auto* mime = new QGroupBox(tr(" MIME types "), tab);
  mime_grid_ = new TMimeGrid(mime);
  auto* mime_layout = new QVBoxLayout(mime);
  mime_layout->addWidget(mime_grid_);
  auto* layout = new QVBoxLayout(tab);
  layout->addWidget(limits);
  layout->addWidget(mime, 1);
  return tab;
}

QWidget* TMainWin::UrlTab() {
  auto* tab = new QWidget;
  auto* types = new QGroupBox(tr(" Url t&ype "), tab);
  resolved_url_ = Check(tr("Captured"), "ResolvedUrlCheckBox", types);
  todo_url_ = Check(tr("To be explored"), "TodoUrlCheckBox", types);
  error_url_ = Check(tr("&Not found"), "ErrorUrlCheckBox", types);
  filtered_url_ = Check(tr("Fi&ltered"), "FilteredUrlCheckBox", types);
  auto* types_layout = new QHBoxLayout(types);
  for (QCheckBox* box : {resolved_url_, todo_url_, error_url_, filtered_url_}) {
    types_layout->addWidget(box);
    connect(box, &QCheckBox::clicked, this, [this] {
      if (!web_) return;
      StoreWeb();
      RebuildUrlList();
    });
  }
  types_layout->addStretch(1);
  url_search_ = new QLineEdit(tab);
  url_search_->setObjectName(QStringLiteral("UrlSearchEdit"));
  url_search_->setPlaceholderText(tr("Words of the title or the address"));
  url_search_->setClearButtonEnabled(true);
  connect(url_search_, &QLineEdit::textChanged, this, &TMainWin::RebuildUrlList);
  auto* search_label = new QLabel(tr("Fin&d:"), tab);
  search_label->setBuddy(url_search_);
  auto* search_row = new QHBoxLayout;
  search_row->addWidget(search_label);
  search_row->addWidget(url_search_, 1);
  url_list_ = new TUrlListView(tab);
  connect(url_list_, &QListWidget::currentRowChanged, this, &TMainWin::UrlSelected);
  connect(url_list_, &TUrlListView::Activated, this, &TMainWin::UrlListBrowse);
  connect(url_list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    const int row = url_list_->currentRow();
    if (row < 0 || std::size_t(row) >= url_entries_.size() || model_.Capturing()) return;
    const TUrlRecord& record = url_records_[url_entries_[std::size_t(row)].Record];
    QMenu menu(this);
    QAction* create =
        menu.addAction(tr("&Create new Web..."), this, &TMainWin::CreateNewWebFromLink);
    create->setEnabled(CreateNewWebEnabled(record));
    QAction* force = menu.addAction(tr("&Force capture "), this, &TMainWin::ForceCaptureCommand);
    force->setEnabled(ForceCaptureEnabled(record));
    menu.exec(url_list_->viewport()->mapToGlobal(at));
  });
  url_list_url_ = Edit("UrlListUrlEdit", tab, true);
  url_list_file_ = Edit("UrlListFileNameEdit", tab, true);
  url_list_date_ = Edit("UrlListDateEdit", tab, true);
  list_brows_but_ = Button(tr("Launch Navigator with selected Url"), "ListBrowsBut", tab);
  list_brows_but_->setEnabled(false);
  connect(list_brows_but_, &QPushButton::clicked, this, &TMainWin::UrlListBrowse);
  auto* details = new QFormLayout;
  details->addRow(tr("Url:"), url_list_url_);
  details->addRow(tr("File name:"), url_list_file_);
  details->addRow(tr("Date:"), url_list_date_);
  auto* layout = new QVBoxLayout(tab);
  layout->addWidget(types);
  layout->addLayout(search_row);
  layout->addWidget(url_list_, 1);
  layout->addLayout(details);
  layout->addWidget(list_brows_but_, 0, Qt::AlignRight);
  return tab;
}

QWidget* TMainWin::MultimediaTab() {
  multimedia_ = new TMultimediaView(fs_);
  list_gif_ = multimedia_->ListGif;
  list_jpeg_ = multimedia_->ListJpeg;
  list_avi_ = multimedia_->ListAvi;
  list_wav_ = multimedia_->ListWav;
  stretch_image_ = multimedia_->StretchImage;
  // A box's click stores it into the web's option, then the list follows it.
  connect(multimedia_, &TMultimediaView::TypeBoxClicked, this, [this] {
    if (!web_) return;
    const TWebForm form = ReadForm();
    web_->EditOptions().ListGifFlag = form.ListGifCheck;
    web_->EditOptions().ListJpegFlag = form.ListJpegCheck;
    web_->EditOptions().ListAviFlag = form.ListAviCheck;
    web_->EditOptions().ListWavFlag = form.ListWavCheck;
    RebuildDocumentList();
  });
  connect(multimedia_, &TMultimediaView::StretchBoxClicked, this, [this](bool checked) {
    if (!web_) return;
    web_->EditOptions().StretchImageFlag = checked;
    multimedia_->SetStretch(checked);
  });
  connect(multimedia_, &TMultimediaView::BrowseRequested, this,
          [this](const std::string& path) { core_->Param().OpenInNavigator(path, true); });
  return multimedia_;
}

TWebForm TMainWin::ReadForm() const {
  TWebForm f;
  f.UrlEdit = FromQt(url_edit_->text());
  f.PathEdit = FromQt(path_edit_->text());
  f.TitleEdit = TitleFromQt(title_edit_->text());
  f.InternalPathLimitCheck = internal_path_limit_->isChecked();
  f.InternalLinkDepthEdit = SpinText(internal_depth_);
  f.ExternalWebDepthEdit = SpinText(external_web_depth_);
  f.ExternalLinkDepthEdit = SpinText(external_depth_);
  f.ExternalPathLimitCheck = external_path_limit_->isChecked();
  f.RealLinkCheck = real_link_->isChecked();
  f.SuppressLinkCheck = suppress_link_->isChecked();
  f.RefLimitCheck = ref_limit_->isChecked();
  f.BackgroundOnlyCheck = background_only_->isChecked();
  f.MaxTime = {max_time_check_->isChecked(), FromQt(max_time_edit_->text())};
  f.CookiesCheck = cookies_->isChecked();
  f.UsernameEdit = FromQt(username_->text());
  f.PasswordEdit = FromQt(password_->text());
  f.AddressRules = rules_editor_->Texts();
  f.SendRefererCheck = send_referer_->isChecked();
  f.SiteLayoutCheck = site_layout_->isChecked();
  f.DeleteGoneCheck = delete_gone_->isChecked();
  f.Http10Choice = http_version_->currentIndex() == 1;
  f.RequestHeadersEdit = FromQt(request_headers_->toPlainText());
  f.Politeness = politeness_->Read();
  auto limit = [](const TLimitWidgets& w) {
    return TLimitField{w.check->isChecked(), FromQt(w.edit->text())};
  };
  f.MaxFileCount = limit(max_file_count_);
  f.MinFileSize = limit(min_file_size_);
  f.MaxFileSize = limit(max_file_size_);
  f.MaxDiskSize = limit(max_disk_size_);
  f.ResolvedUrlCheckBox = resolved_url_->isChecked();
  f.TodoUrlCheckBox = todo_url_->isChecked();
  f.ErrorUrlCheckBox = error_url_->isChecked();
  f.FilteredUrlCheckBox = filtered_url_->isChecked();
  f.ListGifCheck = list_gif_->isChecked();
  f.ListJpegCheck = list_jpeg_->isChecked();
  f.ListAviCheck = list_avi_->isChecked();
  f.ListWavCheck = list_wav_->isChecked();
  f.StretchImageCheck = stretch_image_->isChecked();
  return f;
}

void TMainWin::ShowForm(const TWebForm& f) {
  url_edit_->setText(ToQt(f.UrlEdit));
  path_edit_->setText(ToQt(f.PathEdit));
  title_edit_->setText(TitleToQt(f.TitleEdit));
  shown_title_ = f.TitleEdit;
  internal_path_limit_->setChecked(f.InternalPathLimitCheck);
  SetSpin(internal_depth_, f.InternalLinkDepthEdit);
  SetSpin(external_web_depth_, f.ExternalWebDepthEdit);
  SetSpin(external_depth_, f.ExternalLinkDepthEdit);
  external_path_limit_->setChecked(f.ExternalPathLimitCheck);
  real_link_->setChecked(f.RealLinkCheck);
  suppress_link_->setChecked(f.SuppressLinkCheck);
  ref_limit_->setChecked(f.RefLimitCheck);
  background_only_->setChecked(f.BackgroundOnlyCheck);
  max_time_check_->setChecked(f.MaxTime.Checked);
  cookies_->setChecked(f.CookiesCheck);
  max_time_edit_->setText(ToQt(f.MaxTime.Edit));
  username_->setText(ToQt(f.UsernameEdit));
  password_->setText(ToQt(f.PasswordEdit));
  rules_editor_->Load(f.AddressRules);
  send_referer_->setChecked(f.SendRefererCheck);
  site_layout_->setChecked(f.SiteLayoutCheck);
  delete_gone_->setChecked(f.DeleteGoneCheck);
  http_version_->setCurrentIndex(f.Http10Choice ? 1 : 0);
  // Headers being typed that cannot be taken yet stay as typed while the same web is shown: the
  // web keeps its previous ones meanwhile, and the line's problem is said under the edit.
  const bool typing = headers_web_ == web_.get() &&
                      !RequestHeadersProblem(FromQt(request_headers_->toPlainText())).empty();
  if (!typing) request_headers_->setPlainText(ToQt(f.RequestHeadersEdit));
  headers_web_ = web_.get();
  politeness_->Show(f.Politeness);
  auto limit = [](const TLimitWidgets& w, const TLimitField& field) {
    w.check->setChecked(field.Checked);
    w.edit->setText(ToQt(field.Edit));
  };
  limit(max_file_count_, f.MaxFileCount);
  limit(min_file_size_, f.MinFileSize);
  limit(max_file_size_, f.MaxFileSize);
  limit(max_disk_size_, f.MaxDiskSize);
  resolved_url_->setChecked(f.ResolvedUrlCheckBox);
  todo_url_->setChecked(f.TodoUrlCheckBox);
  error_url_->setChecked(f.ErrorUrlCheckBox);
  filtered_url_->setChecked(f.FilteredUrlCheckBox);
  list_gif_->setChecked(f.ListGifCheck);
  list_jpeg_->setChecked(f.ListJpegCheck);
  list_avi_->setChecked(f.ListAviCheck);
  list_wav_->setChecked(f.ListWavCheck);
  stretch_image_->setChecked(f.StretchImageCheck);
  UpdateEnabledFields();
}

void TMainWin::UpdateEnabledFields() {
  const TWebForm f = ReadForm();
  max_time_edit_->setEnabled(f.MaxTime.EditEnabled());
  max_file_count_.edit->setEnabled(f.MaxFileCount.EditEnabled());
  min_file_size_.edit->setEnabled(f.MinFileSize.EditEnabled());
  max_file_size_.edit->setEnabled(f.MaxFileSize.EditEnabled());
  max_disk_size_.edit->setEnabled(f.MaxDiskSize.EditEnabled());
  const bool external = f.ExternalGroupEnabled();
  external_path_limit_->setEnabled(external);
  external_depth_->setEnabled(external);
  external_depth_label_->setEnabled(external);
}

void TMainWin::TabChanged(int) { UpdateCommands(); }

}  // namespace korvane::ui
