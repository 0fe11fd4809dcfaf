// A registry object in the manner of the VCL's TRegistry, with only what the tool needs:
// a root key, an access mask, opening (creating) one key, writing one string, closing.
#pragma once

#include <stdexcept>
#include <string>

#include "registry_api.h"

class ERegistryException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TRegistry {
 public:
  TRegistry() = default;
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  HKEY RootKey() const { return root_key_; }
  void SetRootKey(HKEY key);
  REGSAM Access() const { return access_; }
  void SetAccess(REGSAM access) { access_ = access; }
  // The handle of the open key, or null when none is open.
  HKEY CurrentKey() const { return current_key_; }

  // Opens `key` below the root key, creating it and any missing parents. Any key already open is
  // closed first. Returns whether a key is now open.
  bool OpenKey(const std::string& key);
  // Stores `value` as REG_SZ (its bytes and one NUL) in the open key. Raises ERegistryException on
  // failure, including when no key is open.
  void WriteString(const std::string& name, const std::string& value);
  // Closes the open key, if any. Lazy write: no flush is forced.
  void CloseKey();

 private:
  HKEY root_key_ = HKEY_CURRENT_USER;
  REGSAM access_ = KEY_ALL_ACCESS;
  HKEY current_key_ = nullptr;
};
