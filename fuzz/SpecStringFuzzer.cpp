// Fuzzes the size-limit spec strings of SetSizeLimits: the input is UTF-8 text, the big picture
// list before the first line feed and the thumbnail list after it. Besides the sanitizers' checks,
// every entry of the resulting table must be well formed.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "control/settings/ULKernelInfo.h"
#include "platform/CodePage.h"

namespace {

bool IsSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::u16string text = platform::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
  const size_t newline = text.find(u'\n');
  const std::u16string bigPic = text.substr(0, newline);
  const std::u16string thumbs = newline == std::u16string::npos ? std::u16string() : text.substr(newline + 1);

  CULKernel_Info info;
  info.SetSizeLimits(bigPic.c_str(), newline == std::u16string::npos ? nullptr : thumbs.c_str());
  for (const auto& [key, spec] : info.m_mapSpecInfo) {
    Check(key == spec.strSpecString);
    Check(!key.empty() && !IsSpace(key.front()) && !IsSpace(key.back()));
    Check(key.find(u',') == std::u16string::npos && key.find(u'|') == std::u16string::npos);
    Check(spec.nSpec == 0 || spec.nSpec == 1);
    Check(spec.nCompressType == 4 ? spec.fRatio == 0 && spec.nRatioValueA == 0 && spec.nRatioValueB == 0
                                  : spec.fRatio1 == 0 && spec.fRatio2 == 0 && spec.nRatio1ValueA == 0);
  }
  return 0;
}
