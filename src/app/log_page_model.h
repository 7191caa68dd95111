// A web's log page (LogFile.htm) read back as a list for the window: each line with its kind and,
// where the line names one, the address and the cause, oldest first as they were written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

class TFileSystem;

enum class TLogKind : std::uint8_t {
  kSession,   // the start and end reports of a capture, and its stops
  kError,     // an address that failed: host unknown, connection, TLS, invalid, disk space
  kNotFound,  // an address the server did not have
  kFiltered,  // a link the rules did not admit
  kOther,     // anything else: the traces of the requests, lines of another program
};
inline constexpr int kLogKindCount = 5;

// The kind's name in the window: "Session", "Error", "Not found", "Filtered", "Other".
std::string_view LogKindName(TLogKind kind);

struct TLogEntry {
  TLogKind Kind = TLogKind::kOther;
  std::string Text;     // the whole line, in the page's Windows-1252 as the core keeps text
  std::string Address;  // the address it is about, when it names one
  std::string Cause;    // why, when it says so (an HTTP status, the reason of a failure)
};

struct TLogPage {
  std::vector<TLogEntry> Entries;
  // Why there is nothing to show, in a sentence; empty when the page was read.
  std::string Problem;
};

// The entries of a log page's bytes (Windows-1252, one "<br>" per line). Anything the page holds
// is read: a line the program did not write is of the kind kOther.
std::vector<TLogEntry> ParseLogPage(std::string_view page);

// Reads the log page of the web folder `folder` (ending with a separator), found in any case.
// A missing, unreadable or foreign file gives no entry and a Problem.
TLogPage ReadLogPage(const TFileSystem& fs, const std::string& folder);

// A set of kinds, one bit per TLogKind.
using TLogKinds = std::uint8_t;
inline constexpr TLogKinds kAllLogKinds = (1u << kLogKindCount) - 1;
inline constexpr TLogKinds LogKindBit(TLogKind kind) {
  return static_cast<TLogKinds>(1u << static_cast<unsigned>(kind));
}

// The indexes of the entries of `kinds` whose text holds `search` (any letter case; empty
// matches every entry), in the page's order.
std::vector<std::size_t> FilterLog(const std::vector<TLogEntry>& entries, TLogKinds kinds,
                                   std::string_view search);

}  // namespace korvane
