#include "tests/tools/Browser.h"

#include <unistd.h>

#include <glib.h>

#include <sstream>
#include <thread>

#include "tests/support/ChildProcess.h"
#include "tests/support/TestImages.h"

namespace fotaro::test {

using nlohmann::json;

namespace {

constexpr char kChromium[] = "/usr/bin/chromium";

// Host resolver rules that send `names` to 127.0.0.1.
std::string Rules(const std::vector<std::string>& names) {
  std::string rules;
  for (const std::string& name : names) rules += (rules.empty() ? "MAP " : ", MAP ") + name + " 127.0.0.1";
  return rules;
}

}  // namespace

bool Browser::Start(const std::string& folder, const std::vector<std::string>& names) {
  if (access(kChromium, X_OK) != 0) {
    missing_ = std::string(kChromium) + " is not installed (scripts/setup.sh test installs Debian's chromium)";
    return false;
  }
  program_ = std::make_unique<BackgroundProgram>(
      kChromium, std::vector<std::string>{"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                                          "--no-first-run", "--disable-background-networking",
                                          "--disable-component-update", "--disable-sync", "--window-size=1000,800",
                                          "--remote-debugging-port=0",
                                          "--user-data-dir=" + folder, "--host-resolver-rules=" + Rules(names),
                                          "about:blank"});
  // The browser writes its DevTools port and path once it listens.
  std::string port;
  std::string path;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (path.empty() && std::chrono::steady_clock::now() < deadline && !program_->Ended()) {
    const std::optional<std::string> text = WaitForFileContent(folder + "/DevToolsActivePort", std::chrono::seconds(1));
    std::istringstream lines(text.value_or(""));
    std::getline(lines, port);
    std::getline(lines, path);
  }
  if (path.empty() || !devtools_.Connect("ws://127.0.0.1:" + port + path, nullptr)) {
    missing_ = "chromium did not start (or its DevTools did not answer)";
    return false;
  }
  const json target = Command("Target.createTarget", {{"url", "about:blank"}}, false);
  const json attached = Command("Target.attachToTarget", {{"targetId", target.value("targetId", "")}, {"flatten", true}}, false);
  session_ = attached.value("sessionId", "");
  if (session_.empty()) missing_ = "chromium made no tab";
  return !session_.empty();
}

json Browser::Command(const std::string& method, const json& params, bool toTab) {
  const int id = nextId_++;
  json message = {{"id", id}, {"method", method}, {"params", params}};
  if (toTab) message["sessionId"] = session_;
  devtools_.Send(message.dump());
  while (std::optional<std::string> frame = devtools_.Receive()) {
    const json answer = json::parse(*frame, nullptr, false);
    if (answer.is_object() && answer.value("id", 0) == id) return answer.contains("result") ? answer["result"] : json();
  }
  return nullptr;
}

bool Browser::Open(const std::string& url) {
  if (Command("Page.navigate", {{"url", url}}).is_null()) return false;
  return WaitFor("document.readyState === 'complete' && location.href === " + json(url).dump(),
                 std::chrono::seconds(30));
}

json Browser::Evaluate(const std::string& expression) {
  const json result =
      Command("Runtime.evaluate", {{"expression", expression}, {"returnByValue", true}, {"awaitPromise", true}});
  if (!result.is_object() || result.contains("exceptionDetails")) return nullptr;
  return result.value("result", json::object()).value("value", json());
}

bool Browser::SaveScreenshot(const std::string& path) {
  const json shot = Command("Page.captureScreenshot", {{"format", "png"}});
  const std::string data = shot.is_object() ? shot.value("data", "") : "";
  if (data.empty()) return false;
  gsize size = 0;
  guchar* png = g_base64_decode(data.c_str(), &size);
  WriteFile(path, std::vector<uint8_t>(png, png + size));
  g_free(png);
  return true;
}

bool Browser::WaitFor(const std::string& expression, std::chrono::milliseconds bound) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  while (Evaluate(expression) != true) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

}  // namespace fotaro::test
