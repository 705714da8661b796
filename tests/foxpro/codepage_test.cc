#include "foxpro/codepage.h"

#include <gtest/gtest.h>

#include "foxpro/error.h"

namespace veltrane::foxpro {
namespace {

std::string Decode(int code_page, const std::string& bytes) {
  std::string out;
  EXPECT_TRUE(TextCodec::For(code_page).Decode(bytes, out));
  return out;
}

TEST(CodePageTest, MarksNameTheirWindowsCodePages) {
  EXPECT_EQ(CodePageOfMark(0x00), 1252);  // unmarked
  EXPECT_EQ(CodePageOfMark(0x03), 1252);
  EXPECT_EQ(CodePageOfMark(0x01), 437);
  EXPECT_EQ(CodePageOfMark(0xC9), 1251);
  EXPECT_EQ(CodePageOfMark(0x7B), 932);
  EXPECT_EQ(CodePageOfMark(0x96), 10007);
  EXPECT_EQ(CodePageOfMark(0xEE), 0);
}

TEST(CodePageTest, SingleAndDoubleByteTextRoundTrips) {
  EXPECT_EQ(Decode(1252, "caf\xE9 \x80"), "café €");
  EXPECT_EQ(Decode(437, "\x82\xB0"), "é░");
  EXPECT_EQ(Decode(1251, "\xCF\xF0\xE8"), "При");
  EXPECT_EQ(Decode(10000, "\x8E"), "é");
  EXPECT_EQ(Decode(932, "\x93\xFA\x96\x7B"), "日本");
  EXPECT_EQ(Decode(950, "\xA4\xA4"), "中");
  // A byte the code page leaves undefined keeps its number, both ways.
  EXPECT_EQ(Decode(1252, "\x81"), "\xC2\x81");
  for (int code_page : {1252, 437, 850, 852, 866, 1250, 1251, 1253, 1254, 1255, 874, 932, 936, 949, 950}) {
    const TextCodec& codec = TextCodec::For(code_page);
    std::string text = Decode(code_page, "Plain ASCII 123");
    std::string bytes, bad;
    ASSERT_TRUE(codec.Encode(text, bytes, bad)) << code_page;
    EXPECT_EQ(bytes, "Plain ASCII 123") << code_page;
  }
  std::string bytes, bad;
  ASSERT_TRUE(TextCodec::For(932).Encode("日本", bytes, bad));
  EXPECT_EQ(bytes, "\x93\xFA\x96\x7B");
}

TEST(CodePageTest, EncodingNamesTheCharacterThatDoesNotFit) {
  std::string bytes, bad;
  EXPECT_FALSE(TextCodec::For(1252).Encode("ok \xCE\xA9", bytes, bad));  // Ω
  EXPECT_EQ(bad, "'\xCE\xA9' (U+03A9)");
  EXPECT_FALSE(TextCodec::For(932).Encode("\xC3\xA9", bytes, bad));  // é is not in Shift-JIS
  EXPECT_EQ(bad, "'\xC3\xA9' (U+00E9)");
  EXPECT_FALSE(TextCodec::For(1252).Encode("\xFF", bytes, bad));
  EXPECT_EQ(bad, "a byte that is not UTF-8 text");
  EXPECT_THROW(TextCodec::For(12345), Error);
}

}  // namespace
}  // namespace veltrane::foxpro
