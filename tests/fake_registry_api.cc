#include "fake_registry_api.h"

#include <new>

FakeRegistry& Fake() {
  static FakeRegistry fake;
  return fake;
}

void ResetFake() { Fake() = FakeRegistry{}; }

HKEY GarbageHandle() { return reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0xBAD0)); }

namespace sys {

// The Windows API's signature, which takes the class name as LPSTR.
// NOLINTNEXTLINE(readability-non-const-parameter)
LONG RegCreateKeyExA(HKEY key, LPCSTR sub_key, DWORD reserved, LPSTR key_class, DWORD options,
                     REGSAM desired, LPSECURITY_ATTRIBUTES security, PHKEY result,
                     LPDWORD disposition) {
  FakeRegistry& fake = Fake();
  RegistryCall call;
  call.kind = RegistryCall::Kind::kCreateKey;
  call.key = key;
  call.name = sub_key != nullptr ? sub_key : "<null>";
  call.reserved = reserved;
  call.has_class = key_class != nullptr;
  call.options = options;
  call.desired = desired;
  call.has_security = security != nullptr;
  fake.calls.push_back(call);
  if (fake.create_result != ERROR_SUCCESS) {
    // Leave junk behind: callers must go by the result code, not the out-parameter.
    if (result != nullptr) *result = GarbageHandle();
    return fake.create_result;
  }
  const HKEY handle = reinterpret_cast<HKEY>(fake.next_handle++);
  fake.open_keys.insert(handle);
  *result = handle;
  if (disposition != nullptr) *disposition = 1;
  return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY key, LPCSTR value_name, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD size) {
  FakeRegistry& fake = Fake();
  RegistryCall call;
  call.kind = RegistryCall::Kind::kSetValue;
  call.key = key;
  call.name = value_name != nullptr ? value_name : "<null>";
  call.reserved = reserved;
  call.type = type;
  call.data.assign(reinterpret_cast<const char*>(data), size);
  call.size = size;
  fake.calls.push_back(call);
  if (fake.set_throws == Throw::kBadAlloc) throw std::bad_alloc();
  if (fake.set_throws == Throw::kNonStandard) throw 42;
  if (fake.open_keys.count(key) == 0) return ERROR_INVALID_HANDLE;
  return fake.set_result;
}

LONG RegCloseKey(HKEY key) {
  FakeRegistry& fake = Fake();
  RegistryCall call;
  call.kind = RegistryCall::Kind::kCloseKey;
  call.key = key;
  fake.calls.push_back(call);
  return fake.open_keys.erase(key) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

}  // namespace sys
