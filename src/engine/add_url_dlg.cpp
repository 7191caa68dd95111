#include "engine/add_url_dlg.h"

#include "html/url.h"

namespace korvane {

TAddUrlDlg TAddUrlDlg::ForNewWebAddress(std::string_view web_url) {
  TAddUrlDlg dlg;
  dlg.Caption = "New web adress";
  dlg.UrlEdit = std::string(web_url);
  return dlg;
}

void TAddUrlDlg::NavigatorUrl(std::string_view url) { UrlEdit = std::string(url); }

void TAddUrlDlg::NavigatorDomain(std::string_view url) {
  UrlEdit = (IsSecure(url) ? "https://" : "http://") + GetHost(url) + "/";
}

bool TAddUrlDlg::CanClose(TModalResult result) const {
  return result == mrCancel || !GetHost(UrlEdit).empty();
}

std::string TAddUrlDlg::CanonicalUrl() const { return Resolve(UrlEdit); }

}  // namespace korvane
