#include "app/web_tab_model.h"

#include <optional>

#include "app/setup_model.h"
#include "base/number.h"
#include "base/request_header.h"

namespace korvane {
namespace {

TLimitField ShowLimit(std::int32_t value) {
  return value > 0 ? TLimitField{true, std::to_string(value)} : TLimitField{false, "0"};
}

std::int32_t StoreLimit(const TLimitField& limit) {
  return limit.Checked ? IntegerOr(limit.Edit, 0) : 0;
}

std::int32_t Depth(const std::string& text) { return SpinValue(text, 0, kMaxDepth, 0); }

// The headers of the edit, or nothing with `problem` naming the first bad line.
std::optional<std::vector<std::string>> HeaderLines(const std::string& edit, std::string& problem) {
  std::vector<std::string> headers;
  std::size_t number = 0;
  for (std::size_t start = 0; start <= edit.size(); ++number) {
    const std::size_t end = std::min(edit.find('\n', start), edit.size());
    std::string line = edit.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    std::string error;
    const std::optional<TRequestHeader> header = ParseRequestHeader(line, error);
    if (!header) {
      problem = "line " + std::to_string(number + 1) + ": " + error;
      return std::nullopt;
    }
    headers.push_back(header->Line());
  }
  return headers;
}

std::string JoinedLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
  return text;
}

}  // namespace

std::string RequestHeadersProblem(const std::string& edit) {
  std::string problem;
  (void)HeaderLines(edit, problem);
  return problem;
}

bool TWebForm::ExternalGroupEnabled() const { return IntegerOr(ExternalWebDepthEdit, 0) >= 1; }

TWebForm ShowWebForm(const TWebFields& web) {
  const TOPTIONS& o = web.Options;
  TWebForm f;
  f.UrlEdit = web.Url;
  f.PathEdit = web.Path;
  f.TitleEdit = web.Title;
  f.InternalPathLimitCheck = o.InternalPathLimit;
  f.InternalLinkDepthEdit = std::to_string(o.InternalLinkDepth);
  f.ExternalWebDepthEdit = std::to_string(o.ExternalWebDepth);
  f.ExternalLinkDepthEdit = std::to_string(o.ExternalLinkDepth);
  f.ExternalPathLimitCheck = o.ExternalPathLimit;
  f.RealLinkCheck = o.RealLinkFlag;
  f.SuppressLinkCheck = o.SuppressLinkFlag;
  f.RefLimitCheck = o.RefLimit;
  f.BackgroundOnlyCheck = o.BackgroundOnlyFlag;
  f.MaxTime = ShowLimit(o.MaxTime);
  f.UsernameEdit = o.Username;
  f.PasswordEdit = o.Password;
  f.CookiesCheck = o.Cookies;
  f.AddressRules = o.AddressRules;
  f.SendRefererCheck = o.SendReferer;
  f.SiteLayoutCheck = o.SiteLayout;
  f.DeleteGoneCheck = o.DeleteGone;
  f.Http10Choice = !o.UsesHttp11();
  f.RequestHeadersEdit = JoinedLines(o.RequestHeaders);
  f.Politeness = ShowPolitenessForm(o.Politeness);
  f.MaxFileCount = ShowLimit(o.MaxFileCount);
  f.MinFileSize = ShowLimit(o.MinFileSize);
  f.MaxFileSize = ShowLimit(o.MaxFileSize);
  f.MaxDiskSize = ShowLimit(o.MaxDiskSize);
  f.ResolvedUrlCheckBox = o.ResolvedUrlFlag;
  f.TodoUrlCheckBox = o.TodoUrlFlag;
  f.ErrorUrlCheckBox = o.ErrorUrlFlag;
  f.FilteredUrlCheckBox = o.FilteredUrlFlag;
  f.ListGifCheck = o.ListGifFlag;
  f.ListJpegCheck = o.ListJpegFlag;
  f.ListAviCheck = o.ListAviFlag;
  f.ListWavCheck = o.ListWavFlag;
  f.StretchImageCheck = o.StretchImageFlag;
  return f;
}

void StoreWebForm(const TWebForm& f, TWebFields& web) {
  TOPTIONS& o = web.Options;
  web.Url = f.UrlEdit;
  web.Path = f.PathEdit;
  web.Title = f.TitleEdit;
  o.InternalPathLimit = f.InternalPathLimitCheck;
  o.InternalLinkDepth = Depth(f.InternalLinkDepthEdit);
  o.ExternalWebDepth = Depth(f.ExternalWebDepthEdit);
  o.ExternalLinkDepth = Depth(f.ExternalLinkDepthEdit);
  o.ExternalPathLimit = f.ExternalPathLimitCheck;
  o.RealLinkFlag = f.RealLinkCheck;
  o.SuppressLinkFlag = f.SuppressLinkCheck;
  o.RefLimit = f.RefLimitCheck;
  o.BackgroundOnlyFlag = f.BackgroundOnlyCheck;
  o.MaxTime = StoreLimit(f.MaxTime);
  o.Username = f.UsernameEdit;
  o.Password = f.PasswordEdit;
  o.Cookies = f.CookiesCheck;
  o.AddressRules = f.AddressRules;
  o.SendReferer = f.SendRefererCheck;
  o.SiteLayout = f.SiteLayoutCheck;
  o.DeleteGone = f.DeleteGoneCheck;
  o.Protocol = std::string(f.Http10Choice ? TOPTIONS::kHttp10 : TOPTIONS::kHttp11);
  std::string problem;
  if (auto headers = HeaderLines(f.RequestHeadersEdit, problem)) o.RequestHeaders = *headers;
  StorePolitenessForm(f.Politeness, o.Politeness);
  o.MaxFileCount = StoreLimit(f.MaxFileCount);
  o.MinFileSize = StoreLimit(f.MinFileSize);
  o.MaxFileSize = StoreLimit(f.MaxFileSize);
  o.MaxDiskSize = StoreLimit(f.MaxDiskSize);
  o.ResolvedUrlFlag = f.ResolvedUrlCheckBox;
  o.TodoUrlFlag = f.TodoUrlCheckBox;
  o.ErrorUrlFlag = f.ErrorUrlCheckBox;
  o.FilteredUrlFlag = f.FilteredUrlCheckBox;
  o.ListGifFlag = f.ListGifCheck;
  o.ListJpegFlag = f.ListJpegCheck;
  o.ListAviFlag = f.ListAviCheck;
  o.ListWavFlag = f.ListWavCheck;
  o.StretchImageFlag = f.StretchImageCheck;
}

std::string WebDateText(TDateTime capture_start) {
  return capture_start == 0 ? std::string() : FormatDisplayDate(capture_start);
}

std::string WebSizeText(std::int64_t total_size) {
  return std::to_string(total_size / 1024) + " Ko";
}

}  // namespace korvane
