// Process entry on Windows: the raw command line is split by our own rules, not the C runtime's.
#include <windows.h>

#include "command_line.h"
#include "main.h"

// The C runtime's argv goes unused; spare it the wildcard expansion.
extern "C" {
int _dowildcard = 0;
}

int main() { return Run(ArgumentsOf(GetCommandLineA())); }
