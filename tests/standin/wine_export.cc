// Writes the Wine import check's values through the stand-in (into $XDG_CONFIG_HOME) and prints
// what Wine should read back, one sorted line per value.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "wine_values.h"
#include "winreg-posix.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s SUBKEY\n", argv[0]);
    return 2;
  }
  HKEY key = nullptr;
  LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, argv[1], 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (result != ERROR_SUCCESS) {
    std::fprintf(stderr, "RegCreateKeyExA: %d\n", static_cast<int>(result));
    return 1;
  }
  std::vector<std::string> lines;
  for (const WineValue& value : WineValues()) {
    result = RegSetValueExA(key, value.name.c_str(), 0, value.type,
                            reinterpret_cast<const BYTE*>(value.data.data()),
                            static_cast<DWORD>(value.data.size()));
    if (result != ERROR_SUCCESS) {
      std::fprintf(stderr, "RegSetValueExA: %d\n", static_cast<int>(result));
      return 1;
    }
    lines.push_back(DescribeValue(value.name, value.type, value.wine_reads.value_or(value.data)));
  }
  RegCloseKey(key);
  std::sort(lines.begin(), lines.end());
  for (const std::string& line : lines) std::printf("%s\n", line.c_str());
  return 0;
}
