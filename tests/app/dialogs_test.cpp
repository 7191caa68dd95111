// The error and warning boxes, status texts, the New Web and Add URL dialogs.
#include <gtest/gtest.h>

#include "app/add_url_model.h"
#include "app/error_box_model.h"
#include "app/new_web_model.h"
#include "engine/capture_run.h"
#include "store/web_folder.h"
#include "support/mem_file_system.h"

namespace korvane {
namespace {

TEST(StatusCodeTextTest, ClassesAndIndexes) {
  const std::pair<int, const char*> cases[] = {
      {404, "Not found (404)"},
      {207, " (207)"},
      {100, "HTTP error number 100 (100)"},
      {600, "HTTP error number 600 (600)"},
      {200, "Ok (200)"},
      {305, "Use proxy (305)"},
      {306, " (306)"},
      {401, "Unhauthorized (401)"},
      {415, "Unsupported media type (415)"},
      {416, " (416)"},
      {504, "Gateway Timeout (504)"},
      {505, "HTTP Version Not Supported (505)"},
      {0, "HTTP error number 0 (0)"},
      {-404, "HTTP error number -404 (-404)"},
  };
  for (const auto& [code, text] : cases) EXPECT_EQ(StatusCodeText(code), text) << code;
}

TEST(ErrorBoxTest, KindsTitlesMessagesAndButtons) {
  const auto browser = ErrorBox(TErrorKind::kBrowser, "\r\nChoose a browser?", mbYes | mbNo);
  EXPECT_EQ(browser.Title, "Error");
  EXPECT_EQ(browser.Message, "Cannot load browser!\r\n");
  EXPECT_EQ(browser.Text(), "Cannot load browser!\r\n\r\nChoose a browser?");
  EXPECT_EQ(browser.Buttons, (std::vector<TModalResult>{mrYes, mrNo}));

  const auto no_url = ErrorBox(TErrorKind::kConnection, "", mbOk);
  EXPECT_EQ(no_url.Title, "Connection error");
  EXPECT_EQ(no_url.Message.rfind("Cannot reach server,", 0), 0u);

  const auto http =
      ErrorBox(TErrorKind::kHttpProtocol, "ignored", mbOk | mbCancel | mbYes, 403, "http://h/");
  EXPECT_EQ(http.Title, "HTTP protocol error");
  EXPECT_EQ(http.Message, "URL :http://h/\r\nForbidden (403)");
  EXPECT_EQ(http.Buttons, (std::vector<TModalResult>{mrYes, mrOk, mrCancel}));

  EXPECT_EQ(ErrorBox(TErrorKind::kBookmarkFile, "", mbOk).Message,
            "Cannot open bookmark file!\r\n");
}

TEST(ErrorBoxTest, WarningsAndButtonRow) {
  EXPECT_EQ(WarningBox(1, "!").Message, "You have to specifiy a capture type!");
  EXPECT_EQ(WarningBox(3).Title, "Warning");
  EXPECT_EQ(WarningBox(9).Message, "");  // no such warning: nothing invented
  EXPECT_EQ(ButtonLefts(300, 2), (std::vector<std::int32_t>{68, 152}));
  EXPECT_EQ(ButtonLefts(300, 1), (std::vector<std::int32_t>{110}));
}

TEST(ExplainFailureTest, ChoosesTheBoxFromStatusAndProxy) {
  const auto proxy = ExplainFailure(0, true, "proxy.lan", "http://h/");
  EXPECT_EQ(proxy.Box.Message.rfind("URL :proxy.lan\r\n", 0), 0u);
  EXPECT_FALSE(proxy.OffersRename);
  const auto http = ExplainFailure(500, true, "proxy.lan", "http://h/");
  EXPECT_EQ(http.Box.Title, "HTTP protocol error");
  for (int status : {0, 400, 404}) {
    const auto rename = ExplainFailure(status, false, "", "http://h/");
    EXPECT_TRUE(rename.OffersRename) << status;
    EXPECT_EQ(rename.Box.Buttons, (std::vector<TModalResult>{mrYes, mrNo}));
    EXPECT_TRUE(rename.Box.Text().ends_with("\r\n\r\nRename Web's URL?"));
    EXPECT_EQ(rename.Box.Question, "\r\nRename Web's URL?");
  }
  // A proxy switched on without an address is not in use.
  EXPECT_TRUE(ExplainFailure(0, true, "", "http://h/").OffersRename);
  // From the capture run's account: the web's address is shown, the proxy only for a proxy.
  const auto status =
      ExplainFailure(TCaptureFailure{TCaptureFailure::kHttpStatus, 503, "http://h/x"}, "http://h/");
  EXPECT_EQ(status.Box.Message,
            "URL :http://h/\r\nService Unavailable (503)\r\n"
            "Cause: the server answered Service Unavailable (503): http://h/x\r\n");
  const auto via_proxy = ExplainFailure(
      TCaptureFailure{TCaptureFailure::kProxyConnection, 0, "proxy.lan"}, "http://h/");
  EXPECT_EQ(via_proxy.Box.Message.rfind("URL :proxy.lan", 0), 0u);
  EXPECT_TRUE(
      ExplainFailure(TCaptureFailure{TCaptureFailure::kStartAddress, 404, "http://h/"}, "http://h/")
          .OffersRename);
}

std::string LastSegment(std::string_view url) {
  std::string path(url);
  if (!path.empty() && path.back() == '/') path.pop_back();
  return path.substr(path.rfind('/') + 1);
}

TEST(NewFormTest, CapturePathFollowsTheAddress) {
  TNewForm form("/home/u/webs/", LastSegment);
  form.UrlEdit = "http://h/docs/manual/";
  form.Activate(std::nullopt);
  EXPECT_EQ(form.PathEdit, "/home/u/webs/MANUAL/");
  form.UrlEdit = "http://h/other/";
  form.UrlExit();
  EXPECT_EQ(form.PathEdit, "/home/u/webs/OTHER/");
  form.Browsed("/data/x");
  EXPECT_EQ(form.PathEdit, "/data/x/");
}

TEST(NewFormTest, NavigatorPageIsTakenOnlyForWebAddresses) {
  TNewForm form("/w/", LastSegment);
  form.UrlEdit = "http://www.";
  form.Activate(TNavigatorPage{"file:///c/page.htm", "Local"});
  EXPECT_EQ(form.UrlEdit, "http://www.");
  form.Activate(TNavigatorPage{"http://site/a/b/", "Site"});
  EXPECT_EQ(form.UrlEdit, "http://site/a/b/");
  EXPECT_EQ(form.TitleEdit, "Site");
  EXPECT_EQ(form.PathEdit, "/w/B/");

  TNewForm quiet("/w/", LastSegment, TNewForm::kPathFollowsUrl);
  quiet.Activate(TNavigatorPage{"http://site/", "Site"});
  EXPECT_TRUE(quiet.UrlEdit.empty());
  EXPECT_FALSE(quiet.CaptureButtonEnabled());
}

TEST(NewFormTest, WebNameRuleOfTheTree) {
  TNewForm form("C/WEBS/");
  form.UrlEdit = "http://h/docs/manual/";
  form.Activate(std::nullopt);
  EXPECT_EQ(form.PathEdit, "C/WEBS/MANUAL/");
}

TEST(NewFormTest, ClosingRules) {
  TNewForm form("/w/", LastSegment, 0);
  form.UrlEdit = "http://site/";
  EXPECT_FALSE(form.CanClose(mrOk));  // empty path
  EXPECT_TRUE(form.CanClose(mrCancel));
  form.PathEdit = "/w/site/";
  EXPECT_TRUE(form.CanClose(mrYes));
  form.UrlEdit = "http://";
  EXPECT_FALSE(form.CanClose(mrOk));
  form.UrlEdit = "gopher://site/";
  EXPECT_FALSE(form.CanClose(mrOk));
  EXPECT_NE(form.Refusal.find("\"gopher:\" is not supported"), std::string::npos);
  form.UrlEdit = "site:8080/a";
  EXPECT_TRUE(form.CanClose(mrOk));
  EXPECT_EQ(form.UrlEdit, "http://site:8080/a");
  EXPECT_TRUE(form.Refusal.empty());
}

TEST(NewFormTest, ProjectFilesAndTheCreateNewWebVariant) {
  TNewForm form("/w/", LastSegment, 0);
  form.PathEdit = "/w/site/";
  EXPECT_EQ(form.ProjectFile(), "/w/site/Local.Web");
  TNewForm link = TNewForm::ForLink("/w/", "HTTP://Other.Host/a/../b/", LastSegment);
  EXPECT_EQ(link.Caption, "Create new Web");
  EXPECT_EQ(link.UrlEdit, "http://Other.Host/b/");
  EXPECT_FALSE(link.CaptureButtonEnabled());
  link.Activate(std::nullopt);
  EXPECT_EQ(link.SeparateProjectFile(), "/w/B/local.web");
}

TEST(NewFormTest, FolderContentsCountedAndDeleted) {
  testing::TMemFileSystem fs;
  ASSERT_TRUE(fs.MakeDirs("/w/site/sub"));
  EXPECT_TRUE(ListFolderContents(fs, "/w/site/").Empty());
  fs.files["/w/site/a.htm"] = "a";
  fs.files["/w/site/b.gif"] = "b";
  fs.files["/w/site/sub/c.htm"] = "c";
  const TFolderContents contents = ListFolderContents(fs, "/w/site/");
  EXPECT_EQ(contents.Text(), "This directory has 2 files");
  fs.unremovable.insert("/w/site/b.gif");
  EXPECT_EQ(DeleteFolderFiles(fs, "/w/site/").size(), 1u);
  EXPECT_FALSE(fs.FileExists("/w/site/a.htm"));
  EXPECT_TRUE(fs.FileExists("/w/site/sub/c.htm"));
}

TEST(AddUrlDlgTest, PresetsNavigatorAndClosing) {
  TAddUrlDlg add;
  EXPECT_EQ(add.UrlEdit, "http://www.");
  add.UrlEdit = "http://";
  EXPECT_FALSE(add.CanClose(mrOk));
  EXPECT_TRUE(add.CanClose(mrCancel));
  add.NavigatorDomain("http://Host.example/a/b.html");
  EXPECT_EQ(add.UrlEdit, "http://Host.example/");
  EXPECT_TRUE(add.CanClose(mrOk));
  add.NavigatorUrl("http://h.org/x/../y.html");
  EXPECT_EQ(add.CanonicalUrl(), "http://h.org/y.html");
  const TAddUrlDlg rename = TAddUrlDlg::ForNewWebAddress("http://old.org/");
  EXPECT_EQ(rename.Caption, "New web adress");
  EXPECT_EQ(rename.UrlEdit, "http://old.org/");
}

// Both dialogs open on "http://www.", which names no machine: OK on it is refused with the reason,
// never queued as "http://www./"; a name with an empty label is refused alike, and a fully
// qualified name keeps its final dot.
TEST(AddUrlDlgTest, ThePresetAndOtherIncompleteHostsAreRefusedWithTheirReason) {
  TAddUrlDlg add;
  EXPECT_FALSE(add.CanClose(mrOk));
  EXPECT_EQ(add.Refusal,
            "The host \"www.\" is not a whole name: a dot must stand between two names.");
  TNewForm form("/w/", LastSegment, 0);
  form.PathEdit = "/w/site/";
  for (const char* typed : {"http://www.", "www./a.htm", "http://.a.com/", "http://a..com:81/"}) {
    form.UrlEdit = typed;
    EXPECT_FALSE(form.CanClose(mrOk)) << typed;
    EXPECT_NE(form.Refusal.find("is not a whole name"), std::string::npos) << form.Refusal;
  }
  add.UrlEdit = "http://www.a.com./";
  EXPECT_TRUE(add.CanClose(mrOk)) << add.Refusal;
  EXPECT_EQ(add.CanonicalUrl(), "http://www.a.com./");
}

}  // namespace
}  // namespace korvane
