#include "regedit4.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

namespace {

constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kNewline = "\r\n";
// Hex lists wrap before a line would pass this column, as regedit's own exports do.
constexpr std::size_t kHexWrapColumn = 76;
constexpr std::string_view kContinuationIndent = "  ";

char FoldChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLeft(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  return text.substr(i);
}

std::string_view TrimRight(std::string_view text) {
  std::size_t n = text.size();
  while (n > 0 && IsBlank(text[n - 1])) --n;
  return text.substr(0, n);
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A whole field of 1 to max_digits hex digits.
std::optional<DWORD> ParseHexNumber(std::string_view text, std::size_t max_digits) {
  if (text.empty() || text.size() > max_digits) return std::nullopt;
  DWORD value = 0;
  for (char c : text) {
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    value = (value << 4) | static_cast<DWORD>(digit);
  }
  return value;
}

// Splits text into lines on LF, dropping one CR before each LF.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}

  bool Next(std::string_view* line) {
    if (pos_ >= text_.size()) return false;
    const std::size_t end = text_.find('\n', pos_);
    const std::size_t stop = end == std::string_view::npos ? text_.size() : end;
    std::string_view found = text_.substr(pos_, stop - pos_);
    if (!found.empty() && found.back() == '\r') found.remove_suffix(1);
    pos_ = end == std::string_view::npos ? text_.size() : end + 1;
    *line = found;
    return true;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// Reads a quoted string starting at text[*pos] == '"', leaving *pos after the closing quote.
// Only \\ and \" are escapes, as regedit writes them.
std::optional<std::string> ParseQuoted(std::string_view text, std::size_t* pos) {
  std::string out;
  std::size_t i = *pos + 1;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '"') {
      *pos = i + 1;
      return out;
    }
    if (c == '\\') {
      if (i + 1 >= text.size()) return std::nullopt;
      const char escaped = text[i + 1];
      if (escaped != '\\' && escaped != '"') return std::nullopt;
      out += escaped;
      i += 2;
      continue;
    }
    out += c;
    ++i;
  }
  return std::nullopt;  // unterminated
}

std::optional<std::string> ParseHexBytes(std::string_view list) {
  std::string out;
  if (TrimLeft(list).empty()) return out;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = list.find(',', start);
    const std::size_t stop = comma == std::string_view::npos ? list.size() : comma;
    const auto byte = ParseHexNumber(TrimRight(TrimLeft(list.substr(start, stop - start))), 2);
    if (!byte) return std::nullopt;
    out += static_cast<char>(*byte);
    if (comma == std::string_view::npos) return out;
    start = comma + 1;
  }
}

class Parser {
 public:
  std::optional<Hive> Parse(std::string_view text) {
    LineReader lines(text);
    std::string_view line;
    if (!lines.Next(&line) || TrimRight(line) != kHeader) return std::nullopt;
    while (lines.Next(&line)) {
      const std::string_view trimmed = TrimLeft(line);
      if (trimmed.empty() || trimmed.front() == ';') continue;
      const bool ok =
          trimmed.front() == '[' ? ParseSection(TrimRight(trimmed)) : ParseValue(trimmed, &lines);
      if (!ok) return std::nullopt;
    }
    return std::move(hive_);
  }

 private:
  bool ParseSection(std::string_view line) {
    if (line.size() < 2 || line.back() != ']') return false;
    std::string_view path = line.substr(1, line.size() - 2);
    if (!path.empty() && path.front() == '-') return false;  // deletions are not ours to apply
    if (HasControlCharacter(path) || !StartsWithIgnoringCase(path, kHiveRoot)) return false;
    std::string_view below = path.substr(kHiveRoot.size());
    // One trailing backslash is harmless; RegCreateKeyExA takes it too.
    if (below == "\\") {
      below = {};
    } else if (below.size() > 1 && below.back() == '\\') {
      below.remove_suffix(1);
    }
    if (!below.empty()) {
      if (below.front() != '\\') return false;  // e.g. HKEY_CURRENT_USERS
      // Every name between backslashes must be non-empty.
      if (below.size() == 1 || below.back() == '\\' ||
          below.find("\\\\") != std::string_view::npos) {
        return false;
      }
    }
    std::string canonical(kHiveRoot);
    canonical += below;
    std::string folded = FoldCase(canonical);
    const auto found = key_index_.find(folded);
    if (found != key_index_.end()) {
      current_ = found->second;
    } else {
      current_ = hive_.keys.size();
      key_index_.emplace(std::move(folded), current_);
      hive_.keys.push_back(RegKey{std::move(canonical), {}});
      value_index_.emplace_back();
    }
    return true;
  }

  bool ParseValue(std::string_view line, LineReader* lines) {
    if (current_ == kNoKey) return false;
    std::string name;
    std::size_t pos = 0;
    if (line.front() == '@') {
      pos = 1;
    } else if (line.front() == '"') {
      auto quoted = ParseQuoted(line, &pos);
      if (!quoted || HasControlCharacter(*quoted)) return false;
      name = std::move(*quoted);
    } else {
      return false;
    }
    std::string_view rest = TrimLeft(line.substr(pos));
    if (rest.empty() || rest.front() != '=') return false;
    rest = TrimRight(TrimLeft(rest.substr(1)));

    DWORD type = REG_SZ;
    std::string data;
    if (!rest.empty() && rest.front() == '"') {
      std::size_t end = 0;
      auto quoted = ParseQuoted(rest, &end);
      if (!quoted || end != rest.size()) return false;
      data = std::move(*quoted);
      data += '\0';
    } else if (StartsWithIgnoringCase(rest, "dword:")) {
      const auto number = ParseHexNumber(rest.substr(6), 8);
      if (!number) return false;
      type = REG_DWORD;
      for (int shift = 0; shift < 32; shift += 8) {
        data += static_cast<char>((*number >> shift) & 0xFFu);
      }
    } else if (StartsWithIgnoringCase(rest, "hex")) {
      if (!ParseHexValue(rest.substr(3), lines, &type, &data)) return false;
    } else {
      return false;  // includes "-", a deletion
    }
    Store(std::move(name), type, std::move(data));
    return true;
  }

  // `rest` follows "hex": either ":" or "(n):", then a byte list that may go on over lines ending
  // in a backslash.
  static bool ParseHexValue(std::string_view rest, LineReader* lines, DWORD* type,
                            std::string* data) {
    *type = REG_BINARY;
    if (!rest.empty() && rest.front() == '(') {
      const std::size_t close = rest.find(')');
      if (close == std::string_view::npos) return false;
      const auto number = ParseHexNumber(rest.substr(1, close - 1), 8);
      if (!number) return false;
      *type = *number;
      rest = rest.substr(close + 1);
    }
    if (rest.empty() || rest.front() != ':') return false;
    rest = rest.substr(1);

    std::string list;
    while (!rest.empty() && rest.back() == '\\') {
      list += rest.substr(0, rest.size() - 1);
      std::string_view next;
      do {
        if (!lines->Next(&next)) return false;
        next = TrimLeft(next);
      } while (!next.empty() && next.front() == ';');
      rest = TrimRight(next);
    }
    list += rest;
    auto bytes = ParseHexBytes(list);
    if (!bytes) return false;
    *data = std::move(*bytes);
    return true;
  }

  void Store(std::string name, DWORD type, std::string data) {
    RegKey& key = hive_.keys[current_];
    auto& index = value_index_[current_];
    std::string folded = FoldCase(name);
    const auto found = index.find(folded);
    if (found != index.end()) {
      RegValue& value = key.values[found->second];
      value.type = type;
      value.data = std::move(data);
      return;
    }
    index.emplace(std::move(folded), key.values.size());
    key.values.push_back(RegValue{std::move(name), type, std::move(data)});
  }

  static constexpr std::size_t kNoKey = static_cast<std::size_t>(-1);

  Hive hive_;
  std::unordered_map<std::string, std::size_t> key_index_;
  std::vector<std::unordered_map<std::string, std::size_t>> value_index_;
  std::size_t current_ = kNoKey;
};

void AppendQuoted(std::string_view text, std::string* out) {
  *out += '"';
  for (char c : text) {
    if (c == '\\' || c == '"') *out += '\\';
    *out += c;
  }
  *out += '"';
}

// A REG_SZ goes in quotes only when reading it back gives the same bytes: one final NUL, which
// the quotes imply, and nothing that would break the line.
bool FitsInQuotes(const RegValue& value) {
  if (value.type != REG_SZ || value.data.empty() || value.data.back() != '\0') return false;
  return !HasControlCharacter(std::string_view(value.data).substr(0, value.data.size() - 1));
}

void AppendHexByte(unsigned char byte, std::string* out) {
  constexpr std::string_view kDigits = "0123456789abcdef";
  *out += kDigits[byte >> 4];
  *out += kDigits[byte & 0xFu];
}

void AppendHexNumber(DWORD number, std::size_t min_digits, std::string* out) {
  constexpr std::string_view kDigits = "0123456789abcdef";
  char reversed[8];
  std::size_t n = 0;
  do {
    reversed[n++] = kDigits[number & 0xFu];
    number >>= 4;
  } while (number != 0);
  while (n < min_digits) reversed[n++] = '0';
  while (n > 0) *out += reversed[--n];
}

void AppendValue(const RegValue& value, std::string* out) {
  const std::size_t line_start = out->size();
  if (value.name.empty()) {
    *out += '@';
  } else {
    AppendQuoted(value.name, out);
  }
  *out += '=';
  if (FitsInQuotes(value)) {
    AppendQuoted(std::string_view(value.data).substr(0, value.data.size() - 1), out);
  } else if (value.type == REG_DWORD && value.data.size() == 4) {
    DWORD number = 0;
    for (std::size_t i = 4; i-- > 0;) {
      number = (number << 8) | static_cast<unsigned char>(value.data[i]);
    }
    *out += "dword:";
    AppendHexNumber(number, 8, out);
  } else {
    *out += "hex";
    if (value.type != REG_BINARY) {
      *out += '(';
      AppendHexNumber(value.type, 1, out);
      *out += ')';
    }
    *out += ':';
    std::size_t column = out->size() - line_start;
    for (std::size_t i = 0; i < value.data.size(); ++i) {
      AppendHexByte(static_cast<unsigned char>(value.data[i]), out);
      if (i + 1 == value.data.size()) break;
      *out += ',';
      column += 3;
      if (column + 3 > kHexWrapColumn) {
        *out += "\\";
        *out += kNewline;
        *out += kContinuationIndent;
        column = kContinuationIndent.size();
      }
    }
  }
  *out += kNewline;
}

}  // namespace

std::optional<Hive> ParseHive(std::string_view text) { return Parser().Parse(text); }

std::string FormatHive(const Hive& hive) {
  std::string out(kHeader);
  out += kNewline;
  out += kNewline;
  for (const RegKey& key : hive.keys) {
    out += '[';
    out += key.path;
    out += ']';
    out += kNewline;
    for (const RegValue& value : key.values) AppendValue(value, &out);
    out += kNewline;
  }
  return out;
}

std::string FoldCase(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), FoldChar);
  return out;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldChar(a[i]) != FoldChar(b[i])) return false;
  }
  return true;
}

bool HasControlCharacter(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
}

RegKey* FindKey(Hive& hive, std::string_view path) {
  for (RegKey& key : hive.keys) {
    if (EqualsIgnoringCase(key.path, path)) return &key;
  }
  return nullptr;
}

RegValue* FindValue(RegKey& key, std::string_view name) {
  for (RegValue& value : key.values) {
    if (EqualsIgnoringCase(value.name, name)) return &value;
  }
  return nullptr;
}

void SetValue(RegKey& key, std::string_view name, DWORD type, std::string data) {
  if (RegValue* existing = FindValue(key, name)) {
    existing->type = type;
    existing->data = std::move(data);
    return;
  }
  key.values.push_back(RegValue{std::string(name), type, std::move(data)});
}
