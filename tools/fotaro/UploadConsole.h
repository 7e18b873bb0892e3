#pragma once
// UploadConsole: what `fotaro upload` shows. Each finished photo prints one line on stdout:
//
//   FILE<TAB>RESULT<TAB>REASON<TAB>ALBUMID<TAB>RESULTURL
//
// or, with --json, one object a line with the members file, result, reason, albumId, resultUrl and
// done (and fileBytes after file for a name that is not UTF-8, see JsonOutput.h); the text line
// names the file by its bytes. When it is known why an upload brought no usable answer, the
// reason says it in a sentence of its own: "The photo has not been uploaded. Not found (transfer
// code 7) at 127.0.0.1:8080: HTTP status 404 Not Found".
//
// Progress goes to stderr: a bar redrawn in place when stderr is a terminal, else a line for every
// finished photo (photos done of the total, bytes sent, speed). The summary at the end lists the
// photos that failed.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/fotaro/ConsoleUploader.h"

namespace fotaro::cli {

class UploadConsole : public IUploadReport {
 public:
  UploadConsole(bool json, bool liveBar, int totalPhotos, std::FILE* out = stdout, std::FILE* err = stderr);

  void OnSent(int64_t bytes) override;
  void OnPhotoPercent(int32_t percent) override;
  void OnResult(const PhotoResult& result) override;
  void OnMessage(const std::u16string& text) override;

  // The closing summary on stderr, with every failed photo and its result.
  void Finish(const std::vector<PhotoResult>& results);

 private:
  std::string ProgressText() const;
  void DrawBar(bool force);
  void ClearBar();
  double Seconds() const;

  const bool m_bJson;
  const bool m_bLive;
  const int m_nTotal;
  std::FILE* const m_out;
  std::FILE* const m_err;
  const std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point m_lastDraw{};
  int m_nDone = 0;
  int64_t m_nBytes = 0;
  int32_t m_nPercent = -1;  // silent mode: the current photo's progress
  bool m_bBarShown = false;
};

}  // namespace fotaro::cli
