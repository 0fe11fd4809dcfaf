// Where the current user's hive lives on POSIX, and reading and replacing it safely while other
// processes do the same.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "regedit4.h"
#include "winreg-posix.h"

// ${XDG_CONFIG_HOME:-$HOME/.config}/registry, without creating anything; nullopt when no home
// folder can be found.
std::optional<std::string> HiveDirectory();

// The Windows error code for a failed call that set `error`; `fallback` for errors that have no
// closer match (ERROR_CANTREAD or ERROR_CANTWRITE, say).
LONG ErrorFromErrno(int error, LONG fallback);

// One read-modify-write of the hive: Open() takes an exclusive lock that is held until the object
// goes away, so writers in other processes wait rather than lose each other's changes.
class HiveFile {
 public:
  // Run by Save() after the new hive is complete on disk and just before it replaces the old one.
  using BeforeReplace = std::function<void()>;

  HiveFile() = default;
  ~HiveFile();
  HiveFile(const HiveFile&) = delete;
  HiveFile& operator=(const HiveFile&) = delete;

  // Finds the hive's folder, creating it (0700) if need be, and takes the lock.
  LONG Open();
  // A missing hive reads as an empty one; one that does not parse is ERROR_BADDB.
  LONG Load(Hive* hive) const;
  // Replaces the hive by renaming a complete new file over it, so a crash at any point leaves
  // either the old hive or the new one. Leaves no temporary file behind when it returns.
  LONG Save(const Hive& hive, const BeforeReplace& before_replace = nullptr) const;

  const std::string& hive_path() const { return hive_path_; }
  const std::string& temp_path() const { return temp_path_; }

 private:
  std::string directory_;
  std::string hive_path_;
  std::string temp_path_;
  int lock_fd_ = -1;
};
