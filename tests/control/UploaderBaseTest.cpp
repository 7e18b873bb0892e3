#include <gtest/gtest.h>

#include "tests/control/TestFrame.h"

namespace {

using fotaro::test::TestFrame;

TEST(UploaderBaseTest, StartsWithItsDefaultsAndAnEmptyUploadKey) {
  TestFrame frame;
  std::u16string uin = u"stale", key = u"stale";
  frame.GetUploadKey(uin, key);
  EXPECT_EQ(uin, u"");
  EXPECT_EQ(key, u"");
  EXPECT_EQ(frame.uploadLimit(), 100);
  EXPECT_EQ(frame.kernel().m_nUploadLimit, 0x7FFFFFFF);
  EXPECT_EQ(frame.waterPressCheck(), 0);
  EXPECT_EQ(frame.autoCompress(), 1);
}

TEST(UploaderBaseTest, ForwardsToTheSettingsRecordAndKeepsItsOwnCopies) {
  TestFrame frame;
  CUploaderBase& base = frame;
  EXPECT_TRUE(base.SetUploadInfo(u"10001", u"key", u"album", u"http://up/", 100, 1, 80, 1024, 768));
  std::u16string uin, key;
  base.GetUploadKey(uin, key);
  EXPECT_EQ(uin, u"10001");
  EXPECT_EQ(key, u"key");

  // The frame's copy of the limit follows the record's only when the record accepts the count.
  EXPECT_FALSE(base.SetUploadLimit(0));
  EXPECT_EQ(frame.uploadLimit(), 100);
  EXPECT_TRUE(base.SetUploadLimit(7));
  EXPECT_EQ(frame.uploadLimit(), 7);
  EXPECT_EQ(frame.kernel().m_nUploadLimit, 7);

  EXPECT_TRUE(base.SetUploadSizeLimit(3));
  EXPECT_EQ(frame.kernel().m_nLimitSize, 3 << 20);
  EXPECT_FALSE(base.SetExtentStr(nullptr));
  EXPECT_TRUE(base.SetThumbInfo(60, 120, 90));
  EXPECT_EQ(frame.kernel().m_nThumbQuality, 60);
  EXPECT_FALSE(base.SetUnCompressLimit(0, 10));
  EXPECT_FALSE(base.SetWaterPressPath(u""));
  EXPECT_FALSE(base.SetWaterPressInfo(1, nullptr, u"http://w/"));
  EXPECT_EQ(frame.kernel().m_nWaterPressType, 1);

  for (int32_t flag : {-1, 0, 5}) {
    EXPECT_TRUE(base.SetWaterPressCheck(flag));
    EXPECT_EQ(frame.waterPressCheck(), flag);
    EXPECT_TRUE(base.SetAutoCompress(flag));
    EXPECT_EQ(frame.autoCompress(), flag);
  }

  base.SetUploadOnceInfo(30, 20);
  EXPECT_EQ(frame.onceInfo(), std::make_pair(30, 20));

  EXPECT_TRUE(base.SetFrameTexts(u"", u"上传原图", u"添加我的空间地址"));
  EXPECT_TRUE(base.SetFrameTexts(u"title", u"a", u"b"));
  EXPECT_FALSE(base.SetFrameTexts(u"other", nullptr, u"b"));
  EXPECT_EQ(frame.title(), u"title");
}

}  // namespace
