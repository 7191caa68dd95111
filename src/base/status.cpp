#include "base/status.h"

#include <cerrno>
#include <cstring>

namespace korvane {
namespace {

struct TErrorMeaning {
  TStatus::TKind Kind;
  const char* Words;
};

TErrorMeaning MeaningOf(int error_number) {
  using K = TStatus::TKind;
  switch (error_number) {
    case ENOSPC:
      return {K::kDiskFull, "the disk is full"};
    case EDQUOT:
      return {K::kDiskFull, "the disk quota is used up"};
    case EACCES:
    case EPERM:
      return {K::kPermission, "permission denied"};
    case ENOENT:
      return {K::kNotFound, "no such file or folder"};
    case ENOTDIR:
      return {K::kNotAFolder, "a part of the path is not a folder"};
    case EISDIR:
      return {K::kIsAFolder, "it is a folder"};
    case ELOOP:
      return {K::kSymbolicLink, "it is a symbolic link, which is never followed"};
    case EROFS:
      return {K::kReadOnly, "the file system is read-only"};
    case EEXIST:
      return {K::kExists, "it exists already"};
    case EFBIG:
      return {K::kTooLarge, "the file is too large"};
    case EIO:
      return {K::kIoError, "input/output error"};
    default:
      return {K::kIoError, std::strerror(error_number)};
  }
}

}  // namespace

TStatus TStatus::FromErrorNumber(int error_number, std::string_view path) {
  const TErrorMeaning meaning = MeaningOf(error_number);
  std::string words = meaning.Words;
  if (!path.empty()) words.append(": ").append(path);
  return Error(meaning.Kind, std::move(words), error_number);
}

}  // namespace korvane
