#include "viewer/effects.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "base/number.h"

namespace korvane {
namespace {

constexpr std::array<std::string_view, kEffectCount> kNames{
    "NoEffect",       "LeftToRight",      "RightToLeft",
    "TopToBottom",    "BottomToTop",      "HorzWipeIn",
    "HorzWipeOut",    "VertWipeIn",       "VertWipeOut",
    "HorzInterlace",  "VertInterlace",    "HorzDoublePass",
    "VertDoublePass", "HorzDoublePass2",  "VertDoublePass2",
    "VertBlind",      "HorzBlind",        "DoubleBlind",
    "Diag-TL-BR",     "Diag-BL-TR",       "Diag-TR-BL",
    "Diag-BR-TL",     "DoubleDiag-TL-BR", "DoubleDiag-TR-BL",
    "DiagOut-TL-BR",  "DiagOut-TR-BL",    "DiagQuad",
    "VertStripes",    "HorzStripes",      "VertBigStripes",
    "HorzBigStripes", "Kaleidoscope",     "DoubleWipeOut",
    "DoubleWipeIn",   "RandomLines",      "RandomBlocks",
    "CheckerBoard",   "ScreenDrip",       "Spray",
    "SwirlIn",        "HorzlSnake",       "VertSnake"};

std::string Lower(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

bool IsNumberText(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-';
  });
}

}  // namespace

std::string_view EffectName(int n) { return n >= 0 && n < kEffectCount ? kNames[n] : ""; }

int EffectFromText(std::string_view text, const TRandomFn& random) {
  if (IsNumberText(text)) {
    const std::int32_t n = IntegerOr(text, 0);
    if (n == 255) return random(1, kEffectCount - 1);
    return n >= 0 && n < kEffectCount ? n : 0;
  }
  const std::string lower = Lower(text);
  int effect = 0;
  for (int n = 0; n < kEffectCount; ++n) {
    if (lower.find(Lower(kNames[n])) != std::string::npos) effect = n;
  }
  return effect;
}

int PickRandomEffect(int previous, const TRandomFn& random) {
  int effect = random(0, kEffectCount - 2);
  for (int draws = 1; draws < 11 && effect == previous; ++draws)
    effect = random(0, kEffectCount - 2);
  return effect;
}

}  // namespace korvane
