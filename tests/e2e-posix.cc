// The native tool, run with a HOME of its own, its registry read back from the stand-in's hive.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "e2e.h"
#include "regedit4.h"

// POSIX leaves this declaration to the program; glibc makes it only under _GNU_SOURCE.
extern char** environ;  // NOLINT(readability-redundant-declaration)

namespace fs = std::filesystem;

namespace {

constexpr const char* kOptionsPath =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\12.0\\Word\\Options";

// A HOME of the test process's own, made on first use and removed with everything in it at exit.
class TempHome {
 public:
  TempHome() {
    std::string pattern = (fs::temp_directory_path() / "tw-e2e-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~TempHome() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  TempHome(const TempHome&) = delete;
  TempHome& operator=(const TempHome&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

const fs::path& Home() {
  static const TempHome home;
  return home.path();
}

fs::path HivePath() { return Home() / ".config" / "registry" / "HKEY_CURRENT_USER.reg"; }

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace

Outcome RunTool(const Invocation& how) {
  const fs::path out_path = Home() / "stdout";
  const fs::path err_path = Home() / "stderr";

  std::vector<std::string> env_strings;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (std::strncmp(*entry, "HOME=", 5) != 0 && std::strncmp(*entry, "XDG_CONFIG_HOME=", 16) != 0)
      env_strings.emplace_back(*entry);
  }
  env_strings.push_back("HOME=" + Home().string());
  std::vector<char*> env;
  env.reserve(env_strings.size() + 1);
  for (std::string& entry : env_strings) env.push_back(entry.data());
  env.push_back(nullptr);

  std::vector<std::string> arg_strings{TOOL_PATH};
  arg_strings.insert(arg_strings.end(), how.argv.begin(), how.argv.end());
  std::vector<char*> argv;
  argv.reserve(arg_strings.size() + 1);
  for (std::string& arg : arg_strings) argv.push_back(arg.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  int pipe_fds[2] = {-1, -1};
  if (how.stdout_closed) {
    if (pipe(pipe_fds) != 0) std::abort();
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
    close(pipe_fds[0]);  // nobody will read: the tool's writes get EPIPE
  } else {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out_path.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
  }
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_path.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);

  Outcome outcome;
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, TOOL_PATH, &actions, nullptr, argv.data(), env.data());
  posix_spawn_file_actions_destroy(&actions);
  if (how.stdout_closed) close(pipe_fds[1]);
  if (spawned != 0) {
    ADD_FAILURE() << "cannot start " << TOOL_PATH << ": " << std::strerror(spawned);
    return outcome;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) {
    outcome.status = WEXITSTATUS(status);
  } else {
    ADD_FAILURE() << "the tool was killed by signal " << WTERMSIG(status);
  }
  if (!how.stdout_closed) outcome.out = ReadFile(out_path);
  outcome.err = ReadFile(err_path);
  return outcome;
}

void ResetStore() {
  std::error_code ignored;
  fs::remove_all(Home() / ".config", ignored);
}

void BreakStore() {
  // A file where the registry folder belongs: no permission bits involved, so it holds for root.
  WriteFile(Home() / ".config" / "registry", "not a folder");
}

void PutDwordValue() {
  WriteFile(HivePath(),
            "REGEDIT4\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\12.0\\Word\\Options]\r\n"
            "\"DefaultFormat\"=dword:00000001\r\n\r\n");
}

std::optional<StoredValue> ReadDefaultFormat() {
  if (!fs::exists(HivePath())) return std::nullopt;
  const std::optional<Hive> hive = ParseHive(ReadFile(HivePath()));
  if (!hive) {
    ADD_FAILURE() << "the hive no longer parses:\n" << ReadFile(HivePath());
    return std::nullopt;
  }
  for (const RegKey& key : hive->keys) {
    if (key.path != kOptionsPath) continue;
    for (const RegValue& value : key.values) {
      if (value.name == "DefaultFormat") return StoredValue{value.type, value.data};
    }
  }
  return std::nullopt;
}

namespace {

class NativeToolTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetStore(); }
  void TearDown() override { ResetStore(); }
};

TEST_F(NativeToolTest, FreshHiveIsPlainRegedit4) {
  ASSERT_EQ(RunTool({"Doc", {"Doc"}}).status, 0);
  EXPECT_EQ(ReadFile(HivePath()),
            "REGEDIT4\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software]\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Microsoft]\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office]\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\12.0]\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\12.0\\Word]\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\12.0\\Word\\Options]\r\n"
            "\"DefaultFormat\"=\"Doc\"\r\n\r\n");
}

TEST_F(NativeToolTest, UnreadableHiveIsLeftExactlyAsItWas) {
  const std::string broken = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\r\n\"x\"=\"y\"\r\n";
  WriteFile(HivePath(), broken);
  const Outcome outcome = RunTool({"Doc", {"Doc"}});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_NE(outcome.out.find("Could not write to registry - Check your permissions!\r\n"),
            std::string::npos);
  EXPECT_EQ(ReadFile(HivePath()), broken);
}

TEST_F(NativeToolTest, OtherContentOfTheHiveSurvives) {
  WriteFile(HivePath(),
            "REGEDIT4\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
            "@=\"kept\"\r\n"
            "\"Bytes\"=hex:00,ff,10\r\n\r\n"
            "[HKEY_CURRENT_USER\\SOFTWARE\\MICROSOFT\\office\\12.0\\Word\\Options]\r\n"
            "\"Keep\"=dword:0000002a\r\n\r\n");
  ASSERT_EQ(RunTool({"Doc", {"Doc"}}).status, 0);
  const std::optional<Hive> hive = ParseHive(ReadFile(HivePath()));
  ASSERT_TRUE(hive.has_value());
  const auto fold = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  };
  const RegKey* other = nullptr;
  const RegKey* options = nullptr;
  for (const RegKey& key : hive->keys) {
    if (key.path == "HKEY_CURRENT_USER\\Software\\Other") other = &key;
    if (fold(key.path) == fold(kOptionsPath)) {
      EXPECT_EQ(options, nullptr) << "the options key was made twice, in another case";
      options = &key;
    }
  }
  ASSERT_NE(other, nullptr);
  ASSERT_EQ(other->values.size(), 2u);
  EXPECT_EQ(other->values[0].data, std::string("kept\0", 5));
  EXPECT_EQ(other->values[1].data, std::string("\0\xff\x10", 3));
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(options->path, "HKEY_CURRENT_USER\\SOFTWARE\\MICROSOFT\\office\\12.0\\Word\\Options");
  ASSERT_EQ(options->values.size(), 2u);
  EXPECT_EQ(options->values[0].name, "Keep");
  EXPECT_EQ(options->values[0].data, std::string("\x2a\0\0\0", 4));
  EXPECT_EQ(options->values[1].name, "DefaultFormat");
  EXPECT_EQ(options->values[1].data, std::string("Doc\0", 4));
}

TEST_F(NativeToolTest, NoTemporaryFileLeftBehind) {
  ASSERT_EQ(RunTool({"Doc", {"Doc"}}).status, 0);
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(HivePath().parent_path()))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names,
            (std::vector<std::string>{"HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER.reg.lock"}));
}

}  // namespace
