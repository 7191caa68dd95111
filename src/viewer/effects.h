// The transition effects of the picture component: their names and numbers, an effect given as
// text, and the random choice. Only the names and numbering are shared; the view draws them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace korvane {

inline constexpr int kEffectCount = 42;  // 0 "NoEffect" to 41 "VertSnake"

// The name of effect `n`, empty outside 0..41.
std::string_view EffectName(int n);

// A source of random integers in [low, high].
using TRandomFn = std::function<int(int low, int high)>;

// An effect given as text: a number (digits and signs; 255 draws a random effect from 1 to 41,
// anything else outside 0..41 gives 0) or the names it holds, compared without regard to case,
// the last in the table winning; 0 when it holds none.
int EffectFromText(std::string_view text, const TRandomFn& random);

// RandomEffect's choice: 0 to 40, drawn up to 11 times to differ from `previous`.
int PickRandomEffect(int previous, const TRandomFn& random);

}  // namespace korvane
