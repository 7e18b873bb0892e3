#pragma once
// The settings record of one uploader, CULKernel_Info, and its size-limit spec table.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// One output image that the compression pipeline makes from every photo: an item of a size-limit
// spec string, "name|param|compressType|width|height|quality|..." (see SetSizeLimits).
struct SpecInfo {
  int32_t nSpec = 0;           // the list it came from: 0 big pictures, 1 thumbnails
  int32_t nSpecParam = 0;      // token 1; the watermark is drawn only when it is 0 or 1
  std::u16string strSpecString;  // token 0, trimmed: the output's name and the table key
  int32_t nCompressType = 0;   // token 2: the sizing rule; 4 selects the 12-token form
  int32_t nWidth = 0;          // token 3
  int32_t nHeight = 0;         // token 4
  int32_t nQuality = 0;        // token 5: JPEG quality
  // The 9-token form: tokens 6, 7 and 8.
  float fRatio = 0;
  int32_t nRatioValueA = 0;
  int32_t nRatioValueB = 0;
  // The 12-token form: tokens 6, 9, 7, 8, 10 and 11.
  float fRatio1 = 0;
  float fRatio2 = 0;
  int32_t nRatio1ValueA = 0;
  int32_t nRatio1ValueB = 0;
  int32_t nRatio2ValueA = 0;
  int32_t nRatio2ValueB = 0;
};

// The tunable values of one uploader. The page sets them through the control, which validates and
// forwards them here; the compression pipeline, the per-file strategy and the upload manager read
// the fields directly.
//
// Setters take nullable wide strings (the control's BSTRs): a null or empty string, or a number
// outside its rule, is refused with false and leaves the old value, so a failing setter never
// changes anything. Setters never throw.
//
// Threads: written on the control's thread and read by upload workers while a batch runs, without
// a lock; the page sets values before it starts an upload.
class CULKernel_Info {
 public:
  CULKernel_Info();
  virtual ~CULKernel_Info();

  bool SetUin(const char16_t* uin);
  bool SetKey(const char16_t* key);
  bool SetExtendID(const char16_t* extendId);
  bool SetExtentStr(const char16_t* extentStr);
  bool SetURL(const char16_t* url);
  bool SetSpaceSize(uint32_t total, uint32_t used);  // total != 0 and used <= total
  bool SetUploadLimit(int32_t count);                // count >= 1
  bool SetLimitSize(int32_t bytes);                  // bytes > 0
  bool SetCompressLevel(uint32_t level);             // 0..100
  bool SetMaxSize(int32_t width, int32_t height);    // both > 0
  bool SetUnCompressLimit(int32_t width, int32_t height);  // both > 0
  bool SetThumbInfo(int32_t quality, int32_t width, int32_t height);  // quality 1..100, sides > 0
  bool SetWaterPressName(const char16_t* name);
  bool SetWaterPressURL(const char16_t* url);
  bool SetWaterPressPath(const char16_t* path);
  bool SetWaterPressType(int32_t type);  // any value
  bool SetPhotoCount(int32_t count);     // any value
  bool SetWaterMark(int32_t waterMark);  // any value

  // Uin, Key, ExtendID, URL, space, compress level and max size, in that order; stops at the first
  // setter that fails and returns false (the values set before it stay set).
  bool SetUploadInfo(const char16_t* uin, const char16_t* key, const char16_t* extendId, const char16_t* url,
                     uint32_t total, uint32_t used, uint32_t compressLevel, int32_t maxWidth, int32_t maxHeight);
  // Type, then name, then URL; stops at the first that fails (an empty name leaves the URL alone).
  bool SetWaterPressInfo(int32_t type, const char16_t* name, const char16_t* url);
  // The upload size limit in MiB, 1 to 2047 (2048 MiB no longer fits the byte count).
  bool SetUploadSizeLimit(int32_t megabytes);

  // Replaces the whole spec table with the items of the two lists (either may be null): items are
  // separated by "," and tokens by "|", a run of separators counting as one. An item with 9
  // tokens, or 12 when its compress type (token 2) is 4, becomes an entry keyed by its trimmed
  // name; any other item, or one whose name is blank, is skipped; the first item of a name wins.
  void SetSizeLimits(const char16_t* bigPic, const char16_t* thumbs);
  // Adds one item from its tokens with nSpec = spec: 1 when the item was well formed (its entry is
  // added unless the name is already present), -1 when it was skipped.
  int AddSpecInfo(const std::vector<std::u16string>& tokens, int32_t spec);

  std::u16string GetURL() const { return m_strURL; }
  void GetUploadKey(std::u16string& uin, std::u16string& key) const {
    uin = m_strUin;
    key = m_strKey;
  }

  std::u16string m_strUin;
  std::u16string m_strKey;
  std::u16string m_strExtendID;
  std::u16string m_strExtentStr;
  std::u16string m_strURL;
  uint32_t m_nTotalSpaceSize = 0;
  uint32_t m_nUsedSpaceSize = 0;
  int32_t m_nUploadLimit = 0x7FFFFFFF;
  int32_t m_nLimitSize = 20 << 20;  // bytes
  uint32_t m_nCompressLevel = 100;
  int32_t m_nMaxWidth = 800;
  int32_t m_nMaxHeight = 600;
  int32_t m_nUnCompressMaxWidth = 1000;
  int32_t m_nUnCompressMaxHeight = 1000;
  int32_t m_nThumbWidth = 100;
  int32_t m_nThumbHeight = 100;
  int32_t m_nThumbQuality = 75;
  std::u16string m_strWaterPressName;
  std::u16string m_strWaterPressURL;
  std::u16string m_strWaterPressPath;
  int32_t m_nWaterPressType = 0;
  int32_t m_nPhotoCount = 0;
  int32_t m_nWaterMark = 0;
  // Ordered by ordinal comparison of the names, the order in which outputs are made.
  std::map<std::u16string, SpecInfo> m_mapSpecInfo;
};
