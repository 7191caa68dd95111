// An extra request header a web sends with every request ("Name: value"), checked where it is
// taken (the command line, an options file, the Options tab, a project file) and once more where
// it is written into a request, so that no text can add a line of its own to a request.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvane {

struct TRequestHeader {
  std::string Name;
  std::string Value;
  // "Name: value", as it is stored and sent (without the line's end).
  std::string Line() const { return Name + ": " + Value; }
};

// The header `text` holds ("Name: value", spaces around the value dropped), or nothing with
// `error` saying why: the name must be an HTTP token, the value printable text of one line, the
// whole at most 255 bytes, and the name none of those the request writes itself (Host, Accept,
// User-Agent, Referer, Cookie, Range, If-Range) or that frame a message (Content-Length,
// Transfer-Encoding, Connection).
std::optional<TRequestHeader> ParseRequestHeader(std::string_view text, std::string& error);

}  // namespace korvane
