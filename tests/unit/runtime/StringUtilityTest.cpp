// The string toolkit: conversions, formatting, matching, searching and in-place editing.
#include "runtime/StringUtility.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "program/Boot.h"
#include "runtime/Parameters.h"
#include "TestSupport.h"

namespace {

class StringUtilityTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

TEST_F(StringUtilityTest, StrnumConvertsSignedDecimals) {
  EXPECT_EQ(strnum("0"), 0);
  EXPECT_EQ(strnum("12345"), 12345);
  EXPECT_EQ(strnum("-42"), -42);
  EXPECT_EQ(strnum("2147483647"), INT_MAX);
  EXPECT_EQ(strnum("-2147483648"), INT_MIN);
  EXPECT_EQ(strnum(""), 0);
  EXPECT_EQ(strnum("-"), 0);  // a lone minus sign is zero
}

TEST_F(StringUtilityTest, StrnumRefusesOtherCharactersQuotingTheTextsBeginning) {
  OutputCapture capture;
  EXPECT_EQ(strnum("12x"), INT_MAX);
  EXPECT_NE(capture.diagnostics.find("String \"12x\" cannot be converted to a number"), std::string::npos);
  capture.clear();
  // Only the first 20 characters are quoted.
  EXPECT_EQ(strnum("1-2-3-4-5-6-7-8-9-0-tail"), INT_MAX);
  EXPECT_NE(capture.diagnostics.find("String \"1-2-3-4-5-6-7-8-9-0-\" cannot"), std::string::npos);
}

TEST_F(StringUtilityTest, StrnumReportsNumbersBeyondTheIntegerRange) {
  OutputCapture capture;
  EXPECT_EQ(strnum("2147483648"), INT_MAX);
  EXPECT_EQ(strnum("99999999999999999999999"), INT_MAX);
  EXPECT_NE(capture.diagnostics.find("Integer too large"), std::string::npos);
}

TEST_F(StringUtilityTest, StrnumChkAcceptsBlanksAndBoundsTheMagnitude) {
  int value = -1;
  EXPECT_EQ(strnumChk("  17  ", &value), 0);
  EXPECT_EQ(value, 17);
  EXPECT_EQ(strnumChk("-2000000000", &value), 0);
  EXPECT_EQ(value, -2000000000);
  EXPECT_EQ(strnumChk("2000000001", &value), 2);
  EXPECT_EQ(strnumChk("12 34", &value), 1);
  EXPECT_EQ(strnumChk("abc", &value), 1);
  EXPECT_EQ(strnumChk("-", &value), 1);
  value = 5;
  EXPECT_EQ(strnumChk("   ", &value), 0);
  EXPECT_EQ(value, 0);
}

TEST_F(StringUtilityTest, DecimalTextsAndTheirLengths) {
  EXPECT_EQ(numstr(-305), "-305");
  EXPECT_EQ(intStringLength(-5), 2);
  EXPECT_EQ(intStringLength(0), 1);
  EXPECT_EQ(intStringLength(1000000000), 10);
  EXPECT_EQ(intStringLength(-1000000000), 11);
  EXPECT_EQ(intStringLength(INT_MIN), 11);
  EXPECT_EQ(isNumber("0123"), 1);
  EXPECT_EQ(isNumber(""), 0);
  EXPECT_EQ(isNumber("-1"), 0);
  EXPECT_EQ(IntegerCheck('7'), 1);
  EXPECT_EQ(IntegerCheck('a'), 0);
}

TEST_F(StringUtilityTest, StrnumcmpComparesDigitTextsAsNumbers) {
  EXPECT_EQ(strnumcmp("100", "99"), 1);  // longer is larger
  EXPECT_EQ(strnumcmp("99", "100"), -1);
  EXPECT_EQ(strnumcmp("123", "124"), -1);
  EXPECT_EQ(strnumcmp("555", "555"), 0);
}

TEST_F(StringUtilityTest, GetNumberFindsTheKthNumberWithItsSign) {
  const char* text = "a=-3.25, b 17; c1.2.3";
  EXPECT_EQ(getNumber(text, 0).value(), "-3.25");
  EXPECT_EQ(getNumber(text, 1).value(), "17");
  EXPECT_EQ(getNumber(text, 2).value(), "1.2");  // at most one '.'
  EXPECT_EQ(getNumber(text, 3).value(), "3");
  EXPECT_FALSE(getNumber(text, 4).has_value());
}

TEST_F(StringUtilityTest, NumbersAfterATargetAndAroundAPosition) {
  const char* end = nullptr;
  const char* text = "level=-12 rank=4";
  EXPECT_EQ(getNumberAfterString(text, &end, "level="), -12);
  EXPECT_STREQ(end, " rank=4");
  EXPECT_EQ(getNumberAfterString(text, &end, ""), 999999);  // "level" is no number
  EXPECT_EQ(end, text);
  OutputCapture capture;
  EXPECT_EQ(getNumberAfterString(text, &end, "dim="), -1);
  EXPECT_NE(capture.stdoutText.find("Target not found"), std::string::npos);

  const char* expression = "x+-25*y";
  const char* last = nullptr;
  EXPECT_EQ(getNextNum(expression + 1, &last), -25);
  EXPECT_EQ(*last, '5');
  const char* start = nullptr;
  EXPECT_EQ(getPreviousNum(expression + 5, expression, &start), -25);
  EXPECT_EQ(start, expression + 2);
  EXPECT_EQ(getPreviousNum(expression, expression, &start), 0);
}

TEST_F(StringUtilityTest, ParseVectorReadsABracketedList) {
  std::vector<int> values;
  char good[] = "( 1, -2 ,30 )";
  EXPECT_EQ(parseVector(good, values), 1);
  EXPECT_EQ(values, (std::vector<int>{1, -2, 30}));
  EXPECT_STREQ(good, "(1,-2,30)");  // blanks removed in place
  OutputCapture capture;
  char bad[] = "1,2";
  EXPECT_EQ(parseVector(bad, values), 0);
  EXPECT_NE(capture.diagnostics.find("String 1,2 cannot be converted to a vector"), std::string::npos);
}

TEST_F(StringUtilityTest, ChopnumSplitsAndConverts) {
  std::vector<int> values;
  char text[] = "3 -7 12";
  EXPECT_EQ(chopnum(text, values), 3);
  EXPECT_EQ(values, (std::vector<int>{3, -7, 12}));
  char spaced[] = "  5   6 ";
  EXPECT_EQ(chopnum(spaced, values), 2);
  EXPECT_EQ(values, (std::vector<int>{5, 6}));
}

TEST_F(StringUtilityTest, IntegersOfALineOfADataFile) {
  std::vector<long long> values;
  EXPECT_TRUE(integersOfLine(" 3\t-7 12 \r", values));
  EXPECT_EQ(values, (std::vector<long long>{3, -7, 12}));
  EXPECT_TRUE(integersOfLine("   ", values));
  EXPECT_TRUE(values.empty());
  // The extremes of 64 bits are read; one beyond is no number of the line.
  EXPECT_TRUE(integersOfLine("9223372036854775807 -9223372036854775808", values));
  EXPECT_EQ(values, (std::vector<long long>{9223372036854775807LL, -9223372036854775807LL - 1}));
  for (const char* bad : {"111 x 6 0", "9223372036854775808", "12abc", "1.5", "-", "3,4"})
    EXPECT_FALSE(integersOfLine(bad, values)) << bad;
}

TEST_F(StringUtilityTest, ChopnumRefusesTheThousandAndTwentyThirdWord) {
  std::string many;
  for (int i = 0; i < 1022; ++i) many += "1 ";
  std::vector<char> accepted(many.begin(), many.end());
  accepted.push_back('\0');
  std::vector<int> values;
  EXPECT_EQ(chopnum(accepted.data(), values), 1022);
  EXPECT_EQ(values.size(), 1022u);
  many += "2";
  std::vector<char> refused(many.begin(), many.end());
  refused.push_back('\0');
  OutputCapture capture;
  // Severity 4 makes the run interactive and asks; the answer is "OK".
  ScriptedAnswers answers({"ok"});
  EXPECT_EQ(chopnum(refused.data(), values), 1023);
  EXPECT_TRUE(values.empty());
  EXPECT_NE(capture.diagnostics.find("Command number overflow"), std::string::npos);
}

TEST_F(StringUtilityTest, YesNoAnswers) {
  EXPECT_EQ(YN("YES"), 1);
  EXPECT_EQ(YN("no"), 0);
  OutputCapture capture;
  // Not interactive: the question takes its default answer "Yes".
  EXPECT_EQ(YN("maybe"), 1);
  EXPECT_NE(capture.diagnostics.find("Please answer Yes or No"), std::string::npos);
  EXPECT_NE(capture.diagnostics.find("Non-interactive mode; Assuming default answer: Yes"), std::string::npos);
  EXPECT_STREQ(toYN(0), "No");
  EXPECT_STREQ(toYN(1), "Yes");
  EXPECT_STREQ(toYN(2), "INVALID");
  EXPECT_NE(capture.diagnostics.find("Input should be 1 or 0"), std::string::npos);
}

TEST_F(StringUtilityTest, FormstrCutsAt255CharactersWithAnAlert) {
  OutputCapture capture;
  std::string text = formstr("%s", std::string(300, 'q').c_str());
  EXPECT_EQ(text, std::string(255, 'q'));
  EXPECT_NE(capture.diagnostics.find("\"formstr\" buffer too small"), std::string::npos);
  EXPECT_EQ(formstr("%d%%", 50), "50%");  // "%%" is a literal percent sign
  EXPECT_EQ(formstr_checksize("%s", std::string(300, 'q').c_str()).size(), 300u);
}

TEST_F(StringUtilityTest, VcatLaysFieldsSideBySide) {
  std::string line;
  vcat(line, 6, "%s", "ab");
  vcat(line, 4, "%d", 12);
  EXPECT_EQ(line, "ab    12  ");
}

TEST_F(StringUtilityTest, MakeTextFieldPlacesTheTextBetweenBlanks) {
  // Four fill characters, a blank, the title, a blank and nine fill characters.
  EXPECT_EQ(makeTextField('-', "Title", 20, 5), "---- Title ---------");
  // Right-aligned: one fill column remains at the end.
  EXPECT_EQ(makeTextField('=', "ab", 10, -1), "===== ab =");
  OutputCapture capture;
  // Widened to position + length + 3 columns.
  EXPECT_EQ(makeTextField('*', "long text", 10, 3), "** long text **");
  EXPECT_NE(capture.diagnostics.find("Text field overflow"), std::string::npos);
}

TEST_F(StringUtilityTest, CharacterFieldsPaddingAndSideBySideText) {
  EXPECT_EQ(makeCharacterField(4, '#'), "####");
  EXPECT_EQ(writeOnCharacterField(3, "----------", "ab"), "-- ab ----");
  EXPECT_EQ(pad("a\nabc\nxy"), "a  \nabc\nxy");
  EXPECT_EQ(Textcat("a\nbb\n", "1\n2\n"), "a1\nbb2\n");
  EXPECT_EQ(leftAdjust("one two three four", 2, 6), "  one two\n  three four");
  EXPECT_EQ(leftAdjust("  a\nb", 1, 10), " a\n b");
}

TEST_F(StringUtilityTest, PrintRepJoinsMultiplicities) {
  const char* names[] = {"1", "3", "8", nullptr};
  int mixed[] = {1, 0, 2};
  EXPECT_EQ(print_rep(mixed, names), "[1] + 2 x [8]");
  int none[] = {0, 0, 0};
  EXPECT_EQ(print_rep(none, names), "None");
}

TEST_F(StringUtilityTest, StringBeginStopsAtANewlineAndTruncatesLongRequests) {
  EXPECT_EQ(StringBegin("abc\ndef", 10), "abc ");
  EXPECT_EQ(StringBegin("abcdef", 3), "abc");
  std::string long100(100, 'x');
  EXPECT_EQ(StringBegin(long100.c_str(), 90), std::string(60, 'x') + " [Truncated]");
  EXPECT_EQ(StringBegin("short", 90), "short");
}

TEST_F(StringUtilityTest, CmpcomMatchesAbbreviationsCaseInsensitively) {
  EXPECT_EQ(cmpcom("Spectrum", "spec"), 0);
  EXPECT_EQ(cmpcom("Spec", "spectrum"), 1);  // the word ends first
  EXPECT_EQ(cmpcom("anything", ""), 0);
  EXPECT_EQ(cmpcom("abc", "abd"), 1);  // 'c' sorts below 'd'
  EXPECT_EQ(cmpcom("abd", "ABC"), -1);
  EXPECT_EQ(subString("The Quick fox", "quick"), 1);
  EXPECT_EQ(subString("The Quick fox", "slow"), 0);
  EXPECT_EQ(lowercmp("Hello", "hELLO"), 0);
  EXPECT_EQ(lowercmp("a", "b"), 'a' - 'b');
}

TEST_F(StringUtilityTest, MatchRegExKnowsOnlyTheStar) {
  EXPECT_EQ(MatchRegEx("abcdef", "a*f"), 1);
  EXPECT_EQ(MatchRegEx("abcdef", "b*"), 0);
  EXPECT_EQ(MatchRegEx("abcdef", "**"), 1);
  EXPECT_EQ(MatchRegEx("abcdef", ""), 1);
  EXPECT_EQ(MatchRegEx("abcdef", "*c*e*"), 1);
  EXPECT_EQ(MatchRegEx("abcdef", "*e*c*"), 0);  // pieces must come in order
  EXPECT_EQ(MatchRegEx("aba", "ab*ba"), 0);     // and must not overlap
  EXPECT_EQ(MatchRegEx("abcab", "ab"), 0);
  EXPECT_EQ(MatchRegEx("ab", "ab"), 1);
}

TEST_F(StringUtilityTest, SearchingOutsideBracketsAndQuotes) {
  const char* text = "f(a,b),c";
  EXPECT_EQ(findCharOutsideBrackets(text, ',', '(', ')'), text + 6);
  const char* escaped = "a\\,b,c";
  EXPECT_EQ(findUnescapedCharOutsideBrackets(escaped, ',', '(', ')', '\\'), escaped + 4);
  const char* quoted = "\"x;y\";z";
  EXPECT_EQ(findUnquotedChar(quoted, ';'), quoted + 5);
  const char* single = "a';'b;";
  EXPECT_EQ(findUnquotedChar(single, ';'), single + 5);
  const char* escapedQuote = "a\\\"b\"";
  EXPECT_EQ(findDoubleQuote(escapedQuote), escapedQuote + 4);
  const char* closing = "a(b)c)d";
  EXPECT_EQ(findClosingBracket(closing), closing + 5);
  const char* nested = "x{y}z}";
  EXPECT_EQ(findMatchingBracket(nested, '{', '}'), nested + 5);
  OutputCapture capture;
  EXPECT_EQ(findMatchingBracket("abc", '(', ')'), nullptr);
  EXPECT_NE(capture.diagnostics.find("No closing bracket ) found"), std::string::npos);
}

TEST_F(StringUtilityTest, BracketContentsAreCutInPlace) {
  char text[] = "f(g(x),y) + 1";
  char* end = nullptr;
  char* inside = findBracketContents(text, '(', ')', &end);
  ASSERT_NE(inside, nullptr);
  EXPECT_STREQ(inside, "g(x),y");
  EXPECT_STREQ(end, " + 1");
  char none[] = "plain";
  EXPECT_EQ(findBracketContents(none, '(', ')', &end), nullptr);
  OutputCapture capture;
  char open[] = "f(x";
  EXPECT_EQ(findBracketContents(open, '(', ')', &end), nullptr);
  EXPECT_NE(capture.diagnostics.find("Bracket mismatch"), std::string::npos);
}

TEST_F(StringUtilityTest, CountsAndEscapes) {
  EXPECT_EQ(charcnt("a;b;c", ';'), 2);
  EXPECT_EQ(substringcnt("aaaa", "aa"), 2);  // non-overlapping
  EXPECT_EQ(bracketcnt("{{}", '{', '}'), 1);
  const char* text = "a{b}c{";
  EXPECT_EQ(bracketcntpc(text, text + 3, '{', '}'), 0);
  EXPECT_EQ(charcntpc(text, text + 5, '{'), 2);
  const char* s = "x\\\\;y\\;";
  EXPECT_EQ(checkForUnescapedChar(s + 3, s, '\\', ';'), 1);  // the escape is itself escaped
  EXPECT_EQ(checkForUnescapedChar(s + 6, s, '\\', ';'), 0);
  EXPECT_EQ(checkEscape(s, s, '\\'), 0);
  EXPECT_EQ(strpccmp(text, text + 2, "a{b"), 0);
  EXPECT_EQ(strpccmp(text, text + 1, "a{b"), 1);
  const char* list[] = {"one", "two", nullptr};
  EXPECT_EQ(findWord("two", list), 1);
  EXPECT_EQ(findWord("three", list), -1);
  EXPECT_EQ(firstPointer(nullptr, text), text);
  EXPECT_EQ(firstPointer(text + 2, text + 1), text + 1);
  EXPECT_EQ(*findFirstAlpha("   x"), 'x');
  EXPECT_EQ(*findLastAlpha("ab  "), 'b');
  EXPECT_EQ(*findFirstChar("abc", 'z'), '\0');
  EXPECT_EQ(findFirstSpecialChar("abc", "xyz"), nullptr);
}

TEST_F(StringUtilityTest, BlankRemoval) {
  char a[] = "   lead";
  removeLeadingBlanks(a);
  EXPECT_STREQ(a, "lead");
  char b[] = "trail   ";
  removeTrailingBlanks(b);
  EXPECT_STREQ(b, "trail");
  char c[] = " ";
  removeTrailingBlanks(c);
  EXPECT_STREQ(c, " ");  // the first character always stays
  char d[] = "  a   b  c  ";
  unblankString(d);
  EXPECT_STREQ(d, "a b c");
  char e[] = " a b ";
  stripblanks(e);
  EXPECT_STREQ(e, "ab");
  char f[] = "text \n\n";
  removeTrailingLineFeeds(f);
  EXPECT_STREQ(f, "text");
  char g[] = "x  = \"a  =\"";
  removeBlanksBeforeChar(g, '=');
  EXPECT_STREQ(g, "x= \"a  =\"");
  removeBlanksAfterChar(g, '=');
  EXPECT_STREQ(g, "x=\"a  =\"");
}

TEST_F(StringUtilityTest, CharacterAndSubstringRemoval) {
  char a[] = "a-b-c";
  removeChar(a, a, '-');
  EXPECT_STREQ(a, "abc");
  char b[] = "@x\\@y\\\\";
  char out[16];
  removeQuotesAndEscapes(out, b, '@', '\\');
  EXPECT_STREQ(out, "x@y\\");
  char c[] = "l1\nl2\n";
  removeEOL(c);
  EXPECT_STREQ(c, "l1 l2 ");
  char d[] = "line\n";
  removeLastEOL(d);
  EXPECT_STREQ(d, "line");
  char e[] = "xxy";
  removeLeadingChar(e, 'x');
  EXPECT_STREQ(e, "xy");
  char f[] = ";";
  removeTrailingChar(f, ';');
  EXPECT_STREQ(f, ";");  // never from a one-character text
  char g[] = "abcdef";
  shiftstring(g, 2);
  EXPECT_STREQ(g, "cdef");
  shiftstring(g, 9);
  EXPECT_STREQ(g, "cdef");
  char h[] = "aab-ab";
  removeCharBeforeChar(h, 'a', 'b');
  EXPECT_STREQ(h, "ab-b");
  char i[] = "xab";
  removeCharAfterChar(i, 'b', 'a');
  EXPECT_STREQ(i, "xa");
  char j[] = "keep[drop]this[tail]";
  removeDelimitedText(j, '[', ']');
  EXPECT_STREQ(j, "keepthis");
  char k[] = "foofoobar";
  removeSubstring(k, "foo");
  EXPECT_STREQ(k, "bar");
  char l[] = "a<=b<=c";
  replaceSubstringByShorter(l, "<=", "<");
  EXPECT_STREQ(l, "a<b<c");
  EXPECT_EQ(replaceSubstring("one two two", "two", "2"), "one 2 two");
  char m[] = "name.bak.bak";
  removeEndstring(m, ".bak");
  EXPECT_STREQ(m, "name");
  char n[] = "a'b'b";
  replaceChar(n, 'b', 'c');
  EXPECT_STREQ(n, "a'b'c");  // the quoted character stays
}

TEST_F(StringUtilityTest, CaseAndCopies) {
  EXPECT_EQ(lower('Q'), 'q');
  EXPECT_EQ(upper('q'), 'Q');
  EXPECT_EQ(lower('1'), '1');
  char text[] = "MiXeD";
  makelowercase(text);
  EXPECT_STREQ(text, "mixed");
  EXPECT_EQ(flipcase('a'), 'A');
  OutputCapture capture;
  EXPECT_EQ(flipcase('3'), '3');
  EXPECT_NE(capture.stdoutText.find("Non-alphabetic character 3"), std::string::npos);
  EXPECT_EQ(StringLength(nullptr), 0);
  EXPECT_EQ(stringdup(nullptr), "");
  char out[8] = "xxxxxxx";
  stringNcopy(out, "abcdef", 3);
  EXPECT_STREQ(out, "abc");
  const char* source = "hello";
  stringpccopy(out, source + 1, source + 3);
  EXPECT_STREQ(out, "ell");
}

TEST_F(StringUtilityTest, FilesAreAppendedAndReplaced) {
  TemporaryFolder folder;
  std::string path = folder.path("notes");
  EXPECT_EQ(addStringToFile(path.c_str(), "first"), 0);
  EXPECT_EQ(addStringToFile(path.c_str(), "second"), 0);
  EXPECT_EQ(readFile(path), "first\nsecond\n");
  EXPECT_EQ(stringToFile("fresh", path.c_str()), 0);
  EXPECT_EQ(readFile(path), "fresh");
  OutputCapture capture;
  std::string nowhere = folder.path("missing/notes");
  EXPECT_EQ(addStringToFile(nowhere.c_str(), "x"), -1);
  EXPECT_NE(capture.diagnostics.find("Cannot open file " + nowhere), std::string::npos);
  EXPECT_EQ(stringToFile("x", nowhere.c_str()), -1);
}

}  // namespace
