// TErrorDlg: the wording of the program's error and warning boxes and of HTTP status codes, and
// the box shown when a capture ended with nothing captured. The view shows a TMessageBoxContent
// as a modal box (buttons laid out by ButtonLefts) and returns the TModalResult of the button.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/modal_result.h"

namespace korvane {

// Sets of buttons, shown in this order.
enum TButtonSet : std::uint8_t { mbYes = 1, mbNo = 2, mbOk = 4, mbCancel = 8 };

enum class TErrorKind : std::uint8_t {
  kConnection,    // "Connection error"
  kHttpProtocol,  // "HTTP protocol error"
  kBookmarkFile,  // "Cannot open bookmark file!"
  kBrowser,       // "Cannot load browser!"
};

enum class TBoxIcon : std::uint8_t { kStop, kExclamation, kInformation, kQuestion };

struct TMessageBoxContent {
  std::string Title;
  std::string Message;   // the box's fixed text
  std::string Question;  // what the buttons answer ("\r\nRename Web's URL?"); may be empty
  std::vector<TModalResult> Buttons;
  TBoxIcon Icon = TBoxIcon::kStop;
  // The button Enter presses; mrNone for the first one.
  TModalResult DefaultButton = mrNone;
  // The whole text shown in the box.
  std::string Text() const { return Message + Question; }
};

// The text of an HTTP status code followed by " (code)": "Not found (404)", " (207)",
// "HTTP error number 600 (600)".
std::string StatusCodeText(std::int32_t code);

TMessageBoxContent ErrorBox(TErrorKind kind, std::string_view extra, std::uint8_t buttons,
                            std::int32_t code = 0, std::string_view url = {});

// Warnings 0 to 3; the table text followed directly by `extra`, title "Warning", one OK button.
TMessageBoxContent WarningBox(int index, std::string_view extra = {});

// Left edges of `count` buttons 80 pixels wide, 4 apart, centred in a row `row_width` wide.
std::vector<std::int32_t> ButtonLefts(std::int32_t row_width, std::size_t count);

// Why a capture kept nothing, as the main window explains it from the session's last status code.
struct TFailureExplanation {
  TMessageBoxContent Box;
  // A Yes answer asks for a new start address (the Add URL dialog as "New web adress").
  bool OffersRename = false;
  // The real cause in words ("connection refused: http://h/"); the box's text ends with it.
  std::string Cause = {};
};
TFailureExplanation ExplainFailure(std::int32_t status, bool proxy_in_use,
                                   std::string_view proxy_address, std::string_view web_url);

// After a links resolve that was cancelled: part of the copy still leads to the server, and it
// says so rather than open as if whole. Yes resolves the links again (the pages already done
// come out the same).
TMessageBoxContent PartlyResolvedBox();

struct TCaptureFailure;
// The same from the capture run's account of the failure; `web_url` is the web's start address.
TFailureExplanation ExplainFailure(const TCaptureFailure& failure, std::string_view web_url);

}  // namespace korvane
