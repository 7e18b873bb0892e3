#include "tools/fotaro/Json.h"

#include <cmath>
#include <cstdio>

#include "platform/CodePage.h"

namespace fotaro::cli {

std::string JsonQuote(std::string_view text) {
  const std::string valid = platform::Utf8(platform::FromUtf8(text));
  std::string out = "\"";
  for (const char c : valid) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
          out += escape;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

void JsonWriter::Key(std::string_view name) {
  BeforeValue();
  out_ += JsonQuote(name);
  out_ += ':';
  afterKey_ = true;
}

void JsonWriter::String(std::string_view text) {
  BeforeValue();
  out_ += JsonQuote(text);
}

void JsonWriter::Number(int64_t value) {
  BeforeValue();
  out_ += std::to_string(value);
}

void JsonWriter::Number(double value) {
  if (!std::isfinite(value)) return Null();
  BeforeValue();
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", value);
  out_ += text;
}

void JsonWriter::Bool(bool value) {
  BeforeValue();
  out_ += value ? "true" : "false";
}

void JsonWriter::Null() {
  BeforeValue();
  out_ += "null";
}

void JsonWriter::Open(char bracket) {
  BeforeValue();
  out_ += bracket;
  empty_.push_back(true);
}

void JsonWriter::Close(char bracket) {
  if (!empty_.empty()) empty_.pop_back();
  out_ += bracket;
}

void JsonWriter::BeforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (empty_.empty()) return;
  if (!empty_.back()) out_ += ',';
  empty_.back() = false;
}

}  // namespace fotaro::cli
