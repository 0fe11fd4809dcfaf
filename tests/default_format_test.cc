#include "default_format.h"

#include <gtest/gtest.h>

#include "row_name.h"

#include <string>

#include "fake_console.h"
#include "fake_registry_api.h"

namespace {

using Kind = RegistryCall::Kind;

constexpr const char* kOptionsKey = "Software\\Microsoft\\Office\\12.0\\Word\\Options";
constexpr const char* kFailureLine = "Could not write to registry - Check your permissions!\r\n";

class StoreDefaultFormatTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetFake();
    ClearConsole();
  }
  void TearDown() override { EXPECT_TRUE(Fake().open_keys.empty()) << "a key was left open"; }
};

TEST_F(StoreDefaultFormatTest, CreatesKeyWritesStringAndClosesInThatOrder) {
  EXPECT_TRUE(StoreDefaultFormat("Doc"));

  const auto& calls = Fake().calls;
  ASSERT_EQ(calls.size(), 3u);

  const RegistryCall& create = calls[0];
  EXPECT_EQ(create.kind, Kind::kCreateKey);
  EXPECT_EQ(create.key, HKEY_CURRENT_USER);
  EXPECT_EQ(create.name, kOptionsKey);
  EXPECT_EQ(create.reserved, 0u);
  EXPECT_FALSE(create.has_class);
  EXPECT_EQ(create.options, static_cast<DWORD>(REG_OPTION_NON_VOLATILE));
  // Only what setting one value needs, so that users without full control of the key succeed.
  EXPECT_EQ(create.desired, static_cast<REGSAM>(KEY_SET_VALUE));
  EXPECT_FALSE(create.has_security);

  const RegistryCall& set = calls[1];
  EXPECT_EQ(set.kind, Kind::kSetValue);
  EXPECT_NE(set.key, nullptr);
  EXPECT_EQ(set.name, "DefaultFormat");
  EXPECT_EQ(set.reserved, 0u);
  EXPECT_EQ(set.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(set.data, std::string("Doc\0", 4));
  EXPECT_EQ(set.size, 4u);

  EXPECT_EQ(calls[2].kind, Kind::kCloseKey);
  EXPECT_EQ(calls[2].key, set.key);

  EXPECT_EQ(ConsoleOutput(), "Default document type set to (Doc)\r\n");
}

// The document type goes to the registry and back to the console untouched.
class StoresExactly : public StoreDefaultFormatTest,
                      public ::testing::WithParamInterface<std::string> {};

TEST_P(StoresExactly, BytesAndConfirmation) {
  const std::string& type = GetParam();
  EXPECT_TRUE(StoreDefaultFormat(type));
  ASSERT_EQ(Fake().calls.size(), 3u);
  const RegistryCall& set = Fake().calls[1];
  EXPECT_EQ(set.data, type + '\0');
  EXPECT_EQ(set.size, type.size() + 1);
  EXPECT_EQ(ConsoleOutput(), "Default document type set to (" + type + ")\r\n");
}

INSTANTIATE_TEST_SUITE_P(DocumentTypes, StoresExactly,
                         ::testing::Values("doc",            // case kept
                                           "foo",            // not a listed name
                                           "(Empty)",        // the listing's label, stored as text
                                           "Word Doc",       // blanks inside
                                           "  Doc ",         // blanks at the ends
                                           "\"q\" \\ [x]=",  // quotes, backslashes, brackets
                                           "\xe9t\xe9\xff",  // ANSI high bytes
                                           std::string(40000, 'x')));

struct FailureRow {
  const char* name;
  LONG create_result;
  LONG set_result;
  Throw set_throws;
  bool key_opened;
};
void PrintTo(const FailureRow& row, std::ostream* out) { *out << row.name; }

class StoreFails : public StoreDefaultFormatTest,
                   public ::testing::WithParamInterface<FailureRow> {};

TEST_P(StoreFails, PrintsFailureLineReportsFalseAndClosesTheKey) {
  const FailureRow& row = GetParam();
  Fake().create_result = row.create_result;
  Fake().set_result = row.set_result;
  Fake().set_throws = row.set_throws;

  bool stored = true;
  EXPECT_NO_THROW(stored = StoreDefaultFormat("Doc"));
  EXPECT_FALSE(stored);
  EXPECT_EQ(ConsoleOutput(), kFailureLine);

  const auto& calls = Fake().calls;
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[0].kind, Kind::kCreateKey);
  EXPECT_EQ(calls[1].kind, Kind::kSetValue);
  if (row.key_opened) {
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].kind, Kind::kCloseKey);
    EXPECT_EQ(calls[2].key, calls[1].key);
  } else {
    // A failed open leaves nothing open; the junk in the out-parameter is never used.
    EXPECT_EQ(calls[1].key, nullptr);
    EXPECT_EQ(calls.size(), 2u);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StoreFails,
    ::testing::Values(
        FailureRow{"OpenDenied", ERROR_ACCESS_DENIED, ERROR_SUCCESS, Throw::kNothing, false},
        FailureRow{"WriteFails", ERROR_SUCCESS, ERROR_ACCESS_DENIED, Throw::kNothing, true},
        FailureRow{"OutOfMemory", ERROR_SUCCESS, ERROR_SUCCESS, Throw::kBadAlloc, true},
        FailureRow{"ForeignException", ERROR_SUCCESS, ERROR_SUCCESS, Throw::kNonStandard, true}),
    RowName());

}  // namespace
