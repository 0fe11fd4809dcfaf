#include "fake_console.h"

#include "console.h"

namespace {

std::string& Buffer() {
  static std::string buffer;
  return buffer;
}

}  // namespace

void WriteLine(std::string_view text) noexcept {
  Buffer().append(text);
  Buffer().append("\r\n");
}

const std::string& ConsoleOutput() { return Buffer(); }
void ClearConsole() { Buffer().clear(); }
