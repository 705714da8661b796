#include "foxpro/codepages/codepage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "engine_test_util.h"
#include "foxpro/codepages/codepage_detect.h"
#include "foxpro/error.h"
#include "support/raw_table.h"
#include "support/temp_dir.h"

namespace veltrane::foxpro {
namespace {

std::string Decode(int code_page, const std::string& bytes) {
  std::string out;
  EXPECT_TRUE(TextCodec::For(code_page).Decode(bytes, out));
  return out;
}

std::string Encoded(int code_page, const std::string& utf8) {
  std::string bytes, bad;
  EXPECT_TRUE(TextCodec::For(code_page).Encode(utf8, bytes, bad)) << code_page << ": " << bad;
  return bytes;
}

// Field values one a line, as a table's text sample holds them.
std::string Sample(int code_page, const std::vector<std::string>& values, int times = 1) {
  std::string sample;
  for (int i = 0; i < times; ++i)
    for (const std::string& value : values) sample += Encoded(code_page, value) + "\n";
  return sample;
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

TEST(CodePageTest, TheGuessTakesTheReadingWhoseWordsAreWellFormed) {
  using Verdict = CodePageGuess::Verdict;
  const std::vector<std::string> banks = {
      "АКБ Авангард",    "Альфа-Банк",     "Банк Москвы",    "Сбербанк России",
      "ВТБ 24",          "Газпромбанк",    "Промсвязьбанк",  "Банк Уралсиб",
      "Номос-Банк",      "Ханты-Мансийский банк", "Московский Кредитный Банк",
      "Юникредит Банк",  "Райффайзенбанк", "Банк Зенит",     "Возрождение"};
  struct Case {
    const char* what;
    std::string sample;
    Verdict verdict;
    int code_page;
  };
  const Case cases[] = {
      // Its Thai reading holds control characters; 1251 reads punctuation
      // inside the words.
      {"866 bank names", Sample(866, banks, 30), Verdict::kGuessed, 866},
      // Four of its bytes are undefined in 1252.
      {"866 capitals", Sample(866, {"ОАО СБЕРБАНК РОССИИ", "ЗАО БАНК ПЕТРОКОММЕРЦ",
                                    "ФИЛИАЛ НОВОСИБИРСК", "ОТДЕЛЕНИЕ ЭКСПЕРТИЗЫ"}),
       Verdict::kGuessed, 866},
      {"737 Greek", Sample(737, {"Αθήνα", "Θεσσαλονίκη", "Πάτρα", "ΙΩΑΝΝΙΝΑ", "Καβάλα"}),
       Verdict::kGuessed, 737},
      {"850 Portuguese", Sample(850, {"São Paulo", "João Ribeiro", "Conceição", "Maranhão",
                                      "CONSTRUÇÕES LTDA", "Informações"}),
       Verdict::kGuessed, 850},
      {"GBK, 8 bytes", Sample(936, {"中国银行"}), Verdict::kGuessed, 936},
      {"Big5, 6 bytes", Sample(950, {"台北市"}), Verdict::kGuessed, 950},
      {"UTF-8, one 4-byte character", "Party time \xF0\x9F\x8E\x89 tonight\n",
       Verdict::kGuessed, kUtf8CodePage},
      {"EUC-JP", Sample(kEucJpCodePage, {"東京都千代田区", "株式会社テスト", "やまだ たろう"}),
       Verdict::kGuessed, kEucJpCodePage},
      {"Shift-JIS", Sample(932, {"東京都千代田区", "株式会社テスト"}), Verdict::kGuessed, 932},
      {"Korean", Sample(949, {"서울특별시", "대한민국"}), Verdict::kGuessed, 949},
      {"Thai", Sample(874, {"กรุงเทพมหานคร", "เชียงใหม่"}), Verdict::kGuessed, 874},
      {"1252 German", Sample(1252, {"Müller GmbH", "Große Straße 5", "Köln", "Düsseldorf"}),
       Verdict::kGuessed, 1252},
      {"1252 French", Sample(1252, {"Café de la Paix", "Françoise Dupré", "Hôtel Élysée"}),
       Verdict::kGuessed, 1252},
      {"1251", Sample(1251, {"Москва", "Санкт-Петербург", "ООО Ромашка", "Екатеринбург"}),
       Verdict::kGuessed, 1251},
      {"1250 Czech", Sample(1250, {"čeština", "Příbram", "Brno-střed", "Ústí nad Labem", "Plzeň"}),
       Verdict::kGuessed, 1250},
      {"1253 Greek", Sample(1253, {"Αθήνα", "Θεσσαλονίκη", "Πάτρα"}), Verdict::kGuessed, 1253},
      // Bytes 0xE0..0xEF only: lower-case letters in 1251, 866 and more.
      {"866 or 1251", "\xE0\xE2\xE3 \xE5\xE8\n", Verdict::kAmbiguous, 1251},
      // "Мир" in 866: it reads best so, but three bytes are too few.
      {"three bytes", Sample(866, {"Мир"}), Verdict::kTooLittle, 866},
      {"ASCII", "Plain text 123\n", Verdict::kNothingToGo, 0},
  };
  for (const Case& c : cases) {
    const CodePageGuess guess = GuessCodePage(c.sample);
    EXPECT_EQ(guess.verdict, c.verdict) << c.what << " (read as " << guess.code_page << ", "
                                        << guess.rival << ")";
    EXPECT_EQ(guess.code_page, c.code_page) << c.what;
    if (c.verdict == Verdict::kAmbiguous) {
      EXPECT_NE(guess.rival, 0) << c.what;
    }
  }
}

TEST(CodePageTest, NamesOfCodePagesAsCpgFilesAndHarbourGiveThem) {
  const std::pair<const char*, int> names[] = {
      {"latin2", 28592},     {"ISO-8859-2", 28592},  {"iso_8859-2:1987", 28592},
      {"8859-2", 28592},     {"ISO 8859-15", 28605}, {"latin9", 28605},
      {"LATIN1", 28591},     {"ISO-8859-13", 28603}, {"latin5", 28599},
      {"cp1250", 1250},      {"windows-1251", 1251}, {"ANSI 1252", 1252},
      {"IBM866", 866},       {"dos-866", 866},       {"OEM 850", 850},
      {"1251\r\n", 1251},   {"UTF-8", kUtf8CodePage}, {"utf8", kUtf8CodePage},
      {"EUC-JP", kEucJpCodePage}, {"Shift_JIS", 932}, {"GBK", 936},
      {"GB18030", 54936},    {"Big5", 950},          {"EUC-KR", 949},
      {"KOI8-R", kKoi8rCodePage}, {"KOI8-U", kKoi8uCodePage}, {"x-mac-cyrillic", 10007},
      {"TIS-620", 874},      {"CP20932", 20932},
      // Named, but not read here: the .cpg file is ignored with a note.
      {"latin6", 0},         {"ISO-8859-16", 0},     {"cp12345", 0}, {"", 0}, {"Klingon", 0},
  };
  for (const auto& [name, code_page] : names) EXPECT_EQ(CodePageOfName(name), code_page) << name;
  // Every page named is one the codecs read, EUC-JP among them.
  for (int code_page : {51932, 20932, 28592, 28599, 28605, 21866, 1361, 54936, 775, 1125})
    EXPECT_TRUE(IsSupportedCodePage(code_page)) << code_page;
  EXPECT_EQ(Decode(kEucJpCodePage, "\xC5\xEC\xB5\xFE"), "東京");
  EXPECT_EQ(Decode(20932, "\xA4\xA2"), "あ");
  EXPECT_EQ(Decode(28592, "\xE8" "e\xB9tina"), "čeština");
}

TEST(CodePageTest, AnUnmarkedTableSaysHowItsCodePageWasChosen) {
  veltrane::testing::TempDir dir;
  veltrane::testing::RawTable table;
  table.fields = {{"NAME", 'C', 16}};
  auto read = [&](const std::vector<std::string>& values) {
    table.records.clear();
    for (const std::string& value : values) table.records.push_back(value + std::string(16 - value.size(), ' '));
    return testing::ReadTable(table.WriteTo(dir.File("t.dbf")));
  };
  const std::string czech = Encoded(28592, "čeština");
  struct Case {
    const char* what;
    std::string cpg;  // none when empty
    std::vector<std::string> values;
    int code_page;
    std::string first_value;
    std::string notice;  // a part of the notices
  };
  const Case cases[] = {
      {".cpg latin2", "latin2", {czech}, 28592, "čeština", "as its .cpg file says"},
      {".cpg of a page not read here", "latin6", {"plain"}, 1252, "plain",
       "has a .cpg file naming \"latin6\", a code page this program cannot read"},
      {"ambiguous", "", {"\xE0\xE2\xE3 \xE5\xE8"}, 1252, "\xC3\xA0\xC3\xA2\xC3\xA3 \xC3\xA5\xC3\xA8",
       "Table \"t\" has no code-page mark, and its text reads as well in code page 1251 as in "},
      {"ambiguous, named", "", {"\xE0\xE2\xE3 \xE5\xE8"}, 1252, "\xC3\xA0",
       "; it was read as code page 1252. Name its code page with --code-page N."},
      // DOS readings differ only in "º", and 1252 would read an undefined
      // byte (0x81): the best reading, with the note.
      {"ambiguous, 1252 unclean", "", {"M\x81ller", "J\x81rgen", "N\xA7 5", "N\xA7 7"}, 437,
       "M\xC3\xBCller",
       "it was read as code page 437. Name its code page with --code-page N."},
      {"too little", "", {Encoded(866, "Мир")}, 1252, "\xC5\x92\xC2\xA8\xC3\xA0",
       "too little of its text goes beyond ASCII to tell its code page (it reads best as code "
       "page 866); it was read as code page 1252"},
      {"guessed", "", {Encoded(866, "Москва"), Encoded(866, "Банк Зенит")}, 866, "Москва",
       "its text was read as code page 866, which its text looks like"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(dir.File("t.cpg"));
    if (!c.cpg.empty()) testing::WriteBytes(dir.File("t.cpg"), c.cpg);
    const testing::EngineReading reading = read(c.values);
    EXPECT_EQ(reading.code_page, c.code_page) << c.what;
    ASSERT_FALSE(reading.rows.empty()) << c.what;
    EXPECT_EQ(reading.rows[0][0].value_or("").substr(0, c.first_value.size()), c.first_value) << c.what;
    const std::string notices = testing::NoticeText(reading.notices);
    EXPECT_NE(notices.find(c.notice), std::string::npos) << c.what << ": " << notices;
  }
}

}  // namespace
}  // namespace veltrane::foxpro
