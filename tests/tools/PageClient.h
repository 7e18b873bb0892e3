#pragma once
// A page of the page host's tests: a WebSocket to `fotaro host` that speaks the wire protocol,
// keeping the events that arrive between the answers it waits for.

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/BackgroundProgram.h"
#include "tests/tools/WebSocketClient.h"

namespace fotaro::test {

// `fotaro ARGS...` of the build in a process of its own, with its XDG folders in `folder` and no
// display: its standard output is read (ReadLine), its standard error goes to the test's.
std::unique_ptr<BackgroundProgram> StartFotaro(const std::vector<std::string>& args, const std::string& folder);

// `fotaro host --port 0`, started so, and the address it printed first (empty when none).
struct HostProcess {
  std::unique_ptr<BackgroundProgram> program;
  std::string url;
};
HostProcess StartHost(const std::string& folder);

// Writes `count` small photos, photo-1.jpg ..., into `folder` (made when missing) and the XML file
// list of a silent upload naming them: the list's path.
std::string WritePhotoList(const std::string& folder, int count);

class PageClient {
 public:
  // Connects to `hostUrl` (http://127.0.0.1:PORT) as a page of `origin`.
  bool Connect(const std::string& hostUrl, const char* origin);

  // Sends create with `params` and returns the answer (created or error).
  nlohmann::json Create(const nlohmann::json& params);
  // Calls `name` with `args` and returns its answer (return or error).
  nlohmann::json Call(const std::string& name, const nlohmann::json& args = nlohmann::json::array(), bool put = false);
  // Sends `frame` as it is and returns the next answer that is no event.
  nlohmann::json Exchange(const std::string& frame);
  // The next frame that is no event (events are kept); null when none came.
  nlohmann::json Answer();
  // The next event that arrives (or was kept), or nothing within `bound`.
  std::optional<nlohmann::json> NextEvent(std::chrono::milliseconds bound = std::chrono::seconds(20));
  // The names of the events kept so far, taken out.
  std::vector<std::string> TakeEventNames();

  WebSocketClient& socket() { return socket_; }

 private:
  WebSocketClient socket_;
  int nextId_ = 1;
  std::vector<nlohmann::json> events_;
};

}  // namespace fotaro::test
