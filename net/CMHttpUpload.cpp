#include "net/CMHttpUpload.h"

#include <unistd.h>

#include <mutex>
#include <vector>

#include "control/services/Log.h"
#include "platform/CodePage.h"

// The part of the front-end that the transfer thread uses: the engine, which reports to it, and
// the subscriber list with its lock (recursive, so that a handler may destroy the front-end).
class CCMHttpUpload::Core : public CHttpDownloadUIInterface {
 public:
  Core() {
    m_uploader.SetCallback(this);
    m_uploader.SetMaxPartSize(std::numeric_limits<uint64_t>::max());
    m_uploader.SetMaxAnswerSize(kMaxAnswerSize);
  }

  void OnProgress(int64_t done, int64_t total) override {
    tagEvent event;
    event.nType = kEventProgress;
    event.nSent = done;
    event.nTotal = total;
    Deliver(event);
  }
  void OnDownloadComplete(int code, const std::u16string& path) override {
    fotaro::Log("CCMHttpUpload::OnDownloadComplete", "OnDownloadComplete str = %s", path);
    tagEvent event;
    event.nType = kEventComplete;
    event.nCode = code;
    event.strText = path;
    Deliver(event);
  }
  void OnError(int code) override {
    fotaro::Log("CCMHttpUpload::OnError", "OnError nCode = %d", code);
    tagEvent event;
    event.nType = kEventError;
    event.nCode = code;
    Deliver(event);
  }

  // Walks the subscribers under the lock; stops when a handler throws or closes the front-end.
  void Deliver(const tagEvent& event) {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    for (size_t i = 0; i < m_subscribers.size() && !m_bClosed; ++i) {
      try {
        m_subscribers[i]->Invoke(&event);
      } catch (...) {
        break;
      }
    }
  }

  void Close() {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    m_bClosed = true;
  }

  CHttpUploadImageFile m_uploader;
  std::recursive_mutex m_lock;  // the subscriber lock
  std::vector<std::unique_ptr<_event_node_base_OnEvent_HttpUpload>> m_subscribers;
  bool m_bClosed = false;  // the front-end is gone: deliver nothing more
};

CCMHttpUpload::CCMHttpUpload() : m_pCore(std::make_shared<Core>()) { m_pCore->m_uploader.KeepAliveWhileRunning(m_pCore); }

CCMHttpUpload::~CCMHttpUpload() {
  m_pCore->m_uploader.StopTransfer();
  m_pCore->Close();
}

void CCMHttpUpload::AddFormData(const std::u16string& name, const std::u16string& value) {
  m_pCore->m_uploader.AddFormData(name, value);
}

void CCMHttpUpload::AddImageFormData(const std::u16string& sendPath, const std::u16string& textName,
                                     const std::u16string& displayName, const std::u16string& partName,
                                     const std::u16string& dataPath) {
  m_pCore->m_uploader.AddImageFormData(sendPath, textName, displayName, partName, dataPath);
}

void CCMHttpUpload::ResetUploadData() { m_pCore->m_uploader.ResetUploadData(); }

bool CCMHttpUpload::UploadImage(const std::u16string& url, const std::u16string& resultFile) {
  if (url.empty() || resultFile.empty()) return false;
  const std::string path = platform::PathBytes(resultFile);
  if (access(path.c_str(), F_OK) == 0 && unlink(path.c_str()) != 0) return false;
  fotaro::Log("CCMHttpUpload::UploadImage", "start UploadImage strURL = %s strResultFile = %s\r\n", url, resultFile);
  return m_pCore->m_uploader.UploadImage(url, resultFile) != 0;
}

bool CCMHttpUpload::StopTransfer() { return m_pCore->m_uploader.StopTransfer(); }

const CHttpUploadImageFile& CCMHttpUpload::Uploader() const { return m_pCore->m_uploader; }

void CCMHttpUpload::AddSubscriber(std::unique_ptr<_event_node_base_OnEvent_HttpUpload> node) {
  std::lock_guard<std::recursive_mutex> lock(m_pCore->m_lock);
  m_pCore->m_subscribers.push_back(std::move(node));
}

void CCMHttpUpload::RemoveSubscriber(const _event_node_base_OnEvent_HttpUpload& node) {
  std::lock_guard<std::recursive_mutex> lock(m_pCore->m_lock);
  auto& subscribers = m_pCore->m_subscribers;
  for (auto it = subscribers.begin(); it != subscribers.end(); ++it) {
    if ((*it)->Matches(node)) {
      subscribers.erase(it);
      return;
    }
  }
}
