// Numbers in the settings and program files read and written exactly as the
// C library's strtol, strtod and "%lf" do: every odd form an old file may
// hold, random values in every notation, and the demo machine's files.

#include "settings/NumberText.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "NumberReference.h"

namespace {

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(NumberTextTest, OddFormsReadAsTheCLibraryReadsThem) {
  const char* const kForms[] = {
      // nothing to read, signs alone, blanks of every kind, trailing text
      "", " ", "+", "-", ".", "-.", "e5", ".e1", " \t\n\v\f\r-12.5abc",
      "\xA0"
      "5",
      "5\r", "1_000", "1,5", "- 5", "--5", "+-5", "+.5", "-.5", "5.", "0.1e1", "1e", "1e+", "1.5E3",
      // hexadecimal, infinities and not-a-number
      "0x10", "0X1p3", "-0x1.8p1", "0x", "0xg", "inf", "-Infinity", "nan", "-nan", "nan(123)",
      // beyond the range, the smallest values, and mantissas past 2^53
      "1e400", "-1e400", "1e-400", "4.9e-324", "2.2250738585072011e-308", "1.7976931348623157e308",
      "1.7976931348623159e308", "9007199254740993", "9007199254740992.5", "0.0000000000000000000000001",
      "123456789012345678901234567890", "00000000000000000000001.5", "-0", "-0.000000",
      // integers at and past the 32-bit ends
      "2147483647", "2147483648", "-2147483648", "-2147483649", "99999999999999999999999", " +7", "0012"};
  for (const char* form : kForms) EXPECT_EQ(reference::Difference(form), "") << form;
}

TEST(NumberTextTest, RandomValuesInEveryNotationReadAndWriteAsBefore) {
  std::mt19937_64 random(20240611);
  for (int i = 0; i < 30000; ++i) {
    double value = 0.0;
    switch (i % 4) {
      case 0:  // any bit pattern
        value = std::bit_cast<double>(random());
        break;
      case 1:  // what programs hold: a few decimals in a modest range
        value = static_cast<double>(random() % 4000000001) / 1e6 - 2000.0;
        break;
      case 2:  // binary fractions, where rounding meets exact halves
        value = std::ldexp(static_cast<double>(random() % 100000), -static_cast<int>(random() % 12));
        break;
      default:  // every magnitude
        value = std::ldexp(static_cast<double>(random() >> 11), static_cast<int>(random() % 200) - 100);
        break;
    }
    // As the old writer wrote it, and in the other notations a file edited
    // by hand may hold: blanks and a plus sign, exponents, hexadecimal.
    auto notation = [&](std::chars_format format) {
      char text[512];
      return std::string(text, std::to_chars(text, text + sizeof text, std::fabs(value), format).ptr);
    };
    const std::string sign = std::signbit(value) ? "-" : "";
    const std::string texts[] = {reference::FormatFixed(value, 6), "  +" + reference::FormatFixed(std::fabs(value), 9),
                                 sign + notation(std::chars_format::general),
                                 sign + notation(std::chars_format::scientific),
                                 sign + "0x" + notation(std::chars_format::hex)};
    for (const std::string& text : texts) ASSERT_EQ(reference::Difference(text), "") << text;
    char text[32];
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(random()) >> (random() % 64));
    ASSERT_EQ(reference::Difference(text), "") << text;
  }
}

TEST(NumberTextTest, TheDemoMachinesFilesReadAndWriteAsBefore) {
  for (const char* file : {"/examples/demo/demo.knl", "/examples/demo/sysparam.cfg"}) {
    const std::string text = FileText(std::string(TESSOR_SOURCE_DIR) + file);
    ASSERT_FALSE(text.empty()) << file;
    EXPECT_EQ(reference::FirstDifference(text), "") << file;
  }
}

}  // namespace
