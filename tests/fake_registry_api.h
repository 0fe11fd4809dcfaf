// A registry for unit tests: records every call with its arguments, and fails on request.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "registry_api.h"

struct RegistryCall {
  enum class Kind { kCreateKey, kSetValue, kCloseKey };
  Kind kind = Kind::kCreateKey;
  HKEY key = nullptr;
  std::string name;  // the subkey for kCreateKey, the value name for kSetValue
  DWORD reserved = 0;
  bool has_class = false;
  DWORD options = 0;
  REGSAM desired = 0;
  bool has_security = false;
  DWORD type = 0;
  std::string data;  // exactly `size` bytes
  DWORD size = 0;
};

// What the next calls do: a result code, or throwing (to stand for failures that are not
// registry errors, such as running out of memory).
enum class Throw { kNothing, kBadAlloc, kNonStandard };

struct FakeRegistry {
  std::vector<RegistryCall> calls;
  LONG create_result = ERROR_SUCCESS;
  LONG set_result = ERROR_SUCCESS;
  Throw set_throws = Throw::kNothing;
  std::set<HKEY> open_keys;
  std::uintptr_t next_handle = 0x1000;
};

// The fake behind sys::Reg*; reset to a registry that accepts everything.
FakeRegistry& Fake();
void ResetFake();

// A handle the fake never hands out: what a failed create leaves in its out-parameter.
HKEY GarbageHandle();
