#include "app/log_page_model.h"

#include <algorithm>

#include "base/file_system.h"
#include "base/log_texts.h"
#include "store/web_folder.h"

namespace korvane {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::size_t FindNoCase(std::string_view text, std::string_view word, std::size_t from = 0) {
  if (from > text.size()) return std::string_view::npos;
  auto it = std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(), word.begin(),
                        word.end(), [](char a, char b) { return Lower(a) == Lower(b); });
  return it == text.end() && !word.empty() ? std::string_view::npos
                                           : static_cast<std::size_t>(it - text.begin());
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() &&
         (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n')) {
    s.remove_suffix(1);
  }
  return s;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

// "<prefix><cause><closing><address>": the lines of an address that failed or was not found.
bool ReadParenthesised(std::string_view line, std::string_view prefix, std::string_view closing,
                       std::string& cause, std::string& address) {
  if (!StartsWith(line, prefix)) return false;
  const std::size_t end = line.find(closing, prefix.size());
  if (end == std::string_view::npos) return false;
  cause = std::string(Trim(line.substr(prefix.size(), end - prefix.size())));
  address = std::string(Trim(line.substr(end + closing.size())));
  return true;
}

// "<address><marker><cause>": the lines the requests and the rules write after an address.
bool ReadAfterAddress(std::string_view line, std::string_view marker, std::string& address,
                      std::string& cause) {
  const std::size_t at = line.find(marker);
  if (at == std::string_view::npos || at == 0) return false;
  address = std::string(Trim(line.substr(0, at)));
  cause = std::string(Trim(line.substr(at + marker.size())));
  return true;
}

TLogEntry ReadLine(std::string_view line) {
  TLogEntry e;
  e.Text = std::string(line);
  if (ReadParenthesised(line, kLogNotFound, "):", e.Cause, e.Address)) {
    e.Kind = TLogKind::kNotFound;
  } else if (ReadParenthesised(line, kLogError, "):", e.Cause, e.Address) ||
             ReadParenthesised(line, kLogDiskShort, kLogBytesAnnounced, e.Cause, e.Address)) {
    if (StartsWith(line, kLogDiskShort)) e.Cause = std::string(line.substr(0, line.find(':')));
    e.Kind = TLogKind::kError;
  } else if (ReadAfterAddress(line, " filtr\xE9 : ", e.Address, e.Cause)) {
    e.Kind = TLogKind::kFiltered;
  } else if (ReadAfterAddress(line, kLogFilteredByRule, e.Address, e.Cause)) {
    e.Cause = "rule " + e.Cause;
    e.Kind = TLogKind::kFiltered;
  } else if (StartsWith(line, kLogCaptureStart) || StartsWith(line, kLogCaptureEnd) ||
             StartsWith(line, kLogSessionLength) || StartsWith(line, "Arr\xEAt : ") ||
             line.find(kLogPagesCaptured) != std::string_view::npos ||
             line.find(kLogPagesFiltered) != std::string_view::npos ||
             line.find(kLogPagesNotFound) != std::string_view::npos ||
             line.find(kLogPagesFailed) != std::string_view::npos ||
             line.find(kLogInterruptedFilesRemoved) != std::string_view::npos) {
    e.Kind = TLogKind::kSession;
  } else if (line.size() > kLogHostNotFound.size() &&
             line.substr(line.size() - kLogHostNotFound.size()) == kLogHostNotFound) {
    e.Address = std::string(Trim(line.substr(0, line.size() - kLogHostNotFound.size())));
    e.Cause = std::string(Trim(kLogHostNotFound.substr(3)));
    e.Kind = TLogKind::kError;
  } else if (ReadAfterAddress(line, kLogTlsFailed, e.Address, e.Cause)) {
    e.Cause = std::string(Trim(kLogTlsFailed.substr(3))) + " " + e.Cause;
    e.Kind = TLogKind::kError;
  } else if (line.size() > kLogBadUrl.size() &&
             line.substr(line.size() - kLogBadUrl.size()) == kLogBadUrl) {
    e.Address = std::string(Trim(line.substr(0, line.size() - kLogBadUrl.size())));
    e.Cause = std::string(Trim(kLogBadUrl.substr(3)));
    e.Kind = TLogKind::kError;
  } else if (line.size() > kLogTreeError.size() &&
             line.substr(line.size() - kLogTreeError.size()) == kLogTreeError) {
    e.Address = std::string(Trim(line.substr(0, line.size() - kLogTreeError.size())));
    e.Cause = "Tree error";
    e.Kind = TLogKind::kError;
  }
  return e;
}

}  // namespace

std::string_view LogKindName(TLogKind kind) {
  switch (kind) {
    case TLogKind::kSession:
      return "Session";
    case TLogKind::kError:
      return "Error";
    case TLogKind::kNotFound:
      return "Not found";
    case TLogKind::kFiltered:
      return "Filtered";
    case TLogKind::kOther:
      break;
  }
  return "Other";
}

std::vector<TLogEntry> ParseLogPage(std::string_view page) {
  std::vector<TLogEntry> entries;
  // What comes before the first line break is the page's head (its title, the web's address).
  std::size_t at = FindNoCase(page, "<br>");
  while (at != std::string_view::npos) {
    const std::size_t start = at + 4;
    const std::size_t next = FindNoCase(page, "<br>", start);
    const std::string_view line = Trim(
        page.substr(start, next == std::string_view::npos ? page.size() - start : next - start));
    if (!line.empty()) entries.push_back(ReadLine(line));
    at = next;
  }
  return entries;
}

TLogPage ReadLogPage(const TFileSystem& fs, const std::string& folder) {
  TLogPage log;
  const std::string file = FindFolderPage(fs, folder, kLogFileName);
  if (file.empty()) {
    log.Problem = "This web has no log page yet: " + folder + std::string(kLogFileName) +
                  " is made by its first capture.";
    return log;
  }
  const std::optional<std::string> page = fs.ReadFile(file);
  if (!page) {
    log.Problem = "The log page " + file + " cannot be read (" + fs.LastError() + ").";
    return log;
  }
  log.Entries = ParseLogPage(*page);
  if (log.Entries.empty() && FindNoCase(*page, "<html") == std::string_view::npos &&
      !Trim(*page).empty()) {
    log.Problem = "The file " + file + " is not a log page.";
  }
  return log;
}

std::vector<std::size_t> FilterLog(const std::vector<TLogEntry>& entries, TLogKinds kinds,
                                   std::string_view search) {
  std::vector<std::size_t> shown;
  const std::string_view word = Trim(search);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (!(kinds & LogKindBit(entries[i].Kind))) continue;
    if (!word.empty() && FindNoCase(entries[i].Text, word) == std::string_view::npos) continue;
    shown.push_back(i);
  }
  return shown;
}

}  // namespace korvane
