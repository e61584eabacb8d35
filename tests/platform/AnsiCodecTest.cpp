#include "platform/AnsiCodec.h"

#include <gtest/gtest.h>

namespace fd {
namespace {

TEST(AnsiCodec, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) {
    all += static_cast<char>(b);
  }
  EXPECT_EQ(utf8ToAnsi(ansiToUtf8(all)), all);
}

struct HighByte {
  unsigned char ansi;
  const char* utf8;
};

class AnsiHighBytes : public testing::TestWithParam<HighByte> {};

TEST_P(AnsiHighBytes, DecodeAsWindows1252) {
  EXPECT_EQ(ansiToUtf8(std::string(1, static_cast<char>(GetParam().ansi))), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(Table, AnsiHighBytes,
                         testing::Values(HighByte{0x80, "€"}, HighByte{0x81, "\u0081"},
                                         HighByte{0x8A, "Š"}, HighByte{0x8D, "\u008D"},
                                         HighByte{0x8F, "\u008F"}, HighByte{0x90, "\u0090"},
                                         HighByte{0x93, "“"}, HighByte{0x96, "–"},
                                         HighByte{0x99, "™"}, HighByte{0x9D, "\u009D"},
                                         HighByte{0x9F, "Ÿ"}, HighByte{0xE9, "é"},
                                         HighByte{0xF1, "ñ"}, HighByte{0xA0, "\u00A0"}));

TEST(AnsiCodec, EncodesSpanishText) {
  EXPECT_EQ(utf8ToAnsi("Tarea de envío — ñandú"),
            "Tarea de env\xED"
            "o \x97 \xF1"
            "and\xFA");
}

TEST(AnsiCodec, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  EXPECT_EQ(utf8ToAnsi("a→b😀c"), "a?b?c");
}

TEST(AnsiCodec, MalformedUtf8BecomesQuestionMarks) {
  EXPECT_EQ(utf8ToAnsi("a\xC3"), "a?");
  EXPECT_EQ(utf8ToAnsi("\xE9t\xE9"), "?t?");
  EXPECT_EQ(utf8ToAnsi("\xC0\xAF"), "??");  // overlong "/"
}

struct LineCase {
  const char* name;
  std::string text;
  std::vector<std::string> lines;
};

class TextLines : public testing::TestWithParam<LineCase> {};

TEST_P(TextLines, SplitAtCrLfOrLoneCr) {
  EXPECT_EQ(splitTextLines(GetParam().text), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(Table, TextLines,
                         testing::Values(LineCase{"Empty", "", {}},
                                         LineCase{"NoLineEnd", "abc", {"abc"}},
                                         LineCase{"FinalCrLf", "a\r\nb\r\n", {"a", "b"}},
                                         LineCase{"LoneCr", "a\rb", {"a", "b"}},
                                         LineCase{"LoneLfIsText", "a\nb\r\nc", {"a\nb", "c"}},
                                         LineCase{"BlankLines", "\r\n\r\nx", {"", "", "x"}},
                                         LineCase{"OnlyLineEnd", "\r\n", {""}},
                                         LineCase{"CrCrLf", "a\r\r\nb", {"a", "", "b"}},
                                         LineCase{"FinalLoneCr", "a\r", {"a"}}),
                         [](const testing::TestParamInfo<LineCase>& info) {
                           return info.param.name;
                         });

TEST(AnsiCodec, FoldCaseIgnoresLetterCaseOfAccentedLetters) {
  EXPECT_EQ(foldCase("ConfiguraCIÓN Ñ ŠŒŽŸ"), foldCase("configuración ñ šœžÿ"));
  EXPECT_EQ(foldCase("ABC×"), "abc×");
}

}  // namespace
}  // namespace fd
