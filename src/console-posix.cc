#include <cerrno>
#include <string>

#include <unistd.h>

#include "console.h"

void WriteLine(std::string_view text) noexcept {
  try {
    std::string line;
    line.reserve(text.size() + 2);
    line.append(text).append("\r\n");
    // Unbuffered: each line is out as soon as it is whole, and nothing waits for exit.
    const char* data = line.data();
    size_t left = line.size();
    while (left > 0) {
      const ssize_t written = ::write(STDOUT_FILENO, data, left);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return;
      data += written;
      left -= static_cast<size_t>(written);
    }
  } catch (...) {
    // Out of memory for one line of output: the line is lost, the run goes on.
  }
}
