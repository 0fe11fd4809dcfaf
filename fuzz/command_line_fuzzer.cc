// Fuzzes the Windows command-line splitter. The checker states the splitting rules another way
// than the splitter does: which bytes are quoted follows from the parity of the quotes before them;
// the words, joined, are the line without its quotes and unquoted separators; and two kept bytes
// fall in different words exactly when an unquoted separator lies between them.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"

namespace {

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "command line check failed: %s\n", what);
  std::abort();
}

bool IsSeparator(char c) {
  const auto code = static_cast<unsigned char>(c);
  return code >= 1 && code <= 32;
}

void CheckAgainstRules(std::string_view input, const std::vector<std::string>& words) {
  const std::string_view line = input.substr(0, input.find('\0'));
  std::string kept;               // the bytes that must reach some word, in order
  std::vector<std::size_t> cuts;  // for each kept byte: unquoted separators before it
  std::size_t separators_so_far = 0;
  bool quoted = false;
  for (const char c : line) {
    if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && IsSeparator(c)) {
      ++separators_so_far;
    } else {
      kept += c;
      cuts.push_back(separators_so_far);
    }
  }

  std::string joined;
  for (const std::string& word : words) {
    Check(!word.empty(), "an empty word");
    if (!joined.empty()) {
      Check(joined.size() < cuts.size() && cuts[joined.size()] != cuts[joined.size() - 1],
            "a word boundary with no unquoted separator before it");
    }
    for (std::size_t i = 1; i < word.size(); ++i) {
      const std::size_t k = joined.size() + i;
      Check(k < cuts.size() && cuts[k] == cuts[k - 1], "an unquoted separator inside a word");
    }
    joined += word;
  }
  // Equal to `kept` means no byte is lost or invented, so every separator byte in a word came
  // from a quoted stretch.
  Check(joined == kept, "the words are not the line without quotes and unquoted separators");
}

// Arguments without quotes or NULs, each wrapped in quotes after a program name, split back.
void CheckQuotedRoundTrip(std::string_view input) {
  const std::string program = "C:\\Program Files\\tw.exe";
  std::vector<std::string> arguments(1);
  for (const char c : input) {
    if (c == '\0') {
      if (!arguments.back().empty()) arguments.emplace_back();
    } else if (c != '"') {
      arguments.back() += c;
    }
  }
  if (arguments.back().empty()) arguments.pop_back();

  std::string line = "\"" + program + "\"";
  for (const std::string& argument : arguments) line += " \"" + argument + "\"";
  std::vector<std::string> expected{program};
  expected.insert(expected.end(), arguments.begin(), arguments.end());
  Check(SplitCommandLine(line) == expected, "quoted arguments do not split back");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> words = SplitCommandLine(input);
  Check(SplitCommandLine(input) == words, "splitting the same line twice differs");
  const std::vector<std::string> arguments = ArgumentsOf(input);
  Check(words.empty() ? arguments.empty()
                      : std::vector<std::string>(words.begin() + 1, words.end()) == arguments,
        "ArgumentsOf is not the words after the program name");
  CheckAgainstRules(input, words);
  CheckQuotedRoundTrip(input);
  return 0;
}
