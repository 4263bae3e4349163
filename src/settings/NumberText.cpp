#include "settings/NumberText.h"

#include <locale.h>

#include <array>
#include <charconv>
#include <cstdlib>
#include <limits>

namespace numtext {
namespace {

// The C locale, whatever the process locale is.
const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));

// strtol and strtod need a terminated string; short values avoid the heap.
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

void AppendFixed(std::string& out, double value, int decimals) {
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
  const long long value = WithTerminated(text, [](const char* s) { return std::strtoll(s, nullptr, 10); });
  if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

double ParseDouble(std::string_view text) {
  return WithTerminated(text, [](const char* s) { return strtod_l(s, nullptr, cLocale); });
}

}  // namespace numtext
