#include <gtest/gtest.h>

#include "row_name.h"

#include <string>

#include "e2e.h"

namespace {

// The tool's output is a contract with the scripts that read it, so it is spelt out in full here.
const std::string kBanner =
    "****************************************\r\n"
    "* Tamberwyckle                         *\r\n"
    "* Sets the default document type for   *\r\n"
    "* Word 2007                            *\r\n"
    "*                                      *\r\n"
    "* See https://tamberwyckle.example     *\r\n"
    "* for more free tools, news and tips   *\r\n"
    "****************************************\r\n";

const std::string kUsage =
    "Missing Arugment. Please provide a document type.\r\n"
    "Here is a list of possible values:\r\n"
    "\r\n"
    "(Empty)               - Word Document  (.docx  2007)\r\n"
    "MacroEnabledDocument  - Word Document  (.docm  2007 W/Macros)\r\n"
    "Doc                   - Word Document  (97 - 2003)\r\n"
    "Template              - Word Template  (.dotx  2007)\r\n"
    "MacroEnabledTemplate  - Word Template  (.dotm  2007 W/Macros)\r\n"
    "Dot                   - Word Template  (97 - 2003 Format)\r\n"
    "WebArchive            - HTML           (.mht, .mhtml Single file HTML Format)\r\n"
    "Html                  - HTML           (.htm, .html HTML Format)\r\n"
    "ReducedHTML           - HTML           (.htm, .html Filtered HTML Format)\r\n"
    "Rtf                   - RTF            (.rtf)\r\n"
    "Text                  - Text           (.txt)\r\n"
    "FlatXML               - XML            (.xml 2007 XML Format)\r\n"
    "XML                   - XML            (.xml 2003 XML Format)\r\n"
    "MSWorksWin6           - Works Document (.wps Works version 6-9)\r\n";

const std::string kFailure = "Could not write to registry - Check your permissions!\r\n";

std::string Confirmation(const std::string& type) {
  return "Default document type set to (" + type + ")\r\n";
}

class ToolTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetStore(); }
  void TearDown() override { ResetStore(); }
};

struct UsageRow {
  const char* name;
  Invocation how;
};
void PrintTo(const UsageRow& row, std::ostream* out) { *out << row.name; }

class UsageTest : public ToolTest, public ::testing::WithParamInterface<UsageRow> {};

TEST_P(UsageTest, BannerThenListingAndNothingStored) {
  const Outcome outcome = RunTool(GetParam().how);
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.out, kBanner + kUsage);
  EXPECT_EQ(outcome.err, "");
  EXPECT_FALSE(ReadDefaultFormat().has_value());
}

INSTANTIATE_TEST_SUITE_P(Rows, UsageTest,
                         ::testing::Values(UsageRow{"NoArgument", {"", {}}},
                                           UsageRow{"OnlyAnEmptyArgument", {"\"\"", {""}}}),
                         RowName());

struct StoreRow {
  const char* name;
  Invocation how;
  std::string stored;
};
void PrintTo(const StoreRow& row, std::ostream* out) { *out << row.name; }

class StoreTest : public ToolTest, public ::testing::WithParamInterface<StoreRow> {};

TEST_P(StoreTest, StoresFirstArgumentAsStringAndConfirms) {
  const StoreRow& row = GetParam();
  const Outcome outcome = RunTool(row.how);
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.out, kBanner + Confirmation(row.stored));
  EXPECT_EQ(outcome.err, "");
  const auto value = ReadDefaultFormat();
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->type, 1u) << "not REG_SZ";
  EXPECT_EQ(value->data, row.stored + '\0');
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StoreTest,
    ::testing::Values(StoreRow{"Doc", {"Doc", {"Doc"}}, "Doc"},
                      StoreRow{"CaseKept", {"doc", {"doc"}}, "doc"},
                      StoreRow{"UnlistedName", {"foo", {"foo"}}, "foo"},
                      StoreRow{"OnlyFirstUsed", {"Rtf Doc Text", {"Rtf", "Doc", "Text"}}, "Rtf"},
                      StoreRow{"EmptyArgumentSkipped", {"\"\" Doc", {"", "Doc"}}, "Doc"},
                      StoreRow{"QuotedBlanks", {"\"Word Doc\"", {"Word Doc"}}, "Word Doc"},
                      StoreRow{"EdgeBlanksKept", {"\"  Doc \"", {"  Doc "}}, "  Doc "},
                      StoreRow{"AwkwardCharacters", {"a\\b\"[x]=\"", {"a\\b[x]="}}, "a\\b[x]="},
                      StoreRow{"EmptyLabelStoredAsText", {"(Empty)", {"(Empty)"}}, "(Empty)"}),
    RowName());

TEST_F(ToolTest, SecondRunOverwritesAndConfirmsAgain) {
  ASSERT_EQ(RunTool({"Rtf", {"Rtf"}}).status, 0);
  for (int run = 0; run < 2; ++run) {
    const Outcome outcome = RunTool({"Doc", {"Doc"}});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, kBanner + Confirmation("Doc"));
  }
  const auto value = ReadDefaultFormat();
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->data, std::string("Doc\0", 4));
}

TEST_F(ToolTest, ValueOfAnotherTypeIsReplaced) {
  PutDwordValue();
  ASSERT_EQ(RunTool({"Doc", {"Doc"}}).status, 0);
  const auto value = ReadDefaultFormat();
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->type, 1u);
  EXPECT_EQ(value->data, std::string("Doc\0", 4));
}

TEST_F(ToolTest, FailedStorePrintsFailureAndExitsOne) {
  BreakStore();
  const Outcome outcome = RunTool({"Doc", {"Doc"}});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.out, kBanner + kFailure);
  EXPECT_EQ(outcome.err, "");
  EXPECT_FALSE(ReadDefaultFormat().has_value());
}

TEST_F(ToolTest, ClosedStandardOutputDoesNotStopTheStore) {
  Invocation how{"Doc", {"Doc"}};
  how.stdout_closed = true;
  EXPECT_EQ(RunTool(how).status, 0);
  const auto value = ReadDefaultFormat();
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->data, std::string("Doc\0", 4));
}

}  // namespace
