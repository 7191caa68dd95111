// TResumeNote: what a body cut off keeps beside its partial file (NAME.kvpart.kvresume): the
// address it came from, the validator its server gave (a strong ETag, else the Last-Modified
// date as sent) and the bytes the partial file holds, so that the next attempt asks for the rest
// only while the file is still the same (Range with If-Range), and appends it only to that file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvane {

inline constexpr std::string_view kResumeSuffix = ".kvresume";

struct TResumeNote {
  std::string Url;
  std::string Validator;
  std::int64_t Bytes = 0;

  std::string Format() const;
  // None for text that is no note (another program's file, a note cut short).
  static std::optional<TResumeNote> Parse(std::string_view text);
};

}  // namespace korvane
