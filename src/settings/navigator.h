// The user's navigator (web browser): finding it, opening a page in it, asking it for the page
// it shows. The platform's part (the desktop's default handler, starting a program, the
// conversation with a running navigator) is behind TNavigatorPlatform; the rules that read the
// platform's answers are plain functions, tested on their own.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

class TNavigatorPlatform {
 public:
  virtual ~TNavigatorPlatform() = default;
  // The command line that opens an HTML page with the desktop's default program, its program
  // named by a full path when the platform can find it; empty when there is none.
  virtual std::string DefaultHtmlOpenCommand() = 0;
  // Starts `program` with `argument` as its only argument, with no shell in between.
  virtual bool StartProgram(const std::string& program, const std::string& argument) = 0;
  // Asks the running navigator `service` to show `target`; false when no navigator answered.
  virtual bool DdeOpenUrl(const std::string& service, const std::string& target, bool activate) = 0;
  // The running navigator's reply to a request for its window's page, when it answered.
  virtual std::optional<std::string> DdeGetWindowInfo(const std::string& service) = 0;
  // Opens `target` (a local file or an address) with whatever the desktop itself uses for it:
  // empty on success, the reason in a sentence when it failed, nothing when this platform has
  // no such way and a navigator program must be started instead.
  virtual std::optional<std::string> OpenWithDesktop(const std::string& /*target*/) {
    return std::nullopt;
  }
  // Whether a running navigator can be asked for the page it shows. Where it cannot, the
  // commands that would ask are not offered.
  virtual bool CanReadWindowInfo() const { return true; }
};

// The machine's own: the desktop's default handler for text/html, a plain program start, and no
// conversation with a running navigator (there is no such channel here).
TNavigatorPlatform& SystemNavigatorPlatform();

// The program of an open command: cut before its first blank, then, when what is left begins
// and ends with a double quote, without both quotes.
std::string ExeNameFromOpenCommand(std::string_view command);

// The name a running navigator answers to: the program's file name without its folder, upper
// case, cut before its first '.'.
std::string DdeServiceName(std::string_view exe_name);

// The double-quoted strings of `text`, in order. Outside quotes characters are skipped; inside,
// a backslash takes the next character as it is. An unclosed string at the end is dropped.
std::vector<std::string> SplitQuotedList(std::string_view text);

// Reads a navigator's reply about its window: the first string is the address (cut to
// `url_max`), the second the window title, trimmed, without a "netscape - " prefix (any case)
// and then without enclosing square brackets, cut to `title_max`. False when the reply holds no
// string.
bool ParseWindowInfoReply(std::string_view reply, std::size_t url_max, std::size_t title_max,
                          std::string& url, std::string& title);

}  // namespace korvane
