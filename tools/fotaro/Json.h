#pragma once
// A small JSON writer for the subcommands' --json output. Values are appended in order; the
// writer puts the commas and escapes strings. Text is UTF-8; invalid sequences become U+FFFD, so
// the output is always valid JSON.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fotaro::cli {

class JsonWriter {
 public:
  void BeginArray() { Open('['); }
  void EndArray() { Close(']'); }
  void BeginObject() { Open('{'); }
  void EndObject() { Close('}'); }
  // The name of the next member of the open object.
  void Key(std::string_view name);
  void String(std::string_view text);
  void Number(int64_t value);
  // Not-a-number and infinities, which JSON cannot hold, are written as null.
  void Number(double value);
  void Bool(bool value);
  void Null();

  const std::string& str() const { return out_; }

 private:
  void Open(char bracket);
  void Close(char bracket);
  void BeforeValue();

  std::string out_;
  std::vector<bool> empty_;  // per open array or object: nothing written in it yet
  bool afterKey_ = false;
};

// `text` as a JSON string literal, quotes included.
std::string JsonQuote(std::string_view text);

}  // namespace fotaro::cli
