#include "net/resume_note.h"

#include <algorithm>
#include <charconv>

namespace korvane {
namespace {

constexpr std::string_view kFirstLine = "KORVANE RESUME 1";

bool IsOneLine(std::string_view text) {
  return !text.empty() && text.size() <= 1024 && std::none_of(text.begin(), text.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20;
  });
}

}  // namespace

std::string TResumeNote::Format() const {
  return std::string(kFirstLine) + "\n" + Url + "\n" + Validator + "\n" + std::to_string(Bytes) +
         "\n";
}

std::optional<TResumeNote> TResumeNote::Parse(std::string_view text) {
  std::string_view lines[4];
  for (std::string_view& line : lines) {
    const std::size_t lf = text.find('\n');
    if (lf == std::string_view::npos) return std::nullopt;
    line = text.substr(0, lf);
    text.remove_prefix(lf + 1);
  }
  TResumeNote note;
  const std::string_view count = lines[3];
  auto [end, ec] = std::from_chars(count.data(), count.data() + count.size(), note.Bytes);
  if (lines[0] != kFirstLine || !IsOneLine(lines[1]) || !IsOneLine(lines[2]) || !text.empty() ||
      ec != std::errc() || end != count.data() + count.size() || note.Bytes <= 0) {
    return std::nullopt;
  }
  note.Url = lines[1];
  note.Validator = lines[2];
  return note;
}

}  // namespace korvane
