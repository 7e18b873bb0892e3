// `fotaro upload` in a process of its own, against the album server of the test or its own.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/RunProgram.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestImages.h"
#include "tools/albumserver/AlbumServer.h"

namespace fotaro::test {
namespace {

class FotaroUploadTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_server.Start()); }

  std::string Photo(const std::string& name) const {
    WriteFile(m_dir.file(name), TestJpeg(80, 60));
    return m_dir.file(name);
  }
  std::string File(const std::string& name, const std::string& bytes) const {
    WriteFile(m_dir.file(name), std::vector<uint8_t>(bytes.begin(), bytes.end()));
    return m_dir.file(name);
  }
  // Runs `fotaro upload` with the options and the photos, against the test's server.
  ProgramOutcome Upload(std::vector<std::string> args, const std::vector<std::string>& photos) const {
    args.insert(args.begin(), {"upload", "--json", "--url", m_server.Url(), "--uin", "10001", "--key", "k", "--album", "a"});
    args.insert(args.end(), photos.begin(), photos.end());
    return Run(args);
  }
  ProgramOutcome Run(const std::vector<std::string>& args) const {
    return RunProgram(FOTARO_BIN, args, {"XDG_CACHE_HOME=" + m_dir.file("cache"), "FOTARO_CODEPAGE=UTF-8"}, m_dir.path());
  }
  // The JSON line of the photo, with the members up to "done" that do not depend on the server.
  static std::string Line(const std::string& file, int result, const std::string& reason) {
    return "{\"file\":\"" + file + "\",\"result\":" + std::to_string(result) + ",\"reason\":\"" + reason + "\"";
  }
  // The output line that starts with `head`, or "".
  static std::string Find(const std::string& out, const std::string& head) {
    const size_t at = out.find(head);
    return at == std::string::npos ? "" : out.substr(at, out.find('\n', at) - at);
  }
  static size_t Lines(const std::string& out) { return static_cast<size_t>(std::count(out.begin(), out.end(), '\n')); }

  TempDir m_dir;
  AlbumServer m_server;
};

TEST_F(FotaroUploadTest, AFolderOfMixedFilesUploadsEveryGoodPhotoAndReportsEachBadOne) {
  const std::string folder = m_dir.file("mixed");
  std::filesystem::create_directory(folder);
  const std::string good1 = Photo("mixed/1.jpg"), good2 = Photo("mixed/2.jpg");
  const std::string text = File("mixed/notes.txt", "a shopping list");
  const std::string corrupt = File("mixed/corrupt.jpg", std::string("\xFF\xD8\xFF\xE0", 4) + "cut short");
  const std::string empty = File("mixed/empty.jpg", "");
  const std::string gone = folder + "/gone.jpg";
  std::filesystem::create_symlink(m_dir.file("nowhere.jpg"), gone);
  const std::string locked = Photo("mixed/locked.jpg");
  chmod(locked.c_str(), 0);
  File("mixed/.hidden.jpg", "skipped");

  const ProgramOutcome outcome = Upload({}, {folder});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(Lines(outcome.out), 7u) << outcome.out;
  for (const std::string& good : {good1, good2}) {
    const std::string line = Find(outcome.out, Line(good, 0, ""));
    EXPECT_NE(line.find("\"albumId\":\"a\""), std::string::npos) << line;
    EXPECT_NE(line.find("\"done\":true"), std::string::npos) << line;
  }
  for (const std::string& bad : {text, corrupt, empty}) EXPECT_NE(Find(outcome.out, Line(bad, 5, "文件格式错误")), "") << bad;
  EXPECT_NE(Find(outcome.out, Line(gone, 1, "文件不存在，或者文件大小为空")), "");
  // Only a process without privileges is kept out of an unreadable file.
  if (geteuid() != 0) {
    EXPECT_NE(Find(outcome.out, Line(locked, 5, "文件格式错误")), "");
  }
  EXPECT_EQ(m_server.Requests().size(), geteuid() != 0 ? 2u : 3u);
  EXPECT_NE(outcome.err.find("failed: " + corrupt + " (5 文件格式错误)"), std::string::npos) << outcome.err;
}

TEST_F(FotaroUploadTest, AFolderOfPhonePhotosIsSentAsJpegs) {
  const std::string folder = m_dir.file("phone");
  std::filesystem::create_directory(folder);
  std::vector<std::string> photos;
  for (const char* name : {"portrait.heic", "portrait.avif", "portrait.webp"}) {
    const std::vector<uint8_t> bytes = ReadFile(std::string(FOTARO_SOURCE_DIR) + "/tests/data/phone/" + name);
    photos.push_back(File(std::string("phone/") + name, std::string(bytes.begin(), bytes.end())));
  }
  const ProgramOutcome outcome = Upload({}, {folder});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  for (const std::string& photo : photos) EXPECT_NE(Find(outcome.out, Line(photo, 0, "")), "") << outcome.out;
  const std::vector<AlbumRequest> requests = m_server.Requests();
  ASSERT_EQ(requests.size(), 3u);
  for (const AlbumRequest& request : requests) {
    const std::string type = request.Field("PicType");
    EXPECT_TRUE(type == "heic" || type == "avif" || type == "webp") << type;
    EXPECT_EQ(request.Field("Exif_Orientation"), type == "webp" ? "6" : "1");  // HEIF decodes upright
    EXPECT_EQ(request.Field("FileData"), "portrait.jpg");  // the big picture's name: it is a JPEG
  }
}

TEST_F(FotaroUploadTest, AServerThatAnswers500FailsEveryPhotoAfterItsRetries) {
  AlbumReply error;
  error.status = 500;
  error.body = "Internal Server Error";
  m_server.SetDefaultReply(error);
  const std::vector<std::string> photos = {Photo("1.jpg"), Photo("2.jpg"), Photo("3.jpg")};
  for (const bool silent : {false, true}) {
    const size_t before = m_server.Requests().size();
    const ProgramOutcome outcome = Upload(silent ? std::vector<std::string>{"--retries", "2", "--silent"}
                                                 : std::vector<std::string>{"--retries", "2"},
                                          photos);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(Lines(outcome.out), 3u) << outcome.out;
    const std::string address = m_server.Url().substr(7, m_server.Url().find('/', 7) - 7);
    const std::string reason = "The photo has not been uploaded. Transfer failed (transfer code 2) at " + address +
                               ": HTTP status 500 Internal Server Error";
    for (const std::string& photo : photos) EXPECT_NE(Find(outcome.out, Line(photo, -1, reason)), "") << outcome.out;
    // The silent mode tries each photo once.
    EXPECT_EQ(m_server.Requests().size() - before, silent ? 3u : 6u);
  }
}

TEST_F(FotaroUploadTest, AnAccountTheServerRefusesStopsTheBatch) {
  m_server.Script([] {
    AlbumReply reply;
    reply.body = "<body><Result>-402</Result><Reason>banned</Reason></body>";
    return reply;
  }());
  const std::vector<std::string> photos = {Photo("1.jpg"), Photo("2.jpg"), Photo("3.jpg")};
  const ProgramOutcome outcome = Upload({"--threads", "1", "--silent"}, photos);
  EXPECT_EQ(outcome.status, 1);
  for (const std::string& photo : photos) EXPECT_NE(Find(outcome.out, Line(photo, -402, "banned")), "") << outcome.out;
  EXPECT_EQ(m_server.Requests().size(), 1u);
}

TEST_F(FotaroUploadTest, WithoutAnAddressItRunsItsOwnServerAndStoresThePhotos) {
  const ProgramOutcome outcome = Run({"upload", "--big", "FileData|0|0|40|30|90|0|0|0", Photo("1.jpg"), Photo("2.jpg")});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(Lines(outcome.out), 2u);
  std::vector<std::string> stored;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(m_dir.path())) {
    if (entry.path().parent_path().filename().string().rfind("fotaro-album-", 0) == 0) stored.push_back(entry.path().string());
  }
  EXPECT_EQ(stored.size(), 4u);  // a big picture and a thumbnail each
  EXPECT_NE(outcome.err.find("2 of 2 photos uploaded"), std::string::npos) << outcome.err;
  // The working folder goes with the command.
  EXPECT_FALSE(std::filesystem::exists(m_dir.file("cache/Brennik/OrniFotaroEx")));
}

TEST_F(FotaroUploadTest, AFailedTransferSaysWhyAndWhere) {
  AlbumReply notFound;
  notFound.status = 404;
  m_server.SetDefaultReply(notFound);
  const std::string address = m_server.Url().substr(7, m_server.Url().find('/', 7) - 7);  // 127.0.0.1:PORT
  struct Case {
    std::string url;
    std::vector<std::string> said;  // in the reason, in this order
  };
  const Case cases[] = {
      // Nothing listens on port 1.
      {"http://127.0.0.1:1/upload", {"Connection or protocol error (transfer code 5) at 127.0.0.1:1: ", "connect"}},
      {m_server.Url(), {"Not found (transfer code 7) at " + address + ": HTTP status 404 Not Found"}},
      // The name never resolves.
      {"http://nosuchhost.invalid/upload",
       {"Connection or protocol error (transfer code 5) at nosuchhost.invalid: ", "resolve host"}},
  };
  const std::string photo = Photo("1.jpg");
  for (const Case& c : cases) {
    for (const std::string mode : {"--retries=1", "--silent"}) {
      const ProgramOutcome outcome =
          Run({"upload", "--json", mode, "--url", c.url, "--uin", "u", "--key", "k", "--album", "a", photo});
      EXPECT_EQ(outcome.status, 1);
      const nlohmann::json line = nlohmann::json::parse(outcome.out, nullptr, false);
      ASSERT_TRUE(line.is_object()) << outcome.out;
      EXPECT_EQ(line["result"], -1);
      const std::string reason = line["reason"];
      size_t at = reason.find("The photo has not been uploaded. ");
      EXPECT_EQ(at, 0u) << reason;
      for (const std::string& part : c.said) {
        at = reason.find(part, at);
        EXPECT_NE(at, std::string::npos) << mode << ": " << part << " not in " << reason;
      }
      // The summary on stderr says it too.
      EXPECT_NE(outcome.err.find("failed: " + photo + " (-1 " + reason + ")"), std::string::npos) << outcome.err;
    }
  }
}

// Names written by older systems in GBK: 照片 is D5 D5 C6 AC, which is not UTF-8 (its second half
// happens to be: U+01AC).
TEST_F(FotaroUploadTest, APhotoNamedInGbkBytesUploadsUnderItsOwnName) {
  const std::string photo = Photo("\xD5\xD5\xC6\xAC.jpg");
  for (const bool silent : {false, true}) {
    std::vector<std::string> args = {"upload", "--url", m_server.Url(), "--uin", "u", "--key", "k", "--album", "a", photo};
    if (silent) args.insert(args.begin() + 1, "--silent");
    const ProgramOutcome outcome = Run(args);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    // The text line names the file by its bytes.
    EXPECT_EQ(outcome.out.substr(0, photo.size() + 3), photo + "\t0\t") << outcome.out;
  }
  // The JSON line is valid JSON: the name's text, and its bytes.
  const ProgramOutcome json = Upload({}, {photo});
  EXPECT_EQ(json.status, 0) << json.err;
  const nlohmann::json line = nlohmann::json::parse(json.out, nullptr, false);
  ASSERT_FALSE(line.is_discarded()) << json.out;
  EXPECT_EQ(line["file"], m_dir.file("\xEF\xBF\xBD\xEF\xBF\xBD\xC6\xAC.jpg"));
  const auto bytes = line["fileBytes"].get<std::vector<uint8_t>>();
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), photo);

  // Texts sent to the server hold "?" for what the code page cannot: here each odd byte.
  ASSERT_EQ(m_server.Requests().size(), 3u);
  for (const AlbumRequest& request : m_server.Requests()) EXPECT_EQ(request.Field("FileData"), "??\u01AC.jpg");

  const ProgramOutcome exif = Run({"exif", photo});
  EXPECT_EQ(exif.status, 0) << exif.err;
  EXPECT_EQ(exif.out.rfind("file: " + photo + "\n", 0), 0u) << exif.out;
}

TEST_F(FotaroUploadTest, BadUsageNamesTheProblemAndCreatesNothing) {
  const std::string photo = Photo("1.jpg");
  for (const std::string option : {"--uin", "--key", "--album"}) {
    std::vector<std::string> args = {"upload", "--url", m_server.Url(), "--uin", "u", "--key", "k", "--album", "a", photo};
    const auto at = std::find(args.begin(), args.end(), option);
    args.erase(at, at + 2);
    const ProgramOutcome outcome = Run(args);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_NE(outcome.err.find("--url requires " + option), std::string::npos) << outcome.err;
  }
  const std::vector<std::vector<std::string>> bad = {
      {"upload", "/nonexistent"},
      {"upload", photo, m_dir.file("missing.jpg")},
      {"upload", "--url", "notaurl", "--uin", "u", "--key", "k", "--album", "a", photo},
      {"upload", "--url", "ftp://127.0.0.1/upload", "--uin", "u", "--key", "k", "--album", "a", photo},
      {"upload", "--threads", "0", photo},
      {"upload", "--watermark-name", "me", photo},
      {"upload", "--uin", "", photo},
      {"upload"},
  };
  for (const std::vector<std::string>& args : bad) {
    const ProgramOutcome outcome = Run(args);
    EXPECT_EQ(outcome.status, 2) << outcome.err;
    EXPECT_EQ(outcome.out, "");
  }
  EXPECT_NE(Run(bad[0]).err.find("/nonexistent: No such file or directory"), std::string::npos);
  EXPECT_NE(Run(bad[2]).err.find("'notaurl' is not an http or https URL"), std::string::npos);
  // No album server was started, no folder made: only the photo is there.
  EXPECT_TRUE(m_server.Requests().empty());
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(m_dir.path())) left.push_back(entry.path().filename());
  EXPECT_EQ(left, std::vector<std::string>{"1.jpg"});
}

}  // namespace
}  // namespace fotaro::test
