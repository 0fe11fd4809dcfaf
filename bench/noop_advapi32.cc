// A no-op that imports ADVAPI32.dll as the tool does: prices the loading of that DLL alone.
#include <windows.h>

int main(int argc, char**) {
  // Never called; referring to it is what puts ADVAPI32.dll in the import table.
  if (argc < 0) RegCloseKey(nullptr);
  return 0;
}
