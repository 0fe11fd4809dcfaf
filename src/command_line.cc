#include "command_line.h"

namespace {

bool IsSeparator(char c) {
  const auto code = static_cast<unsigned char>(c);
  return code >= 1 && code <= 32;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view command_line) {
  command_line = command_line.substr(0, command_line.find('\0'));
  const size_t end = command_line.size();
  std::vector<std::string> words;
  size_t pos = 0;
  while (true) {
    while (pos < end) {
      if (IsSeparator(command_line[pos])) {
        ++pos;
      } else if (command_line[pos] == '"' && pos + 1 < end && command_line[pos + 1] == '"') {
        pos += 2;
      } else {
        break;
      }
    }
    if (pos == end) break;
    std::string word;
    while (pos < end && !IsSeparator(command_line[pos])) {
      if (command_line[pos] == '"') {
        const size_t close = command_line.find('"', pos + 1);
        const size_t stop = close == std::string_view::npos ? end : close;
        word.append(command_line.substr(pos + 1, stop - pos - 1));
        pos = close == std::string_view::npos ? end : close + 1;
      } else {
        const size_t start = pos;
        while (pos < end && !IsSeparator(command_line[pos]) && command_line[pos] != '"') ++pos;
        word.append(command_line.substr(start, pos - start));
      }
    }
    // Only a lone quote at the very end can give an empty word; it is no argument.
    if (!word.empty()) words.push_back(std::move(word));
  }
  return words;
}

std::vector<std::string> ArgumentsOf(std::string_view command_line) {
  std::vector<std::string> words = SplitCommandLine(command_line);
  if (!words.empty()) words.erase(words.begin());
  return words;
}
