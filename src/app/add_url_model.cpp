#include "app/add_url_model.h"

#include "html/start_address.h"
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

bool TAddUrlDlg::CanClose(TModalResult result) {
  Refusal.clear();
  Warning.clear();
  if (result == mrCancel) return true;
  const TAddressCheck address = CheckAddress(UrlEdit);
  UrlEdit = address.Address;
  if (!address.Accepted()) {
    Refusal = AsSentence(address.Refusal);
    return false;
  }
  if (!address.Warning.empty()) Warning = AsSentence(address.Warning);
  return true;
}

std::string TAddUrlDlg::CanonicalUrl() const { return CanonicalAddress(UrlEdit); }

}  // namespace korvane
