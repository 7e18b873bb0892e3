#include "tests/tools/PageClient.h"

#include <filesystem>

#include "tests/support/TestImages.h"

namespace fotaro::test {

using nlohmann::json;

std::unique_ptr<BackgroundProgram> StartFotaro(const std::vector<std::string>& args, const std::string& folder) {
  BackgroundOptions options;
  options.readOutput = true;
  options.environment = {"XDG_STATE_HOME=" + folder + "/state", "XDG_CACHE_HOME=" + folder + "/cache",
                         "XDG_CONFIG_HOME=" + folder + "/config", "XDG_DATA_HOME=" + folder + "/data",
                         "DISPLAY=", "WAYLAND_DISPLAY="};
  return std::make_unique<BackgroundProgram>(FOTARO_BIN, args, options);
}

std::string WritePhotoList(const std::string& folder, int count) {
  std::filesystem::create_directories(folder);
  std::string list = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<fileList total=\"" + std::to_string(count) + "\">\n";
  for (int i = 1; i <= count; ++i) {
    const std::string photo = folder + "/photo-" + std::to_string(i) + ".jpg";
    WriteFile(photo, TestJpeg(320 + 40 * i, 240));
    list += "  <file>" + photo + "</file>\n";
  }
  list += "</fileList>\n";
  const std::string path = folder + "/photos.xml";
  WriteFile(path, std::vector<uint8_t>(list.begin(), list.end()));
  return path;
}

HostProcess StartHost(const std::string& folder) {
  HostProcess host{StartFotaro({"host", "--port", "0"}, folder), ""};
  const std::string line = host.program->ReadLine().value_or("");
  if (line.rfind("http://127.0.0.1:", 0) == 0) host.url = line;
  return host;
}

bool PageClient::Connect(const std::string& hostUrl, const char* origin) {
  return socket_.Connect("ws" + hostUrl.substr(4) + "/control", origin);
}

json PageClient::Create(const json& params) { return Exchange(json{{"op", "create"}, {"params", params}}.dump()); }

json PageClient::Call(const std::string& name, const json& args, bool put) {
  const int id = nextId_++;
  json message = {{"op", "call"}, {"id", id}, {"name", name}, {"args", args}};
  if (put) message["put"] = true;
  socket_.Send(message.dump());
  for (json answer = Answer(); !answer.is_null(); answer = Answer()) {
    if (answer.value("id", -1) == id) return answer;
  }
  return nullptr;
}

json PageClient::Exchange(const std::string& frame) {
  socket_.Send(frame);
  return Answer();
}

json PageClient::Answer() {
  while (std::optional<std::string> frame = socket_.Receive()) {
    json message = json::parse(*frame, nullptr, false);
    if (message.is_object() && message.value("op", "") == "event") {
      events_.push_back(std::move(message));
      continue;
    }
    return message;
  }
  return nullptr;
}

std::optional<json> PageClient::NextEvent(std::chrono::milliseconds bound) {
  while (events_.empty()) {
    const std::optional<std::string> frame = socket_.Receive(bound);
    if (!frame) return std::nullopt;
    json message = json::parse(*frame, nullptr, false);
    if (message.is_object() && message.value("op", "") == "event") events_.push_back(std::move(message));
  }
  json event = std::move(events_.front());
  events_.erase(events_.begin());
  return event;
}

std::vector<std::string> PageClient::TakeEventNames() {
  std::vector<std::string> names;
  for (const json& event : events_) names.push_back(event.value("name", ""));
  events_.clear();
  return names;
}

}  // namespace fotaro::test
