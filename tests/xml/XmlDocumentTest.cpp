#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "platform/CodePage.h"
#include "tests/support/TempDir.h"
#include "xml/XmlDocument.h"

using fotaro::XmlDocument;
using fotaro::XmlElement;

namespace {

void WriteFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::vector<std::pair<std::u16string, std::u16string>> Children(const XmlElement& element) {
  std::vector<std::pair<std::u16string, std::u16string>> out;
  element.ForEachChild([&](const XmlElement& child) { out.emplace_back(child.Name(), child.Text()); });
  return out;
}

TEST(XmlDocumentTest, ReadsAServerAnswerInItsDeclaredEncoding) {
  fotaro::test::TempDir dir;
  const std::string answer = "<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<body><Result>0</Result><!-- x -->"
                             "<AlbumId>" + platform::ToCharset(u"相册7", "GBK") + "</AlbumId><ResultURL>http://a/b?c=1&amp;d=2</ResultURL></body>";
  WriteFile(dir.file("answer.xml"), answer);
  auto document = XmlDocument::LoadFile(dir.file("answer.xml"));
  ASSERT_TRUE(document);
  EXPECT_FALSE(document->Root(u"fileList"));
  const XmlElement body = document->Root(u"body");
  ASSERT_TRUE(body);
  const std::vector<std::pair<std::u16string, std::u16string>> expected = {
      {u"Result", u"0"}, {u"AlbumId", u"相册7"}, {u"ResultURL", u"http://a/b?c=1&d=2"}};
  EXPECT_EQ(Children(body), expected);
}

TEST(XmlDocumentTest, RejectsWhatIsNotXml) {
  fotaro::test::TempDir dir;
  EXPECT_FALSE(XmlDocument::LoadFile(dir.file("missing.xml")));
  for (const std::string& bytes : {std::string(), std::string("plain text answer"), std::string("<body><Result>0</body>"),
                                   std::string("\xff\xfe\x00<", 4)}) {
    WriteFile(dir.file("bad.xml"), bytes);
    EXPECT_FALSE(XmlDocument::LoadFile(dir.file("bad.xml"))) << bytes;
  }
}

TEST(XmlDocumentTest, BuildsAnAnswerDocumentFromATemplate) {
  auto document = XmlDocument::Parse(u"<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<body/>\r\n");
  ASSERT_TRUE(document);
  XmlElement body = document->Root(u"body");
  body.AppendChild(u"Filename", u"/photos/<照片>.jpg");
  body.AppendChild(u"Result", u"-100");
  EXPECT_EQ(document->ToString(),
            u"<?xml version=\"1.0\" encoding=\"GBK\"?><body><Filename>/photos/&lt;照片&gt;.jpg</Filename>"
            u"<Result>-100</Result></body>");
  // What was written reads back the same.
  auto again = XmlDocument::Parse(document->ToString());
  ASSERT_TRUE(again);
  EXPECT_EQ(again->Root(u"body").Child(u"Filename").Text(), u"/photos/<照片>.jpg");
}

}  // namespace
