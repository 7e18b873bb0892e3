// Transfers against a scripted album server: transfer codes, redirects, stopping, hostile answers.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "net/HttpUploadImageFile.h"
#include "platform/CodePage.h"
#include "tests/net/UploadFixture.h"

namespace fotaro::test {
namespace {

using namespace std::chrono_literals;
using Framing = AlbumReply::Framing;

bool Exists(const std::u16string& path) { return std::filesystem::exists(platform::Utf8(path)); }

std::string ReadAll(const std::u16string& path) {
  std::ifstream in(platform::Utf8(path), std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The answer ends with the XML document followed by `padding` filler bytes.
bool EndsWithFiller(const std::string& answer, size_t padding) {
  const std::string end = "</body>\r\n";
  return answer.size() >= padding + end.size() && answer.find_first_not_of('x', answer.size() - padding) == std::string::npos &&
         answer.compare(answer.size() - padding - end.size(), end.size(), end) == 0;
}

AlbumReply Reply(int status) {
  AlbumReply reply;
  reply.status = status;
  return reply;
}

// A port on 127.0.0.1 that nobody listens on.
int ClosedPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), size);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  close(fd);
  return ntohs(address.sin_port);
}

// Waits for the completion of an engine used without the front-end.
class CompletionWaiter : public CHttpDownloadUIInterface {
 public:
  void OnDownloadComplete(int code, const std::u16string&) override {
    m_nCode = code;
    m_done.Set();
  }
  int Wait() { return m_done.Wait(30s) ? m_nCode.load() : -2; }

 private:
  std::atomic<int> m_nCode{-1};
  platform::Event m_done;
};

// An engine with somebody to ask for credentials.
class AskingUploader : public CHttpUploadImageFile {
 public:
  std::atomic<int> asked{0};

 protected:
  bool AskCredentials(long, std::string& user, std::string& password) override {
    ++asked;
    user = "ann";
    password = "secret";
    return true;
  }
};

class HttpTransferTest : public UploadTest {
 protected:
  void SetUp() override {
    UploadTest::SetUp();
    m_file = WriteFile("photo.jpg", std::string(30000, 'p'));
    m_upload.AddFormData(u"ExtendID", u"album-7");
    m_upload.AddImageFormData(U(m_file), u"FileName", U(m_file), u"FileData", U(m_file));
  }
  // Starts the upload of a file larger than the socket buffers, whose body the server does not
  // read until ReleaseHeld. True once the request has arrived.
  bool StartHeldUpload() {
    m_upload.ResetUploadData();
    m_big = WriteFile("big.bin", std::string(32 << 20, 'b'));
    m_upload.AddImageFormData(U(m_big), u"", U(m_big), u"FileData", U(m_big));
    AlbumReply stall;
    stall.holdBody = true;
    m_server.Script(stall);
    return m_upload.UploadImage(U(m_server.Url()), ResultFile()) && m_server.WaitForArrivals(1, 30s);
  }

  std::string m_big;

  std::string m_file;
};

TEST_F(HttpTransferTest, StatusOfTheAnswerGivesTheTransferCode) {
  const std::pair<int, int> cases[] = {{200, 0}, {304, 1}, {404, 7}, {500, 2}, {503, 8}, {403, 2}};
  for (const auto& [status, code] : cases) {
    m_server.Script(Reply(status));
    EXPECT_EQ(Run(m_upload), code) << "status " << status;
    EXPECT_EQ(Exists(ResultFile()), code == 0) << "status " << status;
  }
  // One attempt each, every one with the whole body.
  const auto requests = m_server.Requests();
  ASSERT_EQ(requests.size(), std::size(cases));
  for (const AlbumRequest& request : requests) EXPECT_TRUE(request.complete && request.formError.empty());
}

TEST_F(HttpTransferTest, AnswerIsSavedOnlyWhenItsLengthHolds) {
  const auto run = [&](Framing framing, uint64_t padding) {
    AlbumReply reply;
    reply.framing = framing;
    reply.padding = padding;
    m_server.Script(reply);
    return Run(m_upload);
  };
  EXPECT_EQ(run(Framing::kShort, 0), 3);
  EXPECT_FALSE(Exists(ResultFile()));

  EXPECT_EQ(run(Framing::kUntilClose, 0), 0);
  const std::string answer = ReadAll(ResultFile());
  EXPECT_EQ(answer.rfind("<?xml", 0), 0u);
  EXPECT_NE(answer.find("<Result>0</Result><AlbumId>album-7</AlbumId><ResultURL>http://127.0.0.1:"), std::string::npos);

  // Larger than the write cache, with and without a Content-Length.
  const size_t padding = CCMHttpUpload::kMaxAnswerSize - 4096;
  EXPECT_EQ(run(Framing::kUntilClose, padding), 0);
  EXPECT_TRUE(EndsWithFiller(ReadAll(ResultFile()), padding));
  EXPECT_EQ(run(Framing::kContentLength, padding), 0);
  EXPECT_TRUE(EndsWithFiller(ReadAll(ResultFile()), padding));

  // A huge answer is refused, whether announced or not.
  EXPECT_EQ(run(Framing::kContentLength, CCMHttpUpload::kMaxAnswerSize), 2);
  EXPECT_EQ(run(Framing::kUntilClose, CCMHttpUpload::kMaxAnswerSize), 2);
  EXPECT_FALSE(Exists(ResultFile()));
}

TEST_F(HttpTransferTest, RedirectSendsTheWholeBodyAgain) {
  for (const int status : {302, 303, 307}) {
    AlbumReply redirect = Reply(status);
    // A relative and an absolute Location.
    redirect.headers = {{"Location", status == 303 ? m_server.Url("/moved?to=" + std::to_string(status)) : "/moved"}};
    m_server.Script(redirect);
    EXPECT_EQ(Run(m_upload), 0) << status;
    const auto requests = m_server.Requests();
    ASSERT_GE(requests.size(), 2u);
    const AlbumRequest& first = requests[requests.size() - 2];
    const AlbumRequest& second = requests.back();
    EXPECT_EQ(first.target, "/upload");
    EXPECT_EQ(second.target, status == 303 ? "/moved?to=303" : "/moved");
    EXPECT_TRUE(second.complete);
    EXPECT_EQ(second.body, first.body);
    // Progress ran through the whole body twice.
    const auto events = m_recorder.Events();
    EXPECT_EQ(std::count_if(events.begin(), events.end(),
                            [&](const tagEvent& e) { return e.nSent == static_cast<int64_t>(second.body.size()); }),
              2);
  }
}

TEST_F(HttpTransferTest, RedirectsAreBoundedAndStayOnHttp) {
  AlbumReply loop = Reply(302);
  loop.headers = {{"Location", "/loop"}};
  m_server.SetDefaultReply(loop);
  EXPECT_EQ(Run(m_upload), 2);
  EXPECT_EQ(m_server.Requests().size(), static_cast<size_t>(CHttpDownload::kMaxRedirects + 1));

  AlbumReply elsewhere = Reply(307);
  elsewhere.headers = {{"Location", "file:///etc/passwd"}};
  m_server.SetDefaultReply(elsewhere);
  EXPECT_EQ(Run(m_upload), 2);
  EXPECT_EQ(m_server.Requests().size(), static_cast<size_t>(CHttpDownload::kMaxRedirects + 2));
  EXPECT_FALSE(Exists(ResultFile()));
}

TEST_F(HttpTransferTest, StopEndsAStalledUploadWithCode2AndNothingAfter) {
  ASSERT_TRUE(StartHeldUpload());
  EXPECT_TRUE(m_upload.StopTransfer());  // the thread ended within the stop bound
  const auto events = m_recorder.Events();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().nType, CCMHttpUpload::kEventComplete);
  EXPECT_EQ(events.back().nCode, 2);
  EXPECT_EQ(std::count_if(events.begin(), events.end(), [](const tagEvent& e) { return e.nType == CCMHttpUpload::kEventComplete; }), 1);
  EXPECT_FALSE(Exists(ResultFile()));

  // The server now finishes the abandoned request; the transfer reports nothing more.
  m_server.ReleaseHeld();
  ASSERT_TRUE(m_server.WaitForRequests(1, 30s));
  EXPECT_FALSE(m_server.Requests().back().complete);
  EXPECT_EQ(m_recorder.Events().size(), events.size());
}

TEST_F(HttpTransferTest, BadInputEndsWithAFailureCode) {
  // A part file that is missing, or no longer has the length its header announces, fails the
  // request before anything is sent.
  const std::string missing = m_dir.file("missing.jpg");
  m_upload.AddImageFormData(U(missing), u"", U(missing), u"ThumbData", U(missing));
  EXPECT_EQ(Run(m_upload), 2);
  m_upload.ResetUploadData();
  const std::string changed = WriteFile("changed.jpg", "abc");
  m_upload.AddImageFormData(U(changed), u"", U(changed), u"FileData", U(changed));
  WriteFile("changed.jpg", "abcdef");
  EXPECT_EQ(Run(m_upload), 2);
  EXPECT_EQ(m_server.Arrivals(), 0u);

  // Nobody listening.
  m_upload.ResetUploadData();
  m_upload.AddImageFormData(U(m_file), u"", U(m_file), u"FileData", U(m_file));
  EXPECT_EQ(RunUrl(m_upload, "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/upload"), 5);

  // The server drops the connection in the middle of the body.
  AlbumReply drop;
  drop.dropAfter = 20000;
  m_server.Script(drop);
  EXPECT_EQ(Run(m_upload), 5);
  EXPECT_FALSE(Exists(ResultFile()));
}

TEST_F(HttpTransferTest, FileThatShrinksWhileSentFails) {
  ASSERT_TRUE(StartHeldUpload());
  ASSERT_EQ(truncate(m_big.c_str(), 1000), 0);
  m_server.ReleaseHeld();
  ASSERT_TRUE(m_recorder.WaitComplete());
  EXPECT_EQ(m_recorder.Completion().nCode, 2);
  ASSERT_TRUE(m_server.WaitForRequests(1, 30s));
  EXPECT_FALSE(m_server.Requests().back().complete);
}

TEST_F(HttpTransferTest, CredentialsAreAskedForAndSentAgain) {
  // Without a user interface nobody is asked and the attempt fails.
  m_server.Script(Reply(401));
  EXPECT_EQ(Run(m_upload), 2);
  EXPECT_EQ(m_server.Requests().size(), 1u);

  CompletionWaiter waiter;
  AskingUploader uploader;
  uploader.SetCallback(&waiter);
  uploader.AddFormData(u"a", u"b");
  m_server.Script(Reply(401));
  ASSERT_EQ(uploader.UploadImage(U(m_server.Url()), U(m_dir.file("asked.xml"))), 1);
  EXPECT_EQ(waiter.Wait(), 0);
  EXPECT_EQ(uploader.asked, 1);
  const auto requests = m_server.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[1].Header("Authorization"), "");
  EXPECT_EQ(requests[2].Header("Authorization"), "Basic YW5uOnNlY3JldA==");
  EXPECT_EQ(requests[2].body, requests[1].body);
}

TEST_F(HttpTransferTest, SilentServerTimesOut) {
  CompletionWaiter waiter;
  CHttpUploadImageFile uploader;
  uploader.SetCallback(&waiter);
  uploader.SetTimeouts(5, 1);
  uploader.AddFormData(u"a", u"b");
  AlbumReply silent;
  silent.holdAnswer = true;
  m_server.Script(silent);
  ASSERT_EQ(uploader.UploadImage(U(m_server.Url()), U(m_dir.file("silent.xml"))), 1);
  EXPECT_EQ(waiter.Wait(), 5);
  m_server.ReleaseHeld();
}

TEST_F(HttpTransferTest, NothingStartsWithoutAnHttpUrlAndAResultFile) {
  EXPECT_FALSE(m_upload.UploadImage(u"ftp://127.0.0.1/upload", ResultFile()));
  EXPECT_FALSE(m_upload.UploadImage(u"not a url", ResultFile()));
  EXPECT_FALSE(m_upload.UploadImage(u"", ResultFile()));
  EXPECT_FALSE(m_upload.UploadImage(U(m_server.Url()), u""));
  CHttpDownload engine;
  EXPECT_EQ(engine.DownloadBase(U(m_server.Url()), u"  "), 0);
  EXPECT_TRUE(m_recorder.Events().empty());

  // HTTPS is accepted (and here fails to connect); an existing result file is replaced.
  EXPECT_EQ(RunUrl(m_upload, "https://127.0.0.1:" + std::to_string(ClosedPort()) + "/upload"), 5);
  WriteFile("answer.xml", "stale");
  EXPECT_EQ(Run(m_upload), 0);
  EXPECT_NE(ReadAll(ResultFile()).find("<Result>0</Result>"), std::string::npos);
}

// The owner of the front-end may destroy it from the completion event, on the transfer thread.
TEST_F(HttpTransferTest, CompletionHandlerMayDestroyTheFrontEnd) {
  struct Owner {
    std::unique_ptr<CCMHttpUpload> upload = std::make_unique<CCMHttpUpload>();
    platform::Event destroyed;
    void OnEvent(const tagEvent* event) {
      if (event->nType != CCMHttpUpload::kEventComplete) return;
      upload.reset();
      destroyed.Set();
    }
  } owner;
  owner.upload->Subscribe(&owner, &Owner::OnEvent);
  owner.upload->AddFormData(u"a", u"b");
  ASSERT_TRUE(owner.upload->UploadImage(U(m_server.Url()), ResultFile()));
  EXPECT_TRUE(owner.destroyed.Wait(30s));
}

}  // namespace
}  // namespace fotaro::test
