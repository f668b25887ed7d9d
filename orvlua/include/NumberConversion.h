#pragma once
// Lua numbers to C++ integers: truncated toward zero, saturating at the
// ends of the range, NaN giving 0, so no script value is undefined behaviour.
#include <cmath>
#include <cstdint>
#include <limits>

namespace OrvLua {

template <typename Int>
Int SaturateTo(double value) {
  if (std::isnan(value)) return 0;
  constexpr double low = static_cast<double>(std::numeric_limits<Int>::min());
  // max + 1 is a power of two and exact as a double.
  constexpr double high = static_cast<double>(std::numeric_limits<Int>::max() / 2 + 1) * 2.0;
  if (value <= low) return std::numeric_limits<Int>::min();
  if (value >= high) return std::numeric_limits<Int>::max();
  return static_cast<Int>(value);
}

inline int SaturateToInt(double value) { return SaturateTo<int>(value); }

// The low 32 bits of the 64-bit truncation, so -1 is the largest unsigned.
inline unsigned ToUnsigned(double value) {
  return static_cast<unsigned>(static_cast<uint64_t>(SaturateTo<int64_t>(value)));
}

// The low 8 bits of the int truncation (key codes).
inline unsigned char ToUnsignedChar(double value) {
  return static_cast<unsigned char>(static_cast<unsigned>(SaturateToInt(value)) & 0xFFu);
}

}  // namespace OrvLua
