// Equality and short printing for hives, so failures show which value differs.
#pragma once

#include <ostream>
#include <string>

#include "regedit4.h"

inline bool operator==(const RegValue& a, const RegValue& b) {
  return a.name == b.name && a.type == b.type && a.data == b.data;
}
inline bool operator==(const RegKey& a, const RegKey& b) {
  return a.path == b.path && a.values == b.values;
}
inline bool operator==(const Hive& a, const Hive& b) { return a.keys == b.keys; }

// Bytes as C escapes, cut short: a megabyte value must not flood the log.
inline std::string Escaped(const std::string& bytes) {
  constexpr std::size_t kShown = 48;
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < bytes.size() && i < kShown; ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      out += "\\x";
      out += kDigits[c >> 4];
      out += kDigits[c & 0xFu];
    }
  }
  if (bytes.size() > kShown) out += "...(" + std::to_string(bytes.size()) + " bytes)";
  return out;
}

inline void PrintTo(const RegValue& value, std::ostream* os) {
  *os << '"' << Escaped(value.name) << "\" type " << value.type << " \"" << Escaped(value.data)
      << '"';
}
inline void PrintTo(const RegKey& key, std::ostream* os) {
  *os << '[' << Escaped(key.path) << ']';
  for (const RegValue& value : key.values) {
    *os << "\n  ";
    PrintTo(value, os);
  }
}
inline void PrintTo(const Hive& hive, std::ostream* os) {
  for (const RegKey& key : hive.keys) {
    *os << '\n';
    PrintTo(key, os);
  }
}
