// Fuzzes the REGEDIT4 reader: whatever it reads must survive being written and read again, and
// nothing it reads or writes may grow out of proportion to the input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "regedit4.h"
#include "standin/hive_compare.h"

namespace {

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "regedit4 check failed: %s\n", what);
  std::abort();
}

// Every path, name and data byte the hive holds; each costs the input at least one byte.
std::size_t HeldBytes(const Hive& hive) {
  std::size_t bytes = 0;
  for (const RegKey& key : hive.keys) {
    bytes += key.path.size();
    for (const RegValue& value : key.values) bytes += value.name.size() + value.data.size();
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<Hive> hive = ParseHive(text);
  if (!hive) return 0;
  Check(HeldBytes(*hive) <= size, "the hive holds more bytes than its text");

  const std::string written = FormatHive(*hive);
  // Hex with line wraps is the widest form: about 3.2 output bytes per input byte.
  Check(written.size() <= 4 * size + 64, "the written form is out of proportion to the input");
  const std::optional<Hive> reread = ParseHive(written);
  Check(reread.has_value(), "the reader refuses what the writer wrote");
  Check(*reread == *hive, "reading the written form gives other keys or values");
  Check(FormatHive(*reread) == written, "writing again gives other text");
  return 0;
}
