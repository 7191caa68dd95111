// TWebForm: the controls of the main window's Web, Options, File, URL and Multimedia tabs that
// are bound to the open web, as one plain record. ShowWebForm fills it from the web's fields and
// options (ShowWeb); StoreWebForm reads it back (StoreWeb), the caller passing the address and the
// folder through the web's SetUrl and SetPath. The view copies the record into its controls and
// back, and reads the enabled states from the functions below.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/politeness_form.h"
#include "base/date_time.h"
#include "store/options.h"

namespace korvane {

// A limit: a check box and its edit, enabled while the box is ticked.
struct TLimitField {
  bool Checked = false;
  std::string Edit;
  bool EditEnabled() const { return Checked; }
};

struct TWebForm {
  // Web
  std::string UrlEdit, PathEdit, TitleEdit;
  // Options
  bool InternalPathLimitCheck = false;
  std::string InternalLinkDepthEdit, ExternalWebDepthEdit, ExternalLinkDepthEdit;
  bool ExternalPathLimitCheck = false;
  bool RealLinkCheck = false, SuppressLinkCheck = false, RefLimitCheck = false,
       BackgroundOnlyCheck = false;
  TLimitField MaxTime;
  std::string UsernameEdit, PasswordEdit;
  bool CookiesCheck = false;
  std::vector<std::string> AddressRules;  // the rules editor's Texts()
  bool SendRefererCheck = false;
  bool SiteLayoutCheck = false;
  bool DeleteGoneCheck = false;
  bool Http10Choice = false;       // the HTTP version choice: 1.0 rather than 1.1
  std::string RequestHeadersEdit;  // one "Name: value" a line
  TPolitenessForm Politeness;
  // File
  TLimitField MaxFileCount, MinFileSize, MaxFileSize, MaxDiskSize;
  // URL
  bool ResolvedUrlCheckBox = false, TodoUrlCheckBox = false, ErrorUrlCheckBox = false,
       FilteredUrlCheckBox = false;
  // Multimedia
  bool ListGifCheck = false, ListJpegCheck = false, ListAviCheck = false, ListWavCheck = false,
       StretchImageCheck = false;

  // The " External webs " group (ExternalPathLimitCheck, ExternalLinkDepthEdit and its label) is
  // greyed while the external web depth is below 1; the controls keep their values.
  bool ExternalGroupEnabled() const;
};

// Why the headers edit cannot be taken ("line 2: the name ... is no HTTP token"); empty when
// every line is a header or blank. StoreWebForm keeps the web's headers while there is one.
std::string RequestHeadersProblem(const std::string& edit);

// The web's own fields the form shows.
struct TWebFields {
  std::string Url, Path, Title;
  TOPTIONS Options;
};

inline constexpr std::int32_t kMaxDepth = 1000;  // the three depth spin edits allow 0 to 1000

TWebForm ShowWebForm(const TWebFields& web);
// The options of `form` over `options` (fields the form does not show are kept).
void StoreWebForm(const TWebForm& form, TWebFields& web);

// Read-only figures of the Web tab.
std::string WebDateText(TDateTime capture_start);  // empty when never captured
std::string WebSizeText(std::int64_t total_size);  // kilobytes followed by " Ko"

}  // namespace korvane
