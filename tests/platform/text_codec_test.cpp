#include <gtest/gtest.h>

#include <string>

#include "platform/TextCodec.h"

namespace {

// "电动平移台应用软件" as the Windows program stores it.
const std::string kTitleGbk = "\xB5\xE7\xB6\xAF\xC6\xBD\xD2\xC6\xCC\xA8\xD3\xA6\xD3\xC3\xC8\xED\xBC\xFE";

TEST(TextCodec, ConvertsTheDefaultTitleBothWays) {
  EXPECT_EQ(platform::Utf8ToGbk("电动平移台应用软件"), kTitleGbk);
  EXPECT_EQ(platform::GbkToUtf8(kTitleGbk), "电动平移台应用软件");
}

TEST(TextCodec, RoundTripsEveryTwoByteGbkCharacterExactly) {
  std::string all;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      std::string ch{static_cast<char>(lead), static_cast<char>(trail)};
      const std::string utf8 = platform::GbkToUtf8(ch);
      if (utf8.find("\xEF\xBF\xBD") != std::string::npos) continue;  // unassigned in GBK
      all += ch;
    }
  }
  EXPECT_GT(all.size(), 2u * 20000u);
  EXPECT_TRUE(platform::Utf8ToGbk(platform::GbkToUtf8(all)) == all);  // no 40 KB dump on failure
}

TEST(TextCodec, AsciiAndEmptyTextPassUnchanged) {
  EXPECT_EQ(platform::GbkToUtf8(""), "");
  EXPECT_EQ(platform::Utf8ToGbk("Kinolt Software [x]=1\r\n"), "Kinolt Software [x]=1\r\n");
  EXPECT_EQ(platform::GbkToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(TextCodec, InvalidInputIsReplacedNotFatal) {
  // A lone lead byte at the end, and a lead byte followed by a bad trail byte.
  EXPECT_EQ(platform::GbkToUtf8("A\x81"), "A\xEF\xBF\xBD");
  EXPECT_EQ(platform::GbkToUtf8("\xFF" "B"), "\xEF\xBF\xBD" "B");
  // A character GBK lacks is one '?', not one per byte; broken UTF-8 too.
  EXPECT_EQ(platform::Utf8ToGbk("x\xF0\x9F\x98\x80y"), "x?y");
  EXPECT_EQ(platform::Utf8ToGbk("\xE7\x94"), "??");
  EXPECT_EQ(platform::Utf8ToGbk("\xC0\xAF"), "??");
}

}  // namespace
