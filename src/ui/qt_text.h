// The one place where text crosses between the core (Windows-1252 bytes) and the widgets
// (QString): every view converts through these two functions.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace korvane::ui {

QString ToQt(std::string_view text);
std::string FromQt(const QString& text);
// Titles and descriptions keep a character Windows-1252 cannot hold as a numeric reference
// ("&#8364;" and the like, a literal "&" that would read as one as "&#38;"): shown as the
// character, and typed characters stored that way.
QString TitleToQt(std::string_view title);
std::string TitleFromQt(const QString& title);

}  // namespace korvane::ui
