// The page host's message handling: one frame from a page, as the host has decoded it, in; the
// answers out, each of which must be a JSON object with an "op". The first byte chooses the
// page: bit 0 set, a page whose control exists (made with parameters that start it without a
// frame), else a page that has made none yet. The rest is the frame. The control comes from the
// fuzz build's libOrniFotaroEx.so, loaded as the host loads it; the events it fires while the
// frame is handled are handled too, and must be answers of the same kind.
//
// Two methods are left out, as in invoke_fuzzer: SetUploadFilePath reads the files a list names
// and UpdateVersion starts a program.

#include <glib.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "tools/pagehost/ControlLibrary.h"
#include "tools/pagehost/PageSession.h"

namespace {

using fotaro::pagehost::ControlLibrary;
using fotaro::pagehost::Json;
using fotaro::pagehost::PageSession;

const ControlLibrary& Library() {
  static const ControlLibrary* const library = [] {
    // The fuzzer's thread runs the GLib loop, as the host's does, so that the controls' messages
    // (and with them their events) are handled between inputs.
    g_main_context_acquire(nullptr);
    auto* loaded = new ControlLibrary();
    std::string error;
    if (!loaded->Load(FOTARO_CONTROL_LIBRARY, error)) {
      std::fprintf(stderr, "cannot load %s: %s\n", FOTARO_CONTROL_LIBRARY, error.c_str());
      std::abort();
    }
    return loaded;
  }();
  return *library;
}

bool NamesALeftOutMethod(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text.find("setuploadfilepath") != std::string::npos || text.find("updateversion") != std::string::npos;
}

void CheckAnswers(const std::vector<std::string>& answers) {
  for (const std::string& answer : answers) {
    const Json message = Json::parse(answer, nullptr, false);
    if (!message.is_object() || !message.contains("op") || !message["op"].is_string()) {
      std::fprintf(stderr, "not an answer: %s\n", answer.c_str());
      std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string frame(reinterpret_cast<const char*>(data + 1), size - 1);
  if (NamesALeftOutMethod(frame)) return 0;
  const ControlLibrary& library = Library();

  auto session = std::make_shared<PageSession>(library, "http://localhost:8080", 0, 0);
  if (FAILED(session->Open())) std::abort();
  std::vector<std::string> answers;
  session->SetSender([&answers](const std::string& answer) { answers.push_back(answer); });
  if (data[0] & 1) {
    session->Receive(R"({"op":"create","params":{"FrameType":-1,"ActiveFrame":-1,"EditMaxWidth":60,"EditMaxHeight":40}})");
  }
  session->Receive(frame);
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
  CheckAnswers(answers);
  session->Close();
  return 0;
}
