#include "ui/desktop_navigator.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include "ui/qt_text.h"

namespace korvane::ui {

std::optional<std::string> TDesktopNavigatorPlatform::OpenWithDesktop(const std::string& target) {
  const QString text = ToQt(target);
  const QUrl url(text);
  // A local page is a path; anything with a scheme of two letters or more is an address (one
  // letter would be a drive).
  const bool is_address = url.isValid() && url.scheme().size() > 1;
  if (!is_address) {
    if (!QFileInfo::exists(text)) return "The file " + target + " does not exist.";
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(text))) {
      return "No program of this desktop opens " + target + ".";
    }
    return std::string();
  }
  if (!QDesktopServices::openUrl(url)) return "No program of this desktop opens " + target + ".";
  return std::string();
}

}  // namespace korvane::ui
