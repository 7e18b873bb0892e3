#include <gtest/gtest.h>

#include <vector>

#include "control/settings/ULKernelInfo.h"

namespace {

std::vector<std::u16string> Keys(const CULKernel_Info& info) {
  std::vector<std::u16string> keys;
  for (const auto& entry : info.m_mapSpecInfo) keys.push_back(entry.first);
  return keys;
}

using Keys_ = std::vector<std::u16string>;

TEST(ULKernelInfoSpecTest, DefaultTableHoldsFileDataAndThumbData) {
  const CULKernel_Info info;
  ASSERT_EQ(Keys(info), (Keys_{u"FileData", u"ThumbData"}));
  const SpecInfo& big = info.m_mapSpecInfo.at(u"FileData");
  EXPECT_EQ(big.nSpec, 0);
  EXPECT_EQ(big.nSpecParam, 0);
  EXPECT_EQ(big.nWidth, 670);
  EXPECT_EQ(big.nHeight, 800);
  EXPECT_EQ(big.nQuality, 90);
  const SpecInfo& thumb = info.m_mapSpecInfo.at(u"ThumbData");
  EXPECT_EQ(thumb.nSpec, 1);
  EXPECT_EQ(thumb.nSpecParam, 3);
  EXPECT_EQ(thumb.nWidth, 100);
  EXPECT_EQ(thumb.nQuality, 85);
}

TEST(ULKernelInfoSpecTest, ReadsTheNineAndTwelveTokenForms) {
  CULKernel_Info info;
  info.SetSizeLimits(u"Big|0|3|1600|1600|85|1.5|1200|800", u"Thumb|2|4|160|120|70|0.75|100|80|1.25|90|60");
  ASSERT_EQ(Keys(info), (Keys_{u"Big", u"Thumb"}));

  const SpecInfo& big = info.m_mapSpecInfo.at(u"Big");
  EXPECT_EQ(big.nSpec, 0);
  EXPECT_EQ(big.nSpecParam, 0);
  EXPECT_EQ(big.nCompressType, 3);
  EXPECT_EQ(big.nWidth, 1600);
  EXPECT_EQ(big.nHeight, 1600);
  EXPECT_EQ(big.nQuality, 85);
  EXPECT_FLOAT_EQ(big.fRatio, 1.5f);
  EXPECT_EQ(big.nRatioValueA, 1200);
  EXPECT_EQ(big.nRatioValueB, 800);
  EXPECT_EQ(big.fRatio1, 0.0f);
  EXPECT_EQ(big.nRatio2ValueB, 0);

  const SpecInfo& thumb = info.m_mapSpecInfo.at(u"Thumb");
  EXPECT_EQ(thumb.nSpec, 1);
  EXPECT_EQ(thumb.nSpecParam, 2);
  EXPECT_EQ(thumb.nCompressType, 4);
  EXPECT_FLOAT_EQ(thumb.fRatio1, 0.75f);
  EXPECT_EQ(thumb.nRatio1ValueA, 100);
  EXPECT_EQ(thumb.nRatio1ValueB, 80);
  EXPECT_FLOAT_EQ(thumb.fRatio2, 1.25f);
  EXPECT_EQ(thumb.nRatio2ValueA, 90);
  EXPECT_EQ(thumb.nRatio2ValueB, 60);
  EXPECT_EQ(thumb.fRatio, 0.0f);
  EXPECT_EQ(thumb.nRatioValueA, 0);
}

TEST(ULKernelInfoSpecTest, RunsOfSeparatorsCountAsOneSoAnEmptyFieldCannotBeWritten) {
  CULKernel_Info info;
  // The empty field disappears: 9 tokens, and 800 becomes the width.
  info.SetSizeLimits(u",,A|0|0||800|600|90|0|0|0,,,|B||0|0|10|20|30|0|0|0||,", nullptr);
  ASSERT_EQ(Keys(info), (Keys_{u"A", u"B"}));
  EXPECT_EQ(info.m_mapSpecInfo.at(u"A").nWidth, 800);
  EXPECT_EQ(info.m_mapSpecInfo.at(u"A").nHeight, 600);
  EXPECT_EQ(info.m_mapSpecInfo.at(u"A").nQuality, 90);
  EXPECT_EQ(info.m_mapSpecInfo.at(u"B").nWidth, 10);
}

TEST(ULKernelInfoSpecTest, MalformedItemsAreSkippedAndTheRestAdded) {
  CULKernel_Info info;
  info.SetSizeLimits(u"Ten|0|0|1|2|3|4|5|6|7,"       // 10 tokens
                     u"Four9|0|4|1|2|3|4|5|6,"       // type 4 needs 12 tokens
                     u"Nine12|0|3|1|2|3|4|5|6|7|8|9,"  // 12 tokens need type 4
                     u"Good|0|0|1|2|3|4|5|6",
                     u"Short|1|0|1|2");  // 5 tokens
  EXPECT_EQ(Keys(info), (Keys_{u"Good"}));
  EXPECT_EQ(info.m_mapSpecInfo.at(u"Good").nSpec, 0);

  EXPECT_EQ(info.AddSpecInfo({u"X", u"0", u"0"}, 0), -1);
  EXPECT_EQ(info.AddSpecInfo({u"X", u"0", u"0", u"1", u"2", u"3", u"4", u"5", u"6"}, 1), 1);
}

TEST(ULKernelInfoSpecTest, EveryItemMalformedLeavesAnEmptyTable) {
  CULKernel_Info info;
  info.SetSizeLimits(u"A|0|0|800|600|90", u"B|1|4|1|2|3|4|5|6");
  EXPECT_TRUE(info.m_mapSpecInfo.empty());
  info.SetSizeLimits(nullptr, nullptr);
  EXPECT_TRUE(info.m_mapSpecInfo.empty());
  info.SetSizeLimits(u",,,", u"|||");
  EXPECT_TRUE(info.m_mapSpecInfo.empty());
}

TEST(ULKernelInfoSpecTest, TheFirstItemOfANameWinsAndNamesAreTrimmedAndOrdinallyOrdered) {
  CULKernel_Info info;
  info.SetSizeLimits(u"  b \t|0|0|1|1|1|0|0|0,a|0|0|2|2|2|0|0|0,B|0|0|3|3|3|0|0|0", u"b|5|0|4|4|4|0|0|0");
  ASSERT_EQ(Keys(info), (Keys_{u"B", u"a", u"b"}));
  EXPECT_EQ(info.m_mapSpecInfo.at(u"b").nWidth, 1);
  EXPECT_EQ(info.m_mapSpecInfo.at(u"b").nSpec, 0);

  // A name of white space only would make an output without a name.
  info.SetSizeLimits(u" \t |0|0|1|1|1|0|0|0", nullptr);
  EXPECT_TRUE(info.m_mapSpecInfo.empty());
}

TEST(ULKernelInfoSpecTest, NumbersAreReadLikeTheCLibraryReadsThem) {
  CULKernel_Info info;
  info.SetSizeLimits(u"A| +7|  -3x|12px|abc|99999999999|2.5e1junk|-12|+4", nullptr);
  const SpecInfo& a = info.m_mapSpecInfo.at(u"A");
  EXPECT_EQ(a.nSpecParam, 7);
  EXPECT_EQ(a.nCompressType, -3);
  EXPECT_EQ(a.nWidth, 12);
  EXPECT_EQ(a.nHeight, 0);
  EXPECT_EQ(a.nQuality, 2147483647);  // clamped
  EXPECT_FLOAT_EQ(a.fRatio, 25.0f);
  EXPECT_EQ(a.nRatioValueA, -12);
  EXPECT_EQ(a.nRatioValueB, 4);

  info.SetSizeLimits(u"B|0|0|0|0|-99999999999|junk|0|0", nullptr);
  EXPECT_EQ(info.m_mapSpecInfo.at(u"B").nQuality, -2147483647 - 1);
  EXPECT_EQ(info.m_mapSpecInfo.at(u"B").fRatio, 0.0f);
}

TEST(ULKernelInfoSetterTest, TextSettersRefuseNullAndEmptyAndKeepTheOldValue) {
  CULKernel_Info info;
  using Setter = bool (CULKernel_Info::*)(const char16_t*);
  const std::pair<Setter, std::u16string CULKernel_Info::*> setters[] = {
      {&CULKernel_Info::SetUin, &CULKernel_Info::m_strUin},
      {&CULKernel_Info::SetKey, &CULKernel_Info::m_strKey},
      {&CULKernel_Info::SetExtendID, &CULKernel_Info::m_strExtendID},
      {&CULKernel_Info::SetExtentStr, &CULKernel_Info::m_strExtentStr},
      {&CULKernel_Info::SetURL, &CULKernel_Info::m_strURL},
      {&CULKernel_Info::SetWaterPressName, &CULKernel_Info::m_strWaterPressName},
      {&CULKernel_Info::SetWaterPressURL, &CULKernel_Info::m_strWaterPressURL},
      {&CULKernel_Info::SetWaterPressPath, &CULKernel_Info::m_strWaterPressPath},
  };
  for (const auto& [set, field] : setters) {
    EXPECT_TRUE((info.*set)(u"上传 value"));
    EXPECT_FALSE((info.*set)(nullptr));
    EXPECT_FALSE((info.*set)(u""));
    EXPECT_EQ(info.*field, u"上传 value");
  }
  EXPECT_EQ(info.GetURL(), u"上传 value");
}

TEST(ULKernelInfoSetterTest, NumberSettersRefuseValuesOutsideTheirRules) {
  CULKernel_Info info;
  EXPECT_FALSE(info.SetSpaceSize(0, 0));
  EXPECT_FALSE(info.SetSpaceSize(10, 11));
  EXPECT_EQ(info.m_nTotalSpaceSize, 0u);
  EXPECT_TRUE(info.SetSpaceSize(10, 10));
  EXPECT_FALSE(info.SetSpaceSize(5, 6));
  EXPECT_EQ(info.m_nTotalSpaceSize, 10u);
  EXPECT_EQ(info.m_nUsedSpaceSize, 10u);

  EXPECT_FALSE(info.SetCompressLevel(101));
  EXPECT_EQ(info.m_nCompressLevel, 100u);
  EXPECT_TRUE(info.SetCompressLevel(0));
  EXPECT_EQ(info.m_nCompressLevel, 0u);

  EXPECT_FALSE(info.SetUploadLimit(0));
  EXPECT_EQ(info.m_nUploadLimit, 0x7FFFFFFF);
  EXPECT_TRUE(info.SetUploadLimit(1));

  EXPECT_FALSE(info.SetMaxSize(0, 600));
  EXPECT_FALSE(info.SetMaxSize(800, -1));
  EXPECT_FALSE(info.SetUnCompressLimit(-5, 5));
  EXPECT_EQ(info.m_nMaxWidth, 800);
  EXPECT_EQ(info.m_nUnCompressMaxWidth, 1000);

  // Quality, width and height are stored together or not at all.
  EXPECT_FALSE(info.SetThumbInfo(0, 50, 50));
  EXPECT_FALSE(info.SetThumbInfo(101, 50, 50));
  EXPECT_FALSE(info.SetThumbInfo(80, 50, 0));
  EXPECT_EQ(info.m_nThumbQuality, 75);
  EXPECT_EQ(info.m_nThumbWidth, 100);
  EXPECT_TRUE(info.SetThumbInfo(80, 50, 40));
  EXPECT_EQ(info.m_nThumbHeight, 40);
}

TEST(ULKernelInfoSetterTest, UploadSizeLimitIsInMegabytesUpTo2047) {
  CULKernel_Info info;
  EXPECT_EQ(info.m_nLimitSize, 20971520);
  for (int32_t refused : {0, -1, -2048, 2048, 0x7FFFFFFF}) {
    EXPECT_FALSE(info.SetUploadSizeLimit(refused)) << refused;
    EXPECT_EQ(info.m_nLimitSize, 20971520);
  }
  EXPECT_TRUE(info.SetUploadSizeLimit(1));
  EXPECT_EQ(info.m_nLimitSize, 1048576);
  EXPECT_TRUE(info.SetUploadSizeLimit(2047));
  EXPECT_EQ(info.m_nLimitSize, 2047 << 20);
}

TEST(ULKernelInfoSetterTest, CompositeSettersStopAtTheFirstRefusal) {
  CULKernel_Info info;
  // The URL is refused: Uin, Key and ExtendID stay set, nothing after the URL is touched.
  EXPECT_FALSE(info.SetUploadInfo(u"10001", u"key", u"album", u"", 100, 10, 50, 640, 480));
  EXPECT_EQ(info.m_strUin, u"10001");
  EXPECT_EQ(info.m_strExtendID, u"album");
  EXPECT_EQ(info.m_nTotalSpaceSize, 0u);
  EXPECT_EQ(info.m_nCompressLevel, 100u);

  EXPECT_FALSE(info.SetUploadInfo(u"10002", u"key2", u"album", u"http://u/", 100, 10, 50, 0, 480));
  EXPECT_EQ(info.m_nCompressLevel, 50u);
  EXPECT_EQ(info.m_nMaxWidth, 800);

  EXPECT_TRUE(info.SetUploadInfo(u"10002", u"key2", u"album", u"http://u/", 100, 100, 50, 640, 480));
  std::u16string uin, key;
  info.GetUploadKey(uin, key);
  EXPECT_EQ(uin, u"10002");
  EXPECT_EQ(key, u"key2");
  EXPECT_EQ(info.m_nMaxHeight, 480);

  ASSERT_TRUE(info.SetWaterPressInfo(0, u"name", u"http://old/"));
  EXPECT_FALSE(info.SetWaterPressInfo(1, u"", u"http://new/"));
  EXPECT_EQ(info.m_nWaterPressType, 1);
  EXPECT_EQ(info.m_strWaterPressName, u"name");
  EXPECT_EQ(info.m_strWaterPressURL, u"http://old/");
  EXPECT_FALSE(info.SetWaterPressInfo(2, u"other", nullptr));
  EXPECT_EQ(info.m_strWaterPressName, u"other");
  EXPECT_EQ(info.m_strWaterPressURL, u"http://old/");
}

}  // namespace
