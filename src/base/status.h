// TStatus: how an operation on files or data ended, as a value: a kind the caller decides on, the
// system's error number when there is one, and the words a user reads ("the disk is full:
// /w/a.htm"). Code decides on the kind, never on the words.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvane {

class TStatus {
 public:
  enum class TKind : std::uint8_t {
    kOk,
    kNotFound,      // no such file or folder
    kExists,        // it exists already
    kPermission,    // permission denied
    kReadOnly,      // the file system is read-only
    kDiskFull,      // the disk is full or the quota used up: nothing more can be written anywhere
    kNotAFolder,    // a part of the path is not a folder
    kIsAFolder,     // a folder where a file was expected
    kSymbolicLink,  // a symbolic link, which is never followed
    kNotRegular,    // neither a file nor a folder (a pipe, a device)
    kTooLarge,      // larger than the data it stands for can be
    kBadData,       // the bytes are not what they should be (a damaged file)
    kIoError,       // anything else the system reported
  };

  TStatus() = default;  // success
  static TStatus Ok() { return {}; }
  static TStatus Error(TKind kind, std::string words, int error_number = 0) {
    return TStatus(kind, std::move(words), error_number);
  }
  // The failure the system reported by `error_number` (an errno) for `path`.
  static TStatus FromErrorNumber(int error_number, std::string_view path);

  bool ok() const { return kind_ == TKind::kOk; }
  TKind Kind() const { return kind_; }
  int ErrorNumber() const { return error_number_; }
  // Empty on success.
  const std::string& Words() const { return words_; }
  // Nothing more can be written on the volume, whatever the file: the end of a capture.
  bool NoSpaceLeft() const { return kind_ == TKind::kDiskFull; }

 private:
  TStatus(TKind kind, std::string words, int error_number)
      : kind_(kind), error_number_(error_number), words_(std::move(words)) {}

  TKind kind_ = TKind::kOk;
  int error_number_ = 0;
  std::string words_;
};

}  // namespace korvane
