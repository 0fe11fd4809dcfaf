#include "registry_api.h"

namespace sys {

LONG RegCreateKeyExA(HKEY key, LPCSTR sub_key, DWORD reserved, LPSTR key_class, DWORD options,
                     REGSAM desired, LPSECURITY_ATTRIBUTES security, PHKEY result,
                     LPDWORD disposition) {
  return ::RegCreateKeyExA(key, sub_key, reserved, key_class, options, desired, security, result,
                           disposition);
}

LONG RegSetValueExA(HKEY key, LPCSTR value_name, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD size) {
  return ::RegSetValueExA(key, value_name, reserved, type, data, size);
}

LONG RegCloseKey(HKEY key) { return ::RegCloseKey(key); }

}  // namespace sys
