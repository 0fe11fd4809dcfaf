// The awkward values the Wine import check writes through the stand-in and expects Wine to read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct WineValue {
  std::string name;
  std::uint32_t type;
  std::string data;
  // What Wine reads back where its import itself differs from the file, not our writing.
  std::optional<std::string> wine_reads = std::nullopt;
};

// One line per value: name and data as hex, so any byte compares plainly in a diff.
inline std::string DescribeValue(const std::string& name, std::uint32_t type,
                                 const std::string& data) {
  static const char kDigits[] = "0123456789abcdef";
  const auto hex = [](const std::string& bytes) {
    std::string out = bytes.empty() ? "-" : "";
    for (char c : bytes) {
      const auto b = static_cast<unsigned char>(c);
      out += kDigits[b >> 4];
      out += kDigits[b & 0xFu];
    }
    return out;
  };
  return "name=" + hex(name) + " type=" + std::to_string(type) + " data=" + hex(data);
}

inline std::vector<WineValue> WineValues() {
  using namespace std::string_literals;
  std::string every_byte;
  for (int b = 0; b < 256; ++b) every_byte += static_cast<char>(b);
  return {
      {"", 1, "default\0"s},
      {"plain", 1, "Doc\0"s},
      {"quotes \"and\" \\backslashes\\", 1, "C:\\dir\\\"x\"\\\0"s},
      {"brackets [x] = @ ;", 1, "[HKEY_CURRENT_USER\\X]\"y\"=-\0"s},
      {"@", 1, "named at\0"s},
      {"blanks", 1, "  two  blanks  \0"s},
      {"empty", 1, "\0"s},
      // Wine turns ANSI strings into UTF-16 through its code page (1252 here) and back again when
      // read with the A functions; these bytes are letters in 1252, so they survive the trip.
      {"high \xe9", 1, "caf\xe9 \xa3\xc0\xff\0"s},
      {"control", 1, "a\tb\r\nc\x01\x7f\0"s},
      // The file says hex(1):61,62,63, but Wine terminates every ANSI string it imports.
      {"missing nul", 1, "abc"s, "abc\0"s},
      {"extra nul", 1, "abc\0\0"s},
      {"long", 1, std::string(3000, 'L') + '\0'},
      {"dword", 4, "\x78\x56\x34\x12"s},
      {"short dword", 4, "\x01\x02\x03"s},
      {"binary", 3, every_byte},
      {"no bytes", 3, ""},
      {"expand", 2, "%PATH%;x\0"s},
      {"multi", 7, "a\0bc\0\0"s},
      {"none", 0, "\x01\x02"s},
      {"odd type", 0x12345, "\xaa\x00\xbb"s},
  };
}
