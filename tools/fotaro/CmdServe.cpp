// fotaro serve: runs the album server until SIGINT or SIGTERM.

#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/albumserver/AlbumServer.h"
#include "tools/fotaro/Commands.h"

namespace fotaro::cli {
namespace {

int Usage() {
  std::fprintf(stderr, "usage: fotaro serve [--port N] [--store DIR]\n");
  return 2;
}


int RunServe(int argc, char** argv) {
  int port = 0;
  AlbumServer::Options options;
  options.store = "fotaro-album";
  options.record = false;
  options.onRequest = [](const AlbumRequest& request) {
    std::fprintf(stderr, "%s %s %d, %llu body bytes%s%s\n", request.method.c_str(), request.target.c_str(), request.status,
                 static_cast<unsigned long long>(request.bodyBytes), request.formError.empty() ? "" : ": ",
                 request.formError.c_str());
  };
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (i + 1 >= argc) return Usage();
    const std::string value = argv[++i];
    if (option == "--port") {
      char* end = nullptr;
      const long number = std::strtol(value.c_str(), &end, 10);
      if (*end || number < 0 || number > 65535) return Usage();
      port = static_cast<int>(number);
    } else if (option == "--store") {
      options.store = value;
    } else {
      return Usage();
    }
  }

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

const Command kServeCommand = {
    "serve", "serve [--port N] [--store DIR]",
    "    Runs the album server on 127.0.0.1 (port 0: any free port) until interrupted: it accepts\n"
    "    upload requests, stores their file parts under DIR (default ./fotaro-album) and answers\n"
    "    the XML document of the album. Prints the address it listens on.",
    RunServe};

}  // namespace fotaro::cli
