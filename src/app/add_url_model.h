// TAddUrlDlg: the Add URL dialog as a model ("&Add URL..." and, after a failed capture, "New web
// adress"). The view binds UrlEdit, fills it from the navigator through NavigatorUrl or
// NavigatorDomain when the navigator answers, and closes only when CanClose(result) is true,
// telling the user its Refusal when it is false and its Warning, if any, when it is true; the
// caller then takes CanonicalUrl().
#pragma once

#include <string>
#include <string_view>

#include "base/modal_result.h"

namespace korvane {

class TAddUrlDlg {
 public:
  // "&Add URL...": caption "Add URL to the web", preset "http://www.".
  TAddUrlDlg() = default;
  // After a failed capture: caption "New web adress", preset with the web's address.
  static TAddUrlDlg ForNewWebAddress(std::string_view web_url);

  std::string Caption = "Add URL to the web";
  std::string UrlEdit = "http://www.";

  // "Navigator's URL" and "Navigator's current domain", given the navigator's address.
  void NavigatorUrl(std::string_view url);
  void NavigatorDomain(std::string_view url);
  // Cancel always closes; OK needs an address that can be captured (CheckAddress), completed
  // with "http://" when it names no scheme (the view shows UrlEdit again).
  bool CanClose(TModalResult result);
  std::string Refusal;
  std::string Warning;
  std::string CanonicalUrl() const;
};

}  // namespace korvane
