// Runs the built tool the way a user does and reads back what it left in the registry. The
// platform files say what "the registry" is: Wine's on Windows, the stand-in's hive elsewhere.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct Invocation {
  // What follows the program name on a Windows command line, passed on verbatim.
  std::string command_tail;
  // The same arguments as a POSIX shell would hand them over.
  std::vector<std::string> argv;
  // Standard output is a pipe that nobody reads any more.
  bool stdout_closed = false;
};

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

struct StoredValue {
  std::uint32_t type = 0;
  std::string data;
};

Outcome RunTool(const Invocation& how);

// Clears the tool's part of the registry.
void ResetStore();
// Makes the next store fail the way a permission problem would.
void BreakStore();
// Puts a value of another type where the tool writes, to see it replaced.
void PutDwordValue();
// DefaultFormat as stored, if there is one.
std::optional<StoredValue> ReadDefaultFormat();
