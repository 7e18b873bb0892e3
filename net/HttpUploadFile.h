#pragma once
// CHttpUploadFile: the multipart/form-data layer over the HTTP engine. It keeps the text fields
// and the boundary, and streams a request body made of pieces (converted text, or a file read from
// disk) in chunks of 10,240 bytes, reporting progress after every chunk. Content-Length is the sum
// of the pieces' sizes, taken from the same piece list that produces the body; a file whose size
// changes while it is sent fails the request instead of sending a body of another length.

#include <cstdint>
#include <ctime>
#include <limits>
#include <string>
#include <vector>

#include "net/HttpDownload.h"

class CHttpUploadFile : public CHttpDownload {
 public:
  static constexpr size_t kChunkSize = 10240;

  CHttpUploadFile();
  ~CHttpUploadFile() override;

  // Appends the text part `name` = `value`.
  void AddFormData(const std::u16string& name, const std::u16string& value);
  // Clears the text fields and the counters and draws a new boundary.
  virtual void ResetUploadData();
  // Larger file parts fail the request before a byte is sent.
  void SetMaxPartSize(uint64_t bytes) { m_nMaxPartSize = bytes; }

  const std::u16string& GetBoundary() const { return m_strBoundary; }
  const std::u16string& GetFormData() const { return m_strFormData; }
  // Of the last request: valid once it has completed.
  uint64_t GetContentLength() const { return m_nContentLength; }
  uint64_t GetBytesSent() const { return m_nBytesSent; }

  // The 10-character boundary drawn for a time in seconds: two draws within one second agree.
  static std::u16string DrawBoundary(std::time_t seconds);

 protected:
  // One piece of a body: converted text, or an open file whose size was taken when it was opened.
  class BodyPiece {
   public:
    static BodyPiece Text(std::string bytes);
    // Opens `path` for reading; check IsOpen.
    static BodyPiece File(const std::string& path);
    BodyPiece(BodyPiece&& other) noexcept;
    BodyPiece& operator=(BodyPiece&& other) noexcept;
    ~BodyPiece() { Close(); }

    bool IsFile() const { return m_bFile; }
    bool IsOpen() const { return m_hFile >= 0; }
    uint64_t Size() const { return m_nSize; }
    const std::string& Text() const { return m_strText; }
    const std::string& Path() const { return m_strPath; }
    int Handle() const { return m_hFile; }
    void Close();

   private:
    BodyPiece() = default;
    bool m_bFile = false;
    std::string m_strText;
    std::string m_strPath;
    int m_hFile = -1;
    uint64_t m_nSize = 0;
  };

  // For SendRequest of a subclass: the request body is these pieces, in order. Adds the
  // multipart Content-Type header, sets Content-Length and zeroes the bytes sent.
  int BeginRequest(std::vector<BodyPiece> pieces);
  std::u16string ClosingDelimiter() const;
  uint64_t GetMaxPartSize() const { return m_nMaxPartSize; }
  // Set at the start of SendRequest; cleared once the whole body has been handed over.
  void SetUploading(bool uploading) { m_bUploading = uploading; }

  long ReadRequestBody(char* buffer, size_t size) override;
  void EndRequest() override { m_pieces.clear(); }

 private:
  enum class Chunk { kReady, kEnd, kError };
  // Fills the transfer buffer with the next chunk of the body.
  Chunk NextChunk();
  void NextPiece();
  // One chunk has been handed to the connection completely.
  void ChunkSent(size_t bytes);

  char m_transferBuffer[kChunkSize];
  std::u16string m_strFormData;
  std::u16string m_strBoundary;
  uint64_t m_nMaxPartSize = std::numeric_limits<uint64_t>::max();
  uint64_t m_nContentLength = 0;
  uint64_t m_nBytesSent = 0;
  bool m_bUploading = false;

  // Position of the body being sent.
  std::vector<BodyPiece> m_pieces;
  size_t m_nPiece = 0;         // index of the current piece
  uint64_t m_nPieceDone = 0;   // bytes of it already put into chunks
  size_t m_nChunkLength = 0;   // bytes in the transfer buffer
  size_t m_nChunkOffset = 0;   // of them, bytes already handed over
  bool m_bBodyFailed = false;  // sticky: a failed body stays failed
};
