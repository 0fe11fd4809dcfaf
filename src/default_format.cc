#include "default_format.h"

#include "console.h"
#include "registry.h"

namespace {

constexpr const char* kOptionsKey = "Software\\Microsoft\\Office\\12.0\\Word\\Options";
constexpr const char* kValueName = "DefaultFormat";

}  // namespace

bool StoreDefaultFormat(const std::string& documentType) noexcept {
  bool stored = false;
  {
    TRegistry registry;
    try {
      registry.SetRootKey(HKEY_CURRENT_USER);
      // Setting one value needs no more; asking for full access would fail for users who may set
      // the value but do not fully control the key.
      registry.SetAccess(KEY_SET_VALUE);
      // The result is not examined: a failed open leaves no key open, so the write below fails.
      registry.OpenKey(kOptionsKey);
      try {
        registry.WriteString(kValueName, documentType);
      } catch (...) {
        registry.CloseKey();
        throw;
      }
      registry.CloseKey();
      stored = true;
    } catch (...) {
      // Whatever went wrong, the user gets one fixed line; the details would not help them.
    }
  }
  try {
    // cppcheck-suppress knownConditionTrueFalse ; cppcheck does not follow the try block above
    WriteLine(stored ? "Default document type set to (" + documentType + ")"
                     : "Could not write to registry - Check your permissions!");
  } catch (...) {
    // No memory left to build the line; the outcome still reaches the caller.
  }
  return stored;
}
