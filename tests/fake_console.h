// Console stand-in for unit tests: keeps every byte the code under test would have written.
#pragma once

#include <string>

// Everything written since the last ClearConsole(), CR LF line ends included.
const std::string& ConsoleOutput();
void ClearConsole();
