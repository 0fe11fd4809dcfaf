// Process entry on POSIX: the shell has split the words already.
#include <csignal>
#include <string>
#include <vector>

#include "main.h"

int main(int argc, char** argv) {
  // A reader that went away must not kill the run before the value is stored.
  std::signal(SIGPIPE, SIG_IGN);
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) {
    // An empty argument is never seen, just as on Windows.
    if (argv[i][0] != '\0') arguments.emplace_back(argv[i]);
  }
  return Run(arguments);
}
