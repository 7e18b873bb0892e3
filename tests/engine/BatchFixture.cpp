#include "tests/engine/BatchFixture.h"

#include "control/services/Global.h"
#include "engine/ThreadPool.h"
#include "platform/CodePage.h"
#include "tests/support/TestImages.h"

namespace fotaro::test {

std::u16string U(const std::string& utf8) { return platform::FromUtf8(utf8); }

AlbumReply Answer(const std::string& body) {
  AlbumReply reply;
  reply.body = body;
  return reply;
}

void BatchFixture::SetUp() {
  ASSERT_TRUE(m_server.Start());
  ASSERT_TRUE(m_kernel.SetUploadInfo(u"10001", u"session", u"album-1", U(m_server.Url()).c_str(), 1000, 0, 90, 800, 600));
  ASSERT_TRUE(m_kernel.SetExtentStr(u"extra"));
  CGlobal::Instance().SetRetryTimes(1);
}

void BatchFixture::TearDown() {
  DrainPools();
  CGlobal::Instance().SetRetryTimes(3);
}

void BatchFixture::DrainPools() {
  for (int pool : {2, 0, 1}) OrniFotaro::CThreadPool::FreeInstance(pool);
}

std::u16string BatchFixture::Photo(const std::string& name) const {
  WriteFile(m_dir.file(name), TestJpeg(64, 48));
  return U(m_dir.file(name));
}

std::u16string BatchFixture::File(const std::string& name, const std::string& bytes) const {
  WriteFile(m_dir.file(name), std::vector<uint8_t>(bytes.begin(), bytes.end()));
  return U(m_dir.file(name));
}

std::vector<std::string> BatchFixture::UploadedNames() const {
  std::vector<std::string> names;
  for (const AlbumRequest& request : m_server.Requests()) names.push_back(request.Field("FileData"));
  return names;
}

}  // namespace fotaro::test
