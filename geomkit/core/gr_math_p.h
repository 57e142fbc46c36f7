// Internal arithmetic of the curve code: binomial coefficients in 32-bit
// unsigned arithmetic.
#ifndef GEOMKIT_GR_MATH_P_H
#define GEOMKIT_GR_MATH_P_H

#include <cstdint>

namespace geomkit {

// C(n, k) in 32-bit unsigned arithmetic:
//   k = 0..4: the closed products n (n-1) ... / k!, each product in 32 bits;
//   k >= 5:   numerator and denominator built factor by factor; before a
//             factor, a numerator of at least 2147483647 / n is first
//             reduced by every j = 1, 2, ... up to the denominator that
//             divides both (each j tried once, ascending).
// False, out untouched, when k > n, when a closed product would wrap in 32
// bits, or when a numerator product would pass 2147483646: no coefficient
// is made up.
bool binomial(uint32_t n, uint32_t k, uint32_t& out) noexcept;

}  // namespace geomkit

#endif
