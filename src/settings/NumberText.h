#pragma once
// Number <-> text for the settings files and the code text, independent of
// the process locale (a front end may switch it to one with a decimal comma).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace numtext {

// "%d" of a 32-bit integer.
std::string FormatInt(std::int32_t value);

// Fixed notation with `decimals` digits after the point, rounded, like
// "%.*f" in the C locale: 0.1 with 6 gives "0.100000", -12.5 with 2 "-12.50".
std::string FormatFixed(double value, int decimals);
void AppendFixed(std::string& out, double value, int decimals);
// The same written at `out`, which has room for kFixedRoom characters, for
// the values a program or settings file holds (below 2^53, at most 9
// decimals): the end of what was written, or null, with nothing written,
// for any other value (AppendFixed takes every value).
inline constexpr std::size_t kFixedRoom = 48;
char* WriteFixed(char* out, double value, int decimals);
void AppendInt(std::string& out, std::int32_t value);

// strtol semantics: leading blanks skipped, optional sign, decimal digits up
// to the first character that does not fit, no digits give 0. Values beyond
// the 32-bit range saturate.
std::int32_t ParseInt(std::string_view text);

// strtod semantics in the C locale (leading blanks, sign, digits, point,
// exponent, "inf", "nan"); no number gives 0; overflow gives +-HUGE_VAL.
double ParseDouble(std::string_view text);

}  // namespace numtext
