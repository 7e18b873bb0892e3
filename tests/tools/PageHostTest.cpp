// `fotaro host` in a process of its own, spoken to as pages speak to it: over WebSockets with the
// wire protocol, and with raw HTTP for the requests it must refuse.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "include/OrniFotaroEx.h"
#include "tests/support/BackgroundProgram.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"
#include "tests/tools/PageClient.h"

namespace fotaro::test {
namespace {

using nlohmann::json;

constexpr char kPageOrigin[] = "http://localhost:8080";
constexpr uint64_t kMaxFrameBytes = 64 * 1024;  // the host's cap
// The parameters of a page whose control starts without a frame (the library's controls have
// none of their own yet): Init runs at window creation and fires OnSink_AxInited.
const json kFramelessParams = {{"FrameType", -1}, {"ActiveFrame", -1}, {"EditMaxWidth", 600}, {"EditMaxHeight", 400}};

// A connection to the host spoken byte by byte: HTTP requests, and WebSocket frames that no
// proper client sends.
class RawConnection {
 public:
  explicit RawConnection(int port) : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval bound{20, 0};
    setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
    connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~RawConnection() { close(fd_); }
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;

  // Sends `request` and reads the answer's status line and headers: the status.
  int Request(const std::string& request) {
    if (!connected_ || write(fd_, request.data(), request.size()) != static_cast<ssize_t>(request.size())) return 0;
    std::string head;
    char c;
    while (head.find("\r\n\r\n") == std::string::npos && read(fd_, &c, 1) == 1) head += c;
    return head.size() > 12 ? std::atoi(head.c_str() + 9) : 0;
  }
  // A WebSocket handshake with the given Host and Origin headers (none when empty): the status.
  int Handshake(const std::string& host, const std::string& origin) {
    std::string request = "GET /control HTTP/1.1\r\nHost: " + host +
                          "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Version: 13\r\n"
                          "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n";
    if (!origin.empty()) request += "Origin: " + origin + "\r\n";
    return Request(request + "\r\n");
  }
  // Sends one masked frame whose header announces `length` bytes, with `payload` after it.
  void SendFrame(uint8_t opcode, uint64_t length, const std::string& payload) {
    std::string frame = {static_cast<char>(0x80 | opcode), static_cast<char>(0x80 | 127)};
    for (int shift = 56; shift >= 0; shift -= 8) frame += static_cast<char>((length >> shift) & 0xFF);
    const char mask[4] = {0x11, 0x22, 0x33, 0x44};
    frame.append(mask, 4);
    for (size_t i = 0; i < payload.size(); ++i) frame += static_cast<char>(payload[i] ^ mask[i % 4]);
    if (write(fd_, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size())) return;
  }
  // Reads the server's frames until the connection ends: the close code of its close frame, 1006
  // (as a browser reports it) when it ended without one, or nothing when it went on.
  std::optional<int> CloseCode() {
    unsigned char header[2];
    while (ReadAll(header, 2)) {
      uint64_t length = header[1] & 0x7F;
      if (length >= 126) {
        unsigned char extended[8];
        const size_t size = length == 126 ? 2 : 8;
        if (!ReadAll(extended, size)) break;
        length = 0;
        for (size_t i = 0; i < size; ++i) length = (length << 8) | extended[i];
      }
      std::string payload(length, '\0');
      if (!ReadAll(payload.data(), length)) break;
      if ((header[0] & 0x0F) == 0x8) {
        return payload.size() >= 2 ? (static_cast<unsigned char>(payload[0]) << 8) | static_cast<unsigned char>(payload[1]) : 1005;
      }
    }
    if (!ended_) return std::nullopt;
    return 1006;
  }

 private:
  bool ReadAll(void* into, size_t size) {
    auto* bytes = static_cast<char*>(into);
    for (size_t done = 0; done < size;) {
      const ssize_t got = read(fd_, bytes + done, size - done);
      ended_ = got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
      if (got <= 0) return false;
      done += static_cast<size_t>(got);
    }
    return true;
  }

  int fd_;
  bool connected_ = false;
  bool ended_ = false;  // the connection ended (rather than the read's bound running out)
};

int HandshakeStatus(int port, const std::string& host, const std::string& origin) {
  return RawConnection(port).Handshake(host, origin);
}

class PageHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The control's diagnostic log is on: it shows what happened to each page's control.
    std::filesystem::create_directories(dir_.file("state/Brennik"));
    std::ofstream(dir_.file("state/Brennik/FotaroEx_Log.txt")).put('\n');
    HostProcess host = StartHost(dir_.path());
    host_ = std::move(host.program);
    url_ = host.url;
    ASSERT_FALSE(url_.empty()) << "fotaro host printed no address";
    port_ = std::stoi(url_.substr(url_.rfind(':') + 1));
  }

  void TearDown() override {
    // The host ends cleanly on SIGTERM, destroying the controls still open (and, under the
    // sanitizers, leaking nothing).
    if (host_) {
      EXPECT_EQ(host_->Stop(), 0);
    }
  }

  std::string ControlLog() const {
    std::ifstream file(dir_.file("state/Brennik/log/OrniFotaroEx.txt"));
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }
  static size_t Count(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
  }
  std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }

  // A page of `origin` whose control exists.
  std::unique_ptr<PageClient> OpenPage(const char* origin = kPageOrigin, const json& params = kFramelessParams) {
    auto page = std::make_unique<PageClient>();
    EXPECT_TRUE(page->Connect(url_, origin)) << "handshake status " << page->socket().status();
    EXPECT_EQ(page->Create(params), json({{"op", "created"}}));
    return page;
  }

  TempDir dir_;
  std::unique_ptr<BackgroundProgram> host_;
  std::string url_;
  int port_ = 0;
};

TEST_F(PageHostTest, TheScriptIsServedToRequestsThatNameTheHost) {
  const auto get = [this](const std::string& path, const std::string& host) {
    return RawConnection(port_).Request("GET " + path + " HTTP/1.1\r\nHost: " + host + "\r\n\r\n");
  };
  EXPECT_EQ(get("/fotaro.js", Host()), 200);
  EXPECT_EQ(get("/fotaro.js", "localhost:" + std::to_string(port_)), 200);
  // A name rebound to 127.0.0.1 by its DNS, or no name at all, reaches nothing.
  EXPECT_EQ(get("/fotaro.js", "album.example.com:" + std::to_string(port_)), 403);
  EXPECT_EQ(RawConnection(port_).Request("GET /fotaro.js HTTP/1.0\r\n\r\n"), 403);
  EXPECT_EQ(get("/other", Host()), 404);
}

TEST_F(PageHostTest, TheControlsSiteLockDecidesEveryHandshake) {
  EXPECT_EQ(HandshakeStatus(port_, Host(), "http://localhost:8080"), 101);
  EXPECT_EQ(HandshakeStatus(port_, Host(), "https://photos.album.example.com"), 101);
  EXPECT_EQ(HandshakeStatus(port_, "LocalHost:" + std::to_string(port_), "http://127.0.0.1:3000"), 101);
  // A host that only ends like a permitted one, "null" (sandboxed frames, data: URLs), a file:
  // page, no Origin at all, and a request for another host: refused, whatever else they carry.
  EXPECT_EQ(HandshakeStatus(port_, Host(), "http://evillocalhost"), 403);
  EXPECT_EQ(HandshakeStatus(port_, Host(), "http://localhost.evil.example"), 403);
  EXPECT_EQ(HandshakeStatus(port_, Host(), "null"), 403);
  EXPECT_EQ(HandshakeStatus(port_, Host(), "file://"), 403);
  EXPECT_EQ(HandshakeStatus(port_, Host(), ""), 403);
  EXPECT_EQ(HandshakeStatus(port_, "evil.example:" + std::to_string(port_), "http://localhost:8080"), 403);
  EXPECT_EQ(HandshakeStatus(port_, "127.0.0.1:1", "http://localhost:8080"), 403);

  // The lock that refused is the control's own; no refused page got a window.
  const std::string log = ControlLog();
  EXPECT_EQ(Count(log, "CFotaroEx::SetPageUrl: http://evillocalhost: refused"), 1u) << log;
  EXPECT_EQ(Count(log, "CFotaroEx::OnCreate"), 0u);

  // A browser's client learns the same.
  PageClient refused;
  EXPECT_FALSE(refused.Connect(url_, "http://evillocalhost"));
  EXPECT_EQ(refused.socket().status(), 403u);
}

TEST_F(PageHostTest, CallsCarryEveryArgumentTypeAndAnswerOutValuesAndFailures) {
  const std::unique_ptr<PageClient> page = OpenPage();
  // Out values come back as the call's value: an INT, a property get.
  EXPECT_EQ(page->Call("GetVersion"), json({{"op", "return"}, {"id", 1}, {"hr", S_OK}, {"value", 100}}));
  EXPECT_EQ(page->Call("photocount")["value"], 0);
  EXPECT_EQ(page->Call("PhotoCount", {7}, /*put=*/true)["hr"], S_OK);
  // BSTR and INT; null is a null BSTR, which the control tells from "".
  EXPECT_EQ(page->Call("SetReportServer", {"127.0.0.1", 9999})["hr"], S_OK);
  EXPECT_EQ(page->Call("SetResourceInfo", {nullptr})["hr"], E_INVALIDARG);
  EXPECT_EQ(page->Call("SetResourceInfo", {""})["hr"], S_OK);
  EXPECT_EQ(page->Call("SetHelpHyperlink", {nullptr})["hr"], S_OK);
  EXPECT_EQ(page->Call("SetWaterPressName", {"张三的相册"})["hr"], S_OK);
  // UINT up to 2^32 - 1: the arguments pass the control's checks and meet its missing frame.
  EXPECT_EQ(page->Call("SetUploadInfo", {"10001", "key", "album", "http://localhost/upload", 4294967295u, 1, 100, 1600, 1600})["hr"],
            E_FAIL);
  EXPECT_EQ(page->Call("SetUploadInfo", {"10001", "key", "album", "http://localhost/upload", 0, 0, 100, 1600, 1600})["hr"],
            E_INVALIDARG);
  // true and false, and numbers written as strings, are converted as Invoke converts.
  EXPECT_EQ(page->Call("SetAutoCompress", {true})["hr"], S_OK);
  EXPECT_EQ(page->Call("SetRetryTimes", {"4"})["hr"], S_OK);

  // Failures are the control's HRESULTs.
  EXPECT_EQ(page->Call("Upload")["hr"], E_FAIL);
  EXPECT_EQ(page->Call("SetFrame", {1})["hr"], DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(page->Call("SetFrame", {1, "wide", 400})["hr"], DISP_E_TYPEMISMATCH);
  EXPECT_EQ(page->Call("GetVersion", {0})["hr"], DISP_E_TYPEMISMATCH);  // an out argument cannot be given
  EXPECT_EQ(page->Call("NoSuchMethod")["hr"], DISP_E_UNKNOWNNAME);
  // Values without a VARIANT are the host's own errors, for that call.
  for (const json& bad : {json(1.5), json(4294967296u), json(-2147483649LL), json::array({1}), json::object()}) {
    const json answer = page->Call("SetRetryTimes", json::array({bad}));
    EXPECT_EQ(answer["op"], "error") << bad;
    EXPECT_TRUE(answer.contains("id")) << answer;
  }
}

TEST_F(PageHostTest, EventsReachThePageAfterItsControlIsCreated) {
  PageClient page;
  ASSERT_TRUE(page.Connect(url_, kPageOrigin));
  EXPECT_EQ(page.Call("GetVersion")["op"], "error");  // nothing to call before create
  EXPECT_EQ(page.Create(kFramelessParams), json({{"op", "created"}}));
  const std::optional<json> event = page.NextEvent();
  ASSERT_TRUE(event);
  EXPECT_EQ(*event, json({{"op", "event"}, {"name", "OnSink_AxInited"}, {"args", json::array()}}));
  EXPECT_EQ(page.Create(kFramelessParams)["op"], "error");  // one control per page

  // Parameters are read by name without regard to case, and checked before the control sees them.
  PageClient other;
  ASSERT_TRUE(other.Connect(url_, kPageOrigin));
  EXPECT_EQ(other.Create({{"FrameType", -1}, {"activeframe", -1}, {"EDITMAXWIDTH", 300}, {"EditMaxHeight", 200}}),
            json({{"op", "created"}}));
  EXPECT_EQ(other.NextEvent().value_or(nullptr).value("name", ""), "OnSink_AxInited");
  PageClient badParams;
  ASSERT_TRUE(badParams.Connect(url_, kPageOrigin));
  EXPECT_EQ(badParams.Create({{"EditMaxWidth", {600}}})["op"], "error");
  EXPECT_EQ(badParams.Exchange(R"({"op":"create","params":[1]})")["op"], "error");
  EXPECT_EQ(badParams.Create(kFramelessParams)["op"], "created");  // the page may try again
}

TEST_F(PageHostTest, MalformedFramesAreAnsweredAndThePageGoesOn) {
  const std::unique_ptr<PageClient> page = OpenPage();
  const std::string frames[] = {
      "not json", "[1,2]", "{}", R"({"op":5})", R"({"op":"dance","id":3})", R"({"op":"call"})",
      R"({"op":"call","id":"x","name":"GetVersion"})", R"({"op":"call","id":4,"name":""})",
      R"({"op":"call","id":5,"name":"GetVersion","args":{}})", R"({"op":"call","id":6,"name":"Init","put":1})",
      R"({"op":"call","id":7,"name":")" + std::string(100, 'A') + R"("})",
      R"({"op":"call","id":8,"name":"SetTipsMsg","args":[[[[[[[[[[1]]]]]]]]]]})",
      R"({"op":"call","id":9,"name":"SetRetryTimes","args":[1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17]})",
  };
  for (const std::string& frame : frames) {
    const json answer = page->Exchange(frame);
    EXPECT_EQ(answer["op"], "error") << frame;
    EXPECT_TRUE(answer["message"].is_string()) << frame;
  }
  page->socket().SendBinary(R"({"op":"call","id":10,"name":"GetVersion"})");
  EXPECT_EQ(page->Answer()["op"], "error");
  EXPECT_EQ(page->Call("GetVersion")["value"], 100);
}

TEST_F(PageHostTest, FramesAreCappedAndAPageWhoseConnectionEndsLosesItsControl) {
  const std::unique_ptr<PageClient> page = OpenPage();
  // Just under the cap: a long text that the control refuses by its own rule.
  const std::string text(60000, 'x');
  EXPECT_EQ(page->Call("SetTipsMsg", {text})["hr"], E_INVALIDARG);
  // Over the cap: the host ends the connection as soon as the frame announces its size.
  {
    RawConnection raw(port_);
    ASSERT_EQ(raw.Handshake(Host(), kPageOrigin), 101);
    raw.SendFrame(0x1, kMaxFrameBytes + 1, "{");
    const std::optional<int> code = raw.CloseCode();
    EXPECT_TRUE(code == 1009 || code == 1006) << code.value_or(-1);
  }
  // A text frame that is not UTF-8 breaks the protocol itself.
  {
    RawConnection raw(port_);
    ASSERT_EQ(raw.Handshake(Host(), kPageOrigin), 101);
    const std::string frame = "{\"op\":\"\xFF\"}";
    raw.SendFrame(0x1, frame.size(), frame);
    const std::optional<int> code = raw.CloseCode();
    EXPECT_TRUE(code == 1002 || code == 1007) << code.value_or(-1);
  }
  // A page whose connection ends loses its control.
  page->socket().Close();
  EXPECT_TRUE(WaitUntil([&] { return Count(ControlLog(), "CFotaroEx::OnDestroy") == 1; }, std::chrono::seconds(20)));
}

TEST_F(PageHostTest, TwoPagesHaveTheirOwnControlsAndClosingOneDestroysOnlyIts) {
  const std::unique_ptr<PageClient> first = OpenPage("http://localhost:8080");
  const std::unique_ptr<PageClient> second = OpenPage("https://album.example.com");
  EXPECT_EQ(first->NextEvent().value_or(nullptr).value("name", ""), "OnSink_AxInited");
  EXPECT_EQ(second->NextEvent().value_or(nullptr).value("name", ""), "OnSink_AxInited");
  // The same call id on both pages: each page gets its own answer only.
  EXPECT_EQ(first->Call("SetResourceInfo", {nullptr})["hr"], E_INVALIDARG);
  EXPECT_EQ(second->Call("GetVersion")["value"], 100);
  EXPECT_EQ(first->Call("GetVersion")["id"], 2);
  // Each control took its own page's URL: both site locks admitted their page.
  const std::string log = ControlLog();
  EXPECT_EQ(Count(log, "SetPageUrl: http://localhost:8080: allowed"), 1u) << log;
  EXPECT_EQ(Count(log, "SetPageUrl: https://album.example.com: allowed"), 1u) << log;

  first->socket().Close();
  ASSERT_TRUE(WaitUntil([&] { return Count(ControlLog(), "CFotaroEx::OnDestroy") == 1; }, std::chrono::seconds(20)));
  EXPECT_EQ(second->Call("GetVersion")["value"], 100);
  EXPECT_TRUE(first->TakeEventNames().empty());
  EXPECT_TRUE(second->TakeEventNames().empty());
}

// Two pages upload at once with their frames: each page hears of its own photos only.
TEST_F(PageHostTest, TwoPagesUploadingAtOnceHearOnlyOfTheirOwnPhotos) {
  const std::unique_ptr<BackgroundProgram> album =
      StartFotaro({"serve", "--port", "0", "--store", dir_.file("album")}, dir_.path());
  const std::string listening = album->ReadLine().value_or("");
  const std::string upload = listening.substr(std::min(listening.find("http://"), listening.size()));
  ASSERT_FALSE(upload.empty()) << listening;
  const json withFrame = {{"FrameType", 0}, {"ActiveFrame", 0}, {"EditMaxWidth", 760}, {"EditMaxHeight", 520}};
  struct Page {
    std::unique_ptr<PageClient> client;
    std::string folder;
    int photos;
  };
  Page pages[] = {{OpenPage("http://localhost:8080", withFrame), dir_.file("first"), 2},
                  {OpenPage("https://album.example.com", withFrame), dir_.file("second"), 3}};
  for (Page& page : pages) {
    ASSERT_EQ(page.client->NextEvent().value_or(nullptr).value("name", ""), "OnSink_AxInited");
    ASSERT_EQ(page.client->Call("SetUploadInfo", {"10001", "key", "album", upload, 1 << 30, 0, 100, 1600, 1600})["hr"], S_OK);
    ASSERT_EQ(page.client->Call("SetExtendStr", {"pages"})["hr"], S_OK);
  }
  for (Page& page : pages) {
    ASSERT_EQ(page.client->Call("SetUploadFilePath", {WritePhotoList(page.folder, page.photos)})["hr"], S_OK);
  }
  for (Page& page : pages) {
    int started = 0;
    int answered = 0;
    for (std::optional<json> event = page.client->NextEvent(); event; event = page.client->NextEvent()) {
      const std::string name = event->value("name", "");
      const json& args = (*event)["args"];
      if (name == "OnSlientSink_StartUpload") {
        ++started;
        EXPECT_EQ(args[0].get<std::string>().rfind(page.folder + "/", 0), 0u) << *event;
      }
      if (name == "OnSlientSink_Complete") {
        ++answered;
        EXPECT_NE(args[0].get<std::string>().find("<Result>0</Result>"), std::string::npos) << *event;
        EXPECT_NE(args[0].get<std::string>().find(page.folder + "/"), std::string::npos) << *event;
      }
      if (name == "OnSlientSink_StopUpload") break;
    }
    EXPECT_EQ(started, page.photos);
    EXPECT_EQ(answered, page.photos);
  }
}

// A control asks its user something (nobody answers in a host without a display) while its page
// leaves, or while the host is told to end: the question ends with the control, and the host
// serves the other pages meanwhile and ends when told.
TEST_F(PageHostTest, APageThatLeavesWhileItsControlAsksTakesTheQuestionAlong) {
  const json withFrame = {{"FrameType", 0}, {"ActiveFrame", 0}, {"EditMaxWidth", 760}, {"EditMaxHeight", 520}};
  const auto askWithoutAnswer = [this](PageClient& page, size_t asked) {
    ASSERT_EQ(page.NextEvent().value_or(nullptr).value("name", ""), "OnSink_AxInited");
    page.socket().Send(R"({"op":"call","id":100,"name":"SetTipsMsg","args":["a tip"]})");
    // The frame's diagnostic log names every question it asks.
    ASSERT_TRUE(WaitUntil([&] { return Count(ControlLog(), "CUploaderFrame::Ask: a tip") == asked; },
                          std::chrono::seconds(20)));
  };
  const std::unique_ptr<PageClient> leaving = OpenPage("http://localhost:8080", withFrame);
  askWithoutAnswer(*leaving, 1);
  leaving->socket().Close();
  ASSERT_TRUE(WaitUntil([&] { return Count(ControlLog(), "CFotaroEx::OnDestroy") == 1; }, std::chrono::seconds(20))) << ControlLog();

  const std::unique_ptr<PageClient> staying = OpenPage("https://album.example.com", withFrame);
  askWithoutAnswer(*staying, 2);
  // The page's calls wait for the one before them; other pages are served meanwhile.
  const std::unique_ptr<PageClient> other = OpenPage("https://photo.example.org");
  EXPECT_EQ(other->Call("GetVersion")["value"], 100);
  EXPECT_EQ(host_->Stop(), 0);  // SIGTERM ends the question, the control and the host
  host_.reset();
}

// A library that is not the control's, or a port in use: the host says why and ends at once.
TEST(PageHostStartTest, AHostThatCannotStartSaysWhy) {
  const ProgramOutcome notTheControl = RunProgram(FOTARO_BIN, {"host", "--port", "0", "--library", "/lib/x86_64-linux-gnu/libz.so.1"});
  EXPECT_EQ(notTheControl.status, 1);
  EXPECT_NE(notTheControl.err.find("cannot load the control from /lib/x86_64-linux-gnu/libz.so.1: the library has no DllGetClassObject"),
            std::string::npos)
      << notTheControl.err;

  TempDir dir;
  HostProcess first = StartHost(dir.path());
  ASSERT_FALSE(first.url.empty());
  const std::string port = first.url.substr(first.url.rfind(':') + 1);
  const ProgramOutcome second = RunProgram(FOTARO_BIN, {"host", "--port", port}, {"DISPLAY="});
  EXPECT_EQ(second.status, 1);
  EXPECT_NE(second.err.find("cannot listen on 127.0.0.1:" + port), std::string::npos) << second.err;
  EXPECT_EQ(second.out, "");
}

}  // namespace
}  // namespace fotaro::test
