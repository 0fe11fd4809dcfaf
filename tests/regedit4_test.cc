#include "regedit4.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "standin/hive_compare.h"

using namespace std::string_literals;

namespace {

constexpr const char* kKey = "HKEY_CURRENT_USER\\Software\\Tamberwyckle";

std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  lines.push_back(text.substr(start));
  return lines;
}

TEST(FormatHiveTest, WritesTheExactRegedit4Form) {
  const Hive hive{{
      RegKey{kKey,
             {
                 {"", REG_SZ, "default\0"s},
                 {"@", REG_SZ, "at\0"s},
                 {"Quote\"d", REG_SZ, "C:\\dir\\\"x\"\0"s},
                 {"Count", REG_DWORD, "\x78\x56\x34\x12"s},
                 {"Blob", REG_BINARY, "\x00\xff\x10"s},
                 {"Path", REG_EXPAND_SZ, "%A%\0"s},
                 {"NoNul", REG_SZ, "ab"s},
                 {"Short", REG_DWORD, "\x01\x02"s},
                 {"Empty", REG_BINARY, ""},
                 {"Type", 0x2000000Au, "\xff"s},
             }},
      RegKey{std::string(kKey) + "\\Empty", {}},
  }};
  EXPECT_EQ(FormatHive(hive),
            "REGEDIT4\r\n"
            "\r\n"
            "[HKEY_CURRENT_USER\\Software\\Tamberwyckle]\r\n"
            "@=\"default\"\r\n"
            "\"@\"=\"at\"\r\n"
            "\"Quote\\\"d\"=\"C:\\\\dir\\\\\\\"x\\\"\"\r\n"
            "\"Count\"=dword:12345678\r\n"
            "\"Blob\"=hex:00,ff,10\r\n"
            "\"Path\"=hex(2):25,41,25,00\r\n"
            "\"NoNul\"=hex(1):61,62\r\n"
            "\"Short\"=hex(4):01,02\r\n"
            "\"Empty\"=hex:\r\n"
            "\"Type\"=hex(2000000a):ff\r\n"
            "\r\n"
            "[HKEY_CURRENT_USER\\Software\\Tamberwyckle\\Empty]\r\n"
            "\r\n");
}

TEST(FormatHiveTest, WrapsLongHexListsUnderEightyColumns) {
  const Hive hive{{RegKey{kKey, {{"Wrapped", REG_BINARY, std::string(1000, '\xab')}}}}};
  const std::vector<std::string> lines = SplitCrLf(FormatHive(hive));
  std::size_t continuations = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_LT(lines[i].size(), 80u) << "line " << i;
    if (!lines[i].empty() && lines[i].back() == '\\') {
      ++continuations;
      ASSERT_LT(i + 1, lines.size());
      EXPECT_EQ(lines[i].substr(lines[i].size() - 2), ",\\");
      EXPECT_EQ(lines[i + 1].substr(0, 4), "  ab");
    }
  }
  EXPECT_GT(continuations, 10u);
}

// One value through FormatHive and back, and the form it must take in the file.
struct RoundTripCase {
  const char* label;
  RegValue value;
  std::string form;  // what the written value starts with after '='
};

void PrintTo(const RoundTripCase& c, std::ostream* os) { *os << c.label; }

class RoundTripTest : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(RoundTripTest, ReadsBackExactly) {
  const RoundTripCase& c = GetParam();
  const Hive hive{{RegKey{kKey, {c.value}}, RegKey{"HKEY_CURRENT_USER\\After", {}}}};
  const std::string text = FormatHive(hive);

  const auto parsed = ParseHive(text);
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(*parsed, hive);

  const std::vector<std::string> lines = SplitCrLf(text);
  ASSERT_GT(lines.size(), 3u);
  const std::string& line = lines[3];
  const std::size_t equals = line.find(c.value.name.empty() ? "@=" : "\"=");
  ASSERT_NE(equals, std::string::npos) << line;
  EXPECT_EQ(line.substr(equals + (2), c.form.size()), c.form);
  // Nothing in a value may break the line structure.
  for (const std::string& l : lines) {
    for (char ch : l) EXPECT_FALSE(ch == '\r' || ch == '\n' || ch == '\0');
  }
}

const RoundTripCase kRoundTrips[] = {
    {"EmptyString", {"v", REG_SZ, "\0"s}, "\"\""},
    {"Blanks", {"v", REG_SZ, "  two  blanks  \0"s}, "\"  two"},
    {"QuotesAndBackslashes", {"v", REG_SZ, "\"\\\\\"\\\0"s}, "\"\\\""},
    {"BracketsAndEquals", {"v", REG_SZ, "[x]=\"y\"=[\0"s}, "\"[x]"},
    {"HighBytes", {"v", REG_SZ, "\x80\xe9\xff\0"s}, "\"\x80"},
    {"Tab", {"v", REG_SZ, "a\tb\0"s}, "hex(1):61,09"},
    {"LineBreaks", {"v", REG_SZ, "a\r\nb\0"s}, "hex(1):61,0d,0a"},
    {"Delete", {"v", REG_SZ, "\x7f\0"s}, "hex(1):7f"},
    {"MissingNul", {"v", REG_SZ, "abc"s}, "hex(1):61,62,63"},
    {"ExtraNul", {"v", REG_SZ, "abc\0\0"s}, "hex(1):61,62,63,00,00"},
    {"InnerNul", {"v", REG_SZ, "a\0b\0"s}, "hex(1):61,00"},
    {"NoBytes", {"v", REG_SZ, ""}, "hex(1):"},
    {"Dword", {"v", REG_DWORD, "\x01\x00\x00\x80"s}, "dword:80000001"},
    {"DwordTooShort", {"v", REG_DWORD, "\x01\x02\x03"s}, "hex(4):01,02,03"},
    {"DwordTooLong", {"v", REG_DWORD, "\x01\x02\x03\x04\x05"s}, "hex(4):01"},
    {"BinaryEmpty", {"v", REG_BINARY, ""}, "hex:"},
    {"MultiSz", {"v", REG_MULTI_SZ, "a\0b\0\0"s}, "hex(7):61,00,62"},
    {"ExpandSz", {"v", REG_EXPAND_SZ, "%PATH%\0"s}, "hex(2):25"},
    {"None", {"v", REG_NONE, "\x01"s}, "hex(0):01"},
    {"LargestType", {"v", 0xFFFFFFFFu, "\x01"s}, "hex(ffffffff):01"},
    {"AwkwardName", {"\"q\" \\ [x] = @ ;", REG_SZ, "v\0"s}, "\"v\""},
    {"NamedAt", {"@", REG_SZ, "v\0"s}, "\"v\""},
    {"DefaultValue", {"", REG_SZ, "v\0"s}, "\"v\""},
    {"HighByteName", {"\xe9t\xe9", REG_BINARY, "\x01"s}, "hex:01"},
    {"MegabyteString", {"v", REG_SZ, std::string(1 << 20, 'x') + '\0'}, "\"xxx"},
    {"MegabyteBinary", {"v", REG_BINARY, std::string(1 << 20, '\x5a')}, "hex:5a,5a"},
};

INSTANTIATE_TEST_SUITE_P(Values, RoundTripTest, ::testing::ValuesIn(kRoundTrips),
                         [](const auto& p) { return std::string(p.param.label); });

TEST(RoundTripTest, AllByteValuesInBinaryAndStrings) {
  std::string every;
  for (int b = 0; b < 256; ++b) every += static_cast<char>(b);
  const Hive hive{{RegKey{kKey, {{"bin", REG_BINARY, every}, {"sz", REG_SZ, every}}}}};
  const auto parsed = ParseHive(FormatHive(hive));
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(*parsed, hive);
}

// Input a person or another regedit might write, and what it means.
struct AcceptedCase {
  const char* label;
  std::string text;
  Hive expected;
};

void PrintTo(const AcceptedCase& c, std::ostream* os) { *os << c.label; }

class AcceptedTest : public ::testing::TestWithParam<AcceptedCase> {};

TEST_P(AcceptedTest, ParsesAndSurvivesRewriting) {
  const AcceptedCase& c = GetParam();
  const auto parsed = ParseHive(c.text);
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(*parsed, c.expected);
  const auto reparsed = ParseHive(FormatHive(*parsed));
  ASSERT_TRUE(reparsed.has_value());
  EXPECT_EQ(*reparsed, *parsed);
}

const std::string kA = "HKEY_CURRENT_USER\\A";

const AcceptedCase kAccepted[] = {
    {"LfLineEnds", "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"n\"=\"v\"\n",
     Hive{{RegKey{kA, {{"n", REG_SZ, "v\0"s}}}}}},
    {"CommentsBlanksAndWhitespace",
     "REGEDIT4  \r\n; note\r\n\r\n  [HKEY_CURRENT_USER\\A]  \r\n\t\"n\"  =  \"v\"  \r\n"
     "  ; another\r\n@ =dword:1\t\r\n\r\n",
     Hive{{RegKey{kA, {{"n", REG_SZ, "v\0"s}, {"", REG_DWORD, "\x01\0\0\0"s}}}}}},
    {"HexCaseAndTypes",
     "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=HEX(2):41,00\n\"b\"=hex(A):Ff\n\"c\"=hex(0):\n"
     "\"d\"=DWORD:FFFFFFFF\n\"e\"=hex: 01 , 2 \n\"f\"=hex(80000000):00\n",
     Hive{{RegKey{kA,
                  {{"a", REG_EXPAND_SZ, "A\0"s},
                   {"b", 10, "\xff"s},
                   {"c", REG_NONE, ""},
                   {"d", REG_DWORD, "\xff\xff\xff\xff"s},
                   {"e", REG_BINARY, "\x01\x02"s},
                   {"f", 0x80000000u, "\0"s}}}}}},
    {"Continuations",
     "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=hex:01,02,\\\n  03,\\  \r\n; inside\n    04\n",
     Hive{{RegKey{kA, {{"a", REG_BINARY, "\x01\x02\x03\x04"s}}}}}},
    {"RootSection", "REGEDIT4\n[HKEY_CURRENT_USER]\n\"n\"=\"v\"\n",
     Hive{{RegKey{"HKEY_CURRENT_USER", {{"n", REG_SZ, "v\0"s}}}}}},
    {"RootCaseAndTrailingBackslashes",
     "REGEDIT4\n[hkey_Current_User\\Soft\\]\n[HKEY_CURRENT_USER\\]\n",
     Hive{{RegKey{"HKEY_CURRENT_USER\\Soft", {}}, RegKey{"HKEY_CURRENT_USER", {}}}}},
    {"DuplicateSectionsMergeIntoFirst",
     "REGEDIT4\n[HKEY_CURRENT_USER\\Ab]\n\"x\"=\"1\"\n[HKEY_CURRENT_USER\\B]\n"
     "[HKEY_CURRENT_USER\\aB]\n\"y\"=\"2\"\n",
     Hive{{RegKey{"HKEY_CURRENT_USER\\Ab", {{"x", REG_SZ, "1\0"s}, {"y", REG_SZ, "2\0"s}}},
           RegKey{"HKEY_CURRENT_USER\\B", {}}}}},
    {"DuplicateValueReplacesInPlace",
     "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"Name\"=\"1\"\n\"other\"=\"o\"\n"
     "[HKEY_CURRENT_USER\\a]\n\"NAME\"=dword:2\n",
     Hive{{RegKey{kA, {{"Name", REG_DWORD, "\x02\0\0\0"s}, {"other", REG_SZ, "o\0"s}}}}}},
    {"EmptyNameIsTheDefault", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"\"=\"d\"\n@=\"e\"\n",
     Hive{{RegKey{kA, {{"", REG_SZ, "e\0"s}}}}}},
    {"AwkwardKeyNames", "REGEDIT4\n[HKEY_CURRENT_USER\\a]b [c]\n[HKEY_CURRENT_USER\\ ;x=\"y\" ]\n",
     Hive{{RegKey{"HKEY_CURRENT_USER\\a]b [c", {}}, RegKey{"HKEY_CURRENT_USER\\ ;x=\"y\" ", {}}}}},
    {"RawTabAndHighBytesInStrings", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"\xe9\"=\"a\tb\xff\"\n",
     Hive{{RegKey{kA, {{"\xe9", REG_SZ, "a\tb\xff\0"s}}}}}},
    {"HeaderOnly", "REGEDIT4", Hive{}},
};

INSTANTIATE_TEST_SUITE_P(Inputs, AcceptedTest, ::testing::ValuesIn(kAccepted),
                         [](const auto& p) { return std::string(p.param.label); });

struct RefusedCase {
  const char* label;
  std::string text;
};

void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.label; }

class RefusedTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedTest, IsNotParsed) { EXPECT_FALSE(ParseHive(GetParam().text).has_value()); }

// A valid file up to the value line, so each case fails on its own fault only.
std::string WithValue(const std::string& line) {
  return "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n" + line + "\r\n";
}

const RefusedCase kRefused[] = {
    {"Empty", ""},
    {"NoHeader", "[HKEY_CURRENT_USER\\A]\r\n"},
    {"UnicodeHeader", "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n"},
    {"Utf16",
     "\xff\xfeR\0E\0G\0E\0D\0I\0T\0"
     "4\0\r\0\n\0"s},
    {"Utf8Bom", "\xef\xbb\xbfREGEDIT4\r\n"},
    {"LongerHeader", "REGEDIT45\r\n"},
    {"OldMacLineEnds", "REGEDIT4\r\r[HKEY_CURRENT_USER\\A]\r"},
    {"OtherRoot", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n"},
    {"RootNamePrefix", "REGEDIT4\r\n[HKEY_CURRENT_USERS\\A]\r\n"},
    {"AbbreviatedRoot", "REGEDIT4\r\n[HKCU\\A]\r\n"},
    {"KeyDeletion", "REGEDIT4\r\n[-HKEY_CURRENT_USER\\A]\r\n"},
    {"EmptyPathName", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A\\\\B]\r\n"},
    {"TwoTrailingBackslashes", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A\\\\]\r\n"},
    {"UnclosedSection", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A\r\n"},
    {"GarbageAfterSection", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A] x\r\n"},
    {"ControlInPath", "REGEDIT4\r\n[HKEY_CURRENT_USER\\a\tb]\r\n"},
    {"DeleteInPath", "REGEDIT4\r\n[HKEY_CURRENT_USER\\a\x7f]\r\n"},
    {"ValueBeforeSection", "REGEDIT4\r\n\"x\"=\"y\"\r\n"},
    {"BareWord", WithValue("junk")},
    {"ValueDeletion", WithValue("\"x\"=-")},
    {"UnknownEscape", WithValue("\"x\"=\"a\\nb\"")},
    {"UnknownEscapeInName", WithValue("\"a\\tb\"=\"\"")},
    {"EscapedClosingQuote", WithValue("\"x\"=\"a\\\"")},
    {"UnterminatedString", WithValue("\"x\"=\"abc")},
    {"UnterminatedName", WithValue("\"x")},
    {"GarbageAfterString", WithValue("\"x\"=\"a\" b")},
    {"InlineComment", WithValue("\"x\"=dword:1 ; one")},
    {"MissingEquals", WithValue("\"x\" \"y\"")},
    {"MissingData", WithValue("\"x\"=")},
    {"UnknownDataForm", WithValue("\"x\"=str(2):\"a\"")},
    {"ControlInName", WithValue("\"a\x01"
                                "b\"=\"\"")},
    {"HexThreeDigits", WithValue("\"x\"=hex:123")},
    {"HexNotHex", WithValue("\"x\"=hex:0g")},
    {"HexEmptyItem", WithValue("\"x\"=hex:01,,02")},
    {"HexTrailingComma", WithValue("\"x\"=hex:01,")},
    {"HexBadType", WithValue("\"x\"=hex(g):00")},
    {"HexEmptyType", WithValue("\"x\"=hex():00")},
    {"HexTypeTooLong", WithValue("\"x\"=hex(123456789):00")},
    {"HexUnclosedType", WithValue("\"x\"=hex(1:00")},
    {"HexMissingColon", WithValue("\"x\"=hex 01")},
    {"ContinuationAtEnd", WithValue("\"x\"=hex:01,\\")},
    {"ContinuationIntoBlankLine", WithValue("\"x\"=hex:01,\\\r\n\r\n\"y\"=\"z\"")},
    {"DwordTooLong", WithValue("\"x\"=dword:123456789")},
    {"DwordEmpty", WithValue("\"x\"=dword:")},
    {"DwordNotHex", WithValue("\"x\"=dword:12x4")},
    {"DwordNegative", WithValue("\"x\"=dword:-1")},
};

INSTANTIATE_TEST_SUITE_P(Inputs, RefusedTest, ::testing::ValuesIn(kRefused),
                         [](const auto& p) { return std::string(p.param.label); });

// Duplicate merging must use an index: a linear search per line would make this run for minutes.
TEST(ParseHiveTest, ManyKeysAndValuesParse) {
  constexpr int kCount = 200000;
  std::string text = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Many]\r\n";
  for (int i = 0; i < kCount; ++i) text += "\"v" + std::to_string(i) + "\"=dword:1\r\n";
  for (int i = 0; i < kCount; ++i) text += "[HKEY_CURRENT_USER\\K" + std::to_string(i) + "]\r\n";
  const auto parsed = ParseHive(text);
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(parsed->keys.size(), static_cast<std::size_t>(kCount) + 1);
  EXPECT_EQ(parsed->keys.front().values.size(), static_cast<std::size_t>(kCount));
}

}  // namespace
