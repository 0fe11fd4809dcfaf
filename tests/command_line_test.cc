#include "command_line.h"

#include <gtest/gtest.h>

#include "row_name.h"

#include <string>
#include <vector>

namespace {

struct SplitRow {
  const char* name;
  std::string command_line;
  std::vector<std::string> arguments;
};
void PrintTo(const SplitRow& row, std::ostream* out) { *out << row.name; }

class ArgumentsOfTest : public ::testing::TestWithParam<SplitRow> {};

TEST_P(ArgumentsOfTest, Splits) {
  EXPECT_EQ(ArgumentsOf(GetParam().command_line), GetParam().arguments);
}

using Args = std::vector<std::string>;

INSTANTIATE_TEST_SUITE_P(
    Rules, ArgumentsOfTest,
    ::testing::Values(
        SplitRow{"Empty", "", Args{}}, SplitRow{"ProgramOnly", "tw.exe", Args{}},
        SplitRow{"OneArgument", "tw.exe Doc", Args{"Doc"}},
        SplitRow{"RunsOfBlanks", "  tw.exe   Doc \t Rtf  ", Args{"Doc", "Rtf"}},
        SplitRow{"EveryControlCodeSeparates",
                 "tw.exe\x01"
                 "a\x1f"
                 "b\x7f"
                 "c\x20"
                 "d",
                 Args{"a",
                      "b\x7f"
                      "c",
                      "d"}},
        SplitRow{"HighBytesAreText", "tw.exe \xa0\xe9\xff", Args{"\xa0\xe9\xff"}},
        SplitRow{"QuotedBlanksKept", "tw.exe \"Word Doc\"", Args{"Word Doc"}},
        SplitRow{"QuotedEdgeBlanksKept", "tw.exe \"  Doc \"", Args{"  Doc "}},
        SplitRow{"QuotedTabKept", "tw.exe \"a\tb\"", Args{"a\tb"}},
        SplitRow{"TouchingStretchesJoin", "tw.exe a\"b c\"d\"e\"", Args{"ab cde"}},
        SplitRow{"UnterminatedQuoteRunsToEnd", "tw.exe \"Word Doc", Args{"Word Doc"}},
        SplitRow{"BackslashesArePlain", "tw.exe C:\\dir\\ \"a\\\"b", Args{"C:\\dir\\", "a\\b"}},
        SplitRow{"QuotedProgramName", "\"C:\\Program Files\\tw.exe\" Doc", Args{"Doc"}},
        SplitRow{"NulEndsTheLine", std::string("tw.exe a\0b", 10), Args{"a"}},
        // An empty pair where an argument would begin is skipped like a blank.
        SplitRow{"OnlyEmptyPair", "tw.exe \"\"", Args{}},
        SplitRow{"EmptyPairThenArgument", "tw.exe \"\" Doc", Args{"Doc"}},
        SplitRow{"EmptyPairsBetween", "tw.exe Doc \"\" \"\"\"\" Rtf", Args{"Doc", "Rtf"}},
        SplitRow{"EmptyPairTouchingArgument", "tw.exe \"\"Doc", Args{"Doc"}},
        SplitRow{"EmptyPairAfterText", "tw.exe Doc\"\" Rtf", Args{"Doc", "Rtf"}},
        SplitRow{"EmptyPairInsideText", "tw.exe a\"\"b", Args{"ab"}},
        SplitRow{"EmptyPairThenQuoted", "tw.exe \"\"\"Word Doc\"", Args{"Word Doc"}},
        SplitRow{"EmptyPairThenLoneQuote", "tw.exe \"\"\"", Args{}},
        SplitRow{"LoneQuoteAtEnd", "tw.exe Doc \"", Args{"Doc"}},
        SplitRow{"EmptyPairBeforeProgram", "\"\" tw.exe Doc", Args{"Doc"}}),
    RowName());

TEST(SplitCommandLineTest, KeepsTheProgramNameFirst) {
  EXPECT_EQ(SplitCommandLine("\"C:\\My Tools\\tw.exe\" Doc"),
            (Args{"C:\\My Tools\\tw.exe", "Doc"}));
}

TEST(SplitCommandLineTest, NoLengthLimit) {
  const std::string longest(1 << 20, 'x');
  EXPECT_EQ(ArgumentsOf("tw.exe \"" + longest + "\" y"), (Args{longest, "y"}));
}

}  // namespace
