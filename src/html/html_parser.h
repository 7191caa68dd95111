// THtmlParser turns one HTML page into a flat list of tag items and answers questions about
// them: the text of a tag, the text after it, the link a tag carries, the value of an attribute.
// It also copies pieces of the page, unchanged or with one link replaced. It is shallow: no tree,
// no matching of start and end tags; attributes are read by scanning blank-separated words.
//
// Items hold positions only; texts are read back from the page on demand, at most 255 bytes at a
// time. The page is borrowed and must stay alive and unchanged while the parser is used.
//
// A parser for page requisites (TParseOptions::Requisites) reads today's pages: tags of any
// length are tags and are read whole, values are not cut, and the tags that carry what a page
// needs to show (LINK, SCRIPT, IFRAME, SOURCE, VIDEO, AUDIO, TRACK, OBJECT, EMBED, META, STYLE)
// have their own types.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// Flags of TTag::Kind.
enum TTagKind : std::uint8_t {
  kStartTag = 1,     // start tag, comment or declaration
  kEndTag = 2,       // "</...>"
  kBoundary = 4,     // start or end of the page, never a real tag
  kTextFollows = 8,  // text lies between this item and the next
};

// Tag type codes, in the order names are compared.
enum TTagType : std::uint8_t {
  ttA = 0,
  ttBase = 1,
  ttBody = 2,
  ttHtml = 3,
  ttImg = 4,
  ttTitle = 5,
  ttArea = 6,
  ttFrame = 7,
  ttForm = 8,
  ttKorvane = 9,   // the program's own marker tag
  ttComment = 10,  // "<!...>": comment or declaration
  ttDd = 11,
  ttDl = 12,
  ttDt = 13,
  ttH1 = 14,
  ttH2 = 15,
  ttH3 = 16,
  ttH4 = 17,
  ttH5 = 18,
  ttH6 = 19,
  ttInput = 20,
  ttUnknown = 21,  // any other tag, and boundary items
  // Known only to a parser for page requisites; the original tokenizer calls them ttUnknown.
  ttLink = 22,
  ttScript = 23,
  ttIframe = 24,
  ttSource = 25,
  ttVideo = 26,
  ttAudio = 27,
  ttTrack = 28,
  ttObject = 29,
  ttEmbed = 30,
  ttMeta = 31,
  ttStyle = 32,
};

// Kinds of link (TLinkParam::LinkKind). A requisite is what a page needs to show as served
// (a stylesheet, a script, a font, a media file): fetched like a picture, ahead of the pages, but
// not held by the picture options.
enum TLinkKind : std::uint8_t { lkPage = 0, lkImage = 1, lkBackground = 2, lkRequisite = 3 };

struct TParseOptions {
  bool Requisites = false;  // read today's pages: see the file's first comment
  // GetLink reads an anchor's text (and whether it holds a server-side map); a reader that only
  // rewrites links has no use for them.
  bool LinkTexts = true;
};

struct TTag {
  std::uint8_t Kind = 0;
  std::uint8_t TagType = ttUnknown;
  std::int32_t Position = 0;  // offset of the item's first byte ('<') in the page
  std::int32_t Length = 0;    // bytes of the item, '<' and '>' included
};

// Where one attribute lies in a tag's text, and its value. Positions count from 1 at the '<'; they
// are held in 32 bits, so that they stay right in a tag of any length.
struct TTagParam {
  std::uint32_t AttrStart = 0;    // first letter of the attribute's name
  std::uint32_t AttrLength = 0;   // name, blanks, '=', value and closing quote
  std::uint32_t ValueStart = 0;   // first character of the value, after any opening quote
  std::uint32_t ValueLength = 0;  // length of the value without quotes
  std::string Value;  // the value, quotes removed (at most 255 bytes, but for requisites)
  // A value read up to its next quote can no longer begin with one, so the scan never sets this;
  // kept so that callers and stored forms keep their shape.
  bool DoubleQuoted = false;
  bool Quoted = false;  // the value was enclosed in quotes (double or single)

  // Field by field, keeping the value's buffer: a link is cleared for every item of a page.
  void Clear() {
    AttrStart = AttrLength = ValueStart = ValueLength = 0;
    Value.clear();
    DoubleQuoted = Quoted = false;
  }
};

// The link carried by one tag.
struct TLinkParam {
  std::string Text;    // anchor text for A, the title for TITLE; trimmed, at most 255 bytes
  bool IsMap = false;  // IMG with ISMAP, or an A enclosing such an image
  std::uint8_t LinkKind = lkPage;
  TTagParam Link;     // HREF, SRC, BACKGROUND or ACTION
  TTagParam OldLink;  // OLDREF: the link the tag had before it was rewritten
  std::uint8_t TagType = ttUnknown;

  void Clear() {
    Text.clear();
    IsMap = false;
    LinkKind = lkPage;
    Link.Clear();
    OldLink.Clear();
    TagType = ttUnknown;
  }
};

class THtmlParser {
 public:
  // Parses the whole page at once. Pages beyond 2 GiB are read up to that size.
  explicit THtmlParser(std::string_view page, TParseOptions options = {});
  // The parser keeps only a view of the page: a temporary would be gone before the first query.
  explicit THtmlParser(std::string&& page, TParseOptions options = {}) = delete;
  explicit THtmlParser(const char* page) : THtmlParser(std::string_view(page)) {}

  const TParseOptions& Options() const { return options_; }

  // Clears the list and parses the page again (after its bytes changed in place).
  void Parse();

  int Count() const { return static_cast<int>(items_.size()); }
  // The item at `i`, or a constant end item (boundary, Position -1) for any index past the list.
  const TTag& Item(int i) const;

  // The bytes of item `i`, at most 255 (all of them for requisites).
  std::string GetTagText(int i) const;
  // The text between item `i` and the next, at most 255 bytes; empty unless it has kTextFollows.
  std::string GetText(int i) const;
  // Append the item's bytes / the item and its text / its text alone to `out`.
  void CopyTag(int i, std::string& out) const;
  void CopyTagAndText(int i, std::string& out) const;
  void CopyText(int i, std::string& out) const;

  // Looks for attribute `name` in tag `i`. False when absent or when its value is empty; the
  // positions are filled whenever the attribute was found.
  bool FindAttr(std::string_view name, int i, TTagParam* param) const;
  // Clears `link` and fills it from tag `i`. True for every start tag that can carry a link
  // (even when its value is empty), except an INPUT without SRC.
  bool GetLink(int i, TLinkParam* link) const;
  // Writes tag `i` to `out` with its link value replaced by `new_link` and its OLDREF attribute
  // set to `old_link` (or removed when `old_link` is empty). `link` is GetLink's result for `i`.
  void WriteLinkTag(int i, std::string& out, std::string_view old_link, std::string_view new_link,
                    const TLinkParam& link) const;

 private:
  void AddItem(std::uint8_t kind, std::uint8_t type, std::size_t start, std::size_t end);
  void AddTag(std::size_t start, std::size_t end);
  std::string_view ItemBytes(int i) const;
  std::string_view TextBytes(int i) const;
  void ReadAnchorText(int i, TLinkParam& link) const;
  void BuildAnchorIndex() const;

  // The tag text as FindAttr and GetTagText see it: cut at 255 bytes unless for requisites.
  std::string_view TagView(int i) const;
  bool FindAttrWhole(std::string_view name, int i, TTagParam* param) const;
  bool GetRequisiteLink(int i, TLinkParam& link) const;

  std::string_view page_;
  TParseOptions options_;
  std::vector<TTag> items_;
  // For each index j, the first item at or after j that is: an end tag A; an item that adds to
  // an anchor's text (an IMG start tag or an item with text after it); an IMG with ISMAP. Built
  // on the first anchor read, so that pages of unclosed anchors are not read once per anchor.
  mutable std::vector<std::int32_t> next_end_anchor_;
  mutable std::vector<std::int32_t> next_text_source_;
  mutable std::vector<std::int32_t> next_ismap_image_;
};

// A text of a page (a title, a link text) as a description: character references decoded, named
// ones ("&eacute;", "&mdash;") case-sensitively and numeric ones ("&#8212;"), and control
// characters (codes below 20) replaced by code 20. Characters Windows-1252 cannot hold are
// written as numeric references (see TTextWriter), which read back as the same characters when
// a stored description is decoded again. At most 255 bytes, never cutting a character.
std::string DecodeEntities(std::string_view s);

}  // namespace korvane
