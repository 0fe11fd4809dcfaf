// The registry functions the tool uses, kept in a REGEDIT4 file per user. Each call re-reads the
// file under its lock, so other processes' changes are never overwritten.
#include "winreg-posix.h"

#include <cstdint>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "hive_file-posix.h"
#include "regedit4.h"

namespace {

// Open keys by handle value. Values count up and are never reused, so a closed handle stays
// invalid instead of quietly naming some other key.
class HandleTable {
 public:
  std::optional<std::string> PathOf(HKEY key) const {
    if (key == HKEY_CURRENT_USER) return std::string(kHiveRoot);
    const auto found = open_.find(reinterpret_cast<std::uintptr_t>(key));
    if (found == open_.end()) return std::nullopt;
    return found->second;
  }

  // Null when the handle values run out; they must stay clear of the predefined keys.
  HKEY Add(std::string path) {
    if (next_ >= kPredefinedKeys) return nullptr;
    const std::uintptr_t value = next_++;
    open_.emplace(value, std::move(path));
    return reinterpret_cast<HKEY>(value);
  }

  bool Remove(HKEY key) { return open_.erase(reinterpret_cast<std::uintptr_t>(key)) == 1; }

 private:
  static constexpr std::uintptr_t kPredefinedKeys = 0x80000000u;
  std::unordered_map<std::uintptr_t, std::string> open_;
  std::uintptr_t next_ = 1;
};

HandleTable& Handles() {
  static HandleTable table;
  return table;
}

bool IsRoot(std::string_view path) { return EqualsIgnoringCase(path, kHiveRoot); }

// How the key at `path` is stored, if it exists: with a section of its own, or only as the
// parent of one that has.
std::optional<std::string> ExistingKey(const Hive& hive, std::string_view path) {
  std::optional<std::string> implied;
  for (const RegKey& key : hive.keys) {
    const std::string_view stored = key.path;
    if (!EqualsIgnoringCase(stored.substr(0, path.size()), path)) continue;
    if (stored.size() == path.size()) return key.path;
    if (!implied && stored[path.size()] == '\\') implied = key.path.substr(0, path.size());
  }
  return implied;
}

// Splits a sub key into its names. One trailing backslash is allowed, as on Windows.
LONG SplitSubKey(LPCSTR sub_key, std::vector<std::string_view>* names) {
  if (sub_key == nullptr || *sub_key == '\0') return ERROR_SUCCESS;
  std::string_view path(sub_key);
  if (HasControlCharacter(path)) return ERROR_INVALID_PARAMETER;
  if (path.size() > 1 && path.back() == '\\') path.remove_suffix(1);
  while (true) {
    const std::size_t slash = path.find('\\');
    const std::string_view name = path.substr(0, slash);
    if (name.empty()) return ERROR_BAD_PATHNAME;
    names->push_back(name);
    if (slash == std::string_view::npos) return ERROR_SUCCESS;
    path.remove_prefix(slash + 1);
  }
}

LONG CreateKey(HKEY key, LPCSTR sub_key, PHKEY result, LPDWORD disposition) {
  const auto base = Handles().PathOf(key);
  if (!base) return ERROR_INVALID_HANDLE;
  std::vector<std::string_view> names;
  if (const LONG error = SplitSubKey(sub_key, &names)) return error;

  HiveFile file;
  if (const LONG error = file.Open()) return error;
  Hive hive;
  if (const LONG error = file.Load(&hive)) return error;

  std::string path(kHiveRoot);
  if (!IsRoot(*base)) {
    auto existing = ExistingKey(hive, *base);
    if (!existing) return ERROR_KEY_DELETED;
    path = std::move(*existing);
  }
  // A key implies its parents even where they have no section of their own, so the deepest key
  // already there decides what is new; only the names below it are created.
  std::vector<std::string> spelled;  // the path to each depth, in the caller's case
  for (const std::string_view name : names) {
    spelled.push_back((spelled.empty() ? path : spelled.back()) + '\\');
    spelled.back() += name;
  }
  std::size_t existing_depth = 0;
  for (std::size_t depth = spelled.size(); depth > 0; --depth) {
    if (auto existing = ExistingKey(hive, spelled[depth - 1])) {
      path = std::move(*existing);  // the case it was created with
      existing_depth = depth;
      break;
    }
  }
  const bool created = existing_depth < names.size();
  for (std::size_t depth = existing_depth; depth < names.size(); ++depth) {
    path += '\\';
    path += names[depth];
    hive.keys.push_back(RegKey{path, {}});
  }
  if (created) {
    if (const LONG error = file.Save(hive)) return error;
  }
  const HKEY handle = Handles().Add(std::move(path));
  if (handle == nullptr) return ERROR_OUTOFMEMORY;
  *result = handle;
  if (disposition != nullptr)
    *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LONG StoreValue(HKEY key, LPCSTR value_name, DWORD reserved, DWORD type, const BYTE* data,
                DWORD size) {
  const auto path = Handles().PathOf(key);
  if (!path) return ERROR_INVALID_HANDLE;
  if (reserved != 0) return ERROR_INVALID_PARAMETER;
  if (data == nullptr && size > 0) return ERROR_NOACCESS;
  const std::string_view name = value_name == nullptr ? std::string_view() : value_name;
  if (HasControlCharacter(name)) return ERROR_INVALID_PARAMETER;
  std::string bytes;
  if (data != nullptr) bytes.assign(reinterpret_cast<const char*>(data), size);

  HiveFile file;
  if (const LONG error = file.Open()) return error;
  Hive hive;
  if (const LONG error = file.Load(&hive)) return error;

  RegKey* target = FindKey(hive, *path);
  if (target == nullptr) {
    // The root and keys known only as parents exist; they need a section once they hold a value.
    if (IsRoot(*path)) {
      target = &*hive.keys.insert(hive.keys.begin(), RegKey{std::string(kHiveRoot), {}});
    } else if (auto existing = ExistingKey(hive, *path)) {
      target = &hive.keys.emplace_back(RegKey{std::move(*existing), {}});
    } else {
      return ERROR_KEY_DELETED;
    }
  }
  SetValue(*target, name, type, std::move(bytes));
  return file.Save(hive);
}

}  // namespace

LONG RegCreateKeyExA(HKEY key, LPCSTR sub_key, DWORD reserved, LPSTR /*key_class*/,
                     DWORD /*options*/, REGSAM /*desired*/, LPSECURITY_ATTRIBUTES /*security*/,
                     PHKEY result, LPDWORD disposition) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  if (reserved != 0) return ERROR_INVALID_PARAMETER;
  try {
    return CreateKey(key, sub_key, result, disposition);
  } catch (const std::bad_alloc&) {
    return ERROR_OUTOFMEMORY;
  } catch (const std::length_error&) {
    return ERROR_OUTOFMEMORY;
  }
}

LONG RegSetValueExA(HKEY key, LPCSTR value_name, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD size) {
  try {
    return StoreValue(key, value_name, reserved, type, data, size);
  } catch (const std::bad_alloc&) {
    return ERROR_OUTOFMEMORY;
  } catch (const std::length_error&) {
    return ERROR_OUTOFMEMORY;
  }
}

LONG RegCloseKey(HKEY key) {
  if (key == HKEY_CURRENT_USER) return ERROR_SUCCESS;
  return Handles().Remove(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
