// The cookies of a web between its captures: a cookies.txt file beside its project file
// ("Site.web" keeps "Site.cookies"), readable by its owner only, for a cookie can open a
// session on the site. Never copied with the web; deleted with its folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "net/cookie_jar.h"

namespace korvane {

class TFileSystem;

// The cookie file of the project file `project`; empty for a web that has none (not saved).
std::string CookieFileOf(const std::string& project);

// Reads `file` into `jar` when it exists; the error in words when it cannot be read or is no
// cookies file (the jar unchanged then).
std::optional<std::string> LoadCookies(TFileSystem& fs, const std::string& file, TCookieJar& jar,
                                       std::int64_t now);
// Writes the jar's live cookies to `file`, owner only; the error in words when it cannot.
std::optional<std::string> SaveCookies(TFileSystem& fs, const std::string& file,
                                       const TCookieJar& jar, std::int64_t now);

// Deletes the cookie file `file`: what came of it in words, and whether that is a failure.
struct TClearedCookies {
  std::string Words;
  bool Failed = false;
};
TClearedCookies ClearCookies(TFileSystem& fs, const std::string& file);

}  // namespace korvane
