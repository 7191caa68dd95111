// TAddUrlDlg: the Add URL dialog as a model ("&Add URL..." and, after a failed capture, "New web
// adress"). The view binds UrlEdit, fills it from the navigator through NavigatorUrl or
// NavigatorDomain when the navigator answers, and closes only when CanClose(result) is true; the
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
  bool CanClose(TModalResult result) const;
  std::string CanonicalUrl() const;
};

}  // namespace korvane
