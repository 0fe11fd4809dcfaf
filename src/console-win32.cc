#include <string>

#include <windows.h>

#include "console.h"

void WriteLine(std::string_view text) noexcept {
  try {
    std::string line;
    line.reserve(text.size() + 2);
    line.append(text).append("\r\n");
    // Straight to the handle: no C runtime text mode to double the CR, no buffer held until exit.
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
    const char* data = line.data();
    size_t left = line.size();
    while (left > 0) {
      DWORD written = 0;
      const DWORD chunk = left > 0x10000 ? 0x10000 : static_cast<DWORD>(left);
      if (!WriteFile(out, data, chunk, &written, nullptr) || written == 0) return;
      data += written;
      left -= written;
    }
  } catch (...) {
    // Out of memory for one line of output: the line is lost, the run goes on.
  }
}
