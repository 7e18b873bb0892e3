// fotaro serve: runs the album server until SIGINT or SIGTERM.

#include <signal.h>

#include <cstdio>
#include <memory>
#include <string>

#include "tools/albumserver/AlbumServer.h"
#include "tools/fotaro/CommandHelpers.h"
#include "tools/fotaro/Commands.h"

namespace fotaro::cli {
namespace {

struct ServeOptions {
  int port = 0;
  std::string store = "fotaro-album";
};

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
      "album's XML document. It prints the address it listens on.");
  command->add_option("--port", options->port, "the port; 0 takes any free one")->type_name("N")->check(CLI::Range(0, 65535))->capture_default_str();
  command->add_option("--store", options->store, "the folder of the uploads")->type_name("DIR")->check(kNotEmpty)->capture_default_str();
  return {command, [options] { return RunServe(*options); }};
}

}  // namespace fotaro::cli
