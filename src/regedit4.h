// The REGEDIT4 text form of the current user's hive: parsing and writing, with no I/O.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "winreg-posix.h"

struct RegValue {
  std::string name;  // "" is the key's default value, written @=
  DWORD type;
  std::string data;  // raw bytes, exactly as stored
};

struct RegKey {
  std::string path;  // full, e.g. "HKEY_CURRENT_USER\\Software\\X"
  std::vector<RegValue> values;
};

struct Hive {
  std::vector<RegKey> keys;  // in file order
};

// The root every path in a hive starts with.
inline constexpr std::string_view kHiveRoot = "HKEY_CURRENT_USER";

// Returns nullopt for anything that is not a REGEDIT4 file of the current user's hive that we can
// read without guessing. Sections with the same path merge; a repeated value name replaces the
// earlier value in place.
std::optional<Hive> ParseHive(std::string_view text);

// Writes the hive in REGEDIT4 form with CR LF line ends. ParseHive reads it back exactly, provided
// every path is kHiveRoot or below it, with no empty names, and no name or path holds a control
// character (see HasControlCharacter).
std::string FormatHive(const Hive& hive);

// Registry names match ignoring ASCII case; this is the form they are compared in.
std::string FoldCase(std::string_view text);
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// True for bytes below 0x20 and 0x7F: such names and paths cannot be written into the file safely.
bool HasControlCharacter(std::string_view text);

// Linear lookups for a single name; ParseHive indexes its own work.
RegKey* FindKey(Hive& hive, std::string_view path);
RegValue* FindValue(RegKey& key, std::string_view name);

// Replaces the value with the same name (ignoring case, keeping the stored name's case) or appends.
void SetValue(RegKey& key, std::string_view name, DWORD type, std::string data);
