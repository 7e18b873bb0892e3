#pragma once
// CHttpUploadImageFile: the multipart upload request of one photo. The body is, in this order,
// every text field, then each file entry (its header, then the bytes of its file), then the
// closing delimiter; every text is converted to the system code page.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "net/HttpUploadFile.h"

class CHttpUploadImageFile : public CHttpUploadFile {
 public:
  struct ImageFormData {
    std::u16string strPath;    // the file whose bytes are sent
    std::u16string strHeader;  // the part text that precedes them
    uint64_t nSize = 0;        // size taken when the file was opened for the last request
    // The length the header announces (filelength), when it describes the sent file itself.
    std::optional<uint64_t> nAnnouncedSize;
  };

  ~CHttpUploadImageFile() override;

  // Appends a file entry: an optional text part `textName` holding the file name of
  // `displayName`, then the file part `partName` named after `dataPath` with its current length,
  // carrying the bytes of `sendPath`.
  void AddImageFormData(const std::u16string& sendPath, const std::u16string& textName, const std::u16string& displayName,
                        const std::u16string& partName, const std::u16string& dataPath);
  void ResetUploadData() override;
  const std::vector<ImageFormData>& GetImageFormData() const { return m_mapImageFormData; }

  // Starts the POST of the body to `url`, saving the answer to `resultFile`, which must not exist
  // yet. 1 when the transfer runs, 0 when nothing was started.
  int UploadImage(const std::u16string& url, const std::u16string& resultFile);

 protected:
  int SendRequest() override;

 private:
  std::vector<ImageFormData> m_mapImageFormData;
};
