// A no-op linked to the shared C++ runtime as the native tool is: prices loading that runtime.
#include <string>

int main(int argc, char** argv) {
  // Out of line in libstdc++, so the program cannot run without the library.
  const std::string name(argc > 0 ? argv[0] : "");
  return name.empty() ? 1 : 0;
}
