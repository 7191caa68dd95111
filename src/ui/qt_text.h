// The one place where text crosses between the core (Windows-1252 bytes) and the widgets
// (QString): every view converts through these two functions.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace korvane::ui {

QString ToQt(std::string_view text);
std::string FromQt(const QString& text);

}  // namespace korvane::ui
