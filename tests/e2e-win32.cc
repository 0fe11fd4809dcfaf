// The .exe, started with an exact command line, its registry read back through the registry API.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>

#include "e2e.h"

namespace {

constexpr const char* kOffice = "Software\\Microsoft\\Office";
constexpr const char* kOptions = "Software\\Microsoft\\Office\\12.0\\Word\\Options";

// CMake hands us a Unix path; Wine's Z: drive is the Unix root.
std::string ToolPath() {
  std::string path = TOOL_PATH;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  return path;
}

struct Pipe {
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  Pipe() {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    if (!CreatePipe(&read, &write, &inherit, 0)) ADD_FAILURE() << "CreatePipe failed";
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  }
  ~Pipe() {
    CloseReader();
    CloseWriter();
  }
  void CloseReader() {
    if (read != nullptr) CloseHandle(read);
    read = nullptr;
  }
  void CloseWriter() {
    if (write != nullptr) CloseHandle(write);
    write = nullptr;
  }
  std::string Drain() {
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got > 0)
      bytes.append(buffer, got);
    return bytes;
  }
};

// Starts `application` with `command_line` exactly as given, and collects both output streams.
Outcome Launch(const char* application, const std::string& command_line, bool stdout_closed) {
  Outcome outcome;
  Pipe out;
  Pipe err;
  if (stdout_closed) out.CloseReader();
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out.write;
  startup.hStdError = err.write;
  PROCESS_INFORMATION process{};
  std::string mutable_line = command_line;
  if (!CreateProcessA(application, mutable_line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &process)) {
    ADD_FAILURE() << "cannot start " << command_line << ": error " << GetLastError();
    return outcome;
  }
  out.CloseWriter();
  err.CloseWriter();
  if (!stdout_closed) outcome.out = out.Drain();
  outcome.err = err.Drain();
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  outcome.status = static_cast<int>(code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return outcome;
}

void DeleteTree(const char* path) {
  const LONG result = RegDeleteTreeA(HKEY_CURRENT_USER, path);
  if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
    ADD_FAILURE() << "cannot clear " << path << ": error " << result;
  RegDeleteKeyA(HKEY_CURRENT_USER, path);
}

}  // namespace

Outcome RunTool(const Invocation& how) {
  const std::string tool = ToolPath();
  return Launch(tool.c_str(), "tamberwyckle.exe " + how.command_tail, how.stdout_closed);
}

void ResetStore() { DeleteTree(kOffice); }

void BreakStore() {
  // A non-volatile key cannot be made below a volatile one, whoever asks.
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Office\\12.0", 0, nullptr,
                            REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Office\\12.0\\Word", 0,
                            nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

void PutDwordValue() {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kOptions, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const DWORD one = 1;
  EXPECT_EQ(RegSetValueExA(key, "DefaultFormat", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                           sizeof one),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

std::optional<StoredValue> ReadDefaultFormat() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kOptions, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return std::nullopt;
  StoredValue value;
  DWORD type = 0;
  DWORD size = 0;
  LONG result = RegQueryValueExA(key, "DefaultFormat", nullptr, &type, nullptr, &size);
  if (result == ERROR_SUCCESS) {
    value.data.resize(size);
    result = RegQueryValueExA(key, "DefaultFormat", nullptr, &type,
                              reinterpret_cast<BYTE*>(value.data.data()), &size);
    value.data.resize(size);
    value.type = type;
  }
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return std::nullopt;
  return value;
}

namespace {

class WineToolTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetStore(); }
  void TearDown() override { ResetStore(); }
};

// Wine's own reg.exe, a reader that is not ours, sees the same value.
TEST_F(WineToolTest, RegQuerySeesTheStoredString) {
  ASSERT_EQ(RunTool({"\"Word Doc\"", {}}).status, 0);
  const Outcome query = Launch(
      nullptr,
      "reg.exe query \"HKCU\\Software\\Microsoft\\Office\\12.0\\Word\\Options\" /v DefaultFormat",
      false);
  ASSERT_EQ(query.status, 0) << query.out << query.err;
  std::istringstream lines(query.out);
  std::string line;
  bool found = false;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string name;
    std::string type;
    words >> name >> type;
    if (name != "DefaultFormat") continue;
    found = true;
    EXPECT_EQ(type, "REG_SZ");
    std::string rest;
    std::getline(words, rest);
    EXPECT_EQ(rest.substr(rest.find_first_not_of(' ')), "Word Doc");
  }
  EXPECT_TRUE(found) << query.out;
}

// Exact command lines that a C runtime would read differently: ours must not.
TEST_F(WineToolTest, BackslashesBeforeQuotesAreNotEscapes) {
  ASSERT_EQ(RunTool({"\"C:\\Docs\\\" x", {}}).status, 0);
  const auto value = ReadDefaultFormat();
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->data, std::string("C:\\Docs\\\0", 9));
}

TEST_F(WineToolTest, FailedOpenLeavesNoValueUnderTheVolatileKey) {
  BreakStore();
  EXPECT_EQ(RunTool({"Doc", {}}).status, 1);
  HKEY key = nullptr;
  EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, kOptions, 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
}

}  // namespace
