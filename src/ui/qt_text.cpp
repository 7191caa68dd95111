#include "ui/qt_text.h"

#include "base/text_encoding.h"

namespace korvane::ui {

QString ToQt(std::string_view text) { return QString::fromStdString(Win1252ToUtf8(text)); }

std::string FromQt(const QString& text) { return Utf8ToWin1252(text.toStdString()); }

}  // namespace korvane::ui
