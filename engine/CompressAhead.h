#pragma once
// CCompressAhead: the photos of a batch that the upload manager has handed to compression and
// whose outcome (compressed and admitted to the upload queue, or failed) it has not taken in yet,
// at most `limit` of them. With a limit of 1 a batch compresses one photo at a time; a higher
// limit lets that many compress at once, ahead of the uploads.
//
// The compressions run in parallel, but their photos move on in the order they were handed over:
// each compression job waits for its photo's turn (an event) before it enters the upload queue or
// reports a failure, and a photo's turn comes once the manager has taken in the outcome of the
// photo handed over before it. So the queue admits photos, and the manager hears of them, in
// list order, however many compress ahead.
//
// Each photo handed over gets a job stamp, never reused, that its jobs put on their
// notifications: an outcome whose stamp is not the photo's current one (a job of a cancelled
// batch, a notification that came again) is not taken in.
//
// Not locked itself: the upload manager's batch lock guards it.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/sync/Event.h"

class CCompressAhead {
 public:
  // Set when the photo's job may hand its photo on.
  using Turn = std::shared_ptr<platform::Event>;

  struct Handed {
    uint64_t nJob;  // the stamp of the photo's jobs
    Turn pTurn;     // already set when no photo is ahead of it
  };

  // How many photos may be in compression at once; below 1 counts as 1.
  void SetLimit(int limit) { m_nLimit = limit < 1 ? 1 : static_cast<size_t>(limit); }
  int GetLimit() const { return static_cast<int>(m_nLimit); }
  bool IsFull() const { return m_photos.size() >= m_nLimit; }
  bool IsEmpty() const { return m_photos.empty(); }
  bool Contains(const std::u16string& fileKey) const { return m_photos.count(fileKey) != 0; }

  // Records the photo `fileKey`, at `index` of the batch's list, as handed to compression.
  Handed Add(const std::u16string& fileKey, size_t index);
  // The list index of `fileKey` when `job` is its job in compression; nothing otherwise (the job
  // of a cancelled batch, an outcome that came again).
  std::optional<size_t> IndexOf(const std::u16string& fileKey, uint64_t job) const;
  // The photo's outcome has been taken in: it leaves, and the next photo's turn comes. The manager
  // calls it once it has told the frame of the outcome, so that the next photo's news follows.
  void Finish(const std::u16string& fileKey);
  // The list index of the earliest photo handed over and not finished, if any.
  std::optional<size_t> FirstIndex() const;
  // Forgets every photo and lets every waiting job go (each finds its batch cancelled).
  void Cancel();

 private:
  struct Photo {
    size_t index;
    uint64_t job;
    Turn turn;
  };
  using PhotoMap = std::map<std::u16string, Photo>;  // file key -> photo in compression

  // Gives the turn to the earliest photo left.
  void PassTurn();
  PhotoMap::const_iterator Earliest() const;

  PhotoMap m_photos;
  size_t m_nLimit = 1;
  uint64_t m_nLastJob = 0;
};
