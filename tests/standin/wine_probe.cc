// Runs under Wine: prints every value of one key as Windows programs see it, in the same form as
// wine_export, so the two outputs can be compared line by line.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "wine_values.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s SUBKEY\n", argv[0]);
    return 2;
  }
  // Strings cross between UTF-16 and ANSI on import and on reading back; the expected bytes are
  // chosen to survive code page 1252, so any other would make this check meaningless.
  if (GetACP() != 1252) {
    std::fprintf(stderr, "ANSI code page is %u, not 1252\n", GetACP());
    return 1;
  }
  _setmode(_fileno(stdout), _O_BINARY);  // LF only, like the native side
  HKEY key = nullptr;
  LONG result = RegOpenKeyExA(HKEY_CURRENT_USER, argv[1], 0, KEY_QUERY_VALUE, &key);
  if (result != ERROR_SUCCESS) {
    std::fprintf(stderr, "RegOpenKeyExA: %ld\n", result);
    return 1;
  }
  std::vector<std::string> lines;
  for (DWORD index = 0;; ++index) {
    // Generous fixed sizes: the check's values are all far smaller.
    std::vector<char> name(16384);
    std::vector<BYTE> data(1 << 20);
    DWORD name_size = static_cast<DWORD>(name.size());
    DWORD data_size = static_cast<DWORD>(data.size());
    DWORD type = 0;
    result =
        RegEnumValueA(key, index, name.data(), &name_size, nullptr, &type, data.data(), &data_size);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS) {
      std::fprintf(stderr, "RegEnumValueA(%lu): %ld\n", index, result);
      return 1;
    }
    lines.push_back(DescribeValue(std::string(name.data(), name_size), type,
                                  std::string(data.begin(), data.begin() + data_size)));
  }
  RegCloseKey(key);
  std::sort(lines.begin(), lines.end());
  for (const std::string& line : lines) std::printf("%s\n", line.c_str());
  return 0;
}
