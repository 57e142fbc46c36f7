// Binomial coefficients and the tridiagonal solver behind the cubic spline.
#include <geomkit/gr_bez.h>
#include "core/gr_math_p.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <new>
#include <vector>

namespace {

// The numerator may grow up to this value (the largest signed 32-bit value
// less one): a product reaching 2^31 - 1 counts as an overflow.
constexpr uint32_t kNumeratorLimit = 2147483646u;

// At most 1600 divisors for any value below 2^31 (2095133040 has 1600).
constexpr int kMaxDivisors = 1600;

// The ascending divisors of m (m >= 1); returns their number.
int divisors_of(uint32_t m, uint32_t* out) noexcept {
  int count = 1;
  out[0] = 1;
  uint32_t rest = m;
  for (uint32_t p = 2; rest > 1; ++p) {
    if (static_cast<uint64_t>(p) * p > rest) p = rest;  // what is left is prime
    if (rest % p != 0) continue;
    int power = 0;
    while (rest % p == 0) {
      rest /= p;
      ++power;
    }
    const int base = count;
    uint32_t f = 1;
    for (int e = 1; e <= power; ++e) {
      f *= p;
      for (int i = 0; i < base; ++i) out[count++] = out[i] * f;
    }
  }
  std::sort(out, out + count);
  return count;
}

// Divides numerator and denominator by every j from 1 up to the
// denominator that divides both, each j tried once in ascending order. Only
// divisors of the denominator can divide both, and the denominator only
// shrinks, so walking its divisors ascending gives the same steps without
// trying every j.
void reduce_fraction(uint32_t& num, uint32_t& den) noexcept {
  uint32_t div[kMaxDivisors];
  const int count = divisors_of(den, div);
  for (int i = 0; i < count && div[i] <= den; ++i) {
    const uint32_t j = div[i];
    if (num % j == 0 && den % j == 0) {
      num /= j;
      den /= j;
    }
  }
}

bool product32(uint32_t& acc, uint32_t factor) noexcept { return !__builtin_mul_overflow(acc, factor, &acc); }

}  // namespace

namespace geomkit {

bool binomial(uint32_t n, uint32_t k, uint32_t& out) noexcept {
  if (n < k) return false;
  if (k <= 4) {
    static constexpr uint32_t kFactorial[5] = {1, 1, 2, 6, 24};
    uint32_t p = 1;
    for (uint32_t i = 0; i < k; ++i) {
      if (!product32(p, n - i)) return false;
    }
    out = p / kFactorial[k];
    return true;
  }
  uint32_t num = 1, den = 1;
  for (uint32_t i = 0; i < k; ++i) {
    if (num >= 2147483647u / n) reduce_fraction(num, den);
    if (static_cast<uint64_t>(num) * (n - i) > kNumeratorLimit) return false;
    num *= n - i;
    // num / den is n (n-1) .. (n-i) / (k (k-1) .. (k-i)) >= 1, so the
    // denominator stays below the numerator and cannot wrap.
    den *= k - i;
  }
  out = num / den;
  return true;
}

}  // namespace geomkit

// ---- tridiagonal solver ----

// Forward elimination x[j-1] = beta[j] x[j] + z[j] with
//   den = -b[j] - a[j] beta[j], beta[j+1] = c[j] / den,
//   z[j+1] = (a[j] z[j] - d[j]) / den,
// then back substitution from x[n-1] = z[n]. The first row has no left
// neighbour and the last none on the right: a[0] and c[n-1] must vanish.
int gr_progon3(int n, const double* a, const double* b, const double* c, const double* d,
               double* x) noexcept {
  if (n < 1 || !a || !b || !c || !d || !x) return 0;
  if (!(std::fabs(a[0]) < GR_LMES_PREC && std::fabs(c[n - 1]) < GR_LMES_PREC)) return 0;
  std::vector<double> beta, z;
  try {
    beta.assign(static_cast<size_t>(n) + 1, 0.0);
    z.assign(static_cast<size_t>(n) + 1, 0.0);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  for (int j = 0; j < n; ++j) {
    const double den = -b[j] - a[j] * beta[j];
    if (!(std::fabs(den) >= GR_LMES_PREC)) return 0;  // vanishing pivot, or NaN
    beta[j + 1] = c[j] / den;
    z[j + 1] = (a[j] * z[j] - d[j]) / den;
  }
  x[n - 1] = z[n];
  for (int j = n - 1; j >= 1; --j) x[j - 1] = beta[j] * x[j] + z[j];
  return 1;
}
