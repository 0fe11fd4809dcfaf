#include "main.h"

#include <gtest/gtest.h>

#include "row_name.h"

#include <string>
#include <vector>

#include "fake_console.h"
#include "fake_registry_api.h"
#include "usage.h"

namespace {

std::vector<std::string> Lines(const std::string& output) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < output.size()) {
    const size_t end = output.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "output does not end in CR LF";
      break;
    }
    lines.push_back(output.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

class ConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetFake();
    ClearConsole();
  }
};

TEST_F(ConsoleTest, BannerIsEightFramedLinesFortyWide) {
  WriteBanner();
  const std::vector<std::string> lines = Lines(ConsoleOutput());
  ASSERT_EQ(lines.size(), 8u);
  const std::string stars(40, '*');
  EXPECT_EQ(lines[0], stars);
  EXPECT_EQ(lines[7], stars);
  for (size_t i = 1; i < 7; ++i) {
    SCOPED_TRACE(lines[i]);
    ASSERT_EQ(lines[i].size(), 40u);
    EXPECT_EQ(lines[i].substr(0, 2), "* ");
    EXPECT_EQ(lines[i].substr(38), " *");
  }
  EXPECT_EQ(lines[1], "* Tamberwyckle                         *");
  EXPECT_EQ(lines[5].substr(0, 6), "* See ");
  EXPECT_NE(lines[5][6], ' ') << "the web address is missing";
}

TEST_F(ConsoleTest, UsageListsFourteenNamesInTwoAlignedColumns) {
  WriteUsage();
  const std::vector<std::string> lines = Lines(ConsoleOutput());
  ASSERT_EQ(lines.size(), 17u);
  EXPECT_EQ(lines[0], "Missing Arugment. Please provide a document type.");
  EXPECT_EQ(lines[2], "");
  for (size_t i = 3; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    SCOPED_TRACE(line);
    ASSERT_GT(line.size(), 39u);
    EXPECT_NE(line[0], ' ');
    EXPECT_EQ(line.substr(20, 4), "  - ") << "name column is not 22 wide";
    EXPECT_NE(line[24], ' ');
    EXPECT_EQ(line[38], ' ');
    EXPECT_EQ(line[39], '(') << "kind column is not 15 wide";
    EXPECT_EQ(line.back(), ')');
  }
}

struct FlowRow {
  const char* name;
  std::vector<std::string> arguments;
  LONG create_result;
  int status;
  const char* last_line;
  size_t line_count;
};
void PrintTo(const FlowRow& row, std::ostream* out) { *out << row.name; }

class RunFlow : public ConsoleTest, public ::testing::WithParamInterface<FlowRow> {};

TEST_P(RunFlow, BannerFirstThenOneBranchAndItsStatus) {
  const FlowRow& row = GetParam();
  Fake().create_result = row.create_result;

  EXPECT_EQ(::Run(row.arguments), row.status);
  // A copy, not a reference: ClearConsole() below empties what ConsoleOutput() refers to.
  // NOLINTNEXTLINE(performance-unnecessary-copy-initialization)
  const std::string output = ConsoleOutput();

  ClearConsole();
  WriteBanner();
  const std::string& banner = ConsoleOutput();
  ASSERT_EQ(output.substr(0, banner.size()), banner) << "the banner must come first";
  const std::vector<std::string> lines = Lines(output);
  EXPECT_EQ(lines.size(), row.line_count);
  EXPECT_EQ(lines.back(), row.last_line);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RunFlow,
    ::testing::Values(FlowRow{"NoArgumentShowsUsage",
                              {},
                              ERROR_SUCCESS,
                              0,
                              "MSWorksWin6           - Works Document (.wps Works version 6-9)",
                              25},
                      FlowRow{"StoresFirstArgument",
                              {"Doc"},
                              ERROR_SUCCESS,
                              0,
                              "Default document type set to (Doc)",
                              9},
                      FlowRow{"IgnoresLaterArguments",
                              {"Rtf", "Doc", "x"},
                              ERROR_SUCCESS,
                              0,
                              "Default document type set to (Rtf)",
                              9},
                      FlowRow{"UnlistedNameIsStoredNotRefused",
                              {"Docx"},
                              ERROR_SUCCESS,
                              0,
                              "Default document type set to (Docx)",
                              9},
                      FlowRow{"FailedStoreExitsOne",
                              {"Doc"},
                              ERROR_ACCESS_DENIED,
                              1,
                              "Could not write to registry - Check your permissions!",
                              9}),
    RowName());

TEST_F(ConsoleTest, UsageBranchTouchesNoRegistry) {
  ::Run({});
  EXPECT_TRUE(Fake().calls.empty());
}

}  // namespace
