#include "winreg-posix.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "regedit4.h"
#include "standin/hive_compare.h"
#include "standin/temp_config.h"

using namespace std::string_literals;

namespace {

constexpr const char* kTool = "HKEY_CURRENT_USER\\Software\\Tamberwyckle";

class WinregTest : public TempConfigTest {
 protected:
  void TearDown() override {
    for (HKEY key : opened_) RegCloseKey(key);
    TempConfigTest::TearDown();
  }

  // Creates or opens a key below HKEY_CURRENT_USER, failing the test if that fails.
  HKEY Create(const char* sub_key, DWORD* disposition = nullptr, HKEY parent = HKEY_CURRENT_USER) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(parent, sub_key, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, &key, disposition),
              ERROR_SUCCESS)
        << sub_key;
    opened_.push_back(key);
    return key;
  }

  static LONG Set(HKEY key, const char* name, DWORD type, const std::string& data) {
    return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size()));
  }

  Hive Stored() const {
    const auto hive = ParseHive(ReadFile(HivePath()));
    EXPECT_TRUE(hive.has_value());
    return hive.value_or(Hive{});
  }

  std::vector<HKEY> opened_;
};

TEST_F(WinregTest, CreatesMissingParentsOnceAndOpensThemAfter) {
  DWORD disposition = 0;
  HKEY key = Create("Software\\Tamberwyckle\\Deep\\", &disposition);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  EXPECT_EQ(Stored(), (Hive{{RegKey{"HKEY_CURRENT_USER\\Software", {}}, RegKey{kTool, {}},
                             RegKey{std::string(kTool) + "\\Deep", {}}}}));

  Create("Software\\Tamberwyckle\\Deep", &disposition);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  Create(nullptr, &disposition, key);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  Create("Child", &disposition, key);  // relative to an opened key
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  EXPECT_EQ(Stored().keys.back().path, std::string(kTool) + "\\Deep\\Child");
}

TEST_F(WinregTest, OpeningExistingKeysWritesNothing) {
  Create("", nullptr);
  Create(nullptr, nullptr);
  EXPECT_FALSE(std::filesystem::exists(HivePath()));
  Create("Software");
  const auto written = std::filesystem::last_write_time(HivePath());
  const std::string before = ReadFile(HivePath());
  Create("SOFTWARE");
  EXPECT_EQ(ReadFile(HivePath()), before);
  EXPECT_EQ(std::filesystem::last_write_time(HivePath()), written);
}

TEST_F(WinregTest, MatchesNamesIgnoringCaseAndKeepsTheirFirstCase) {
  HKEY key = Create("Software\\MixedCase");
  ASSERT_EQ(Set(key, "DefaultFormat", REG_DWORD, "\x01\0\0\0"s), ERROR_SUCCESS);
  DWORD disposition = 0;
  HKEY child = Create("SOFTWARE\\mixedcase\\Child", &disposition);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  HKEY same = Create("software\\MIXEDCASE");
  // A value of another type under the same name, any case, is replaced in place.
  ASSERT_EQ(Set(same, "DEFAULTFORMAT", REG_SZ, "Doc\0"s), ERROR_SUCCESS);
  ASSERT_EQ(Set(child, "x", REG_SZ, "1\0"s), ERROR_SUCCESS);
  EXPECT_EQ(
      Stored(),
      (Hive{
          {RegKey{"HKEY_CURRENT_USER\\Software", {}},
           RegKey{"HKEY_CURRENT_USER\\Software\\MixedCase", {{"DefaultFormat", REG_SZ, "Doc\0"s}}},
           RegKey{"HKEY_CURRENT_USER\\Software\\MixedCase\\Child", {{"x", REG_SZ, "1\0"s}}}}}));
}

TEST_F(WinregTest, WriteKeepsEverythingElseInTheFile) {
  WriteFile(HivePath(),
            "REGEDIT4\n\n[HKEY_CURRENT_USER\\Other]\n\"bin\"=hex:00,01\n\"n\"=dword:7\n"
            "[HKEY_CURRENT_USER\\Software\\Tamberwyckle]\n\"first\"=hex(7):61,00,00\n"
            "@=\"default\"\n\"last\"=hex(2):25,00\n");
  HKEY key = Create("Software\\Tamberwyckle");
  ASSERT_EQ(Set(key, "First", REG_SZ, "new\0"s), ERROR_SUCCESS);
  ASSERT_EQ(Set(key, "added", REG_BINARY, "\xff"s), ERROR_SUCCESS);
  ASSERT_EQ(Set(key, nullptr, REG_SZ, "unnamed\0"s), ERROR_SUCCESS);
  EXPECT_EQ(Stored(),
            (Hive{{RegKey{"HKEY_CURRENT_USER\\Other",
                          {{"bin", REG_BINARY, "\x00\x01"s}, {"n", REG_DWORD, "\x07\0\0\0"s}}},
                   RegKey{kTool,
                          {{"first", REG_SZ, "new\0"s},
                           {"", REG_SZ, "unnamed\0"s},
                           {"last", REG_EXPAND_SZ, "%\0"s},
                           {"added", REG_BINARY, "\xff"s}}}}}));
}

// A hand-written file may list only the deepest key; its parents exist all the same.
TEST_F(WinregTest, KeysKnownOnlyAsParentsExist) {
  const std::string text = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\TAMBERWYCKLE\\Deep]\n";
  WriteFile(HivePath(), text);
  DWORD disposition = 0;
  HKEY key = Create("software\\tamberwyckle", &disposition);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  EXPECT_EQ(ReadFile(HivePath()), text);
  ASSERT_EQ(Set(key, "v", REG_SZ, "x\0"s), ERROR_SUCCESS);
  EXPECT_EQ(Stored(),
            (Hive{{RegKey{"HKEY_CURRENT_USER\\Software\\TAMBERWYCKLE\\Deep", {}},
                   RegKey{"HKEY_CURRENT_USER\\Software\\TAMBERWYCKLE", {{"v", REG_SZ, "x\0"s}}}}}));
}

TEST_F(WinregTest, ValuesOnTheRootGetTheirOwnSection) {
  ASSERT_EQ(Set(HKEY_CURRENT_USER, "", REG_SZ, "root\0"s), ERROR_SUCCESS);
  EXPECT_EQ(Stored(), (Hive{{RegKey{"HKEY_CURRENT_USER", {{"", REG_SZ, "root\0"s}}}}}));
}

// What the tool itself produces, byte for byte.
TEST_F(WinregTest, WritesTheExpectedFile) {
  HKEY key = Create("Software\\Microsoft\\Office\\12.0\\Word\\Options");
  ASSERT_EQ(Set(key, "DefaultFormat", REG_SZ, "Doc\0"s), ERROR_SUCCESS);
  EXPECT_EQ(ReadFile(HivePath()),
            "REGEDIT4\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software]\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Microsoft]\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office]\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\12.0]\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\12.0\\Word]\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\12.0\\Word\\Options]\r\n"
            "\"DefaultFormat\"=\"Doc\"\r\n\r\n");
  EXPECT_EQ(List(RegistryDir()),
            (std::vector<std::string>{"HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER.reg.lock"}));
}

struct StoredCase {
  const char* label;
  DWORD type;
  std::string data;
};

void PrintTo(const StoredCase& c, std::ostream* os) { *os << c.label; }

class StoredValueTest : public WinregTest, public ::testing::WithParamInterface<StoredCase> {};

TEST_P(StoredValueTest, ReadsBackExactly) {
  const StoredCase& c = GetParam();
  HKEY key = Create("Software\\Tamberwyckle");
  ASSERT_EQ(Set(key, "value", c.type, c.data), ERROR_SUCCESS);
  const Hive hive = Stored();
  ASSERT_EQ(hive.keys.size(), 2u);
  EXPECT_EQ(hive.keys[1], (RegKey{kTool, {{"value", c.type, c.data}}}));
}

const StoredCase kStored[] = {
    {"Blanks", REG_SZ, "  a  b  \0"s},
    {"QuotesAndBackslashes", REG_SZ, "\"C:\\x\\\"\\\\\0"s},
    {"BracketsAndEquals", REG_SZ, "[HKEY_CURRENT_USER\\X]\r\n\"a\"=\"b\"\0"s},
    {"HighBytes", REG_SZ, "\x80\xa0\xe9\xff\0"s},
    {"ControlCharacters", REG_SZ, "\x01\t\x1f\x7f\0"s},
    {"MissingNul", REG_SZ, "Doc"s},
    {"ExtraNul", REG_SZ, "Doc\0\0"s},
    {"NoBytes", REG_SZ, ""},
    {"MegabyteString", REG_SZ, std::string(1 << 20, 'w') + '\0'},
    {"MultiSz", REG_MULTI_SZ, "a\0b\0\0"s},
    {"OddDword", REG_DWORD, "\x01\x02"s},
    {"UnknownType", 0x12345678u, "\x00\xff"s},
};

INSTANTIATE_TEST_SUITE_P(Values, StoredValueTest, ::testing::ValuesIn(kStored),
                         [](const auto& p) { return std::string(p.param.label); });

TEST_F(WinregTest, MalformedHiveFailsAndStaysByteIdentical) {
  const std::string junk = "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\"=hex:zz\r\n";
  HKEY key = Create("Software");  // opened while the file was still good
  WriteFile(HivePath(), junk);

  HKEY result = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x1234));
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\New", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &result, nullptr),
            ERROR_BADDB);
  EXPECT_EQ(result, nullptr);
  EXPECT_EQ(Set(key, "v", REG_SZ, "x\0"s), ERROR_BADDB);
  EXPECT_EQ(ReadFile(HivePath()), junk);
}

TEST_F(WinregTest, UnwritableLocationFailsWithoutLitter) {
  HKEY key = Create("Software");
  ASSERT_EQ(Set(key, "kept", REG_SZ, "yes\0"s), ERROR_SUCCESS);
  // The key stays created although the location then goes: swap the folder for a file.
  std::filesystem::rename(RegistryDir(), config_ + "/saved");
  WriteFile(RegistryDir(), "in the way");

  HKEY result = nullptr;
  EXPECT_NE(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\New", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &result, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(result, nullptr);
  EXPECT_NE(Set(key, "v", REG_SZ, "x\0"s), ERROR_SUCCESS);
  EXPECT_EQ(List(config_), (std::vector<std::string>{"registry", "saved"}));
  EXPECT_EQ(ReadFile(RegistryDir()), "in the way");
  EXPECT_EQ(List(config_ + "/saved"),
            (std::vector<std::string>{"HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER.reg.lock"}));
  const auto hive = ParseHive(ReadFile(config_ + "/saved/HKEY_CURRENT_USER.reg"));
  ASSERT_TRUE(hive.has_value());
  EXPECT_EQ(*hive, (Hive{{RegKey{"HKEY_CURRENT_USER\\Software", {{"kept", REG_SZ, "yes\0"s}}}}}));
}

TEST_F(WinregTest, DeletedKeyIsReported) {
  HKEY key = Create("Software\\Gone");
  WriteFile(HivePath(), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n");
  EXPECT_EQ(Set(key, "v", REG_SZ, "x\0"s), ERROR_KEY_DELETED);
  HKEY result = nullptr;
  EXPECT_EQ(RegCreateKeyExA(key, "Sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &result, nullptr),
            ERROR_KEY_DELETED);
  EXPECT_EQ(ReadFile(HivePath()), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n");
}

HKEY FakeHandle(std::uintptr_t value) { return reinterpret_cast<HKEY>(value); }

TEST_F(WinregTest, RefusesHandlesItDidNotGive) {
  HKEY closed = Create("Software");
  ASSERT_EQ(RegCloseKey(closed), ERROR_SUCCESS);
  const HKEY invalid[] = {nullptr, closed, FakeHandle(0x80000002u) /* HKEY_LOCAL_MACHINE */,
                          FakeHandle(0x7ffffff0u)};
  for (HKEY key : invalid) {
    HKEY result = FakeHandle(1);
    EXPECT_EQ(RegCreateKeyExA(key, "X", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &result, nullptr),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(Set(key, "v", REG_SZ, "x\0"s), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  }
  EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
}

TEST_F(WinregTest, RefusesBadArgumentsAndChangesNothing) {
  HKEY key = Create("Software");
  const std::string before = ReadFile(HivePath());

  const struct {
    const char* sub_key;
    LONG expected;
  } paths[] = {
      {"\\", ERROR_BAD_PATHNAME},        {"\\Software", ERROR_BAD_PATHNAME},
      {"a\\\\b", ERROR_BAD_PATHNAME},    {"a\\\\", ERROR_BAD_PATHNAME},
      {"a\tb", ERROR_INVALID_PARAMETER}, {"a\\b\x7f", ERROR_INVALID_PARAMETER},
      {"a\nb", ERROR_INVALID_PARAMETER},
  };
  for (const auto& p : paths) {
    HKEY result = FakeHandle(1);
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, p.sub_key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &result, nullptr),
              p.expected)
        << p.sub_key;
    EXPECT_EQ(result, nullptr);
  }
  HKEY result = nullptr;
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "X", 1, nullptr, 0, KEY_ALL_ACCESS, nullptr, &result,
                            nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "X", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, nullptr,
                            nullptr),
            ERROR_INVALID_PARAMETER);

  const BYTE byte = 1;
  EXPECT_EQ(RegSetValueExA(key, "v", 1, REG_SZ, &byte, 1), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_SZ, nullptr, 1), ERROR_NOACCESS);
  EXPECT_EQ(RegSetValueExA(key, "a\rb", 0, REG_SZ, &byte, 1), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(ReadFile(HivePath()), before);

  // No data at all is a value of no bytes.
  ASSERT_EQ(RegSetValueExA(key, "empty", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
  EXPECT_EQ(Stored().keys[0].values, (std::vector<RegValue>{{"empty", REG_BINARY, ""}}));
}

// Writers in separate processes serialise on the lock: none may lose another's values.
TEST_F(WinregTest, ConcurrentWritersLoseNothing) {
  constexpr int kWriters = 8;
  constexpr int kValuesEach = 20;
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      int failures = 0;
      for (int v = 0; v < kValuesEach; ++v) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tamberwyckle\\Concurrent", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
          ++failures;
          continue;
        }
        const std::string name = "w" + std::to_string(w) + "v" + std::to_string(v);
        if (Set(key, name.c_str(), REG_SZ, name + '\0') != ERROR_SUCCESS) ++failures;
        RegCloseKey(key);
      }
      _exit(failures == 0 ? 0 : 1);
    }
    children.push_back(child);
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }

  Hive hive = Stored();
  RegKey* key = FindKey(hive, std::string(kTool) + "\\Concurrent");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->values.size(), static_cast<std::size_t>(kWriters * kValuesEach));
  for (int w = 0; w < kWriters; ++w) {
    for (int v = 0; v < kValuesEach; ++v) {
      const std::string name = "w" + std::to_string(w) + "v" + std::to_string(v);
      const RegValue* value = FindValue(*key, name);
      ASSERT_NE(value, nullptr) << name;
      EXPECT_EQ(value->data, name + '\0');
    }
  }
  EXPECT_EQ(List(RegistryDir()),
            (std::vector<std::string>{"HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER.reg.lock"}));
}

}  // namespace
