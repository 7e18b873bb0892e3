// The control's methods, called as a page calls them: through GetIDsOfNames and Invoke.

#include "control/services/Global.h"
#include "platform/CodePage.h"
#include "platform/com/Bstr.h"
#include "platform/com/Variant.h"
#include "tests/control/ControlFixture.h"

using fotaro::test::ControlTest;
using fotaro::test::DispArgs;
using fotaro::test::Text;
using platform::com::BstrText;

namespace {

using FotaroExMethodsTest = ControlTest;

TEST_F(FotaroExMethodsTest, ScriptsAreAnsweredOnlyForAPageThatPassesTheSiteLock) {
  platform::com::BstrPtr foreign = platform::com::MakeBstr(u"https://localhost.evil.example/");
  EXPECT_EQ(host().SetPageUrl(foreign.get()), E_ACCESSDENIED);
  EXPECT_EQ(host().SetPageUrl(nullptr), E_INVALIDARG);
  // Names are still answered, calls are not.
  std::u16string name = u"GetVersion";
  LPOLESTR names[] = {name.data()};
  DISPID id = 0;
  EXPECT_EQ(control().GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
  EXPECT_EQ(id, DISPID_GetVersion);
  INT version = 0;
  DispArgs args;
  args.OutI4(&version);
  EXPECT_EQ(Call(u"GetVersion", args), E_ACCESSDENIED);
  EXPECT_EQ(version, 0);

  platform::com::BstrPtr page = platform::com::MakeBstr(u"http://photo.example.org:8080/upload.html");
  EXPECT_EQ(host().SetPageUrl(page.get()), S_OK);
  DispArgs again;
  again.OutI4(&version);
  EXPECT_EQ(Call(u"GetVersion", again), S_OK);
  EXPECT_EQ(version, 100);
}

// A method of one text argument: what null, the longest text and one unit more give.
struct TextRule {
  const char16_t* method;
  HRESULT null;
  size_t longest;
};

TEST_F(FotaroExMethodsTest, TextArgumentsAreCheckedForNullAndLength) {
  const TextRule rules[] = {
      {u"SetResourceInfo", E_INVALIDARG, 4096},  {u"SetTokenContent", E_INVALIDARG, 4096},
      {u"SetHelpHyperlink", S_OK, 4096},         {u"SetExtendStr", E_INVALIDARG, 4096},
      {u"SetTipsMsg", E_INVALIDARG, 4096},       {u"SetUploadFilePath", E_INVALIDARG, 4096},
      {u"SetWaterPressName", S_OK, 128},         {u"SetWaterPressUrl", S_OK, 128},
  };
  for (const TextRule& rule : rules) {
    SCOPED_TRACE(platform::Utf8(rule.method));
    DispArgs null, longest, tooLong;
    EXPECT_EQ(Call(rule.method, null.NullStr()), rule.null);
    EXPECT_EQ(Call(rule.method, longest.Str(Text(rule.longest))), S_OK);
    EXPECT_EQ(Call(rule.method, tooLong.Str(Text(rule.longest + 1))), E_INVALIDARG);
  }

  DispArgs noAddress, noPort, longAddress, server;
  EXPECT_EQ(Call(u"SetReportServer", noAddress.NullStr().I4(8000)), E_INVALIDARG);
  EXPECT_EQ(Call(u"SetReportServer", noPort.Str(u"10.0.0.1").I4(0)), E_INVALIDARG);
  EXPECT_EQ(Call(u"SetReportServer", longAddress.Str(Text(129)).I4(8000)), E_INVALIDARG);
  EXPECT_EQ(Call(u"SetReportServer", server.Str(Text(128)).I4(1)), S_OK);
  DispArgs browser, partial;
  EXPECT_EQ(Call(u"SetBrowserInfo", browser.Str(u"chrome").Str(u"blink").Str(u"120")), S_OK);
  EXPECT_EQ(Call(u"SetBrowserInfo", partial.Str(u"chrome").NullStr().Str(u"120")), E_INVALIDARG);
}

TEST_F(FotaroExMethodsTest, BadArgumentsAreReportedBeforeAMissingFrame) {
  auto uploadInfo = [&](const std::u16string& uin, const std::u16string& key, uint32_t total, uint32_t used,
                        uint32_t level, int32_t width) {
    DispArgs args;
    args.Str(uin).Str(key).Str(u"album").Str(u"http://127.0.0.1/upload").UI4(total).UI4(used).UI4(level).I4(width).I4(600);
    return Call(u"SetUploadInfo", args);
  };
  EXPECT_EQ(uploadInfo(u"10001", u"key", 0, 0, 90, 800), E_INVALIDARG);
  EXPECT_EQ(uploadInfo(u"10001", u"key", 10, 11, 90, 800), E_INVALIDARG);
  EXPECT_EQ(uploadInfo(u"10001", u"key", 10, 10, 101, 800), E_INVALIDARG);
  EXPECT_EQ(uploadInfo(u"10001", u"key", 10, 10, 90, 0), E_INVALIDARG);
  EXPECT_EQ(uploadInfo(Text(129), u"key", 10, 10, 90, 800), E_INVALIDARG);
  EXPECT_EQ(uploadInfo(u"10001", Text(4097), 10, 10, 90, 800), E_INVALIDARG);
  EXPECT_EQ(uploadInfo(u"10001", u"key", 10, 10, 90, 800), E_FAIL);

  const std::pair<const char16_t*, std::pair<int32_t, int32_t>> limits[] = {
      {u"SetUploadLimit", {0, 5}}, {u"SetUploadSizeLimit", {-1, 1}}};
  for (const auto& [method, values] : limits) {
    DispArgs bad, good;
    EXPECT_EQ(Call(method, bad.I4(values.first)), E_INVALIDARG);
    EXPECT_EQ(Call(method, good.I4(values.second)), E_FAIL);
  }
  DispArgs frameType, frameWidth, quality;
  EXPECT_EQ(Call(u"SetFrame", frameType.I4(2).I4(600).I4(400)), E_INVALIDARG);
  EXPECT_EQ(Call(u"SetFrame", frameWidth.I4(0).I4(10).I4(400)), E_INVALIDARG);
  EXPECT_EQ(Call(u"SetThumbInfo", quality.I4(-1).I4(100).I4(100)), E_INVALIDARG);

  // These refuse both ways with E_FAIL.
  DispArgs limitsEmpty, limitsGood, mark, time, threads;
  EXPECT_EQ(Call(u"SetSizeLimits", limitsEmpty.Str(u"").Str(u"T|0|0|1|1|1|0|0|0")), E_FAIL);
  EXPECT_EQ(Call(u"SetSizeLimits", limitsGood.Str(u"A|0|0|8|6|9|0|0|0").Str(u"T|0|0|1|1|1|0|0|0")), E_FAIL);
  EXPECT_EQ(Call(u"SetWaterMark", mark.I4(1)), E_FAIL);
  EXPECT_EQ(Call(u"SetSvrTime", time.I4(0)), E_FAIL);
  EXPECT_EQ(Call(u"SetThreadCount", threads.I4(3)), E_FAIL);
  for (const char16_t* method : {u"Upload", u"EditUploadFile", u"Init"}) EXPECT_EQ(Call(method), E_FAIL);
  DispArgs task;
  EXPECT_EQ(Call(u"CancelOneTask", task.I4(0)), E_FAIL);
  EXPECT_EQ(Call(u"TranslateAccelerator"), S_FALSE);
}

TEST_F(FotaroExMethodsTest, OutArgumentsAreWrittenOnlyWhenTheRulesAllow) {
  // GetUploadKey never frees or replaces a string the caller already holds.
  BSTR held = SysAllocString(u"mine");
  BSTR before = held;
  DispArgs existing;
  EXPECT_EQ(Call(u"GetUploadKey", existing.OutBstr(&held)), E_INVALIDARG);
  EXPECT_EQ(held, before);
  SysFreeString(held);
  BSTR key = nullptr;
  DispArgs noFrame, nullPointer;
  EXPECT_EQ(Call(u"GetUploadKey", noFrame.OutBstr(&key)), E_FAIL);
  EXPECT_EQ(Call(u"GetUploadKey", nullPointer.OutBstr(nullptr)), E_INVALIDARG);

  int32_t haveSet = 7, count = 42;
  DispArgs have, photos, putCount;
  EXPECT_EQ(Call(u"HaveSetUploadInfo", have.OutI4(&haveSet)), E_FAIL);
  EXPECT_EQ(haveSet, 0);  // written before the frame check
  EXPECT_EQ(Call(u"GetPhotoCount", photos.OutI4(&count)), S_OK);
  EXPECT_EQ(count, 42);  // no frame: left as it was
  EXPECT_EQ(control().put_PhotoCount(9), S_OK);
  EXPECT_EQ(control().get_PhotoCount(&count), S_OK);
  EXPECT_EQ(count, 42);
}

TEST_F(FotaroExMethodsTest, AFrameReceivesTheSettingsAndTheBatch) {
  Start(StartsFrame());
  ASSERT_TRUE(m_main->IsFrameCreated());
  DispArgs info;
  info.Str(u"10001").Str(u"key").Str(u"album-1").Str(u"http://127.0.0.1/upload").UI4(10).UI4(10).UI4(90).I4(800).I4(600);
  EXPECT_EQ(Call(u"SetUploadInfo", info), S_OK);
  // The out argument may also be left off: it comes back as the result.
  platform::com::ScopedVariant key;
  DispArgs none;
  EXPECT_EQ(Call(u"GetUploadKey", none, key.get()), S_OK);
  EXPECT_EQ(BstrText(key->bstrVal), u"key");
  int32_t haveSet = 0;
  DispArgs have;
  EXPECT_EQ(Call(u"HaveSetUploadInfo", have.OutI4(&haveSet)), S_OK);
  EXPECT_EQ(haveSet, 1);

  DispArgs thumbZero, thumb, limits, threads;
  EXPECT_EQ(Call(u"SetThumbInfo", thumbZero.I4(0).I4(100).I4(100)), S_OK);
  EXPECT_EQ(m_main->kernel().m_nThumbQuality, 75);  // the record refuses a quality of 0
  EXPECT_EQ(Call(u"SetThumbInfo", thumb.I4(60).I4(120).I4(90)), S_OK);
  EXPECT_EQ(m_main->kernel().m_nThumbQuality, 60);
  EXPECT_EQ(Call(u"SetSizeLimits", limits.Str(u"A|0|0|800|600|90|0|0|0").Str(u"T|1|0|100|100")), S_OK);
  ASSERT_EQ(m_main->kernel().m_mapSpecInfo.size(), 1u);
  EXPECT_EQ(m_main->kernel().m_mapSpecInfo.begin()->first, u"A");
  EXPECT_EQ(Call(u"SetThreadCount", threads.I4(4)), S_OK);
  EXPECT_EQ(m_main->GetULData().GetQueueSize(), 4);

  m_main->photoCount = 5;
  VARIANT count;
  VariantInit(&count);
  DISPPARAMS noArgs{nullptr, nullptr, 0, 0};
  EXPECT_EQ(control().Invoke(DISPID_PhotoCount, IID_NULL, 0, DISPATCH_PROPERTYGET, &noArgs, &count, nullptr, nullptr), S_OK);
  EXPECT_EQ(count.lVal, 5);

  m_main->calls.clear();
  DispArgs selected, stop, add, tips, user, resize;
  EXPECT_EQ(Call(u"Upload"), S_OK);
  EXPECT_EQ(Call(u"UploadEx", selected.I4(1)), S_OK);
  EXPECT_EQ(Call(u"StopUpload", stop.I4(1)), S_OK);
  EXPECT_EQ(Call(u"AddPhoto", add.I4(2)), S_OK);
  EXPECT_EQ(Call(u"LeaveControl"), S_OK);
  EXPECT_EQ(Call(u"HideSortDropDown"), S_OK);
  EXPECT_EQ(Call(u"SetTipsMsg", tips.Str(u"稍候")), S_OK);
  EXPECT_EQ(Call(u"SetUserOrni", user.Str(u"20002")), S_OK);
  EXPECT_EQ(Call(u"Resize"), S_OK);
  EXPECT_EQ(m_main->rect.right, 600);
  EXPECT_EQ(Call(u"ResizeInFF", resize.I4(300).I4(200)), S_OK);
  EXPECT_EQ(m_main->rect.bottom, 200);
  EXPECT_EQ(m_main->calls, (std::vector<std::string>{"Upload all", "Upload selected", "StopUpload 1", "AddPhoto 2",
                                                     "LeaveControl", "HideSortDropDown", "MessageBox 提示 稍候",
                                                     "OnUserChanged", "Move", "Move"}));
  EXPECT_EQ(CGlobal::Instance().GetUserOrni(), u"20002");
  m_main->uploadAccepted = false;
  EXPECT_EQ(Call(u"Upload"), E_FAIL);
  EXPECT_TRUE(m_second->calls.empty());
}

TEST_F(FotaroExMethodsTest, WatermarkValuesWaitForInitThenApplyAtOnce) {
  DispArgs name, url, type;
  EXPECT_EQ(Call(u"SetWaterPressName", name.Str(u"张三的相册")), S_OK);
  EXPECT_EQ(Call(u"SetWaterPressUrl", url.Str(u"http://photo.example.org/zhangsan")), S_OK);
  EXPECT_EQ(Call(u"SetWaterPressType", type.I4(2)), S_OK);
  Start(StartsFrame());
  EXPECT_EQ(m_main->kernel().m_strWaterPressName, u"张三的相册");
  EXPECT_EQ(m_main->kernel().m_strWaterPressURL, u"http://photo.example.org/zhangsan");
  EXPECT_EQ(m_main->kernel().m_nWaterPressType, 2);

  DispArgs later;
  EXPECT_EQ(Call(u"SetWaterPressName", later.Str(u"李四")), S_OK);
  EXPECT_EQ(m_main->kernel().m_strWaterPressName, u"李四");
}

}  // namespace
