// The main window's decisions: caption, tabs, closing during a capture, recent webs, command
// line, the form record of the web and the URL list.
#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/main_window_model.h"
#include "app/url_list_model.h"
#include "app/web_tab_model.h"
#include "engine/recent_webs.h"
#include "store/web_tree.h"
#include "support/mem_file_system.h"

namespace korvane {
namespace {

using TStep = TMainWindowModel::TCloseStep;

TEST(MainWindowTest, Caption) {
  EXPECT_EQ(TMainWindowModel::Caption(false, "x", "/w/a/local.web"), "Korvane 1.073 ");
  EXPECT_EQ(TMainWindowModel::Caption(true, "Docs", "/w/a/local.web"), "Korvane 1.073 (Docs)");
  EXPECT_EQ(TMainWindowModel::Caption(true, "", "/w/a/local.web"), "Korvane 1.073 (/w/a)");
}

TEST(MainWindowTest, TabsAndStartDuringAndOutsideACapture) {
  TMainWindowModel m;
  m.SetWebOpen(true);
  EXPECT_TRUE(m.StartEnabled(TMainWindowModel::kOptionsTab));
  EXPECT_FALSE(m.StartEnabled(TMainWindowModel::kUrlTab));
  EXPECT_FALSE(m.StartEnabled(TMainWindowModel::kMultimediaTab));
  ASSERT_TRUE(m.BeginCapture());
  EXPECT_FALSE(m.BeginCapture());
  EXPECT_FALSE(m.StartEnabled(TMainWindowModel::kWebTab));
  for (int tab = 0; tab < 6; ++tab) {
    EXPECT_EQ(m.TabSelectable(tab), tab == 3 || tab == 5) << tab;
  }
  m.CaptureEnded();
  EXPECT_TRUE(m.TabSelectable(TMainWindowModel::kUrlTab));
  m.SetBusy(true);
  EXPECT_FALSE(m.BeginCapture());
}

TEST(MainWindowTest, ClosingDuringACaptureAsksOnceThenClosesAtTheEnd) {
  TMainWindowModel m;
  m.SetWebOpen(true);
  m.BeginCapture();
  ASSERT_EQ(m.CloseQuery(), TStep::kAskAbort);
  EXPECT_FALSE(m.AnswerAbort(mrCancel));
  EXPECT_EQ(m.CloseQuery(), TStep::kAskAbort);
  EXPECT_EQ(m.TakeStopRequest(), TCaptureRunHooks::TStopRequest::kNone);
  EXPECT_TRUE(m.AnswerAbort(mrOk));
  EXPECT_EQ(m.TakeStopRequest(), TCaptureRunHooks::TStopRequest::kStopAll);
  EXPECT_EQ(m.TakeStopRequest(), TCaptureRunHooks::TStopRequest::kNone);  // taken once
  EXPECT_EQ(m.CloseQuery(), TStep::kRefuse);  // never closes the web under the running capture
  EXPECT_TRUE(m.CaptureEnded());
  EXPECT_EQ(m.CloseQuery(), TStep::kCloseWeb);
  // A later run that was not asked to quit does not close the window.
  m.BeginCapture();
  EXPECT_FALSE(m.CaptureEnded());
  m.SetBusy(true);
  EXPECT_EQ(m.CloseQuery(), TStep::kRefuse);
}

// Which commands can be chosen in each state of the window, with everything else in their favour
// (a web with captured files and maps, every page present, the Web tab selected).
TEST(MainWindowTest, CommandsEnabledInEveryState) {
  using C = TCommand;
  TCommandContext context;
  context.CapturedCount = 3;
  context.MapCount = 1;
  context.Html = {true, true, true, true, true, true};
  TMainWindowModel m;
  auto enabled = [&](std::initializer_list<C> commands) {
    std::string out;
    for (C c : commands) out += m.CommandEnabled(c, context) ? '1' : '0';
    return out;
  };
  const auto web_changes = {C::kSave,        C::kSaveAs,      C::kClose,    C::kReset,
                            C::kCopy,        C::kMove,        C::kDelete,   C::kAddUrl,
                            C::kAddBookmark, C::kSaveOptions, C::kImageMap, C::kResolveLinks,
                            C::kStart};
  const auto elsewhere = {C::kNew, C::kOpen, C::kRecentWeb, C::kSetup};
  const auto reading = {C::kExit, C::kAbout, C::kHelpIndex, C::kHelpFaq, C::kLocalWebs};
  const auto web_pages = {C::kHome, C::kHtmlPages, C::kImages};

  EXPECT_EQ(m.State(), TWindowState::kNoWeb);
  EXPECT_EQ(enabled(web_changes), "0000000000000");
  EXPECT_EQ(enabled(elsewhere), "1111");
  EXPECT_EQ(enabled(reading), "11111");
  EXPECT_EQ(enabled(web_pages), "000");
  EXPECT_EQ(enabled({C::kStop}), "0");

  m.SetWebOpen(true);
  EXPECT_EQ(m.State(), TWindowState::kWebOpen);
  EXPECT_EQ(enabled(web_changes), "1111111111111");
  EXPECT_EQ(enabled(web_pages), "111");
  EXPECT_EQ(enabled({C::kStop}), "0");
  // Start follows the tab; Resolve and Image MAP need captured files and maps; pages need files.
  context.Tab = TMainWindowModel::kUrlTab;
  context.CapturedCount = 0;
  context.MapCount = 0;
  context.Html.Images = false;
  context.Html.LocalWebs = false;
  EXPECT_EQ(enabled({C::kStart, C::kResolveLinks, C::kImageMap, C::kImages, C::kAddBookmark}),
            "00000");
  context = {0, 3, 1, {true, true, true, true, true, true}};

  ASSERT_TRUE(m.BeginCapture());
  EXPECT_EQ(m.State(), TWindowState::kCapturing);
  EXPECT_EQ(enabled(web_changes), "0000000000000");
  EXPECT_EQ(enabled(elsewhere), "0000");
  EXPECT_EQ(enabled(reading), "11111");
  EXPECT_EQ(enabled(web_pages), "111");
  EXPECT_EQ(enabled({C::kStop}), "1");

  m.RequestStop(true);  // asked once: Stop stays, to abort the transfers that finish
  EXPECT_EQ(m.State(), TWindowState::kStopping);
  EXPECT_EQ(enabled({C::kStop, C::kStart, C::kNew}), "100");
  m.AbortStop();  // then nothing is left to stop
  EXPECT_EQ(enabled({C::kStop, C::kStart, C::kNew}), "000");

  m.SetResolving(true);
  EXPECT_EQ(m.State(), TWindowState::kResolving);
  EXPECT_EQ(enabled({C::kStop, C::kStart, C::kResolveLinks, C::kClose, C::kExit}), "00001");
  m.SetResolving(false);
  m.CaptureEnded();
  EXPECT_EQ(m.State(), TWindowState::kWebOpen);

  m.SetBusy(true);
  EXPECT_EQ(m.State(), TWindowState::kBusy);
  EXPECT_EQ(enabled(reading), "00000");
  EXPECT_EQ(enabled(elsewhere), "0000");
}

TEST(MainWindowTest, CloseWebSavesSilentlyOrAsks) {
  TMainWindowModel m;
  EXPECT_EQ(m.CloseWebStep(true), TMainWindowModel::TCloseWebStep::kNothing);
  m.SetWebOpen(true);
  EXPECT_EQ(m.CloseWebStep(true), TMainWindowModel::TCloseWebStep::kSaveSilently);
  EXPECT_EQ(m.CloseWebStep(false), TMainWindowModel::TCloseWebStep::kAskSave);
  EXPECT_TRUE(TMainWindowModel::StopAbortsAll(false));
  m.RequestStop(false);  // not capturing: nothing to stop
  EXPECT_EQ(m.TakeStopRequest(), TCaptureRunHooks::TStopRequest::kNone);
  m.BeginCapture();
  m.RequestStop(true);
  EXPECT_EQ(m.TakeStopRequest(), TCaptureRunHooks::TStopRequest::kCompleteCurrent);
  m.RequestStop(false);
  EXPECT_EQ(m.TakeStopRequest(), TCaptureRunHooks::TStopRequest::kAbortAll);
  EXPECT_FALSE(TMainWindowModel::SlotShown(10));
  EXPECT_EQ(TMainWindowModel::ClearedSlotRows()[8].State, "Idle");
}

TEST(MainWindowTest, PageCommandsFollowTheirFilesAndDialogsCentre) {
  testing::TMemFileSystem fs;
  fs.files["/w/site/_Home.htm"] = "";
  fs.files["/w/site/_IXI.HTM"] = "";  // as a web made where case does not matter may spell it
  fs.files["/prog/help/glossair.htm"] = "";
  const THtmlCommandStates s = HtmlCommandStates(fs, "/w/site", "", "/prog/");
  EXPECT_TRUE(s.Home);
  EXPECT_FALSE(s.HtmlPages);
  EXPECT_TRUE(s.Images);
  EXPECT_FALSE(s.LocalWebs);
  EXPECT_FALSE(s.HelpIndex);
  EXPECT_TRUE(s.HelpGlossary);
  EXPECT_FALSE(HtmlCommandStates(fs, "", "", "/prog/").Home);
  // Odd differences are halved toward zero, also when the dialog is larger than the window.
  EXPECT_EQ(CentreOn({100, 50, 601, 451}, 200, 100), (TPoint{250, 200}));
  EXPECT_EQ(CentreOn({0, 0, 100, 100}, 301, 100), (TPoint{-100, 0}));
}

TEST(RecentWebsTest, MostRecentFirstSixEntriesAndTitles) {
  testing::TMemFileSystem fs;
  ASSERT_TRUE(fs.MakeDirs("/w"));
  TRecentWebs recent;
  for (int i = 1; i <= 8; ++i) recent.Add("/webs/w" + std::to_string(i) + "/local.web");
  recent.Add("/webs/w5/local.web");
  ASSERT_EQ(recent.Files().size(), 6u);
  EXPECT_EQ(recent.Files()[0], "/webs/w5/local.web");
  EXPECT_EQ(recent.Files()[1], "/webs/w8/local.web");
  ASSERT_TRUE(recent.Save(fs, "/w/"));

  TRecentWebs loaded;
  loaded.Load(fs, "/w/");
  EXPECT_EQ(loaded.Files(), recent.Files());
  const auto entries =
      loaded.MenuEntries([](const std::string& file) -> std::optional<std::string> {
        if (file.find("w5") != std::string::npos) return "A title that runs past thirty-two chars";
        if (file.find("w8") != std::string::npos) return "Short";
        return std::nullopt;
      });
  ASSERT_EQ(entries.size(), 6u);
  EXPECT_EQ(entries[0], "&1 A TITLE THAT RUNS PAST THIRTY-TW...");
  EXPECT_EQ(entries[1], "&2 SHORT");
  EXPECT_EQ(entries[2], "&3 /webs/w7");
}

TEST(RecentWebsTest, ToleratesMissingFileBlankLinesAndCrLf) {
  testing::TMemFileSystem fs;
  TRecentWebs recent;
  recent.Load(fs, "/nowhere/");
  EXPECT_TRUE(recent.Files().empty());
  fs.files["/w/webs.dat"] = "/a/local.web\r\n\r\n/b/local.web\n/a/local.web";
  recent.Load(fs, "/w");
  EXPECT_EQ(recent.Files(), (std::vector<std::string>{"/a/local.web", "/b/local.web"}));
}

TEST(CommandLineTest, KeywordsIgnoreCaseValuesKeepIt) {
  const TCommandLine c = ParseCommandLine(
      {"capture", "/Home/U/Site/Local.Web", "/Home/U/opts.Ini", "http://Host/Path/"});
  EXPECT_TRUE(c.Capture);
  EXPECT_EQ(c.WebFile, "/Home/U/Site/Local.Web");
  EXPECT_EQ(c.IniFile, "/Home/U/opts.Ini");
  EXPECT_EQ(c.Url, "http://Host/Path/");
  EXPECT_FALSE(ParseCommandLine({"CAPTURES"}).Capture);
}

std::string HostName(std::string_view url) {
  std::string s(url.substr(url.find("//") + 2));
  return s.substr(0, s.find('/'));
}

TEST(CommandLineTest, StartupPlans) {
  testing::TMemFileSystem fs;
  fs.files["/w/site/local.web"] = "x";
  fs.files["/opts.ini"] = "[OPTIONS]\nMIMES=gif\nMaxFileCount=5\n";

  EXPECT_EQ(PlanStartup({}, fs, "/d/", HostName).Action, TStartupPlan::kNothing);

  auto load = PlanStartup({false, "/w/site/local.web", "", ""}, fs, "/d/", HostName);
  EXPECT_EQ(load.Action, TStartupPlan::kLoad);
  EXPECT_FALSE(load.Capture);

  auto made =
      PlanStartup({false, "", "/opts.ini", "http://Www.Site.org/"}, fs, "/home/u/Webs/", HostName);
  EXPECT_EQ(made.Action, TStartupPlan::kCreate);
  EXPECT_EQ(made.ProjectFile, "/home/u/Webs/WWW.SITE.ORG/LOCAL.WEB");
  EXPECT_EQ(made.Folder, "/home/u/Webs/WWW.SITE.ORG/");
  EXPECT_EQ(made.OptionsFile, "/opts.ini");
  EXPECT_TRUE(made.Capture);

  auto missing = PlanStartup({true, "/none/x.web", "", ""}, fs, "/d/", HostName);
  EXPECT_EQ(missing.Action, TStartupPlan::kNothing);
  EXPECT_FALSE(missing.Capture);
}

// An options file is checked whole before any of it is applied, in the words of the key at fault.
TEST(CommandLineTest, OptionsFilesAreCheckedWholeBeforeTheyApply) {
  testing::TMemFileSystem fs;
  fs.files["/opts.ini"] = "[OPTIONS]\nMaxFileCount=5\nMIMES=-all,+gif\n";
  TOPTIONS options;
  TMIMELIST table;
  table.SetToDefault();
  EXPECT_EQ(ApplyOptionsFile(fs, "/opts.ini", options, table), "");
  EXPECT_EQ(options.MaxFileCount, 5);
  EXPECT_EQ(options.InternalLinkDepth, TOPTIONS().InternalLinkDepth);
  EXPECT_FALSE(table.GetMimeByString("text/html")->Valid);

  const struct {
    const char* file;
    const char* error;
  } refused[] = {
      {"[OPTIONS]\nInternalLinkDepth=abc\n",
       "/o.ini: InternalLinkDepth=abc: a whole number from 0 to 32767 is expected"},
      {"[OPTIONS]\nMaxFileCount=-1\n",
       "/o.ini: MaxFileCount=-1: a whole number from 0 to 2147483647 is expected"},
      {"[OPTIONS]\nMaxFileSize=40000\n",
       "/o.ini: MaxFileSize=40000: a whole number from 0 to 32767 is expected"},
      {"[OPTIONS]\nStretchImageFlag=on\n", "/o.ini: StretchImageFlag=on: 0 or 1 is expected"},
      {"[OPTIONS]\nMaxFileSise=5\n", "/o.ini: MaxFileSise is no option key"},
      {"[OPTIONS]\nMaxFileCount=9\nMIMES=+gyf\n", "/o.ini: MIMES: unknown file type(s) gyf"},
  };
  for (const auto& c : refused) {
    fs.files["/o.ini"] = c.file;
    TOPTIONS untouched;
    const std::string error = ApplyOptionsFile(fs, "/o.ini", untouched, table);
    EXPECT_TRUE(error.starts_with(c.error)) << c.file << " gave " << error;
    EXPECT_EQ(untouched, TOPTIONS()) << c.file;
  }
  EXPECT_EQ(ApplyOptionsFile(fs, "/nope.ini", options, table),
            "cannot read the options file /nope.ini");
  // LowSpeedLimit is a later option, stored in 32 bits; so is a file count limit past a word.
  fs.files["/o.ini"] = "[OPTIONS]\nLowSpeedLimit=100000\nMaxFileCount=200000\n";
  EXPECT_EQ(ApplyOptionsFile(fs, "/o.ini", options, table), "");
  EXPECT_EQ(options.LowSpeedLimit, 100000);
  EXPECT_EQ(options.MaxFileCount, 200000);
}

TEST(WebFormTest, LimitsShowAndStore) {
  TWebFields web{"http://h/", "/w/h/", "H", {}};
  web.Options.MaxFileCount = 40;
  web.Options.MaxTime = 0;
  TWebForm form = ShowWebForm(web);
  EXPECT_TRUE(form.MaxFileCount.Checked);
  EXPECT_TRUE(form.MaxFileCount.EditEnabled());
  EXPECT_FALSE(form.MaxTime.EditEnabled());

  form.MaxTime = {true, ""};        // ticked with an empty edit: no limit
  form.MaxFileSize = {false, "9"};  // not ticked: no limit whatever the edit holds
  form.MinFileSize = {true, "12"};
  form.InternalLinkDepthEdit = "5000";
  StoreWebForm(form, web);
  EXPECT_EQ(web.Options.MaxTime, 0);
  EXPECT_EQ(web.Options.MaxFileSize, 0);
  EXPECT_EQ(web.Options.MinFileSize, 12);
  EXPECT_EQ(web.Options.MaxFileCount, 40);
  EXPECT_EQ(web.Options.InternalLinkDepth, 1000);
}

// The politeness group shows the web's values and stores what it can take: counts beyond their
// range are brought into it, what is no number turns the option off.
TEST(WebFormTest, PolitenessShowsAndStores) {
  TWebFields web;
  web.Options.Politeness = {false, 3, 20, true, 204800};
  TWebForm form = ShowWebForm(web);
  TWebFields round = web;
  StoreWebForm(form, round);
  EXPECT_EQ(round.Options.Politeness, web.Options.Politeness);
  form.Politeness = {true, "40", "-5", false, "fast"};
  StoreWebForm(form, web);
  EXPECT_EQ(web.Options.Politeness, (TPoliteness{true, kMaxPerHost, 0, false, 0}));
}

TEST(WebFormTest, ExternalGroupGreyedButKeepsValues) {
  TWebFields web;
  web.Options.ExternalWebDepth = 0;
  web.Options.ExternalLinkDepth = 3;
  web.Options.ExternalPathLimit = false;
  TWebForm form = ShowWebForm(web);
  EXPECT_FALSE(form.ExternalGroupEnabled());
  StoreWebForm(form, web);
  EXPECT_EQ(web.Options.ExternalLinkDepth, 3);
  EXPECT_FALSE(web.Options.ExternalPathLimit);
  form.ExternalWebDepthEdit = "1";
  EXPECT_TRUE(form.ExternalGroupEnabled());
  form.ExternalWebDepthEdit = "x";
  EXPECT_FALSE(form.ExternalGroupEnabled());
  // Every option the form shows comes back unchanged.
  TWebFields round = web;
  StoreWebForm(ShowWebForm(web), round);
  EXPECT_EQ(round.Options, web.Options);
  EXPECT_EQ(WebSizeText(5000), "4 Ko");
  EXPECT_EQ(WebDateText(0), "");
}

TEST(UrlListTest, WhichRecordsTheirTextAndColour) {
  const std::vector<TUrlRecord> records = {
      {"http://h/docs/a.html", 2, 0, "", "a.htm", true},
      {"http://h/b.html", 2, 0, "Bee page", "b.htm", true},
      {"http://h/p.gif", 3, 1, "", "p.gif", true},    // a picture
      {"http://h/bg.gif", 3, 2, "", "bg.gif", true},  // a background
      {"http://h/loading.html", 1, 0, "", "", true},
      {"http://h/todo.html", 0, 0, "", "", true},
      {"http://x.org/dir/e.html", 6, 0, "", "", false},
      {"http://h/f.html", 5, 0, "", "", true},
  };
  TUrlListFlags flags;
  auto list = BuildUrlList(records, flags);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].Text, "Bee page");
  EXPECT_EQ(list[1].Text, "docs/a.html");
  flags = {true, true, true, true};
  list = BuildUrlList(records, flags);
  ASSERT_EQ(list.size(), 5u);
  EXPECT_EQ(list[4].Text, "x.org/dir/e.html");
  EXPECT_EQ(UrlListColor(0, false), clGreen);
  EXPECT_EQ(UrlListColor(4, true), clMaroon);
  EXPECT_EQ(UrlListColor(6, false), clMaroon);
  EXPECT_EQ(UrlListColor(5, false), clNavy);
  EXPECT_EQ(UrlListColor(2, true), clHighlightText);
}

TEST(UrlListTest, NaturalOrderAndSearch) {
  const std::vector<TUrlRecord> records = {
      {"http://h/101.html", 2, 0, "page 101", "a.htm", true},
      {"http://h/99.html", 2, 0, "Page 99", "b.htm", true},
      {"http://h/9.html", 2, 0, "page 9", "c.htm", true},
      {"http://h/0100.html", 2, 0, "page 0100", "d.htm", true},
      {"http://h/big.html", 2, 0, "page 123456789012345678901234567890", "e.htm", true},
      {"http://h/pages.html", 2, 0, "pages", "f.htm", true},
      {"http://h/p.html", 2, 0, "page", "g.htm", true},
      {"http://h/Manual/intro.html", 2, 0, "Introduction", "h.htm", true},
  };
  TUrlListFlags flags;
  std::vector<std::string> texts;
  for (const TUrlEntry& e : BuildUrlList(records, flags)) texts.push_back(e.Text);
  // Numbers past any integer type still order by value; a shorter text comes first.
  EXPECT_EQ(texts,
            (std::vector<std::string>{"Introduction", "page", "page 9", "Page 99", "page 0100",
                                      "page 101", "page 123456789012345678901234567890", "pages"}));
  EXPECT_FALSE(NaturalLess("a7", "a007"));
  EXPECT_FALSE(NaturalLess("a007", "a7"));

  // Every word must be found, in the text or the address, in any case.
  std::string search = "PAGE 10";
  texts.clear();
  for (const TUrlEntry& e : BuildUrlList(records, flags, search)) texts.push_back(e.Text);
  EXPECT_EQ(texts, (std::vector<std::string>{"page 0100", "page 101"}));
  search = " manual ";
  ASSERT_EQ(BuildUrlList(records, flags, search).size(), 1u);
  EXPECT_EQ(BuildUrlList(records, flags, search)[0].Record, 7u);
  search = "page nothing";
  EXPECT_TRUE(BuildUrlList(records, flags, search).empty());
}

TEST(UrlListTest, DetailsTargetsAndPopUp) {
  const TUrlRecord page{"http://h/a.html", 2, 0, "", "a.htm", true};
  const TUrlRecord todo{"http://h/t.html", 0, 0, "", "", true};
  const TUrlRecord filtered{"http://x/f.html", 5, 0, "", "", false};
  EXPECT_EQ(UrlDetails(page, std::nullopt).UrlListDateEdit, "");
  EXPECT_EQ(UrlDetails(page, std::nullopt).UrlListFileNameEdit, "a.htm");
  EXPECT_EQ(UrlNavigatorTarget(page, "/w/"), "/w/a.htm");
  EXPECT_EQ(UrlNavigatorTarget(todo, "/w/"), "http://h/t.html");
  EXPECT_FALSE(ForceCaptureEnabled(todo));
  EXPECT_TRUE(ForceCaptureEnabled(filtered));
  EXPECT_TRUE(CreateNewWebEnabled(filtered));
  EXPECT_FALSE(CreateNewWebEnabled(page));
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

TEST(UrlListTest, RecordsFromTheTreeListARedirectedRecordOnce) {
  TWebTree tree;
  auto page = std::make_unique<TWebFile>();
  page->State = wsPage;
  page->SetFileName("a.htm");
  TWebFile* target = page.get();
  ASSERT_TRUE(tree.Add("http://h/a.html", std::move(page)));
  ASSERT_TRUE(tree.Add("http://h/old.html", target));  // an alias of the same record
  auto external = std::make_unique<TWebFile>();
  external->State = wsTodo;
  external->ExternalDepth = 1;
  ASSERT_TRUE(tree.Add("http://x.org/d/e.html", std::move(external)));

  const auto records = UrlRecordsFromTree(tree);
  ASSERT_EQ(records.size(), 2u);
  const TUrlListFlags all{true, true, true, true};
  const auto list = BuildUrlList(records, all);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].Text, "a.html");
  EXPECT_EQ(list[1].Text, "x.org/d/e.html");
}

}  // namespace
}  // namespace korvane
