// Private to the VectorUtility module (VectorUtility.cpp, VectorSpace.cpp,
// LinearAlgebra.cpp): the resets of the split files and small checked-arithmetic helpers.
#pragma once

#include <climits>
#include <cstdint>

void resetVectorSpaceState();
void resetLinearAlgebraState();

namespace vectorutility {

// True when value fits a 32-bit int.
inline bool fitsInt(std::int64_t value) { return value >= INT_MIN && value <= INT_MAX; }

// a * b + c * d in 64 bits; false when it overflows.
inline bool mulSub64(std::int64_t a, std::int64_t b, std::int64_t c, std::int64_t d,
                     std::int64_t* result) {
  std::int64_t left = 0;
  std::int64_t right = 0;
  if (__builtin_mul_overflow(a, b, &left)) return false;
  if (__builtin_mul_overflow(c, d, &right)) return false;
  return !__builtin_sub_overflow(left, right, result);
}

// Greatest common divisor of the absolute values (0 for two zeros), 64-bit.
inline std::int64_t gcd64(std::int64_t a, std::int64_t b) {
  std::uint64_t x = a < 0 ? 0 - static_cast<std::uint64_t>(a) : static_cast<std::uint64_t>(a);
  std::uint64_t y = b < 0 ? 0 - static_cast<std::uint64_t>(b) : static_cast<std::uint64_t>(b);
  while (y != 0) {
    std::uint64_t r = x % y;
    x = y;
    y = r;
  }
  return static_cast<std::int64_t>(x);
}

}  // namespace vectorutility
