// The multipart request body, byte for byte, as the album server receives it.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "net/HttpUploadFile.h"
#include "platform/CodePage.h"
#include "tests/net/UploadFixture.h"

namespace fotaro::test {
namespace {

std::string Utf8(const std::u16string& text) { return platform::Utf8(text); }

std::string TextPart(const std::string& b, const std::string& name, const std::string& value) {
  return "--" + b + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value + "\r\n";
}

std::string FilePart(const std::string& b, const std::string& name, const std::string& file, size_t length) {
  return "--" + b + "\r\nContent-Disposition: form-data; name=\"" + name + "\"; filename=\"" + file + "\"; filelength=\"" +
         std::to_string(length) + "\"\r\nContent-Type: application/octet-stream\r\nContent-Transfer-Encoding: binary\r\n\r\n";
}

std::string Closing(const std::string& b) { return "\r\n--" + b + "--\r\n\r\n"; }

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class MultipartBodyTest : public UploadTest {
 protected:
  std::string Boundary() const { return Utf8(m_upload.Uploader().GetBoundary()); }

  // Runs the upload and checks what every body must satisfy: it arrived whole, its
  // Content-Length header, the engine's Content-Length and the bytes sent agree, and the last
  // progress report covers the whole body.
  std::string Send() {
    EXPECT_EQ(Run(m_upload), 0);
    const auto requests = m_server.Requests();
    EXPECT_EQ(requests.size(), ++m_nRequests);
    if (requests.empty()) return {};
    const AlbumRequest& request = requests.back();
    EXPECT_TRUE(request.complete);
    EXPECT_EQ(request.formError, "");
    EXPECT_EQ(request.contentLength, static_cast<int64_t>(request.body.size()));
    EXPECT_EQ(m_upload.Uploader().GetContentLength(), request.body.size());
    EXPECT_EQ(m_upload.Uploader().GetBytesSent(), request.body.size());
    const auto events = m_recorder.Events();
    EXPECT_GE(events.size(), 2u);
    if (events.size() >= 2) {
      const tagEvent& last = events[events.size() - 2];
      EXPECT_EQ(last.nType, CCMHttpUpload::kEventProgress);
      EXPECT_EQ(last.nSent, static_cast<int64_t>(request.body.size()));
      EXPECT_EQ(last.nTotal, static_cast<int64_t>(request.body.size()));
    }
    return request.body;
  }

  size_t m_nRequests = 0;
};

// The documented example: one text field, then one entry with a text part and a 3-byte file.
TEST_F(MultipartBodyTest, ExampleBody) {
  const std::string file = WriteFile("y.jpg", "\x01\x02\x03");
  m_upload.AddFormData(u"a", u"1");
  m_upload.AddImageFormData(U(file), u"n", u"/p/x.jpg", u"f", U(file));
  const std::string b = Boundary();
  const std::string expected = "--" + b + "\r\n" + "Content-Disposition: form-data; name=\"a\"\r\n" + "\r\n" + "1\r\n" +
                               "--" + b + "\r\n" + "Content-Disposition: form-data; name=\"n\"\r\n" + "\r\n" + "x.jpg\r\n" +
                               "--" + b + "\r\n" +
                               "Content-Disposition: form-data; name=\"f\"; filename=\"y.jpg\"; filelength=\"3\"\r\n" +
                               "Content-Type: application/octet-stream\r\n" + "Content-Transfer-Encoding: binary\r\n" +
                               "\r\n" + "\x01\x02\x03\r\n" + "--" + b + "--\r\n" + "\r\n";
  EXPECT_EQ(Send(), expected);

  const AlbumRequest request = m_server.Requests().back();
  EXPECT_EQ(request.Header("Content-Type"), "multipart/form-data; boundary=" + b);
  EXPECT_EQ(request.Header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)");
  EXPECT_EQ(request.Header("Expect"), "");
  EXPECT_EQ(request.Header("Transfer-Encoding"), "");
  ASSERT_EQ(request.parts.size(), 3u);
  EXPECT_EQ(request.Field("a"), "1");
  EXPECT_EQ(request.Field("n"), "x.jpg");
  EXPECT_EQ(ReadAll(request.parts[2].storedPath), "\x01\x02\x03");
  EXPECT_NE(ReadAll(Utf8(ResultFile())).find("<Result>0</Result>"), std::string::npos);
}

// Text fields always come first, whatever the order of the calls; a second entry's header starts
// with CR LF; an entry without a text name has only its file part; the first header of a body
// without text fields has no leading CR LF.
TEST_F(MultipartBodyTest, PartsInBodyOrder) {
  const std::string one = WriteFile("one.bin", "111");
  const std::string two = WriteFile("two.bin", "22");
  m_upload.AddImageFormData(U(one), u"", u"one.bin", u"FileData", U(one));
  m_upload.AddImageFormData(U(two), u"ThumbName", u"/a/b/two.bin", u"ThumbData", U(two));
  m_upload.AddFormData(u"late", u"field");
  const std::string b = Boundary();
  EXPECT_EQ(Send(), TextPart(b, "late", "field") + FilePart(b, "FileData", "one.bin", 3) + "111" + "\r\n" +
                        TextPart(b, "ThumbName", "two.bin") + FilePart(b, "ThumbData", "two.bin", 2) + "22" + Closing(b));

  m_upload.ResetUploadData();
  m_upload.AddImageFormData(U(one), u"", u"one.bin", u"FileData", U(one));
  const std::string b2 = Boundary();
  EXPECT_EQ(Send(), FilePart(b2, "FileData", "one.bin", 3) + "111" + Closing(b2));
}

// A file of exactly one chunk is sent as one full block and nothing for the empty read that ends
// it; text longer than a chunk is split into chunks of 10,240 bytes; progress follows every chunk.
TEST_F(MultipartBodyTest, ChunksOfTenKilobytes) {
  const size_t chunk = CHttpUploadFile::kChunkSize;
  const std::string block(chunk, 'z');
  const std::string file = WriteFile("block.bin", block);
  m_upload.AddImageFormData(U(file), u"", u"block.bin", u"f", U(file));
  const std::string b = Boundary();
  const std::string header = FilePart(b, "f", "block.bin", chunk);
  EXPECT_EQ(Send(), header + block + Closing(b));
  EXPECT_EQ(m_recorder.ChunkSizes(), (std::vector<int64_t>{static_cast<int64_t>(header.size()), static_cast<int64_t>(chunk),
                                                           static_cast<int64_t>(Closing(b).size())}));

  m_upload.ResetUploadData();
  const std::string value(chunk + 100, 'v');
  const std::string bigger = WriteFile("bigger.bin", std::string(2 * chunk + 1, 'w'));
  m_upload.AddFormData(u"long", U(value));
  m_upload.AddImageFormData(U(bigger), u"", u"bigger.bin", u"f", U(bigger));
  const std::string b2 = Boundary();
  const std::string text = TextPart(b2, "long", value);
  const std::string header2 = FilePart(b2, "f", "bigger.bin", 2 * chunk + 1);
  EXPECT_EQ(Send(), text + header2 + std::string(2 * chunk + 1, 'w') + Closing(b2));
  const int64_t c = static_cast<int64_t>(chunk);
  EXPECT_EQ(m_recorder.ChunkSizes(),
            (std::vector<int64_t>{c, static_cast<int64_t>(text.size()) - c, static_cast<int64_t>(header2.size()), c, c, 1,
                                  static_cast<int64_t>(Closing(b2).size())}));
}

// Text is sent in the system code page (UTF-8 in the tests); a character it cannot hold becomes
// "?" in both the body and its length. A quote or line break in a file name cannot break the
// part header.
TEST_F(MultipartBodyTest, ConvertedAndEscapedText) {
  const std::string file = WriteFile("we\"ird\nname.jpg", "x");
  m_upload.AddFormData(u"caption", u"\u4e2d\u6587 a\xD800z");
  m_upload.AddImageFormData(U(file), u"", U(file), u"f", U(file));
  const std::string b = Boundary();
  const std::string body = Send();
  EXPECT_EQ(body, TextPart(b, "caption", "\xE4\xB8\xAD\xE6\x96\x87 a?z") + FilePart(b, "f", "we%22ird%0Aname.jpg", 1) + "x" +
                      Closing(b));
  EXPECT_EQ(m_server.Requests().back().parts[1].filename, "we%22ird%0Aname.jpg");
}

// The boundary: ten characters of the table, the same for two draws within one second.
TEST(BoundaryTest, DrawnFromTheTimeInSeconds) {
  const std::u16string table = u"0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  const std::u16string first = CHttpUploadFile::DrawBoundary(1700000000);
  EXPECT_EQ(first.size(), 10u);
  EXPECT_EQ(first.find_first_not_of(table), std::u16string::npos);
  EXPECT_EQ(CHttpUploadFile::DrawBoundary(1700000000), first);
  EXPECT_NE(CHttpUploadFile::DrawBoundary(1700000001), first);
}

}  // namespace
}  // namespace fotaro::test
