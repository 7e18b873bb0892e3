#include "control/settings/ULKernelInfo.h"

#include <locale.h>
#include <stdlib.h>

#include <algorithm>
#include <limits>
#include <string_view>

#include "control/services/Log.h"
#include "platform/CodePage.h"

namespace {

// A megabyte count above this no longer fits a signed 32-bit byte count.
constexpr int32_t kMaxUploadSizeMegabytes = 2047;

bool IsSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

std::u16string_view Trim(std::u16string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

// The pieces of `text` between separators; a run of separators counts as one and separators at
// either end are skipped, so no piece is empty.
std::vector<std::u16string> SplitRuns(std::u16string_view text, char16_t separator) {
  std::vector<std::u16string> pieces;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = std::min(text.find(separator, start), text.size());
    if (end > start) pieces.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return pieces;
}

// A decimal integer: leading white space and a sign allowed, reading stops at the first other
// character, no digits gives 0, and a value beyond the 32-bit range is clamped to it.
int32_t ReadInt(std::u16string_view token) {
  size_t i = 0;
  while (i < token.size() && IsSpace(token[i])) ++i;
  const bool negative = i < token.size() && token[i] == u'-';
  if (i < token.size() && (token[i] == u'-' || token[i] == u'+')) ++i;
  int64_t value = 0;
  for (; i < token.size() && token[i] >= u'0' && token[i] <= u'9'; ++i) {
    value = std::min<int64_t>(value * 10 + (token[i] - u'0'), int64_t{1} << 31);
  }
  if (negative) value = -value;
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// A decimal float read like strtof in the C locale (the decimal point is always "."), whatever
// the process's locale; no number gives 0.
float ReadFloat(std::u16string_view token) {
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
  const std::string text = platform::Utf8(token);
  return strtof_l(text.c_str(), nullptr, cLocale);
}

bool SetText(std::u16string& field, const char16_t* value) {
  if (!value || !*value) return false;
  field = value;
  return true;
}

}  // namespace

CULKernel_Info::CULKernel_Info() {
  SpecInfo big;
  big.strSpecString = u"FileData";
  big.nWidth = 670;
  big.nHeight = 800;
  big.nQuality = 90;
  m_mapSpecInfo.emplace(big.strSpecString, big);

  SpecInfo thumb;
  thumb.nSpec = 1;
  thumb.nSpecParam = 3;
  thumb.strSpecString = u"ThumbData";
  thumb.nWidth = 100;
  thumb.nHeight = 100;
  thumb.nQuality = 85;
  m_mapSpecInfo.emplace(thumb.strSpecString, thumb);
}

CULKernel_Info::~CULKernel_Info() = default;

bool CULKernel_Info::SetUin(const char16_t* uin) { return SetText(m_strUin, uin); }

bool CULKernel_Info::SetKey(const char16_t* key) { return SetText(m_strKey, key); }

bool CULKernel_Info::SetExtendID(const char16_t* extendId) { return SetText(m_strExtendID, extendId); }

bool CULKernel_Info::SetExtentStr(const char16_t* extentStr) {
  fotaro::Log("CULKernel_Info::SetExtentStr", "SetExtentStr = %s", extentStr);
  return SetText(m_strExtentStr, extentStr);
}

bool CULKernel_Info::SetURL(const char16_t* url) {
  fotaro::Log("CULKernel_Info::SetURL", "CULData == upload URL = %s", url);
  return SetText(m_strURL, url);
}

bool CULKernel_Info::SetSpaceSize(uint32_t total, uint32_t used) {
  if (total == 0 || used > total) return false;
  m_nTotalSpaceSize = total;
  m_nUsedSpaceSize = used;
  return true;
}

bool CULKernel_Info::SetUploadLimit(int32_t count) {
  if (count < 1) return false;
  m_nUploadLimit = count;
  return true;
}

bool CULKernel_Info::SetLimitSize(int32_t bytes) {
  fotaro::Log("CULKernel_Info::SetLimitSize", "nLimitSize = %d, m_nLimitSize = %d", bytes, m_nLimitSize);
  if (bytes <= 0) return false;
  m_nLimitSize = bytes;
  return true;
}

bool CULKernel_Info::SetCompressLevel(uint32_t level) {
  if (level > 100) return false;
  m_nCompressLevel = level;
  return true;
}

bool CULKernel_Info::SetMaxSize(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return false;
  m_nMaxWidth = width;
  m_nMaxHeight = height;
  return true;
}

bool CULKernel_Info::SetUnCompressLimit(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return false;
  m_nUnCompressMaxWidth = width;
  m_nUnCompressMaxHeight = height;
  return true;
}

bool CULKernel_Info::SetThumbInfo(int32_t quality, int32_t width, int32_t height) {
  if (quality <= 0 || quality > 100 || width <= 0 || height <= 0) return false;
  m_nThumbQuality = quality;
  m_nThumbWidth = width;
  m_nThumbHeight = height;
  return true;
}

bool CULKernel_Info::SetWaterPressName(const char16_t* name) {
  fotaro::Log("CULKernel_Info::SetWaterPressName", "CULKernel_Info::SetWaterPressName WaterPressName = %s", name);
  return SetText(m_strWaterPressName, name);
}

bool CULKernel_Info::SetWaterPressURL(const char16_t* url) {
  fotaro::Log("CULKernel_Info::SetWaterPressURL", "CULKernel_Info::SetWaterPressURL WaterPressURL = %s", url);
  return SetText(m_strWaterPressURL, url);
}

bool CULKernel_Info::SetWaterPressPath(const char16_t* path) { return SetText(m_strWaterPressPath, path); }

bool CULKernel_Info::SetWaterPressType(int32_t type) {
  fotaro::Log("CULKernel_Info::SetWaterPressType", "CULKernel_Info::SetWaterPressType WaterType = %d", type);
  m_nWaterPressType = type;
  return true;
}

bool CULKernel_Info::SetPhotoCount(int32_t count) {
  m_nPhotoCount = count;
  return true;
}

bool CULKernel_Info::SetWaterMark(int32_t waterMark) {
  m_nWaterMark = waterMark;
  return true;
}

bool CULKernel_Info::SetUploadInfo(const char16_t* uin, const char16_t* key, const char16_t* extendId,
                                   const char16_t* url, uint32_t total, uint32_t used, uint32_t compressLevel,
                                   int32_t maxWidth, int32_t maxHeight) {
  return SetUin(uin) && SetKey(key) && SetExtendID(extendId) && SetURL(url) && SetSpaceSize(total, used) &&
         SetCompressLevel(compressLevel) && SetMaxSize(maxWidth, maxHeight);
}

bool CULKernel_Info::SetWaterPressInfo(int32_t type, const char16_t* name, const char16_t* url) {
  fotaro::Log("CULKernel_Info::SetWaterPressInfo", "SetWaterPressInfo WaterType = %d, WaterPressName = %s, WaterPressURL = %s",
              type, name, url);
  return SetWaterPressType(type) && SetWaterPressName(name) && SetWaterPressURL(url);
}

bool CULKernel_Info::SetUploadSizeLimit(int32_t megabytes) {
  if (megabytes > kMaxUploadSizeMegabytes) return false;
  return SetLimitSize(megabytes <= 0 ? megabytes : megabytes << 20);
}

void CULKernel_Info::SetSizeLimits(const char16_t* bigPic, const char16_t* thumbs) {
  fotaro::Log("CULKernel_Info::SetSizeLimits", "entry");
  m_mapSpecInfo.clear();
  const char16_t* lists[] = {bigPic, thumbs};
  for (int32_t spec = 0; spec < 2; ++spec) {
    if (!lists[spec]) continue;
    for (const std::u16string& item : SplitRuns(lists[spec], u',')) AddSpecInfo(SplitRuns(item, u'|'), spec);
  }
}

int CULKernel_Info::AddSpecInfo(const std::vector<std::u16string>& tokens, int32_t spec) {
  if (tokens.size() != 9 && tokens.size() != 12) return -1;
  SpecInfo info;
  info.nSpec = spec;
  info.strSpecString = Trim(tokens[0]);
  info.nSpecParam = ReadInt(tokens[1]);
  info.nCompressType = ReadInt(tokens[2]);
  info.nWidth = ReadInt(tokens[3]);
  info.nHeight = ReadInt(tokens[4]);
  info.nQuality = ReadInt(tokens[5]);
  // A blank name would become an output without a name (and a form part named "").
  if (info.strSpecString.empty() || tokens.size() != (info.nCompressType == 4 ? 12u : 9u)) return -1;
  if (info.nCompressType == 4) {
    info.fRatio1 = ReadFloat(tokens[6]);
    info.nRatio1ValueA = ReadInt(tokens[7]);
    info.nRatio1ValueB = ReadInt(tokens[8]);
    info.fRatio2 = ReadFloat(tokens[9]);
    info.nRatio2ValueA = ReadInt(tokens[10]);
    info.nRatio2ValueB = ReadInt(tokens[11]);
  } else {
    info.fRatio = ReadFloat(tokens[6]);
    info.nRatioValueA = ReadInt(tokens[7]);
    info.nRatioValueB = ReadInt(tokens[8]);
  }
  fotaro::Log("CULKernel_Info::AddSpecInfo",
              "Add size limits: spec = %d, specString = %s, compressType = %d, width = %d, height = %d", spec,
              info.strSpecString, info.nCompressType, info.nWidth, info.nHeight);
  m_mapSpecInfo.emplace(info.strSpecString, std::move(info));
  return 1;
}
