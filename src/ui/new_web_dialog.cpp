#include "ui/new_web_dialog.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/param.h"
#include "ui/add_url_dialog.h"
#include "ui/directory_dialog.h"
#include "ui/focus_order.h"
#include "ui/qt_text.h"
#include "ui/url_verif_dialog.h"

namespace korvane::ui {
namespace {

constexpr std::size_t kShortString = 255;

QGroupBox* Box(const QString& title, QLineEdit* edit, QPushButton* button, QWidget* parent) {
  auto* box = new QGroupBox(title, parent);
  auto* layout = new QHBoxLayout(box);
  layout->addWidget(edit, 1);
  if (button) layout->addWidget(button);
  return box;
}

}  // namespace

TNewWebDialog::TNewWebDialog(TNewForm form, TParam& param, TFileSystem& fs, TSocketHub& hub,
                             std::string program_folder, QWidget* parent)
    : QDialog(parent),
      form_(std::move(form)),
      param_(param),
      fs_(fs),
      hub_(hub),
      program_folder_(std::move(program_folder)) {
  setObjectName(QStringLiteral("NewForm"));
  setWindowTitle(ToQt(form_.Caption));
  url_edit_ = new QLineEdit(this);
  url_edit_->setObjectName(QStringLiteral("UrlEdit"));
  path_edit_ = new QLineEdit(this);
  path_edit_->setObjectName(QStringLiteral("PathEdit"));
  title_edit_ = new QLineEdit(this);
  title_edit_->setObjectName(QStringLiteral("TitleEdit"));
  for (QLineEdit* edit : {url_edit_, path_edit_, title_edit_}) edit->setMinimumWidth(380);
  auto* check = new QPushButton(tr("C&heck..."), this);
  check->setObjectName(QStringLiteral("CheckBut"));
  check->setAutoDefault(false);
  auto* browse = new QPushButton(tr("&Browse..."), this);
  browse->setObjectName(QStringLiteral("BrowseBut"));
  browse->setAutoDefault(false);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* create = buttons->addButton(tr("&Create"), QDialogButtonBox::AcceptRole);
  create->setObjectName(QStringLiteral("CreateBut"));
  create->setDefault(true);
  capture_button_ = buttons->addButton(tr("Create &and Capture"), QDialogButtonBox::YesRole);
  capture_button_->setObjectName(QStringLiteral("CreateCaptureBut"));
  QPushButton* cancel = buttons->addButton(tr("Ca&ncel"), QDialogButtonBox::RejectRole);
  cancel->setObjectName(QStringLiteral("CancelBut"));

  connect(check, &QPushButton::clicked, this, &TNewWebDialog::Check);
  connect(browse, &QPushButton::clicked, this, &TNewWebDialog::Browse);
  connect(url_edit_, &QLineEdit::editingFinished, this, &TNewWebDialog::UrlExit);
  connect(create, &QPushButton::clicked, this, [this] { TryClose(mrOk); });
  connect(capture_button_, &QPushButton::clicked, this, [this] { TryClose(mrYes); });
  connect(cancel, &QPushButton::clicked, this, &TNewWebDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Box(tr(" Internet address "), url_edit_, check, this));
  layout->addWidget(Box(tr(" Capture path "), path_edit_, browse, this));
  layout->addWidget(Box(tr(" Web title "), title_edit_, nullptr, this));
  layout->addWidget(buttons);
  // Tab goes as the eye reads: each box's edit, then its button, box after box.
  setTabOrder(url_edit_, check);
  setTabOrder(check, path_edit_);
  setTabOrder(path_edit_, browse);
  setTabOrder(browse, title_edit_);
  TabButtonsAsLaidOut(buttons);
  Show();
}

// Hiding the dialog takes the focus from the address box, whose signal must not reach a dialog
// that is being destroyed.
TNewWebDialog::~TNewWebDialog() { disconnect(url_edit_, nullptr, this, nullptr); }

TModalResult TNewWebDialog::Run() {
  exec();
  return result_;
}

void TNewWebDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (activated_) return;
  activated_ = true;
  Read();
  std::optional<TNavigatorPage> navigator;
  if (form_.AsksNavigator()) {
    TNavigatorPage page;
    if (param_.GetNavigatorWindowInfo(page.Url, kShortString, page.Title, kShortString)) {
      navigator = page;
    }
  }
  form_.Activate(navigator);
  Show();
}

void TNewWebDialog::Read() {
  form_.UrlEdit = FromQt(url_edit_->text());
  form_.PathEdit = FromQt(path_edit_->text());
  form_.TitleEdit = TitleFromQt(title_edit_->text());
}

void TNewWebDialog::Show() {
  url_edit_->setText(ToQt(form_.UrlEdit));
  path_edit_->setText(ToQt(form_.PathEdit));
  title_edit_->setText(TitleToQt(form_.TitleEdit));
  url_edit_->setReadOnly(form_.UrlReadOnly());
  capture_button_->setEnabled(form_.CaptureButtonEnabled());
}

void TNewWebDialog::UrlExit() {
  // The address box also loses the focus when the dialog closes: the form is final by then.
  if (closing_) return;
  Read();
  form_.UrlExit();
  path_edit_->setText(ToQt(form_.PathEdit));
}

void TNewWebDialog::Check() {
  Read();
  TUrlVerifDialog(hub_, form_.UrlEdit, this).exec();
}

void TNewWebDialog::Browse() {
  Read();
  if (auto folder = TDirectoryDialog::Choose(this, fs_, TNewForm::kBrowseCaption, program_folder_,
                                             form_.PathEdit, true, param_.NativeFolderDialog)) {
    form_.Browsed(*folder);
    path_edit_->setText(ToQt(form_.PathEdit));
  }
}

void TNewWebDialog::TryClose(TModalResult result) {
  Read();
  const bool can_close = form_.CanClose(result);
  url_edit_->setText(ToQt(form_.UrlEdit));  // completed with its scheme
  if (!can_close) {
    QMessageBox box(QMessageBox::Warning, ToQt(form_.Caption), ToQt(form_.Refusal), QMessageBox::Ok,
                    this);
    box.setObjectName(QStringLiteral("RefusalBox"));
    box.exec();
    return;
  }
  if (!AddressWarningAccepted(this, form_.Caption, form_.Warning)) return;
  result_ = result;
  closing_ = true;
  accept();
}

void TNewWebDialog::reject() {
  result_ = mrCancel;
  closing_ = true;
  QDialog::reject();
}

TModalResult AskFolderFiles(QWidget* parent, const std::string& folder,
                            const TFolderContents& contents) {
  QMessageBox box(QMessageBox::Question, ToQt(TFolderContents::kCaption),
                  ToQt(folder) + QStringLiteral("\n\n") + ToQt(contents.Text()),
                  QMessageBox::NoButton, parent);
  box.setObjectName(QStringLiteral("DelFileDlg"));
  box.setInformativeText(ToQt(TFolderContents::kQuestion));
  // One role for both, so that they keep their order whatever the desktop's button layout.
  QPushButton* remove = box.addButton(QObject::tr("&Delete"), QMessageBox::ActionRole);
  QPushButton* keep = box.addButton(QObject::tr("&Keep"), QMessageBox::ActionRole);
  QPushButton* cancel = box.addButton(QObject::tr("&Cancel"), QMessageBox::RejectRole);
  box.setDefaultButton(cancel);
  box.exec();
  if (box.clickedButton() == remove) return mrYes;
  if (box.clickedButton() == keep) return mrNo;
  return mrCancel;
}

}  // namespace korvane::ui
