#include "platform/CodePage.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

std::string DetectCodePage() {
  if (const char* forced = std::getenv("FOTARO_CODEPAGE"); forced && *forced) return forced;
  std::string name = "UTF-8";
  if (locale_t locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0))) {
    const char* codeset = nl_langinfo_l(CODESET, locale);
    // The C/POSIX locale reports plain ASCII; treat it as UTF-8 like every modern system does.
    if (codeset && *codeset && std::strcmp(codeset, "ANSI_X3.4-1968") != 0) name = codeset;
    freelocale(locale);
  }
  return name;
}

// Converts with iconv, replacing every input unit that cannot be converted by `replacement` in
// the output. `unit` is the size of one input code unit (2 for UTF-16, 1 for bytes); a surrogate
// pair that cannot be converted is skipped whole.
std::string Convert(const char* from, const char* to, const char* data, size_t size, size_t unit,
                    std::string_view replacement) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    // Unknown character set: fall back to UTF-8 on the other side rather than losing the text.
    cd = iconv_open(std::strcmp(to, "UTF-16LE") == 0 ? to : "UTF-8", std::strcmp(from, "UTF-16LE") == 0 ? from : "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  }
  std::string out;
  char buffer[4096];
  char* in = const_cast<char*>(data);
  size_t inLeft = size;
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, outPtr - buffer);
    if (rc != static_cast<size_t>(-1) || errno == E2BIG) continue;
    // EILSEQ or EINVAL: skip one input character (a whole surrogate pair) and write the replacement.
    size_t skip = unit;
    if (unit == 2 && inLeft >= 4) {
      const unsigned first = static_cast<unsigned char>(in[1]) << 8 | static_cast<unsigned char>(in[0]);
      const unsigned second = static_cast<unsigned char>(in[3]) << 8 | static_cast<unsigned char>(in[2]);
      // Only a real pair is skipped whole: a lone high surrogate must not take the next character.
      if (first >= 0xD800 && first <= 0xDBFF && second >= 0xDC00 && second <= 0xDFFF) skip = 4;
    }
    if (skip > inLeft) skip = inLeft;
    in += skip;
    inLeft -= skip;
    out.append(replacement);
  }
  // Flush the shift state of stateful character sets.
  char* outPtr = buffer;
  size_t outLeft = sizeof buffer;
  iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
  out.append(buffer, outPtr - buffer);
  iconv_close(cd);
  return out;
}

}  // namespace

const std::string& CodePageName() {
  static const std::string name = DetectCodePage();
  return name;
}

std::string ToCharset(std::u16string_view text, const std::string& charset) {
  return Convert("UTF-16LE", charset.c_str(), reinterpret_cast<const char*>(text.data()), text.size() * 2, 2, "?");
}

std::u16string FromCharset(std::string_view bytes, const std::string& charset) {
  const char16_t question = u'?';
  const std::string raw = Convert(charset.c_str(), "UTF-16LE", bytes.data(), bytes.size(), 1,
                                  std::string_view(reinterpret_cast<const char*>(&question), 2));
  std::u16string out(raw.size() / 2, u'\0');
  std::memcpy(out.data(), raw.data(), out.size() * 2);
  return out;
}

std::string ToCodePage(std::u16string_view text) { return ToCharset(text, CodePageName()); }
std::u16string FromCodePage(std::string_view bytes) { return FromCharset(bytes, CodePageName()); }

namespace {

// What the UTF-8 codec does with what it cannot convert: replace it by U+FFFD, or escape it so that
// the conversion round-trips (an invalid byte B becomes the lone surrogate U+DC00 + B, and back).
enum class Invalid { kReplace, kEscape };

constexpr bool IsEscapedByte(uint32_t c) { return c >= 0xDC80 && c <= 0xDCFF; }

std::string EncodeUtf8(std::u16string_view text, Invalid invalid) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (invalid == Invalid::kEscape && IsEscapedByte(c)) {
      out += static_cast<char>(c - 0xDC00);
      continue;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18);
      out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::u16string DecodeUtf8(std::string_view text, Invalid invalid) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    int length = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    uint32_t c = length == 1 ? b : length == 2 ? b & 0x1F : length == 3 ? b & 0x0F : b & 0x07;
    bool valid = length > 0 && i + length <= text.size();
    for (int k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      c = c << 6 | (next & 0x3F);
    }
    // Reject overlong forms, surrogates and values past U+10FFFF.
    static const uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (valid && (c < kMin[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) valid = false;
    if (!valid) {
      out += invalid == Invalid::kEscape ? static_cast<char16_t>(0xDC00 + b) : u'\uFFFD';
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += length;
  }
  return out;
}

}  // namespace

std::string Utf8(std::u16string_view text) { return EncodeUtf8(text, Invalid::kReplace); }
std::u16string FromUtf8(std::string_view text) { return DecodeUtf8(text, Invalid::kReplace); }
std::string PathBytes(std::u16string_view path) { return EncodeUtf8(path, Invalid::kEscape); }
std::u16string PathFromBytes(std::string_view bytes) { return DecodeUtf8(bytes, Invalid::kEscape); }

}  // namespace platform
