#include "settings/NumberText.h"

#include <locale.h>

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>

namespace numtext {
namespace {

// The C locale, whatever the process locale is.
const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));

// strtod needs a terminated string; short values avoid the heap.
template <typename F>
auto WithTerminated(std::string_view text, F&& convert) {
  std::array<char, 128> small{};
  if (text.size() < small.size()) {
    text.copy(small.data(), text.size());
    small[text.size()] = '\0';
    return convert(small.data());
  }
  const std::string copy(text);
  return convert(copy.c_str());
}

// The blanks strtol and strtod skip in the C locale.
constexpr bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Skips the leading blanks and takes an optional sign.
const char* TakeSign(const char* p, const char* end, bool& negative) {
  while (p < end && IsBlank(*p)) ++p;
  negative = false;
  if (p < end && (*p == '+' || *p == '-')) {
    negative = *p == '-';
    ++p;
  }
  return p;
}

// 128 bits: a 53-bit mantissa times 10^9 fits.
__extension__ using Wide = unsigned __int128;

// Fixed notation of the values programs and settings hold, in integer
// arithmetic: the exact binary value times 10^decimals, rounded half to
// even as printf rounds it, written at `out` (kFixedRoom characters at the
// most). Null, with nothing written, for a value whose scaled magnitude
// does not fit 64 bits (or that is not finite) and for more than 9
// decimals.
char* WriteFixedExact(char* out, double value, int decimals) {
  static constexpr std::uint64_t kPowers[] = {1,      10,      100,      1000,      10000,
                                              100000, 1000000, 10000000, 100000000, 1000000000};
  if (decimals < 0 || decimals > 9 || !(std::fabs(value) < 0x1p53)) return nullptr;
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
  int shift = 1074;  // value = mantissa / 2^shift
  if (biased != 0) {
    mantissa |= std::uint64_t{1} << 52;
    shift = 1075 - biased;  // at least 0, since |value| < 2^53
  }
  const std::uint64_t power = kPowers[decimals];
  const Wide scaled = static_cast<Wide>(mantissa) * power;  // below 2^83
  Wide rounded = 0;
  if (shift == 0) {
    rounded = scaled;
  } else if (shift < 128) {
    rounded = scaled >> shift;
    const Wide rest = scaled - (rounded << shift);
    const Wide half = static_cast<Wide>(1) << (shift - 1);
    if (rest > half || (rest == half && (rounded & 1) != 0)) ++rounded;
  }  // else below half a unit of the last decimal: 0
  if ((rounded >> 64) != 0) return nullptr;
  const auto units = static_cast<std::uint64_t>(rounded);
  char* p = out;
  if ((bits >> 63) != 0) *p++ = '-';  // also "-0.000000", as printf writes it
  p = std::to_chars(p, out + kFixedRoom, units / power).ptr;
  if (decimals > 0) {
    *p++ = '.';
    std::uint64_t fraction = units % power;
    for (int k = decimals - 1; k >= 0; --k) {
      p[k] = static_cast<char>('0' + fraction % 10);
      fraction /= 10;
    }
    p += decimals;
  }
  return p;
}

// Digits with at most one point and no exponent, whose digits make a
// mantissa of at most 2^53 and that has at most 22 digits after the point:
// mantissa / 10^k is then the correctly rounded value. Nothing otherwise.
std::optional<double> ParsePlainDecimal(const char* p, const char* end) {
  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  constexpr std::uint64_t kExact = std::uint64_t{1} << 53;
  std::uint64_t mantissa = 0;
  int digits = 0;
  int decimals = 0;
  bool point = false;
  for (; p < end; ++p) {
    if (IsDigit(*p)) {
      mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
      if (mantissa > kExact) return std::nullopt;  // no longer exact as a double
      ++digits;
      if (point) ++decimals;
    } else if (*p == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0 || decimals > 22 || (p < end && (*p == 'e' || *p == 'E'))) return std::nullopt;
  return static_cast<double>(mantissa) / kPowers[decimals];
}

}  // namespace

void AppendInt(std::string& out, std::int32_t value) {
  std::array<char, 16> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  out.append(buffer.data(), result.ptr);
}

std::string FormatInt(std::int32_t value) {
  std::string out;
  AppendInt(out, value);
  return out;
}

char* WriteFixed(char* out, double value, int decimals) { return WriteFixedExact(out, value, decimals); }

void AppendFixed(std::string& out, double value, int decimals) {
  std::array<char, kFixedRoom> text{};
  if (char* end = WriteFixedExact(text.data(), value, decimals)) {
    out.append(text.data(), end);
    return;
  }
  // The largest double in fixed notation has 309 integer digits.
  std::array<char, 400> buffer{};
  const auto result =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, decimals);
  out.append(buffer.data(), result.ptr);
}

std::string FormatFixed(double value, int decimals) {
  std::string out;
  AppendFixed(out, value, decimals);
  return out;
}

std::int32_t ParseInt(std::string_view text) {
  constexpr std::int64_t kBeyond = std::int64_t{1} << 32;  // past both ends of the 32-bit range
  const char* end = text.data() + text.size();
  bool negative = false;
  const char* p = TakeSign(text.data(), end, negative);
  std::int64_t magnitude = 0;
  for (; p < end && IsDigit(*p); ++p) {
    if (magnitude < kBeyond) magnitude = magnitude * 10 + (*p - '0');
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

double ParseDouble(std::string_view text) {
  const char* end = text.data() + text.size();
  bool negative = false;
  const char* p = TakeSign(text.data(), end, negative);
  const bool hexadecimal = p + 1 < end && p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
  if (!hexadecimal) {
    // What the writer writes: digits, a point and digits. With a mantissa
    // that is exact as a double and an exact power of ten, one division
    // rounds as strtod does.
    if (const auto plain = ParsePlainDecimal(p, end)) return negative ? -*plain : *plain;
  }
  // Other decimal notation within the range of doubles is read by
  // from_chars, which rounds as strtod does too. Everything else
  // (hexadecimal, inf, nan, overflow and underflow, no number at all) is
  // left to strtod itself.
  const bool decimal = p < end && (IsDigit(*p) || (*p == '.' && p + 1 < end && IsDigit(p[1])));
  if (decimal && !hexadecimal) {
    double value = 0.0;
    if (std::from_chars(p, end, value, std::chars_format::general).ec == std::errc()) return negative ? -value : value;
  }
  return WithTerminated(text, [](const char* s) { return strtod_l(s, nullptr, cLocale); });
}

}  // namespace numtext
