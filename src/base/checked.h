// Overflow-checked arithmetic on counters and depths. The stored fields are narrow (many are
// 16 bits in the project file), so an increment past a field's width is an error that ends the
// operation under way rather than a silent wrap that would corrupt the web's figures.
#pragma once

#include <concepts>
#include <stdexcept>

namespace korvane {

class TCounterOverflow : public std::overflow_error {
 public:
  TCounterOverflow() : std::overflow_error("Integer overflow") {}
};

// field += by, throwing TCounterOverflow (and leaving `field` unchanged) when the result does
// not fit the field's type.
template <std::integral T, std::integral U>
void CheckedAdd(T& field, U by) {
  T result;
  if (__builtin_add_overflow(field, by, &result)) throw TCounterOverflow();
  field = result;
}

template <std::integral T>
void CheckedInc(T& field) {
  CheckedAdd(field, 1);
}

template <std::integral T>
void CheckedDec(T& field) {
  CheckedAdd(field, -1);
}

// `value` converted to T, throwing TCounterOverflow when it does not fit.
template <std::integral T, std::integral U>
T CheckedCast(U value) {
  T result;
  if (__builtin_add_overflow(value, 0, &result)) throw TCounterOverflow();
  return result;
}

}  // namespace korvane
