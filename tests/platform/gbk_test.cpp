#include "platform/gbk.h"

#include <gtest/gtest.h>

#include <vector>

namespace korvel {
namespace {

TEST(Gbk, RoundTripsChineseAndAscii) {
  const std::string text = "Korvel麻将游戏已经运行！ abc";
  const std::string gbk = Utf8ToGbk(text);
  EXPECT_EQ(gbk.size(), 6 + 2 * 9 + 4);
  EXPECT_EQ(GbkToUtf8(gbk), text);
}

TEST(Gbk, InvalidAndTruncatedSequencesBecomeReplacementCharacters) {
  const std::vector<uint8_t> bad = {'a', 0xFF, 'b', 0x81, 0x20, 0xC4};
  const std::string out = GbkToUtf8(bad);
  const std::string r(kReplacementChar);
  EXPECT_EQ(out, "a" + r + "b" + r + " " + r);
}

TEST(Gbk, StopsAtZeroOnlyWhenAsked) {
  const std::vector<uint8_t> bytes = {'a', 0, 'b'};
  EXPECT_EQ(GbkToUtf8(bytes, true), "a");
  EXPECT_EQ(GbkToUtf8(bytes, false), std::string("a\0b", 3));
}

TEST(Gbk, CharactersOutsideGbkAndBrokenUtf8AreSkipped) {
  EXPECT_EQ(Utf8ToGbk("a\xF0\x9F\x98\x80"
                      "b"),
            "ab");  // an emoji has no GBK form
  EXPECT_EQ(Utf8ToGbk("a\xE4"
                      "b"),
            "ab");  // a cut UTF-8 sequence
}

TEST(Gbk, CountsAndCutsCharactersNotBytes) {
  EXPECT_EQ(Utf8Length("麻将ab"), 4u);
  EXPECT_EQ(Utf8Prefix("麻将ab", 1), "麻");
  EXPECT_EQ(Utf8Prefix("ab", 5), "ab");
}

}  // namespace
}  // namespace korvel
