#include "net/HttpUploadFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "control/services/Log.h"
#include "platform/CodePage.h"

namespace {
constexpr char kScope[] = "CHttpUploadFile::WriteRequest";
}  // namespace

CHttpUploadFile::CHttpUploadFile() : m_strBoundary(DrawBoundary(std::time(nullptr))) {}

CHttpUploadFile::~CHttpUploadFile() { EndThread(); }

std::u16string CHttpUploadFile::DrawBoundary(std::time_t seconds) {
  // The C runtime's classic generator, seeded with the time in seconds; kept local so that
  // concurrent uploads do not share generator state.
  static constexpr char16_t kTable[] = u"0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0";
  uint32_t state = static_cast<uint32_t>(seconds);
  std::u16string boundary;
  for (int i = 0; i < 10; ++i) {
    state = state * 214013u + 2531011u;
    const unsigned draw = (state >> 16) & 0x7FFF;
    boundary += kTable[static_cast<int>(draw / 32767.0 * 62)];
  }
  return boundary;
}

void CHttpUploadFile::AddFormData(const std::u16string& name, const std::u16string& value) {
  m_strFormData += u"--" + m_strBoundary + u"\r\nContent-Disposition: form-data; name=\"" + name + u"\"\r\n\r\n" + value + u"\r\n";
}

void CHttpUploadFile::ResetUploadData() {
  m_strFormData.clear();
  m_nContentLength = 0;
  m_nBytesSent = 0;
  m_strBoundary = DrawBoundary(std::time(nullptr));
}

std::u16string CHttpUploadFile::ClosingDelimiter() const { return u"\r\n--" + m_strBoundary + u"--\r\n\r\n"; }

int CHttpUploadFile::BeginRequest(std::vector<BodyPiece> pieces) {
  m_pieces = std::move(pieces);
  m_nContentLength = 0;
  for (const BodyPiece& piece : m_pieces) m_nContentLength += piece.Size();
  fotaro::Log("CHttpUploadImageFile::BeginRequest", "ContentLength = %llu", static_cast<unsigned long long>(m_nContentLength));
  m_nBytesSent = 0;
  m_nPiece = 0;
  m_nPieceDone = 0;
  m_nChunkLength = m_nChunkOffset = 0;
  m_bBodyFailed = false;
  AddRequestHeader("Content-Type: multipart/form-data; boundary=" + platform::ToCodePage(m_strBoundary));
  SetRequestBodyLength(m_nContentLength);
  return kStepSuccess;
}

long CHttpUploadFile::ReadRequestBody(char* buffer, size_t size) {
  if (m_bBodyFailed) return kBodyError;
  size_t written = 0;
  while (written < size) {
    if (m_nChunkOffset == m_nChunkLength) {
      const Chunk next = NextChunk();
      if (next == Chunk::kEnd) break;
      if (next == Chunk::kError) {
        m_bBodyFailed = true;
        m_pieces.clear();
        return kBodyError;
      }
    }
    const size_t bytes = std::min(size - written, m_nChunkLength - m_nChunkOffset);
    std::memcpy(buffer + written, m_transferBuffer + m_nChunkOffset, bytes);
    written += bytes;
    m_nChunkOffset += bytes;
    if (m_nChunkOffset == m_nChunkLength) ChunkSent(m_nChunkLength);
  }
  return static_cast<long>(written);
}

CHttpUploadFile::Chunk CHttpUploadFile::NextChunk() {
  m_nChunkLength = m_nChunkOffset = 0;
  while (m_nPiece < m_pieces.size()) {
    BodyPiece& piece = m_pieces[m_nPiece];
    if (!piece.IsFile()) {
      const size_t bytes = std::min<uint64_t>(kChunkSize, piece.Size() - m_nPieceDone);
      std::memcpy(m_transferBuffer, piece.Text().data() + m_nPieceDone, bytes);
      m_nPieceDone += bytes;
      if (m_nPieceDone == piece.Size()) NextPiece();
      m_nChunkLength = bytes;
      if (bytes > 0) return Chunk::kReady;
      continue;
    }
    // A file is read in blocks of the chunk size until a shorter block shows its end, which must
    // come exactly at the size taken when it was opened.
    ssize_t bytes;
    do {
      bytes = read(piece.Handle(), m_transferBuffer, kChunkSize);
    } while (bytes < 0 && errno == EINTR);
    if (bytes < 0) {
      fotaro::Log(kScope, "ReadFile failed: %s, errno = %d", piece.Path(), errno);
      return Chunk::kError;
    }
    m_nPieceDone += static_cast<uint64_t>(bytes);
    const bool last = static_cast<size_t>(bytes) < kChunkSize;
    if (m_nPieceDone > piece.Size() || (last && m_nPieceDone != piece.Size())) {
      fotaro::Log(kScope, "file changed while it was sent: %s, %llu bytes expected", piece.Path(),
                  static_cast<unsigned long long>(piece.Size()));
      return Chunk::kError;
    }
    if (last) NextPiece();
    m_nChunkLength = static_cast<size_t>(bytes);
    if (bytes > 0) return Chunk::kReady;
  }
  return Chunk::kEnd;
}

void CHttpUploadFile::NextPiece() {
  m_pieces[m_nPiece].Close();  // a file is closed as soon as its part ends
  ++m_nPiece;
  m_nPieceDone = 0;
}

void CHttpUploadFile::ChunkSent(size_t bytes) {
  if (!m_bUploading) return;
  m_nBytesSent += bytes;
  if (m_nContentLength != 0 && Callback()) {
    Callback()->OnProgress(static_cast<int64_t>(m_nBytesSent), static_cast<int64_t>(m_nContentLength));
  }
  // The closing delimiter has been handed over: the request is complete.
  if (m_nBytesSent == m_nContentLength) m_bUploading = false;
}

CHttpUploadFile::BodyPiece CHttpUploadFile::BodyPiece::Text(std::string bytes) {
  BodyPiece piece;
  piece.m_nSize = bytes.size();
  piece.m_strText = std::move(bytes);
  return piece;
}

CHttpUploadFile::BodyPiece CHttpUploadFile::BodyPiece::File(const std::string& path) {
  BodyPiece piece;
  piece.m_bFile = true;
  piece.m_strPath = path;
  piece.m_hFile = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  if (piece.m_hFile >= 0 && (fstat(piece.m_hFile, &info) != 0 || !S_ISREG(info.st_mode))) piece.Close();
  if (piece.m_hFile >= 0) piece.m_nSize = static_cast<uint64_t>(info.st_size);
  return piece;
}

CHttpUploadFile::BodyPiece::BodyPiece(BodyPiece&& other) noexcept { *this = std::move(other); }

CHttpUploadFile::BodyPiece& CHttpUploadFile::BodyPiece::operator=(BodyPiece&& other) noexcept {
  if (this != &other) {
    Close();
    m_bFile = other.m_bFile;
    m_strText = std::move(other.m_strText);
    m_strPath = std::move(other.m_strPath);
    m_nSize = other.m_nSize;
    m_hFile = std::exchange(other.m_hFile, -1);
  }
  return *this;
}

void CHttpUploadFile::BodyPiece::Close() {
  if (m_hFile >= 0) close(m_hFile);
  m_hFile = -1;
}
