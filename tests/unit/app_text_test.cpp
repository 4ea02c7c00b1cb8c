#include "ui/app_text.h"
#include "common/message_text.h"

#include <gtest/gtest.h>

namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Title(std::string_view path) { return ApplicationTitle(path, AsciiLower); }

}  // namespace

TEST(ApplicationTitle, KeepsTheFirstCharacterAndLowersTheRest) {
  EXPECT_EQ(Title("C:\\Tools\\LISTER.EXE"), "Lister");
  EXPECT_EQ(Title("C:\\Tools\\tolvane.exe"), "tolvane");
}

TEST(ApplicationTitle, CutsAtTheFirstPeriodOfTheFileName) {
  EXPECT_EQ(Title("C:\\Tools\\drv.report.exe"), "drv");
}

TEST(ApplicationTitle, PeriodsInFolderNamesDoNotCount) {
  EXPECT_EQ(Title("C:\\My.Tools\\v1.2\\Lister"), "Lister");
}

TEST(ApplicationTitle, NameWithoutFolderOrExtensionIsTakenWhole) {
  EXPECT_EQ(Title("DRIVERS"), "Drivers");
}

TEST(ApplicationTitle, NameStartingWithAPeriodGivesAnEmptyTitle) {
  EXPECT_EQ(Title("C:\\Tools\\.exe"), "");
  EXPECT_EQ(Title(""), "");
  EXPECT_EQ(Title("C:\\Tools\\"), "");
}

TEST(ApplicationTitle, LowersThroughTheGivenCodePageFunction) {
  // CharLower lowers accented letters of the ANSI code page too; the rule must use it.
  const auto cp1252Lower = [](char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0xC0 && u <= 0xDE && u != 0xD7) return static_cast<char>(u + 0x20);
    return AsciiLower(c);
  };
  EXPECT_EQ(ApplicationTitle("C:\\\xC9T\xC9.EXE", cp1252Lower), "\xC9t\xE9");
}

TEST(ApplicationTitle, ForwardSlashIsPartOfTheName) { EXPECT_EQ(Title("C:\\a/B.exe"), "a/b"); }

// Each row is named after the rule it guards.
TEST(ErrorBoxText, PeriodFollowsOnlyCodesAboveThePeriod) {
  const struct {
    const char* rule;
    std::string_view message;
    std::string_view boxed;
  } cases[] = {
      {"LetterDigitColonAndQuestionMarkGetAPeriod", "Access denied", "Access denied."},
      {"LetterDigitColonAndQuestionMarkGetAPeriod", "I/O error 5", "I/O error 5."},
      {"LetterDigitColonAndQuestionMarkGetAPeriod", "Failed:", "Failed:."},
      {"LetterDigitColonAndQuestionMarkGetAPeriod", "Why?", "Why?."},
      {"PeriodAndLowerCodesStayUnchanged", "Done.", "Done."},
      {"PeriodAndLowerCodesStayUnchanged", "Stop!", "Stop!"},
      {"PeriodAndLowerCodesStayUnchanged", "Trailing ", "Trailing "},
      {"PeriodAndLowerCodesStayUnchanged", "(none)", "(none)"},
      {"PeriodAndLowerCodesStayUnchanged", "a,", "a,"},
      {"PeriodAndLowerCodesStayUnchanged", "a-", "a-"},
      {"PeriodAndLowerCodesStayUnchanged", "Invalid data type for 'InfSection'",
       "Invalid data type for 'InfSection'"},
      {"SlashIsTheFirstCodeAboveThePeriod", "a/", "a/."},
      {"EmptyMessageStaysEmpty", "", ""},
      // A signed char comparison would see 0xE9 as negative and skip the period.
      {"HighCodePageCharactersCountAsAboveThePeriod", "caf\xE9", "caf\xE9."},
      {"EmbeddedNulIsJustAnotherCharacter", std::string_view("a\0", 2), std::string_view("a\0", 2)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rule);
    EXPECT_EQ(ErrorBoxText(c.message), c.boxed);
  }
}

TEST(QuotedName, PlainTextIsOnlyQuoted) {
  EXPECT_EQ(QuotedName("C:\\hives\\SYSTEM"), "'C:\\\\hives\\\\SYSTEM'");
  EXPECT_EQ(QuotedName("it's"), "'it\\'s'");
  EXPECT_EQ(QuotedName(""), "''");
  EXPECT_EQ(QuotedName("Устройство 設備 \U0001F600"), "'Устройство 設備 \U0001F600'");
}

TEST(QuotedName, ControlsAndBrokenUtf8AreEscapedSoTheMessageIsOneLine) {
  EXPECT_EQ(QuotedName("no\nsuch\r\t"), "'no\\nsuch\\r\\t'");
  EXPECT_EQ(QuotedName("\x1b[31mred\x7f"), "'\\x1b[31mred\\x7f'");
  EXPECT_EQ(QuotedName(std::string_view("a\0b", 3)), "'a\\x00b'");
  EXPECT_EQ(QuotedName("\xc2\x9b"
                       "2J"),
            "'\\xc2\\x9b2J'");                     // the C1 CSI
  EXPECT_EQ(QuotedName("caf\xe9"), "'caf\\xe9'");  // Windows-1252, not UTF-8
  EXPECT_EQ(QuotedName("\xed\xa0\x80|\xc0\xaf|\xf4\x90\x80\x80"),
            "'\\xed\\xa0\\x80|\\xc0\\xaf|\\xf4\\x90\\x80\\x80'");
  EXPECT_EQ(QuotedName("\xe2\x82"), "'\\xe2\\x82'");  // cut short
}

TEST(CountStatusText, CountsEveryRowInDecimal) {
  EXPECT_EQ(CountStatusText(0), "Count: 0");
  EXPECT_EQ(CountStatusText(10000), "Count: 10000");
}
