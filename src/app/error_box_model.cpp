#include "app/error_box_model.h"

#include <array>

#include "engine/capture_run.h"

namespace korvane {
namespace {

constexpr std::array<const char*, 7> kStatus2{
    "Ok",         "Created",       "Accepted",       "Non-Authoritative information",
    "No content", "Reset content", "Partial content"};
constexpr std::array<const char*, 6> kStatus3{"Multiple choices", "Moved permanently",
                                              "Moved temporary",  "See other",
                                              "Not modified",     "Use proxy"};
constexpr std::array<const char*, 16> kStatus4{"Bad Request",
                                               "Unhauthorized",
                                               "Payement required",
                                               "Forbidden",
                                               "Not found",
                                               "Method not allowed",
                                               "Not acceptable",
                                               "Proxy Authentification required",
                                               "Request Tiemout",
                                               "Conflict",
                                               "Gone",
                                               "Length Required",
                                               "Precondition failded",
                                               "Request entity too large",
                                               "Request-URI too long",
                                               "Unsupported media type"};
constexpr std::array<const char*, 6> kStatus5{
    "Internal Server Error", "Not Implemented", "Bad Gateway",
    "Service Unavailable",   "Gateway Timeout", "HTTP Version Not Supported"};

constexpr std::array<const char*, 4> kWarnings{
    "Cannot load WINSOCK.DLL!", "You have to specifiy a capture type",
    "Undefined MIME types will not be captured!", "Cannot load SCX.DLL!"};

template <std::size_t N>
std::string Entry(const std::array<const char*, N>& table, std::int32_t index) {
  return index >= 0 && index < static_cast<std::int32_t>(N) ? table[index] : "";
}

std::string UrlLine(std::string_view url) {
  return url.empty() ? std::string() : "URL :" + std::string(url) + "\r\n";
}

std::vector<TModalResult> Buttons(std::uint8_t set) {
  std::vector<TModalResult> buttons;
  if (set & mbYes) buttons.push_back(mrYes);
  if (set & mbNo) buttons.push_back(mrNo);
  if (set & mbOk) buttons.push_back(mrOk);
  if (set & mbCancel) buttons.push_back(mrCancel);
  return buttons;
}

// What failed, in words a user reads: the kind first, then the library's own words when they
// say more.
std::string NetCause(const TNetError& error) {
  std::string words;
  switch (error.Kind) {
    case TNetError::kNone:
      return "no answer";
    case TNetError::kOther:
      break;
    case TNetError::kRefused:
      words = "connection refused";
      break;
    case TNetError::kTimedOut:
      words = "timed out";
      break;
    case TNetError::kUnreachable:
      words = "network unreachable";
      break;
    case TNetError::kNoHost:
      words = "no such host";
      break;
    case TNetError::kProtocol:
      words = "unreadable answer";
      break;
    case TNetError::kLocalFile:
      words = "the file could not be written";
      break;
    case TNetError::kTls:
      words = "no secure connection";
      break;
    case TNetError::kClosedEarly:
      return "the server closed the connection before answering";
    case TNetError::kTooSlow:
      words = "timed out (too slow)";
      break;
    case TNetError::kDiskFull:
      words = "disk full";
      break;
    case TNetError::kUnsupported:
      words = "scheme not supported";
      break;
    case TNetError::kTooLarge:
      words = "file too large";
      break;
  }
  if (error.Message.empty() || error.Message == words) return words.empty() ? "failed" : words;
  return words.empty() ? error.Message : words + " (" + error.Message + ")";
}

std::string CauseOf(const TCaptureFailure& failure) {
  const std::string at = failure.Url.empty() ? "" : ": " + failure.Url;
  if (failure.Kind == TCaptureFailure::kRobots) return failure.Reason + at;
  if (failure.Status != 0) return "the server answered " + StatusCodeText(failure.Status) + at;
  return NetCause(failure.Net) + at;
}

}  // namespace

std::string StatusCodeText(std::int32_t code) {
  const std::int32_t index = code % 100;
  std::string text;
  switch (code / 100) {
    case 2:
      text = Entry(kStatus2, index);
      break;
    case 3:
      text = Entry(kStatus3, index);
      break;
    case 4:
      text = Entry(kStatus4, index);
      break;
    case 5:
      text = Entry(kStatus5, index);
      break;
    default:
      text = "HTTP error number " + std::to_string(code);
  }
  return text + " (" + std::to_string(code) + ")";
}

TMessageBoxContent ErrorBox(TErrorKind kind, std::string_view extra, std::uint8_t buttons,
                            std::int32_t code, std::string_view url) {
  TMessageBoxContent box;
  box.Buttons = Buttons(buttons);
  switch (kind) {
    case TErrorKind::kConnection:
      box.Title = "Connection error";
      box.Message = UrlLine(url) +
                    "Cannot reach server,its Internet address is either misspelled or unknown!" +
                    "\r\n";
      box.Question = extra;
      break;
    case TErrorKind::kHttpProtocol:
      box.Title = "HTTP protocol error";
      box.Message = UrlLine(url) + StatusCodeText(code);
      break;
    case TErrorKind::kBookmarkFile:
    case TErrorKind::kBrowser: {
      box.Title = "Error";
      std::string first =
          kind == TErrorKind::kBrowser ? "Cannot load browser!" : "Cannot open bookmark file!";
      box.Message = (first + "\r\n").substr(0, 82);
      box.Question = extra;
      break;
    }
  }
  return box;
}

TMessageBoxContent WarningBox(int index, std::string_view extra) {
  return {
      "Warning", Entry(kWarnings, index) + std::string(extra), "", {mrOk}, TBoxIcon::kExclamation};
}

std::vector<std::int32_t> ButtonLefts(std::int32_t row_width, std::size_t count) {
  constexpr std::int32_t kWidth = 80;
  constexpr std::int32_t kGap = 4;
  std::vector<std::int32_t> lefts;
  if (count == 0) return lefts;
  const std::int32_t n = static_cast<std::int32_t>(count);
  const std::int32_t group = n * kWidth + (n - 1) * kGap;
  for (std::int32_t i = 0; i < n; ++i)
    lefts.push_back((row_width - group) / 2 + i * (kWidth + kGap));
  return lefts;
}

TFailureExplanation ExplainFailure(std::int32_t status, bool proxy_in_use,
                                   std::string_view proxy_address, std::string_view web_url) {
  if (status == 0 && proxy_in_use && !proxy_address.empty()) {
    return {ErrorBox(TErrorKind::kConnection, "", mbOk, 0, proxy_address), false};
  }
  if (status != 0 && status != 400 && status != 404) {
    return {ErrorBox(TErrorKind::kHttpProtocol, "", mbOk, status, web_url), false};
  }
  return {ErrorBox(TErrorKind::kConnection, "\r\nRename Web's URL?", mbYes | mbNo, 0, web_url),
          true};
}

namespace {

TFailureExplanation BoxFor(const TCaptureFailure& failure, std::string_view web_url) {
  switch (failure.Kind) {
    case TCaptureFailure::kProxyConnection:
      return ExplainFailure(0, true, failure.Url, web_url);
    case TCaptureFailure::kHttpStatus:
      return ExplainFailure(failure.Status, false, "", web_url);
    case TCaptureFailure::kTls: {
      // The address is right; what the server showed is not trusted.
      TFailureExplanation explained{ErrorBox(TErrorKind::kConnection, "", mbOk, 0, failure.Url),
                                    false};
      explained.Box.Message += "TLS: " + failure.Reason + "\r\n";
      return explained;
    }
    case TCaptureFailure::kRobots: {
      // The server is there and said no: nothing to rename, a choice to make.
      TFailureExplanation explained{ErrorBox(TErrorKind::kConnection, "", mbOk, 0, failure.Url),
                                    false};
      explained.Box.Title = "Robots exclusion";
      explained.Box.Message = failure.Url + "\r\n" + failure.Reason +
                              ": it was not captured. Turn robots.txt off in the web's options "
                              "(--robots off) to capture it anyway.\r\n";
      return explained;
    }
    case TCaptureFailure::kStartAddress:
      break;
  }
  return ExplainFailure(0, false, "", web_url);
}

}  // namespace

TFailureExplanation ExplainFailure(const TCaptureFailure& failure, std::string_view web_url) {
  TFailureExplanation explained = BoxFor(failure, web_url);
  explained.Cause = CauseOf(failure);
  // The box's own text stays first; the cause follows it (a refused certificate's box names its
  // reason already).
  if (failure.Kind != TCaptureFailure::kTls) {
    std::string& text = explained.Box.Message;
    if (!text.empty() && !text.ends_with("\r\n")) text += "\r\n";
    text += "Cause: " + explained.Cause + "\r\n";
  }
  return explained;
}

TMessageBoxContent PartlyResolvedBox() {
  TMessageBoxContent box;
  box.Title = "Resolve links";
  box.Message =
      "Resolving links was cancelled: the copy is partly resolved, and some of its pages still "
      "lead to the server.";
  box.Question = "\r\nResolve the rest of the links now?";
  box.Buttons = {mrYes, mrNo};
  box.Icon = TBoxIcon::kQuestion;
  box.DefaultButton = mrYes;
  return box;
}

}  // namespace korvane
