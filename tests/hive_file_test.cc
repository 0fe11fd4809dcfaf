#include "hive_file-posix.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "standin/hive_compare.h"
#include "standin/temp_config.h"

using namespace std::string_literals;

namespace {

const Hive kSample{{RegKey{"HKEY_CURRENT_USER\\Software\\T", {{"v", REG_SZ, "one\0"s}}}}};
const Hive kOther{{RegKey{"HKEY_CURRENT_USER\\Software\\T", {{"v", REG_BINARY, "two"s}}}}};

using HiveDirectoryTest = TempConfigTest;

TEST_F(HiveDirectoryTest, UsesXdgConfigHomeOnlyWhenAbsolute) {
  EXPECT_EQ(HiveDirectory(), config_ + "/registry");
  for (const char* unusable : {"", "relative/config"}) {
    setenv("XDG_CONFIG_HOME", unusable, 1);
    EXPECT_EQ(HiveDirectory(), home_ + "/.config/registry") << "XDG_CONFIG_HOME=" << unusable;
  }
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(HiveDirectory(), home_ + "/.config/registry");
}

TEST_F(HiveDirectoryTest, FallsBackToThePasswordDatabaseWithoutHome) {
  unsetenv("XDG_CONFIG_HOME");
  // cppcheck-suppress getpwuidCalled ; the test runs on one thread
  const passwd* entry = getpwuid(getuid());
  ASSERT_NE(entry, nullptr);
  const std::string expected = std::string(entry->pw_dir) + "/.config/registry";
  unsetenv("HOME");
  EXPECT_EQ(HiveDirectory(), expected);
  setenv("HOME", "", 1);
  EXPECT_EQ(HiveDirectory(), expected);
}

TEST(ErrorFromErrnoTest, MapsToWindowsCodes) {
  const struct {
    int error;
    LONG expected;
  } cases[] = {
      {EACCES, ERROR_ACCESS_DENIED}, {EPERM, ERROR_ACCESS_DENIED}, {EROFS, ERROR_ACCESS_DENIED},
      {ENOSPC, ERROR_DISK_FULL},     {EDQUOT, ERROR_DISK_FULL},    {ENOMEM, ERROR_OUTOFMEMORY},
      {EIO, ERROR_CANTWRITE},        {ENOTDIR, ERROR_CANTWRITE},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ErrorFromErrno(c.error, ERROR_CANTWRITE), c.expected) << "errno " << c.error;
  }
  EXPECT_EQ(ErrorFromErrno(EIO, ERROR_CANTREAD), ERROR_CANTREAD);
}

class HiveFileTest : public TempConfigTest {
 protected:
  static std::vector<std::string> Written() {
    return {"HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER.reg.lock"};
  }
};

TEST_F(HiveFileTest, OpenMakesPrivateFoldersAndAMissingHiveIsEmpty) {
  unsetenv("XDG_CONFIG_HOME");
  HiveFile file;
  ASSERT_EQ(file.Open(), ERROR_SUCCESS);
  for (const std::string& dir : {home_ + "/.config", home_ + "/.config/registry"}) {
    struct stat info {};
    ASSERT_EQ(stat(dir.c_str(), &info), 0) << dir;
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u) << dir;
  }
  Hive hive = kSample;
  EXPECT_EQ(file.Load(&hive), ERROR_SUCCESS);
  EXPECT_TRUE(hive.keys.empty());
}

TEST_F(HiveFileTest, SaveReplacesTheHiveAndLeavesOnlyIt) {
  {
    HiveFile file;
    ASSERT_EQ(file.Open(), ERROR_SUCCESS);
    ASSERT_EQ(file.Save(kSample), ERROR_SUCCESS);
    ASSERT_EQ(file.Save(kOther), ERROR_SUCCESS);
  }
  EXPECT_EQ(List(RegistryDir()), Written());
  struct stat info {};
  ASSERT_EQ(stat(HivePath().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  HiveFile file;
  ASSERT_EQ(file.Open(), ERROR_SUCCESS);
  Hive loaded;
  ASSERT_EQ(file.Load(&loaded), ERROR_SUCCESS);
  EXPECT_EQ(loaded, kOther);
}

TEST_F(HiveFileTest, UnparsableHiveIsBadDbAndUntouched) {
  const std::string junk = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X]\r\n";
  WriteFile(HivePath(), junk);
  HiveFile file;
  ASSERT_EQ(file.Open(), ERROR_SUCCESS);
  Hive hive;
  EXPECT_EQ(file.Load(&hive), ERROR_BADDB);
  EXPECT_EQ(ReadFile(HivePath()), junk);
}

TEST_F(HiveFileTest, LockIsExclusiveWhileOpen) {
  const std::string lock_path = HivePath() + ".lock";
  {
    HiveFile file;
    ASSERT_EQ(file.Open(), ERROR_SUCCESS);
    const int other = open(lock_path.c_str(), O_RDWR | O_CLOEXEC);
    // cppcheck-suppress resourceLeak ; ASSERT_GE leaves early only when open failed
    ASSERT_GE(other, 0);
    EXPECT_NE(flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(errno, EWOULDBLOCK);
    close(other);
  }
  const int other = open(lock_path.c_str(), O_RDWR | O_CLOEXEC);
  // cppcheck-suppress resourceLeak ; ASSERT_GE leaves early only when open failed
  ASSERT_GE(other, 0);
  EXPECT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
  close(other);
}

// A writer killed after writing the new file but before renaming it must cost nothing: the old
// hive stays as it was and the next writer clears the leftover.
TEST_F(HiveFileTest, CrashBeforeReplaceKeepsTheOldHive) {
  {
    HiveFile file;
    ASSERT_EQ(file.Open(), ERROR_SUCCESS);
    ASSERT_EQ(file.Save(kSample), ERROR_SUCCESS);
  }
  const std::string before = ReadFile(HivePath());

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    HiveFile file;
    if (file.Open() != ERROR_SUCCESS) _exit(2);
    file.Save(kOther, [] { _exit(0); });
    _exit(3);  // the callback never ran
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);

  EXPECT_EQ(ReadFile(HivePath()), before);
  EXPECT_TRUE(std::filesystem::exists(HivePath() + ".tmp"));  // what the crash left

  HiveFile file;
  ASSERT_EQ(file.Open(), ERROR_SUCCESS);
  Hive loaded;
  ASSERT_EQ(file.Load(&loaded), ERROR_SUCCESS);
  EXPECT_EQ(loaded, kSample);
  ASSERT_EQ(file.Save(kOther), ERROR_SUCCESS);
  EXPECT_EQ(List(RegistryDir()), Written());
  ASSERT_EQ(file.Load(&loaded), ERROR_SUCCESS);
  EXPECT_EQ(loaded, kOther);
}

TEST_F(HiveFileTest, UnreachableFolderFailsWithoutLitter) {
  // Root ignores permission bits, so a file where a folder must be is what stops every user.
  WriteFile(RegistryDir(), "not a folder");
  HiveFile file;
  const LONG error = file.Open();
  EXPECT_NE(error, ERROR_SUCCESS);
  EXPECT_EQ(List(config_), std::vector<std::string>{"registry"});
  EXPECT_EQ(ReadFile(RegistryDir()), "not a folder");

  setenv("XDG_CONFIG_HOME", (RegistryDir() + "/below").c_str(), 1);
  EXPECT_NE(file.Open(), ERROR_SUCCESS);
  EXPECT_EQ(List(config_), std::vector<std::string>{"registry"});
}

TEST_F(HiveFileTest, FailedReplaceRemovesTheTemporaryFile) {
  std::filesystem::create_directories(HivePath() + "/in-the-way");
  HiveFile file;
  ASSERT_EQ(file.Open(), ERROR_SUCCESS);
  Hive hive;
  EXPECT_EQ(file.Load(&hive), ERROR_CANTREAD);
  EXPECT_EQ(file.Save(kSample), ERROR_CANTWRITE);
  EXPECT_EQ(List(RegistryDir()), Written());
  EXPECT_EQ(List(HivePath()), std::vector<std::string>{"in-the-way"});
}

}  // namespace
