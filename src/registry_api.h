// The three registry functions TRegistry sits on. In the tool they are the system's (advapi32 on
// Windows, our stand-in elsewhere); the unit tests link a recording fake in their place.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include "winreg-posix.h"
#endif

namespace sys {

LONG RegCreateKeyExA(HKEY key, LPCSTR sub_key, DWORD reserved, LPSTR key_class, DWORD options,
                     REGSAM desired, LPSECURITY_ATTRIBUTES security, PHKEY result,
                     LPDWORD disposition);
LONG RegSetValueExA(HKEY key, LPCSTR value_name, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD size);
LONG RegCloseKey(HKEY key);

}  // namespace sys
