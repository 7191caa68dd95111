#include "html/entities.h"

#include <array>
#include <cstddef>
#include <cstdint>

#include "base/text_encoding.h"

namespace korvane {
namespace {

struct TEntity {
  std::string_view name;
  char32_t character;
};

// The Latin-1 names for codes 160 to 255, in code order.
constexpr std::array<std::string_view, 96> kLatin1 = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",
    "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn",
    "sup2",   "sup3",   "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",
    "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde",
    "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave",
    "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde",
    "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",
    "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil",
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",   "eth",
    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
    "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

// The markup names, then HTML 4's special characters and symbols.
constexpr TEntity kOthers[] = {
    {"quot", 34},     {"amp", 38},       {"lt", 60},       {"gt", 62},        {"apos", 39},
    {"OElig", 338},   {"oelig", 339},    {"Scaron", 352},  {"scaron", 353},   {"Yuml", 376},
    {"circ", 710},    {"tilde", 732},    {"ensp", 8194},   {"emsp", 8195},    {"thinsp", 8201},
    {"zwnj", 8204},   {"zwj", 8205},     {"lrm", 8206},    {"rlm", 8207},     {"ndash", 8211},
    {"mdash", 8212},  {"lsquo", 8216},   {"rsquo", 8217},  {"sbquo", 8218},   {"ldquo", 8220},
    {"rdquo", 8221},  {"bdquo", 8222},   {"dagger", 8224}, {"Dagger", 8225},  {"permil", 8240},
    {"lsaquo", 8249}, {"rsaquo", 8250},  {"euro", 8364},   {"fnof", 402},     {"Alpha", 913},
    {"Beta", 914},    {"Gamma", 915},    {"Delta", 916},   {"Epsilon", 917},  {"Zeta", 918},
    {"Eta", 919},     {"Theta", 920},    {"Iota", 921},    {"Kappa", 922},    {"Lambda", 923},
    {"Mu", 924},      {"Nu", 925},       {"Xi", 926},      {"Omicron", 927},  {"Pi", 928},
    {"Rho", 929},     {"Sigma", 931},    {"Tau", 932},     {"Upsilon", 933},  {"Phi", 934},
    {"Chi", 935},     {"Psi", 936},      {"Omega", 937},   {"alpha", 945},    {"beta", 946},
    {"gamma", 947},   {"delta", 948},    {"epsilon", 949}, {"zeta", 950},     {"eta", 951},
    {"theta", 952},   {"iota", 953},     {"kappa", 954},   {"lambda", 955},   {"mu", 956},
    {"nu", 957},      {"xi", 958},       {"omicron", 959}, {"pi", 960},       {"rho", 961},
    {"sigmaf", 962},  {"sigma", 963},    {"tau", 964},     {"upsilon", 965},  {"phi", 966},
    {"chi", 967},     {"psi", 968},      {"omega", 969},   {"thetasym", 977}, {"upsih", 978},
    {"piv", 982},     {"bull", 8226},    {"hellip", 8230}, {"prime", 8242},   {"Prime", 8243},
    {"oline", 8254},  {"frasl", 8260},   {"weierp", 8472}, {"image", 8465},   {"real", 8476},
    {"trade", 8482},  {"alefsym", 8501}, {"larr", 8592},   {"uarr", 8593},    {"rarr", 8594},
    {"darr", 8595},   {"harr", 8596},    {"crarr", 8629},  {"lArr", 8656},    {"uArr", 8657},
    {"rArr", 8658},   {"dArr", 8659},    {"hArr", 8660},   {"forall", 8704},  {"part", 8706},
    {"exist", 8707},  {"empty", 8709},   {"nabla", 8711},  {"isin", 8712},    {"notin", 8713},
    {"ni", 8715},     {"prod", 8719},    {"sum", 8721},    {"minus", 8722},   {"lowast", 8727},
    {"radic", 8730},  {"prop", 8733},    {"infin", 8734},  {"ang", 8736},     {"and", 8743},
    {"or", 8744},     {"cap", 8745},     {"cup", 8746},    {"int", 8747},     {"there4", 8756},
    {"sim", 8764},    {"cong", 8773},    {"asymp", 8776},  {"ne", 8800},      {"equiv", 8801},
    {"le", 8804},     {"ge", 8805},      {"sub", 8834},    {"sup", 8835},     {"nsub", 8836},
    {"sube", 8838},   {"supe", 8839},    {"oplus", 8853},  {"otimes", 8855},  {"perp", 8869},
    {"sdot", 8901},   {"lceil", 8968},   {"rceil", 8969},  {"lfloor", 8970},  {"rfloor", 8971},
    {"lang", 9001},   {"rang", 9002},    {"loz", 9674},    {"spades", 9824},  {"clubs", 9827},
    {"hearts", 9829}, {"diams", 9830}};

}  // namespace

char32_t NamedEntity(std::string_view name) {
  if (name.size() < 2 || name.size() > kLongestEntityName) return 0;
  for (const TEntity& e : kOthers) {
    if (e.name == name) return e.character;
  }
  for (std::size_t k = 0; k < kLatin1.size(); ++k) {
    if (kLatin1[k] == name) return static_cast<char32_t>(160 + k);
  }
  return 0;
}

std::size_t ReadCharacterReference(std::string_view s, char32_t& c) {
  if (s.size() < 3 || s[0] != '&') return 0;
  if (s[1] != '#') {
    const std::size_t semi = s.find(';', 1);
    if (semi == std::string_view::npos || semi - 1 > kLongestEntityName) return 0;
    c = NamedEntity(s.substr(1, semi - 1));
    return c == 0 ? 0 : semi + 1;
  }
  const bool hex = s[2] == 'x' || s[2] == 'X';
  std::size_t at = hex ? 3 : 2;
  const std::size_t first = at;
  std::uint32_t value = 0;
  for (; at < s.size(); ++at) {
    const char d = s[at];
    const int digit = d >= '0' && d <= '9'          ? d - '0'
                      : hex && d >= 'a' && d <= 'f' ? d - 'a' + 10
                      : hex && d >= 'A' && d <= 'F' ? d - 'A' + 10
                                                    : -1;
    if (digit < 0) break;
    // Past the last character the value stays out of range however many digits follow.
    if (value <= 0x10FFFF) value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
  }
  if (at == first || at >= s.size() || s[at] != ';') return 0;
  if (value >= 0x80 && value <= 0x9F) {
    c = Win1252Character(static_cast<unsigned char>(value));
  } else if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    c = 0xFFFD;
  } else {
    c = value;
  }
  return at + 1;
}

}  // namespace korvane
