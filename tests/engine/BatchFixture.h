#pragma once
// A fixture for the tests of whole batches (the upload manager, the silent uploader): an album
// server on 127.0.0.1, the settings of an uploader pointed at it, an upload queue, and photos
// made by the test. The working folder lives in the test's own folder. Attempts per upload are 1
// unless a test sets more, so that a failed answer is final.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ULData.h"
#include "imaging/ULKernel.h"
#include "tests/support/TempDir.h"
#include "tools/albumserver/AlbumServer.h"

namespace fotaro::test {

std::u16string U(const std::string& utf8);
// An answer of the album server with its own body.
AlbumReply Answer(const std::string& body);

class BatchFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  // Frees the thread pools, so that every job and notification has run or been dropped.
  void TearDown() override;

  // A small JPEG in the test folder; returns its path.
  std::u16string Photo(const std::string& name) const;
  // A file of any bytes in the test folder; returns its path.
  std::u16string File(const std::string& name, const std::string& bytes) const;
  // The requests the server received, by the upload name of their big picture.
  std::vector<std::string> UploadedNames() const;
  // Runs the pools' queued work to its end: compression, then uploads, then notifications.
  static void DrainPools();

  TempDir m_dir;
  ScopedEnv m_cache{"XDG_CACHE_HOME", m_dir.file("cache")};
  ScopedEnv m_state{"XDG_STATE_HOME", m_dir.file("state")};
  AlbumServer m_server;
  CULKernel m_kernel;
  CULData m_queue;
};

}  // namespace fotaro::test
