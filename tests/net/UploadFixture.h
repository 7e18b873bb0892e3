#pragma once
// A fixture for tests of the upload request against a real album server on 127.0.0.1, with a
// subscriber that records every event of the upload.

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "net/CMHttpUpload.h"
#include "platform/sync/Event.h"
#include "tests/support/TempDir.h"
#include "tools/albumserver/AlbumServer.h"

namespace fotaro::test {

// Records the events of an upload; completion sets an event that tests wait on (bounded).
class EventRecorder {
 public:
  void OnEvent(const tagEvent* event);
  // Waits for the completion event; the failure of a test that hangs.
  bool WaitComplete();
  // Forgets the events, for the next transfer.
  void Reset();
  std::vector<tagEvent> Events() const;
  tagEvent Completion() const;  // the last type-2 event
  // The byte counts of the chunks that progress reported (differences of successive reports).
  std::vector<int64_t> ChunkSizes() const;

 private:
  mutable std::mutex m_mutex;
  std::vector<tagEvent> m_events;
  platform::Event m_complete;
};

std::u16string U(const std::string& utf8);
// Options of an album server that records requests and stores file parts in `folder`.
AlbumServer::Options StoreIn(const std::string& folder);

class UploadTest : public ::testing::Test {
 protected:
  void SetUp() override;

  // Writes a file into the test folder; returns its path.
  std::string WriteFile(const std::string& name, const std::string& bytes) const;
  // Starts `upload` to the server path and waits for its completion event; returns its code.
  int Run(CCMHttpUpload& upload, const std::string& path = "/upload");
  int RunUrl(CCMHttpUpload& upload, const std::string& url);
  std::u16string ResultFile() const;
  // The raw body of the only (or last) request the server received.
  std::string LastBody() const;

  TempDir m_dir;
  AlbumServer m_server{StoreIn(m_dir.file("store"))};
  EventRecorder m_recorder;
  CCMHttpUpload m_upload;
};

}  // namespace fotaro::test
