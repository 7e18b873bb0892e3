// fotaro serve: runs the album server until SIGINT or SIGTERM, with a demo album page at /demo
// that scripts the control through the page host.

#include <signal.h>

#include <cstdio>
#include <memory>
#include <string>

#include "platform/Shell.h"
#include "tools/albumserver/AlbumServer.h"
#include "tools/fotaro/CommandHelpers.h"
#include "tools/fotaro/Commands.h"

// The demo album page (tools/fotaro/demo-page.html, built into the program).
extern const char kDemoPage[];

namespace fotaro::cli {
namespace {

struct ServeOptions {
  int port = 0;
  std::string store = "fotaro-album";
  std::string pageHost = "http://127.0.0.1:" + std::to_string(kPageHostPort);
  bool open = false;
};

// The demo page, loading fotaro.js from the page host at `pageHost`.
std::string DemoPage(const std::string& pageHost) {
  std::string host;
  for (const char c : pageHost) {
    switch (c) {
      case '&': host += "&amp;"; break;
      case '<': host += "&lt;"; break;
      case '>': host += "&gt;"; break;
      case '"': host += "&quot;"; break;
      case '\'': host += "&#39;"; break;
      default: host += c;
    }
  }
  while (!host.empty() && host.back() == '/') host.pop_back();
  std::string page = kDemoPage;
  const std::string placeholder = "{{PAGE_HOST}}";
  for (size_t at = page.find(placeholder); at != std::string::npos; at = page.find(placeholder, at + host.size())) {
    page.replace(at, placeholder.size(), host);
  }
  return page;
}

int RunServe(const ServeOptions& serveOptions) {
  const int port = serveOptions.port;
  AlbumServer::Options options;
  options.store = serveOptions.store;
  options.record = false;
  options.onRequest = [](const AlbumRequest& request) {
    std::fprintf(stderr, "%s %s %d, %llu body bytes%s%s\n", request.method.c_str(), request.target.c_str(), request.status,
                 static_cast<unsigned long long>(request.bodyBytes), request.formError.empty() ? "" : ": ",
                 request.formError.c_str());
  };
  options.pages.push_back({"/demo", "text/html; charset=utf-8", DemoPage(serveOptions.pageHost)});

  // The server's threads inherit the blocked signals; this thread alone waits for them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  AlbumServer server(options);
  if (!server.Start("127.0.0.1", port)) {
    std::fprintf(stderr, "fotaro serve: cannot listen on 127.0.0.1:%d or use the store %s\n", port, options.store.c_str());
    return 1;
  }
  std::printf("listening on %s\n", server.Url().c_str());
  std::fflush(stdout);
  const std::string demo = server.Url("/demo");
  std::fprintf(stderr, "fotaro serve: the demo album page is %s (with fotaro host at %s)\n", demo.c_str(),
               serveOptions.pageHost.c_str());
  if (serveOptions.open && !platform::OpenWithDesktop(demo)) {
    std::fprintf(stderr, "fotaro serve: no browser could be opened (xdg-open); open %s yourself\n", demo.c_str());
  }
  int received = 0;
  sigwait(&signals, &received);
  server.Stop();
  return 0;
}

}  // namespace

Command AddServeCommand(CLI::App& fotaro) {
  auto options = std::make_shared<ServeOptions>();
  CLI::App* command = fotaro.add_subcommand("serve", "Runs the album server on 127.0.0.1 until interrupted");
  command->footer(
      "The server accepts upload requests, checks each body against its Content-Length and the\n"
      "multipart form, stores the file parts under DIR (served back under /photos/) and answers the\n"
      "album's XML document. It prints the address it listens on. Its demo album page, /demo, adds\n"
      "and uploads photos with the control through the page host (fotaro host).");
  command->add_option("--port", options->port, "the port; 0 takes any free one")->type_name("N")->check(CLI::Range(0, 65535))->capture_default_str();
  command->add_option("--store", options->store, "the folder of the uploads")->type_name("DIR")->check(kNotEmpty)->capture_default_str();
  command->add_option("--page-host", options->pageHost, "the address of fotaro host, for the demo page")
      ->type_name("URL")
      ->check(kHttpUrl)
      ->capture_default_str();
  command->add_flag("--open", options->open, "open the demo page in the desktop's browser");
  return {command, [options] { return RunServe(*options); }};
}

}  // namespace fotaro::cli
