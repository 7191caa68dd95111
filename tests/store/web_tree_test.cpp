#include "store/web_tree.h"

#include <gtest/gtest.h>

#include <map>

#include "base/checked.h"
#include "html/url.h"

namespace korvane {
namespace {

std::unique_ptr<TWebFile> Record(std::string_view file_name = "", std::uint8_t state = wsTodo) {
  auto record = std::make_unique<TWebFile>();
  record->SetFileName(file_name);
  record->State = state;
  return record;
}

std::vector<std::string> Walked(TWebTree& tree, TWebNode* start = nullptr) {
  std::vector<std::string> urls;
  tree.ExploreFrom(start, [&](TWebFile&, const std::string& url) {
    urls.push_back(url);
    return false;
  });
  return urls;
}

TEST(WebTreeKeyTest, SplitsIntoProtocolHostDirectoriesAndDocument) {
  struct Case {
    const char* url;
    std::vector<std::string> segments;
  } cases[] = {
      {"http://h/dir/sub/page.html?x=1", {"http:", "//h", "/", "dir/", "sub/", "page.html?x=1"}},
      {"http://h", {"http:", "//h", "/", ""}},
      {"http://h/", {"http:", "//h", "/", ""}},
      {"http://h:80/a", {"http:", "//h:80", "/", "a"}},
      {"ftp://f/pub/", {"ftp:", "//f", "/", "pub/", ""}},
      {"https://h:443/a", {"https:", "//h", "/", "a"}},
      {"//h/x.gif", {"http:", "//h", "/", "x.gif"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> key = TWebTree::MakeKey(c.url);
    EXPECT_EQ(key, c.segments) << c.url;
    std::string joined;
    for (const auto& s : key) joined += s;
    EXPECT_EQ(joined, Resolve(c.url)) << c.url;
  }
}

TEST(WebTreeTest, LooksUpWithoutRegardToLetterCase) {
  TWebTree tree;
  auto owned = Record("page.htm");
  TWebFile* record = owned.get();
  ASSERT_TRUE(tree.Add("http://www.site.com/Docs/Page.html", std::move(owned)));
  EXPECT_EQ(tree.Find("http://WWW.SITE.COM/docs/PAGE.HTML"), record);
  EXPECT_EQ(tree.Find("http://www.site.com/Docs/Page.html?q"), nullptr);
  EXPECT_EQ(tree.Find("http://www.site.com/Docs/"), nullptr);
  EXPECT_EQ(tree.Find("http://www.site.com/Docs/Page.html/x"), nullptr);
}

TEST(WebTreeTest, HostOnlyWithOrWithoutSlashIsOneKeyButPort80IsAnother) {
  TWebTree tree;
  ASSERT_TRUE(tree.Add("http://h", Record("a")));
  EXPECT_EQ(tree.Find("http://h/")->GetFileName(), "a");
  EXPECT_EQ(tree.Find("http://h:80/"), nullptr);
  ASSERT_TRUE(tree.Add("http://h:80/", Record("b")));
  EXPECT_EQ(tree.Find("http://h")->GetFileName(), "a");
}

TEST(WebTreeTest, FirstMatchWinsInLargeNodes) {
  TWebTree tree;
  for (int i = 0; i < 20000; ++i) {
    ASSERT_TRUE(tree.Add("http://h/big/p" + std::to_string(i) + ".htm", Record()));
  }
  // The same segment in another case is a second entry, never reached by a lookup.
  TWebNode* big = tree.Find("http://h/big/p7.htm")->Owner();
  std::size_t before = big->Count();
  ASSERT_TRUE(tree.Add("http://h/big/P7.HTM", Record("replaced")));
  EXPECT_EQ(big->Count(), before);
  EXPECT_EQ(tree.Find("http://h/BIG/p7.htm")->GetFileName(), "replaced");
  EXPECT_EQ(tree.Find("http://h/big/p19999.htm")->Owner(), big);
  EXPECT_EQ(tree.Find("http://h/big/p20000.htm"), nullptr);
  EXPECT_EQ(tree.Count(), 20000);
}

TEST(WebTreeTest, ReplacingDestroysTheOldRecordAndAddsNoAddress) {
  TWebTree tree;
  std::vector<const TWebFile*> told;
  tree.OnRecordReplaced = [&](TWebFile* old, TWebFile*) { told.push_back(old); };
  auto first = Record("1");
  const TWebFile* first_raw = first.get();
  ASSERT_TRUE(tree.Add("http://h/a.htm", std::move(first)));
  ASSERT_TRUE(tree.Add("http://h/A.htm", Record("2")));
  EXPECT_EQ(tree.Count(), 1);
  EXPECT_EQ(tree.Find("http://h/a.htm")->GetFileName(), "2");
  EXPECT_EQ(told, std::vector<const TWebFile*>{first_raw});
  EXPECT_EQ(Walked(tree), std::vector<std::string>{"http://h/a.htm"});
}

// Under the sanitizers: no entry may keep a record that a replacement destroyed.
TEST(WebTreeAliasTest, ReplacingARecordMovesItsAliasesToTheReplacement) {
  TWebTree tree;
  auto target = Record("b.htm");
  TWebFile* b = target.get();
  ASSERT_TRUE(tree.Add("http://h/b.htm", std::move(target)));
  ASSERT_TRUE(tree.Add("http://h/old/a.htm", Record("a.htm")));
  ASSERT_TRUE(tree.Add("http://h/old/a.htm", b));  // a redirected to b
  EXPECT_EQ(tree.Find("http://h/old/a.htm"), b);
  EXPECT_EQ(b->Owner(), tree.Find("http://h/b.htm")->Owner());

  auto fresh = Record("b1.htm");
  TWebFile* replacement = fresh.get();
  ASSERT_TRUE(tree.Add("http://h/b.htm", std::move(fresh)));
  EXPECT_EQ(tree.Find("http://h/old/a.htm"), replacement);
  std::vector<std::string> names;
  tree.Explore([&](TWebFile& record, const std::string&) {
    names.push_back(record.GetFileName());
    return false;
  });
  EXPECT_EQ(names, (std::vector<std::string>{"b1.htm", "b1.htm"}));
  EXPECT_EQ(tree.GetUrl(replacement), "http://h/b.htm");
}

TEST(WebTreeAliasTest, ReplacingAnAliasEntryKeepsTheTargetsRecord) {
  TWebTree tree;
  auto target = Record("b.htm");
  TWebFile* b = target.get();
  ASSERT_TRUE(tree.Add("http://h/b.htm", std::move(target)));
  ASSERT_TRUE(tree.Add("http://h/a.htm", b));
  ASSERT_TRUE(tree.Add("http://h/a.htm", Record("a2.htm")));
  EXPECT_EQ(tree.Find("http://h/b.htm"), b);
  EXPECT_EQ(tree.Find("http://h/a.htm")->GetFileName(), "a2.htm");
  // b's own entry can be replaced later without touching a.htm's new record.
  ASSERT_TRUE(tree.Add("http://h/b.htm", Record("b2.htm")));
  EXPECT_EQ(tree.Find("http://h/a.htm")->GetFileName(), "a2.htm");
  EXPECT_FALSE(tree.Add("http://h/c.htm", static_cast<TWebFile*>(nullptr)));
  TWebTree other;
  ASSERT_TRUE(other.Add("http://o/x.htm", Record()));
  EXPECT_FALSE(tree.Add("http://h/c.htm", other.Find("http://o/x.htm")));
  EXPECT_EQ(tree.Find("http://h/c.htm"), nullptr);
}

TEST(WebTreeAliasTest, ChainedRedirectionsFollowEachReplacement) {
  TWebTree tree;
  auto rb = Record("b");
  TWebFile* b = rb.get();
  auto rc = Record("c");
  TWebFile* c = rc.get();
  ASSERT_TRUE(tree.Add("http://h/a", Record("a")));
  ASSERT_TRUE(tree.Add("http://h/b", std::move(rb)));
  ASSERT_TRUE(tree.Add("http://h/c", std::move(rc)));
  ASSERT_TRUE(tree.Add("http://h/a", b));  // a -> b
  ASSERT_TRUE(tree.Add("http://h/b", c));  // b -> c destroys b's record
  EXPECT_EQ(tree.Find("http://h/a"), c);
  EXPECT_EQ(tree.Find("http://h/b"), c);
  tree.Clear();
  EXPECT_EQ(tree.Find("http://h/c"), nullptr);
  EXPECT_EQ(tree.Count(), 0);
}

TEST(WebTreeWalkTest, StopsAtOnceAndGivesAddressesBelowTheStart) {
  TWebTree tree;
  ASSERT_TRUE(tree.Add("http://h/a.htm", Record()));
  ASSERT_TRUE(tree.Add("http://h/d/b.htm", Record()));
  ASSERT_TRUE(tree.Add("http://g/c.htm", Record()));
  int visited = 0;
  EXPECT_TRUE(tree.Explore([&](TWebFile&, const std::string&) { return ++visited == 1; }));
  EXPECT_EQ(visited, 1);
  EXPECT_FALSE(tree.Explore([](TWebFile&, const std::string&) { return false; }));

  EXPECT_EQ(Walked(tree),
            (std::vector<std::string>{"http://h/a.htm", "http://h/d/b.htm", "http://g/c.htm"}));
  TWebNode* host = tree.Find("http://h/a.htm")->Owner()->Parent();
  EXPECT_EQ(Walked(tree, host), (std::vector<std::string>{"/a.htm", "/d/b.htm"}));
}

TEST(WebTreeWalkTest, GetUrlPrefersALaterAliasInTheSameNode) {
  TWebTree tree;
  auto owned = Record();
  TWebFile* record = owned.get();
  ASSERT_TRUE(tree.Add("http://h/d/x.htm", std::move(owned)));
  ASSERT_TRUE(tree.Add("http://h/elsewhere.htm", record));
  EXPECT_EQ(tree.GetUrl(record), "http://h/d/x.htm");
  ASSERT_TRUE(tree.Add("http://h/d/y.htm", record));
  EXPECT_EQ(tree.GetUrl(record), "http://h/d/y.htm");
  TWebFile loose;
  EXPECT_EQ(tree.GetUrl(&loose), "");
}

TEST(WebFileTest, LinkTypeIsDerivedFromTheFlags) {
  struct Case {
    int set;
    std::uint8_t flags;
    int read;
  } cases[] = {{0, TWebFile::kHtml, 0}, {1, 0, 1}, {2, TWebFile::kBackground, 2}, {7, 0, 1}};
  for (const auto& c : cases) {
    TWebFile record;
    record.SetIsmap(true);
    record.SetLinkType(c.set);
    EXPECT_EQ(record.Flags, c.flags | TWebFile::kIsmap) << c.set;
    EXPECT_EQ(record.GetLinkType(), c.read) << c.set;
  }
  TWebFile record;
  record.SetDescription("Caf&eacute; " + std::string(300, 'x'));
  EXPECT_EQ(record.GetDescription().substr(0, 5), "Caf\xE9 ");
  EXPECT_LE(record.GetDescription().size(), 255u);
}

// --- The tree block -------------------------------------------------------------------------

std::string Block(std::initializer_list<std::string> records, std::uint16_t count) {
  std::string out;
  TBinaryWriter w(out);
  w.WriteU16(count);
  for (const auto& r : records) w.WriteBytes(r);
  return out;
}

std::string Str(std::string_view s) {
  return std::string(1, static_cast<char>(s.size())) + std::string(s);
}

std::string RecordBytes(std::uint8_t state, std::uint8_t flags, std::string_view url,
                        std::string_view file, std::string_view desc, std::string_view mime,
                        bool with_mime = true) {
  std::string r = {static_cast<char>(state), static_cast<char>(flags), 1, 2};
  r += Str(url) + Str(file) + Str(desc);
  if (with_mime) r += Str(mime);
  return r;
}

TEST(WebTreeBlockTest, SavesByteExactRecordsInWalkOrder) {
  TWebTree tree;
  auto a = Record("a.htm", wsPage);
  a->ExternalDepth = 1;
  a->LinkDepth = 2;
  a->SetDescription("A");
  a->SetMimeType("text/html");
  TWebFile* raw = a.get();
  ASSERT_TRUE(tree.Add("http://h/a.htm", std::move(a)));
  ASSERT_TRUE(tree.Add("http://h/z.htm", raw));
  std::string out = "P";  // the block starts wherever the file is
  TBinaryWriter w(out);
  tree.SaveToStream(w);
  std::string rec =
      RecordBytes(wsPage, TWebFile::kHtml, "http://h/a.htm", "a.htm", "A", "text/html");
  std::string alias =
      RecordBytes(wsPage, TWebFile::kHtml, "http://h/z.htm", "a.htm", "A", "text/html");
  EXPECT_EQ(out, "P" + Block({rec, alias}, 2));
}

TEST(WebTreeBlockTest, AnAliasLoadsBackAsTwoSeparateRecords) {
  TWebTree tree;
  auto a = Record("a.htm", wsFile);
  TWebFile* raw = a.get();
  ASSERT_TRUE(tree.Add("http://h/a.gif", std::move(a)));
  ASSERT_TRUE(tree.Add("http://h/old.gif", raw));
  std::string out;
  TBinaryWriter w(out);
  tree.SaveToStream(w);

  TWebTree loaded;
  TBinaryReader r(out);
  ASSERT_TRUE(loaded.LoadFromStream(r, 21));
  TWebFile* x = loaded.Find("http://h/a.gif");
  TWebFile* y = loaded.Find("http://h/old.gif");
  ASSERT_TRUE(x && y);
  EXPECT_NE(x, y);
  EXPECT_EQ(x->GetFileName(), "a.htm");
  EXPECT_EQ(y->GetFileName(), "a.htm");
  EXPECT_EQ(x->State, wsFile);
  EXPECT_TRUE(r.AtEnd());
}

TEST(WebTreeBlockTest, ReadsEveryVersionsLayout) {
  struct Case {
    const char* what;
    int version;
    std::string block;
    std::uint8_t flags;
    const char* mime;
  } cases[] = {
      {"version 1: no MIME type", 1,
       Block({RecordBytes(wsPage, 2, "http://h/a", "a.htm", "d", "", false)}, 1),
       TWebFile::kBackground, ""},
      {"version 15: a link type byte", 15,
       Block({RecordBytes(wsFile, 1, "http://h/a", "a.htm", "d", "image/gif")}, 1), 0, "image/gif"},
      {"version 16: the flags byte", 16,
       Block({RecordBytes(wsFile, 0xFF, "http://h/a", "a.htm", "d", "image/gif")}, 1),
       TWebFile::kHtml | TWebFile::kIsmap | TWebFile::kBackground | TWebFile::kRequisite |
           TWebFile::kForced,
       "image/gif"},
  };
  for (const auto& c : cases) {
    TWebTree tree;
    TBinaryReader r(c.block);
    ASSERT_TRUE(tree.LoadFromStream(r, c.version)) << c.what;
    TWebFile* record = tree.Find("http://h/a");
    ASSERT_NE(record, nullptr) << c.what;
    EXPECT_EQ(record->Flags, c.flags) << c.what;
    EXPECT_EQ(record->GetMimeType(), c.mime) << c.what;
    EXPECT_EQ(record->LinkDepth, 2) << c.what;
    EXPECT_TRUE(r.AtEnd()) << c.what;
  }
}

TEST(WebTreeBlockTest, StopsQuietlyAtAnEmptyAddress) {
  std::string block = Block(
      {RecordBytes(0, 1, "http://h/a", "", "", ""), RecordBytes(0, 1, "http://h/c", "", "", ""),
       RecordBytes(0, 1, "", "", "", ""), RecordBytes(0, 1, "http://h/d", "", "", "")},
      4);
  TWebTree tree;
  TBinaryReader r(block);
  EXPECT_TRUE(tree.LoadFromStream(r, 21));
  EXPECT_EQ(Walked(tree), (std::vector<std::string>{"http://h/a", "http://h/c"}));
}

TEST(WebTreeBlockTest, BadBlocksFailCleanly) {
  TWebTree tree;
  std::string one_byte = "\x01";
  TBinaryReader count_cut(one_byte);
  EXPECT_FALSE(tree.LoadFromStream(count_cut, 21));

  std::string truncated = Block({RecordBytes(0, 1, "http://h/a", "a.htm", "", "")}, 2);
  TBinaryReader record_cut(truncated);
  EXPECT_THROW(tree.LoadFromStream(record_cut, 21), TReadError);
  EXPECT_NE(tree.Find("http://h/a"), nullptr);  // what was read before stays

  // File names are joined to the web's folder: anything but a plain name is dropped.
  std::string hostile = Block({RecordBytes(3, 0, "http://h/x", "../../etc/passwd", "", ""),
                               RecordBytes(3, 0, "http://h/y", "..", "", ""),
                               RecordBytes(3, 0, "http://h/z", "ok.gif", "", "")},
                              3);
  TWebTree named;
  TBinaryReader r(hostile);
  ASSERT_TRUE(named.LoadFromStream(r, 21));
  EXPECT_EQ(named.Find("http://h/x")->GetFileName(), "");
  EXPECT_EQ(named.Find("http://h/y")->GetFileName(), "");
  EXPECT_EQ(named.Find("http://h/z")->GetFileName(), "ok.gif");
}

TEST(WebTreeBlockTest, SavingAndLoadingReportTheirProgress) {
  TWebTree tree;
  for (int i = 0; i < 120; ++i) ASSERT_TRUE(tree.Add("http://h/" + std::to_string(i), Record()));
  using Steps = std::vector<std::pair<std::size_t, std::size_t>>;
  Steps saved, loaded_steps;
  std::string out;
  TBinaryWriter w(out);
  tree.SaveToStream(w,
                    [&](std::size_t done, std::size_t total) { saved.emplace_back(done, total); });
  EXPECT_EQ(saved, (Steps{{50, 120}, {100, 120}, {120, 120}}));
  TWebTree loaded;
  TBinaryReader r(out);
  ASSERT_TRUE(loaded.LoadFromStream(
      r, 21, [&](std::size_t done, std::size_t total) { loaded_steps.emplace_back(done, total); }));
  EXPECT_EQ(loaded_steps, saved);
}

// A view that mirrors the tree's shape from the notifications alone, as an item model does; every
// change must arrive between its "before" and "after" calls, at the row the tree then has.
class TMirror final : public TWebTreeObserver {
 public:
  explicit TMirror(const TWebTree& tree) : tree_(tree) {}
  void EntryAdding(const TWebNode& node, std::size_t index) override {
    EXPECT_EQ(index, node.Count());  // always at the end
    pending_ = &node;
  }
  void EntryAdded(const TWebNode& node, std::size_t index) override {
    EXPECT_EQ(pending_, &node);
    pending_ = nullptr;
    rows[&node].push_back(Describe(node.Item(index)));
  }
  void EntryChanged(const TWebNode& node, std::size_t index) override {
    rows[&node].at(index) = Describe(node.Item(index));
  }
  void Clearing() override { rows.clear(); }
  // What the tree holds, listed as the mirror lists it.
  std::map<const TWebNode*, std::vector<std::string>> Actual() const {
    std::map<const TWebNode*, std::vector<std::string>> out;
    Collect(tree_.Root(), out);
    return out;
  }
  std::map<const TWebNode*, std::vector<std::string>> rows;

 private:
  static std::string Describe(const TWebNode::TEntry& e) {
    if (e.Node()) return e.Segment + " node";
    return e.Segment + (e.IsAlias() ? " alias " : " record ") + e.File()->GetFileName();
  }
  static void Collect(const TWebNode& node,
                      std::map<const TWebNode*, std::vector<std::string>>& out) {
    for (std::size_t i = 0; i < node.Count(); ++i) {
      out[&node].push_back(Describe(node.Item(i)));
      if (const TWebNode* child = node.Item(i).Node()) {
        EXPECT_EQ(child->Parent(), &node);
        EXPECT_EQ(child->IndexInParent(), i);  // a child's row in its parent
        Collect(*child, out);
      } else if (!node.Item(i).IsAlias()) {
        EXPECT_EQ(node.Item(i).File()->OwnerIndex(), i);  // a record's row in its owner
      }
    }
  }
  const TWebTree& tree_;
  const TWebNode* pending_ = nullptr;
};

TEST(WebTreeObserverTest, NotificationsAloneKeepAMirrorOfTheTree) {
  TWebTree tree;
  TMirror mirror(tree);
  tree.SetObserver(&mirror);
  ASSERT_TRUE(tree.Add("http://h/a/b/one.htm", Record("one")));
  ASSERT_TRUE(tree.Add("http://h/a/two.htm", Record("two")));
  ASSERT_TRUE(tree.Add("http://k/", Record("k")));
  TWebFile* target = tree.Find("http://h/a/two.htm");
  ASSERT_TRUE(tree.Add("http://h/old.htm", target));      // a new alias entry
  ASSERT_TRUE(tree.Add("http://h/a/b/one.htm", target));  // an owned record becomes an alias
  ASSERT_TRUE(tree.Add("http://k/", Record("k2")));       // a replacement
  EXPECT_EQ(mirror.rows, mirror.Actual());
  tree.Clear();
  EXPECT_TRUE(mirror.rows.empty());
  ASSERT_TRUE(tree.Add("http://h/again.htm", Record("again")));
  EXPECT_EQ(mirror.rows, mirror.Actual());
  tree.SetObserver(nullptr);
}

TEST(WebTreeBlockTest, AFullTreeOfMoreThan32767RecordsRoundTrips) {
  TWebTree tree(65535);  // the most a version 21 block holds
  for (int i = 0; i < 65535; ++i) {
    ASSERT_TRUE(tree.Add("http://h/d" + std::to_string(i % 7) + "/" + std::to_string(i), Record()));
  }
  EXPECT_THROW(tree.Add("http://h/one-more", Record()), TCounterOverflow);
  EXPECT_EQ(tree.Find("http://h/one-more"), nullptr);

  std::string out;
  TBinaryWriter w(out);
  tree.SaveToStream(w);
  EXPECT_EQ(out.substr(0, 2), "\xFF\xFF");
  TWebTree loaded;
  TBinaryReader r(out);
  ASSERT_TRUE(loaded.LoadFromStream(r, 21));
  EXPECT_EQ(loaded.Count(), 65535);
  EXPECT_NE(loaded.Find("http://h/d6/65533"), nullptr);
}

}  // namespace
}  // namespace korvane
