#include "tests/net/UploadFixture.h"

#include <chrono>
#include <fstream>

#include "platform/CodePage.h"

namespace fotaro::test {

std::u16string U(const std::string& utf8) { return platform::FromUtf8(utf8); }

AlbumServer::Options StoreIn(const std::string& folder) {
  AlbumServer::Options options;
  options.store = folder;
  return options;
}

void EventRecorder::OnEvent(const tagEvent* event) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_events.push_back(*event);
  if (event->nType == CCMHttpUpload::kEventComplete) m_complete.Set();
}

bool EventRecorder::WaitComplete() { return m_complete.Wait(std::chrono::seconds(30)); }

void EventRecorder::Reset() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_events.clear();
  m_complete.Reset();
}

std::vector<tagEvent> EventRecorder::Events() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_events;
}

tagEvent EventRecorder::Completion() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (auto it = m_events.rbegin(); it != m_events.rend(); ++it) {
    if (it->nType == CCMHttpUpload::kEventComplete) return *it;
  }
  return {};
}

std::vector<int64_t> EventRecorder::ChunkSizes() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::vector<int64_t> sizes;
  int64_t last = 0;
  for (const tagEvent& event : m_events) {
    if (event.nType != CCMHttpUpload::kEventProgress) continue;
    sizes.push_back(event.nSent - last);
    last = event.nSent;
  }
  return sizes;
}

void UploadTest::SetUp() {
  ASSERT_TRUE(m_server.Start());
  m_upload.Subscribe(&m_recorder, &EventRecorder::OnEvent);
}

std::string UploadTest::WriteFile(const std::string& name, const std::string& bytes) const {
  const std::string path = m_dir.file(name);
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

int UploadTest::Run(CCMHttpUpload& upload, const std::string& path) { return RunUrl(upload, m_server.Url(path)); }

int UploadTest::RunUrl(CCMHttpUpload& upload, const std::string& url) {
  m_recorder.Reset();
  if (!upload.UploadImage(U(url), ResultFile())) return -1;
  if (!m_recorder.WaitComplete()) return -2;
  return m_recorder.Completion().nCode;
}

std::u16string UploadTest::ResultFile() const { return U(m_dir.file("answer.xml")); }

std::string UploadTest::LastBody() const {
  const auto requests = m_server.Requests();
  return requests.empty() ? std::string() : requests.back().body;
}

}  // namespace fotaro::test
