#include "main.h"

#include "console.h"
#include "default_format.h"
#include "usage.h"

namespace {

constexpr const char* kBanner[] = {
    "****************************************", "* Tamberwyckle                         *",
    "* Sets the default document type for   *", "* Word 2007                            *",
    "*                                      *", "* See https://tamberwyckle.example     *",
    "* for more free tools, news and tips   *", "****************************************",
};

}  // namespace

void WriteBanner() {
  for (const char* line : kBanner) WriteLine(line);
}

int Run(const std::vector<std::string>& arguments) {
  WriteBanner();
  if (arguments.empty()) {
    WriteUsage();
    return 0;
  }
  // Later arguments are ignored without a word, as they always have been.
  return StoreDefaultFormat(arguments.front()) ? 0 : 1;
}
