#pragma once
// Debian's chromium, headless, driven through its DevTools protocol over a WebSocket (no npm
// package: the CI has no network but the Debian archive). The browser gets a fresh profile and
// is ended with the object.
//
//   Browser browser;
//   if (!browser.Start(dir)) GTEST_SKIP() << browser.missing();
//   browser.Open("http://127.0.0.1:8080/demo");
//   json state = browser.Evaluate("document.body.dataset.state");

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/BackgroundProgram.h"
#include "tests/tools/WebSocketClient.h"

namespace fotaro::test {

class Browser {
 public:
  // Starts the browser with its profile in `folder` and opens a tab. The browser resolves `names`
  // to 127.0.0.1 (a page of another site, served here). False, with the reason in missing(), when
  // there is no browser or it does not start.
  bool Start(const std::string& folder, const std::vector<std::string>& names = {});
  const std::string& missing() const { return missing_; }

  // Loads `url` in the tab and waits until it has loaded.
  bool Open(const std::string& url);
  // The value of a JavaScript expression in the tab (promises are awaited); null when it threw.
  nlohmann::json Evaluate(const std::string& expression);
  // Evaluates `expression` until it is true; false when `bound` ran out first.
  bool WaitFor(const std::string& expression, std::chrono::milliseconds bound);
  // Saves what the tab shows (1000 x 800) as a PNG file at `path`.
  bool SaveScreenshot(const std::string& path);

 private:
  // Sends a command of the DevTools protocol (to the tab when `toTab`) and returns its result;
  // null when it failed or no answer came.
  nlohmann::json Command(const std::string& method, const nlohmann::json& params, bool toTab = true);

  std::unique_ptr<BackgroundProgram> program_;
  WebSocketClient devtools_;
  std::string session_;  // the tab's session
  int nextId_ = 1;
  std::string missing_;
};

}  // namespace fotaro::test
