#include "ui/qt_text.h"

#include "base/text_encoding.h"

namespace korvane::ui {

QString ToQt(std::string_view text) { return QString::fromStdString(Win1252ToUtf8(text)); }

std::string FromQt(const QString& text) { return Utf8ToWin1252(text.toStdString()); }

QString TitleToQt(std::string_view title) { return QString::fromStdString(TextToUtf8(title)); }

std::string TitleFromQt(const QString& title) { return Utf8ToText(title.toStdString()); }

}  // namespace korvane::ui
