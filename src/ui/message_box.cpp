#include "ui/message_box.h"

#include <QMessageBox>
#include <QPushButton>

#include "ui/qt_text.h"

namespace korvane::ui {
namespace {

QMessageBox::Icon ToQtIcon(TBoxIcon icon) {
  switch (icon) {
    case TBoxIcon::kStop:
      return QMessageBox::Critical;
    case TBoxIcon::kExclamation:
      return QMessageBox::Warning;
    case TBoxIcon::kInformation:
      return QMessageBox::Information;
    case TBoxIcon::kQuestion:
      return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButton ToQtButton(TModalResult result) {
  switch (result) {
    case mrYes:
      return QMessageBox::Yes;
    case mrNo:
      return QMessageBox::No;
    case mrCancel:
      return QMessageBox::Cancel;
    default:
      return QMessageBox::Ok;
  }
}

// The core's boxes break lines with CR LF.
QString BoxText(const std::string& text) {
  QString shown = ToQt(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return shown;
}

}  // namespace

TModalResult ShowMessageBox(QWidget* parent, const TMessageBoxContent& content) {
  QMessageBox box(ToQtIcon(content.Icon), BoxText(content.Title), BoxText(content.Text()),
                  QMessageBox::NoButton, parent);
  box.setObjectName(QStringLiteral("MessageBox"));
  std::vector<std::pair<QAbstractButton*, TModalResult>> buttons;
  for (TModalResult result : content.Buttons) {
    buttons.emplace_back(box.addButton(ToQtButton(result)), result);
  }
  if (!buttons.empty()) box.setDefaultButton(static_cast<QPushButton*>(buttons.front().first));
  for (const auto& [button, result] : buttons) {
    if (result == content.DefaultButton) box.setDefaultButton(static_cast<QPushButton*>(button));
  }
  box.exec();
  for (const auto& [button, result] : buttons) {
    if (box.clickedButton() == button) return result;
  }
  for (TModalResult result : content.Buttons) {
    if (result == mrCancel) return mrCancel;
  }
  return content.Buttons.empty() ? mrOk : content.Buttons.back();
}

TModalResult Ask(QWidget* parent, const std::string& text, const std::string& caption,
                 std::uint8_t buttons, TModalResult default_button) {
  TMessageBoxContent content;
  content.DefaultButton = default_button;
  content.Title = caption;
  content.Message = text;
  content.Icon = TBoxIcon::kQuestion;
  if (buttons & mbYes) content.Buttons.push_back(mrYes);
  if (buttons & mbNo) content.Buttons.push_back(mrNo);
  if (buttons & mbOk) content.Buttons.push_back(mrOk);
  if (buttons & mbCancel) content.Buttons.push_back(mrCancel);
  return ShowMessageBox(parent, content);
}

void Tell(QWidget* parent, const std::string& text, const std::string& caption, TBoxIcon icon) {
  TMessageBoxContent content;
  content.Title = caption;
  content.Message = text;
  content.Icon = icon;
  content.Buttons = {mrOk};
  ShowMessageBox(parent, content);
}

}  // namespace korvane::ui
