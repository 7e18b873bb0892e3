#include "platform/RegistryStore.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/AsciiFold.h"
#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "platform/Paths.h"

namespace platform {

namespace {

// A store larger than this is not something the control wrote: it reads as empty.
constexpr std::streamsize kMaxStoreBytes = 4 << 20;

struct Entry {
  std::u16string key;
  std::u16string name;
  std::u16string value;
};

void AppendHex(std::string& out, unsigned char byte) {
  static const char kHex[] = "0123456789ABCDEF";
  out += '%';
  out += kHex[byte >> 4];
  out += kHex[byte & 15];
}

// A lone surrogate U+DC80 to U+DCFF stands for a byte of a file name that is not UTF-8.
bool IsNameByte(std::u16string_view text, size_t i) {
  const bool afterHigh = i > 0 && text[i - 1] >= 0xD800 && text[i - 1] <= 0xDBFF;
  return text[i] >= 0xDC80 && text[i] <= 0xDCFF && !afterHigh;
}

// The field as UTF-8 text. A value may be a file name whose bytes are not all UTF-8: those bytes
// are written as "%XX" too, so that the file stays UTF-8 and the name reads back unchanged.
std::string Escape(std::u16string_view text) {
  std::string out;
  size_t begin = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    const bool nameByte = i < text.size() && IsNameByte(text, i);
    if (i < text.size() && !nameByte) continue;
    for (const unsigned char c : Utf8(text.substr(begin, i - begin))) {
      if (c < 0x20 || c == '%' || c == 0x7F) {
        AppendHex(out, c);
      } else {
        out += static_cast<char>(c);
      }
    }
    if (nameByte) AppendHex(out, static_cast<unsigned char>(text[i] - 0xDC00));
    begin = i + 1;
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The text of an escaped field, or nothing when an escape is malformed. Bytes that are not UTF-8
// read as a file name's (lone surrogates U+DC80 to U+DCFF).
std::optional<std::u16string> Unescape(std::string_view field) {
  std::string bytes;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '%') {
      bytes += field[i];
      continue;
    }
    if (i + 2 >= field.size()) return std::nullopt;
    const int high = HexDigit(field[i + 1]);
    const int low = HexDigit(field[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return PathFromBytes(bytes);
}

std::optional<Entry> ParseLine(std::string_view line) {
  if (line.empty() || line[0] == '#') return std::nullopt;
  const size_t tab1 = line.find('\t');
  const size_t tab2 = tab1 == std::string_view::npos ? tab1 : line.find('\t', tab1 + 1);
  if (tab2 == std::string_view::npos || line.find('\t', tab2 + 1) != std::string_view::npos) return std::nullopt;
  auto key = Unescape(line.substr(0, tab1));
  auto name = Unescape(line.substr(tab1 + 1, tab2 - tab1 - 1));
  auto value = Unescape(line.substr(tab2 + 1));
  if (!key || !name || !value || key->empty()) return std::nullopt;
  return Entry{std::move(*key), std::move(*name), std::move(*value)};
}

std::vector<Entry> Load(const std::string& file) {
  std::vector<Entry> entries;
  std::ifstream in(file, std::ios::binary);
  if (!in) return entries;
  std::string text(kMaxStoreBytes + 1, '\0');
  in.read(text.data(), kMaxStoreBytes + 1);
  if (in.gcount() > kMaxStoreBytes) return entries;
  text.resize(static_cast<size_t>(in.gcount()));

  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (auto entry = ParseLine(line)) entries.push_back(std::move(*entry));
  }
  return entries;
}

// Writes `text` to a temporary file next to `file` and renames it over `file`.
bool ReplaceFile(const std::string& file, const std::string& text) {
  std::string temporary = file + ".XXXXXX";
  const int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, text.data(), text.size()) && fsync(fd) == 0;
  const bool closed = close(fd) == 0;
  if (written && closed && rename(temporary.c_str(), file.c_str()) == 0) return true;
  unlink(temporary.c_str());
  return false;
}

}  // namespace

RegistryStore::RegistryStore() : file_(paths::RegistryStore()) {}

RegistryStore::RegistryStore(std::string file) : file_(std::move(file)) {}

std::optional<std::u16string> RegistryStore::Read(std::u16string_view key, std::u16string_view name) const {
  if (file_.empty()) return std::nullopt;
  for (Entry& entry : Load(file_)) {
    if (EqualsFolded(entry.key, key) && EqualsFolded(entry.name, name)) return std::move(entry.value);
  }
  return std::nullopt;
}

bool RegistryStore::Write(std::u16string_view key, std::u16string_view name, std::u16string_view value) {
  return Change(key, name, &value);
}

bool RegistryStore::Remove(std::u16string_view key, std::u16string_view name) {
  if (!Read(key, name)) return true;
  return Change(key, name, nullptr);
}

bool RegistryStore::Change(std::u16string_view key, std::u16string_view name, const std::u16string_view* value) {
  if (file_.empty() || key.empty()) return false;
  const size_t slash = file_.rfind('/');
  if (slash != std::string::npos && slash > 0 && !MakeFolders(file_.substr(0, slash), 0700)) return false;
  FileLock lock(file_ + ".lock");
  if (!lock.held()) return false;

  std::vector<Entry> entries = Load(file_);
  bool replaced = false;
  for (auto it = entries.begin(); it != entries.end();) {
    if (!EqualsFolded(it->key, key) || !EqualsFolded(it->name, name)) {
      ++it;
    } else if (value) {
      *it = Entry{std::u16string(key), std::u16string(name), std::u16string(*value)};
      replaced = true;
      ++it;
    } else {
      it = entries.erase(it);
    }
  }
  if (value && !replaced) entries.push_back(Entry{std::u16string(key), std::u16string(name), std::u16string(*value)});

  std::string text = "# Brennik registry store: key path <TAB> value name <TAB> value\n";
  for (const Entry& entry : entries) {
    text += Escape(entry.key) + '\t' + Escape(entry.name) + '\t' + Escape(entry.value) + '\n';
  }
  return ReplaceFile(file_, text);
}

}  // namespace platform
