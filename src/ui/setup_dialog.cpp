#include "ui/setup_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "base/file_system.h"
#include "base/number.h"
#include "settings/param.h"
#include "ui/directory_dialog.h"
#include "ui/focus_order.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"

namespace korvane::ui {
namespace {

QSpinBox* Spin(const std::string& text, int min, int max, int step, const char* name,
               QWidget* parent) {
  auto* spin = new QSpinBox(parent);
  spin->setObjectName(QLatin1String(name));
  spin->setRange(min, max);
  spin->setSingleStep(step);
  spin->setValue(IntegerOr(text, min));
  return spin;
}

QLineEdit* Edit(const std::string& text, const char* name, QWidget* parent) {
  auto* edit = new QLineEdit(ToQt(text), parent);
  edit->setObjectName(QLatin1String(name));
  return edit;
}

QCheckBox* Check(const QString& caption, bool checked, const char* name, QWidget* parent) {
  auto* box = new QCheckBox(caption, parent);
  box->setObjectName(QLatin1String(name));
  box->setChecked(checked);
  return box;
}

std::string SpinText(const QSpinBox* spin) { return std::to_string(spin->value()); }

}  // namespace

TSetupDialog::TSetupDialog(TParam& param, TFileSystem& fs, std::string program_folder,
                           QWidget* parent)
    : QDialog(parent),
      param_(param),
      form_(param, fs),
      fs_(fs),
      program_folder_(std::move(program_folder)) {
  setObjectName(QStringLiteral("ParamForm"));
  setWindowTitle(tr("Korvane Setup"));
  pages_ = new QTabWidget(this);
  pages_->setObjectName(QStringLiteral("Notebook"));
  pages_->setTabPosition(QTabWidget::South);
  pages_->addTab(CommunicationPage(), tr("&Communication"));
  pages_->addTab(DirectoriesPage(), tr("&Directories"));
  pages_->addTab(BrowserPage(), tr("&Browser"));
  pages_->addTab(HtmlPagesPage(), tr("&HTML Pages"));

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(tr("&OK"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("OkBut"));
  ok->setDefault(true);
  QPushButton* cancel = buttons->addButton(tr("Ca&ncel"), QDialogButtonBox::RejectRole);
  cancel->setObjectName(QStringLiteral("CancelBut"));
  connect(buttons, &QDialogButtonBox::accepted, this, &TSetupDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_);
  layout->addWidget(buttons);
  TabBarAfterPages(pages_);
  TabButtonsAsLaidOut(buttons);
  UpdateEnabled();
}

// The edits leave their focus as the dialog goes: their signals must not reach it by then.
TSetupDialog::~TSetupDialog() {
  disconnect(proxy_adress_, nullptr, this, nullptr);
  disconnect(browser_name_->lineEdit(), nullptr, this, nullptr);
}

QWidget* TSetupDialog::CommunicationPage() {
  auto* page = new QWidget(this);
  auto* box = new QGroupBox(tr(" Communication &parameters "), page);
  socket_max_ = Spin(form_.SocketMaxEdit, 1, 9, 1, "SocketMaxEdit", box);
  timeout_ = Edit(form_.TimeoutEdit, "TimeoutEdit", box);
  try_count_ = Spin(form_.TryCountEdit, 1, 10, 1, "TryCountEdit", box);
  stop_wait_ = Spin(form_.StopWaitEdit, 0, 3600, 10, "StopWaitEdit", box);
  stop_wait_->setSuffix(tr(" seconds"));
  auto* timeout_row = new QHBoxLayout;
  timeout_row->addWidget(timeout_);
  timeout_row->addWidget(new QLabel(tr("seconds"), box));
  timeout_row->addStretch(1);
  proxy_use_ = Check(tr("&Use proxy "), form_.ProxyUse, "ProxyUseCheckBox", box);
  proxy_adress_ = Edit(form_.ProxyAdressEdit, "ProxyAdressEdit", box);
  proxy_port_ = Edit(form_.ProxyPortEdit, "ProxyPortEdit", box);
  user_agent_ = Edit(form_.UserAgentEdit, "UserAgentEdit", box);
  user_agent_->setPlaceholderText(QStringLiteral("Mozilla/2.0 (Korvane 1.073)"));
  user_agent_->setMaxLength(255);
  // One line of printable ASCII: nothing else can go into a request header.
  user_agent_->setValidator(new QRegularExpressionValidator(
      QRegularExpression(QStringLiteral("[\\x20-\\x7e]*")), user_agent_));
  user_agent_->setToolTip(
      tr("The name the requests give themselves; empty for the program's own. Some servers "
         "refuse old browsers."));
  auto* form = new QFormLayout(box);
  form->addRow(tr("Sockets count:"), socket_max_);
  form->addRow(tr("Connection timeout:"), timeout_row);
  form->addRow(tr("Connection trials before error:"), try_count_);
  form->addRow(tr("A stop waits for transfers at most:"), stop_wait_);
  form->addRow(proxy_use_);
  form->addRow(tr("Address:"), proxy_adress_);
  form->addRow(tr("Port:"), proxy_port_);
  auto* agent_label = new QLabel(tr("User a&gent:"), box);
  agent_label->setBuddy(user_agent_);
  form->addRow(agent_label, user_agent_);
  connect(proxy_use_, &QCheckBox::clicked, this, &TSetupDialog::ProxyUseClicked);
  connect(proxy_adress_, &QLineEdit::editingFinished, this, [this] {
    Read();
    form_.ProxyAdressExit();
    proxy_use_->setChecked(form_.ProxyUse);
    UpdateEnabled();
  });
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(box);
  layout->addStretch(1);
  return page;
}

QWidget* TSetupDialog::DirectoriesPage() {
  auto* page = new QWidget(this);
  auto* box = new QGroupBox(tr(" &Save "), page);
  default_path_ = Edit(form_.DefaultPathEdit, "DefaultPathEdit", box);
  auto* browse = new QPushButton(tr("Bro&wse..."), box);
  browse->setAutoDefault(false);
  connect(browse, &QPushButton::clicked, this, &TSetupDialog::BrowseDirectory);
  auto* label = new QLabel(tr("Default capture di&rectory:"), box);
  label->setBuddy(default_path_);
  auto* row = new QHBoxLayout;
  row->addWidget(default_path_, 1);
  row->addWidget(browse);
  native_folder_ = Check(tr("Use the desktop's &folder chooser"), form_.NativeFolderDialog,
                         "NativeFolderCheckBox", box);
  native_folder_->setEnabled(DesktopHasFolderChooser());
  native_folder_->setToolTip(
      native_folder_->isEnabled()
          ? tr("Folders are chosen in the desktop's own dialog instead of the program's tree.")
          : tr("This desktop has no folder dialog of its own: the program's tree is used."));
  auto* box_layout = new QVBoxLayout(box);
  box_layout->addWidget(label);
  box_layout->addLayout(row);
  box_layout->addWidget(native_folder_);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(box);
  layout->addStretch(1);
  return page;
}

QWidget* TSetupDialog::BrowserPage() {
  auto* page = new QWidget(this);
  auto* browser = new QGroupBox(tr(" Browser "), page);
  auto_launch_ =
      Check(tr(" Launch at end of capture."), form_.AutoLaunch, "AutoLaunchCheckBox", browser);
  auto_browser_ =
      Check(tr(" Automatic search for a browser."), form_.AutoBrowser, "AutoBrowserCheck", browser);
  browser_name_ = new QComboBox(browser);
  browser_name_->setObjectName(QStringLiteral("BrowserNameCB"));
  browser_name_->setEditable(true);
  browser_name_->setInsertPolicy(QComboBox::NoInsert);
  for (const std::string& item : form_.BrowserItems) browser_name_->addItem(ToQt(item));
  browser_name_->setCurrentText(ToQt(form_.BrowserName));
  browser_name_->setMinimumWidth(300);
  auto* browse = new QPushButton(tr("B&rowse..."), browser);
  browse->setAutoDefault(false);
  browser_browse_ = browse;
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(tr("Path:"), browser));
  row->addWidget(browser_name_, 1);
  row->addWidget(browse);
  auto* browser_layout = new QVBoxLayout(browser);
  browser_layout->addWidget(auto_launch_);
  browser_layout->addWidget(auto_browser_);
  browser_layout->addLayout(row);
  connect(auto_browser_, &QCheckBox::clicked, this, &TSetupDialog::AutoBrowserClicked);
  connect(browse, &QPushButton::clicked, this, &TSetupDialog::BrowseBrowser);
  connect(browser_name_, &QComboBox::activated, this,
          [this](int index) { SelectBrowser(browser_name_->itemText(index)); });
  connect(browser_name_->lineEdit(), &QLineEdit::editingFinished, this,
          [this] { SelectBrowser(browser_name_->currentText()); });

  auto* bookmarks = new QGroupBox(tr(" Bookmarks "), page);
  auto_add_bookmark_ = Check(tr(" Add a bookmark automatically."), form_.AutoAddBookmark,
                             "AutoAddBookmarkCheckBox", bookmarks);
  bookmark_file_ = Edit(form_.BookmarkFileEdit, "BookmarkFileEdit", bookmarks);
  bookmark_folder_ = Edit(form_.BookmarkFolderEdit, "BookmarkFolderEdit", bookmarks);
  auto* browse_bookmarks = new QPushButton(tr("Bro&wse..."), bookmarks);
  browse_bookmarks->setAutoDefault(false);
  connect(browse_bookmarks, &QPushButton::clicked, this, &TSetupDialog::BrowseBookmarks);
  auto* file_row = new QHBoxLayout;
  file_row->addWidget(bookmark_file_, 1);
  file_row->addWidget(browse_bookmarks);
  auto* form = new QFormLayout(bookmarks);
  form->addRow(auto_add_bookmark_);
  form->addRow(tr("Bookmark file:"), file_row);
  form->addRow(tr("Folder name:"), bookmark_folder_);

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(browser);
  layout->addWidget(bookmarks);
  layout->addStretch(1);
  return page;
}

QWidget* TSetupDialog::HtmlPagesPage() {
  auto* page = new QWidget(this);
  auto* images = new QGroupBox(tr(" Images index "), page);
  img_col_ = Spin(form_.ImgColEdit, 2, 10, 1, "ImgColEdit", images);
  img_lig_ = Spin(form_.ImgLigEdit, 2, 10, 1, "ImgLigEdit", images);
  img_size_ = Spin(form_.ImgSizeEdit, 16, 128, 2, "ImgSizeEdit", images);
  img_size_min_ = Spin(form_.ImgSizeMinEdit, 0, 800, 2, "ImgSizeMinEdit", images);
  img_ratio_ = Check(tr("Save image ratio."), form_.ImgRatio, "ImgRatioCheckBox", images);
  auto* image_form = new QFormLayout(images);
  image_form->addRow(tr("Columns count:"), img_col_);
  image_form->addRow(tr("Rows count:"), img_lig_);
  image_form->addRow(tr("Image size N x N:"), img_size_);
  image_form->addRow(tr("Lowest size filter:"), img_size_min_);
  image_form->addRow(img_ratio_);
  auto* others = new QGroupBox(tr(" Other pages... "), page);
  lig_ = Spin(form_.LigEdit, 2, 50, 1, "LigEdit", others);
  auto* other_form = new QFormLayout(others);
  other_form->addRow(tr("Rows by page:"), lig_);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(images);
  layout->addWidget(others);
  layout->addStretch(1);
  return page;
}

void TSetupDialog::ShowPage(int page) {
  form_.ShowPage(page);
  pages_->setCurrentIndex(form_.Page());
}

void TSetupDialog::Read() {
  TParamForm& f = form_;
  f.SocketMaxEdit = SpinText(socket_max_);
  f.TimeoutEdit = FromQt(timeout_->text());
  f.TryCountEdit = SpinText(try_count_);
  f.StopWaitEdit = SpinText(stop_wait_);
  f.ProxyUse = proxy_use_->isChecked();
  f.ProxyAdressEdit = FromQt(proxy_adress_->text());
  f.ProxyPortEdit = FromQt(proxy_port_->text());
  f.UserAgentEdit = FromQt(user_agent_->text());
  f.DefaultPathEdit = FromQt(default_path_->text());
  f.NativeFolderDialog = native_folder_->isChecked();
  f.AutoLaunch = auto_launch_->isChecked();
  f.AutoBrowser = auto_browser_->isChecked();
  f.BrowserName = FromQt(browser_name_->currentText());
  f.BrowserItems.clear();
  for (int i = 0; i < browser_name_->count(); ++i) {
    f.BrowserItems.push_back(FromQt(browser_name_->itemText(i)));
  }
  f.AutoAddBookmark = auto_add_bookmark_->isChecked();
  f.BookmarkFileEdit = FromQt(bookmark_file_->text());
  f.BookmarkFolderEdit = FromQt(bookmark_folder_->text());
  f.ImgColEdit = SpinText(img_col_);
  f.ImgLigEdit = SpinText(img_lig_);
  f.ImgSizeEdit = SpinText(img_size_);
  f.ImgSizeMinEdit = SpinText(img_size_min_);
  f.LigEdit = SpinText(lig_);
  f.ImgRatio = img_ratio_->isChecked();
}

void TSetupDialog::UpdateEnabled() {
  proxy_adress_->setEnabled(form_.ProxyControlsEnabled());
  proxy_port_->setEnabled(form_.ProxyControlsEnabled());
  browser_name_->setEnabled(form_.BrowserControlsEnabled());
  browser_browse_->setEnabled(form_.BrowserControlsEnabled());
}

void TSetupDialog::ProxyUseClicked(bool checked) {
  form_.SetProxyUse(checked);
  UpdateEnabled();
}

void TSetupDialog::AutoBrowserClicked(bool checked) {
  form_.SetAutoBrowser(checked);
  browser_name_->setCurrentText(ToQt(form_.BrowserName));
  UpdateEnabled();
}

void TSetupDialog::SelectBrowser(const QString& path) {
  Read();
  form_.SelectBrowser(FromQt(path));
  browser_name_->clear();
  for (const std::string& item : form_.BrowserItems) browser_name_->addItem(ToQt(item));
  browser_name_->setCurrentText(ToQt(form_.BrowserName));
}

void TSetupDialog::BrowseBrowser() {
  const QString current = browser_name_->currentText();
  const QString start = current.isEmpty() ? QStringLiteral("/usr/bin") : current;
  const QString chosen =
      QFileDialog::getOpenFileName(this, tr("Browser"), start, tr("Programs (*);;All files (*)"));
  if (!chosen.isEmpty()) SelectBrowser(chosen);
}

void TSetupDialog::BrowseDirectory() {
  if (auto folder = TDirectoryDialog::Choose(this, fs_, "Select directory", program_folder_,
                                             FromQt(default_path_->text()), true,
                                             native_folder_->isChecked())) {
    default_path_->setText(ToQt(*folder));
  }
}

void TSetupDialog::BrowseBookmarks() {
  Read();
  const QString proposal = ToQt(form_.BookmarkProposal());
  QFileDialog dialog(this, tr("Bookmark file"), QFileInfo(proposal).path(),
                     tr("Bookmark file (*.htm *.html);;All files (*)"));
  dialog.selectFile(proposal);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  if (auto error = form_.ChooseBookmarkFile(fs_, FromQt(dialog.selectedFiles().front()))) {
    Tell(this, *error, TParamForm::kNotBookmarkTitle, TBoxIcon::kStop);
    return;
  }
  bookmark_file_->setText(ToQt(form_.BookmarkFileEdit));
}

void TSetupDialog::accept() {
  Read();
  if (!form_.Ok()) {
    Tell(this, "The settings could not be written to " + param_.SettingsFileName(), "Error",
         TBoxIcon::kStop);
  }
  QDialog::accept();
}

}  // namespace korvane::ui
