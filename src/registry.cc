#include "registry.h"

#include <limits>

TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(HKEY key) {
  CloseKey();
  root_key_ = key;
}

bool TRegistry::OpenKey(const std::string& key) {
  CloseKey();
  HKEY opened = nullptr;
  DWORD disposition = 0;
  const LONG result =
      sys::RegCreateKeyExA(root_key_, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access_,
                           nullptr, &opened, &disposition);
  if (result != ERROR_SUCCESS) return false;
  current_key_ = opened;
  return true;
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  // With no key open the call is still made: the system refuses a null handle, which is how a
  // failed open surfaces as a failed write.
  const std::string message = "Failed to set data for '" + name + "'";
  if (value.size() >= std::numeric_limits<DWORD>::max()) throw ERegistryException(message);
  const LONG result = sys::RegSetValueExA(current_key_, name.c_str(), 0, REG_SZ,
                                          reinterpret_cast<const BYTE*>(value.c_str()),
                                          static_cast<DWORD>(value.size() + 1));
  if (result != ERROR_SUCCESS) throw ERegistryException(message);
}

void TRegistry::CloseKey() {
  if (current_key_ == nullptr) return;
  sys::RegCloseKey(current_key_);
  current_key_ = nullptr;
}
