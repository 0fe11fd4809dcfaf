#include "hive_file-posix.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace {

constexpr const char* kHiveName = "/HKEY_CURRENT_USER.reg";

class UniqueFd {
 public:
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() {
    if (fd_ >= 0) close(fd_);
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  void Release() { fd_ = -1; }
  // Closes now so that the caller sees close()'s own failure; returns its errno or 0.
  int Close() {
    const int fd = fd_;
    fd_ = -1;
    return close(fd) == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

// Unlinks the temporary file on every way out of Save() except a completed rename.
class TempFileGuard {
 public:
  explicit TempFileGuard(const std::string& path) : path_(path) {}
  ~TempFileGuard() {
    if (armed_) unlink(path_.c_str());
  }
  TempFileGuard(const TempFileGuard&) = delete;
  TempFileGuard& operator=(const TempFileGuard&) = delete;
  void Release() { armed_ = false; }

 private:
  const std::string& path_;
  bool armed_ = true;
};

bool IsAbsolute(const char* path) { return path != nullptr && path[0] == '/'; }

std::optional<std::string> HomeFromPasswordDatabase() {
  const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 4096u);
  while (true) {
    passwd entry{};
    passwd* found = nullptr;
    const int error = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found);
    if (error == ERANGE && buffer.size() < (1u << 20)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (error != 0 || found == nullptr || !IsAbsolute(found->pw_dir)) return std::nullopt;
    return std::string(found->pw_dir);
  }
}

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// mkdir -p with mode 0700 for the folders it makes. Returns 0 or an errno.
int MakeDirectories(const std::string& path) {
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string prefix = path.substr(0, slash);
    if (!prefix.empty() && prefix.back() != '/' && mkdir(prefix.c_str(), 0700) != 0 &&
        errno != EEXIST) {
      // An existing folder may still refuse mkdir (a read-only mount, say); that is fine.
      const int error = errno;
      if (!IsDirectory(prefix)) return error;
    }
    if (slash == std::string::npos) return 0;
  }
}

// Writes everything, retrying short writes and interruptions. Returns 0 or an errno.
int WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t written = write(fd, text.data() + done, text.size() - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += static_cast<std::size_t>(written);
  }
  return 0;
}

}  // namespace

std::optional<std::string> HiveDirectory() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (IsAbsolute(config)) return std::string(config) + "/registry";
  const char* home = std::getenv("HOME");
  std::optional<std::string> base;
  if (IsAbsolute(home)) {
    base = home;
  } else {
    base = HomeFromPasswordDatabase();
  }
  if (!base) return std::nullopt;
  return *base + "/.config/registry";
}

LONG ErrorFromErrno(int error, LONG fallback) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT:
      return ERROR_DISK_FULL;
    case ENOMEM:
      return ERROR_OUTOFMEMORY;
    default:
      return fallback;
  }
}

HiveFile::~HiveFile() {
  if (lock_fd_ >= 0) close(lock_fd_);  // also drops the lock
}

LONG HiveFile::Open() {
  if (lock_fd_ >= 0) {
    close(lock_fd_);
    lock_fd_ = -1;
  }
  const auto directory = HiveDirectory();
  if (!directory) return ERROR_CANTREAD;
  // Failing to reach the folder or its lock stops reads as well as writes.
  if (const int error = MakeDirectories(*directory)) return ErrorFromErrno(error, ERROR_CANTREAD);
  directory_ = *directory;
  hive_path_ = directory_ + kHiveName;
  temp_path_ = hive_path_ + ".tmp";
  const std::string lock_path = hive_path_ + ".lock";
  UniqueFd lock(open(lock_path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (lock.get() < 0) return ErrorFromErrno(errno, ERROR_CANTREAD);
  while (flock(lock.get(), LOCK_EX) != 0) {
    if (errno != EINTR) return ErrorFromErrno(errno, ERROR_CANTREAD);
  }
  lock_fd_ = lock.get();
  lock.Release();
  return ERROR_SUCCESS;
}

LONG HiveFile::Load(Hive* hive) const {
  UniqueFd fd(open(hive_path_.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) {
    if (errno != ENOENT) return ErrorFromErrno(errno, ERROR_CANTREAD);
    *hive = Hive{};
    return ERROR_SUCCESS;
  }
  std::string text;
  struct stat info {};
  if (fstat(fd.get(), &info) == 0 && info.st_size > 0) {
    text.reserve(static_cast<std::size_t>(info.st_size));
  }
  char chunk[65536];
  while (true) {
    const ssize_t got = read(fd.get(), chunk, sizeof chunk);
    if (got < 0) {
      if (errno == EINTR) continue;
      return ErrorFromErrno(errno, ERROR_CANTREAD);
    }
    if (got == 0) break;
    text.append(chunk, static_cast<std::size_t>(got));
  }
  auto parsed = ParseHive(text);
  if (!parsed) return ERROR_BADDB;
  *hive = std::move(*parsed);
  return ERROR_SUCCESS;
}

LONG HiveFile::Save(const Hive& hive, const BeforeReplace& before_replace) const {
  const std::string text = FormatHive(hive);
  // Writers hold the lock, so a temporary file already there is a crashed run's leftover.
  if (unlink(temp_path_.c_str()) != 0 && errno != ENOENT) {
    return ErrorFromErrno(errno, ERROR_CANTWRITE);
  }
  UniqueFd fd(open(temp_path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (fd.get() < 0) return ErrorFromErrno(errno, ERROR_CANTWRITE);
  TempFileGuard guard(temp_path_);
  if (const int error = WriteAll(fd.get(), text)) return ErrorFromErrno(error, ERROR_CANTWRITE);
  if (fsync(fd.get()) != 0) return ErrorFromErrno(errno, ERROR_CANTWRITE);
  if (const int error = fd.Close()) return ErrorFromErrno(error, ERROR_CANTWRITE);
  if (before_replace) before_replace();
  if (rename(temp_path_.c_str(), hive_path_.c_str()) != 0) {
    return ErrorFromErrno(errno, ERROR_CANTWRITE);
  }
  guard.Release();
  // Makes the rename itself durable. Its failure is not reported: the new hive is already what
  // every reader sees, so calling the change failed would be untrue.
  UniqueFd directory(open(directory_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.get() >= 0) fsync(directory.get());
  return ERROR_SUCCESS;
}
