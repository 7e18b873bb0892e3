#include "tests/tools/PageClient.h"

namespace fotaro::test {

using nlohmann::json;

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
