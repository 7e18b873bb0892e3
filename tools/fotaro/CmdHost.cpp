// fotaro host: the page host. Album pages in the user's browser script the control through it: it
// serves fotaro.js and a WebSocket on 127.0.0.1 and makes one control per page with the control's
// shared library, loaded as any host loads it. Runs until SIGINT or SIGTERM.

#include <glib-unix.h>
#include <gtk/gtk.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "tools/fotaro/CommandHelpers.h"
#include "tools/fotaro/Commands.h"
#include "tools/pagehost/ControlLibrary.h"
#include "tools/pagehost/PageHost.h"

namespace fotaro::cli {
namespace {

struct HostOptions {
  int port = kPageHostPort;
  std::string library;
};

// The control's library: installed beside the program (<prefix>/lib), else the one of this build.
std::string DefaultLibrary() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) {
    const std::filesystem::path installed =
        program.parent_path().parent_path() / FOTARO_INSTALL_LIBDIR / "libOrniFotaroEx.so";
    if (std::filesystem::exists(installed, error)) return installed;
  }
  return FOTARO_CONTROL_LIBRARY;
}

struct Running {
  GMainLoop* loop;
  pagehost::PageHost* host;
};

// SIGINT or SIGTERM. The pages are closed first: a control asking its user something runs a loop
// of its own inside the main loop, which ends only with the question.
gboolean Quit(gpointer data) {
  auto* running = static_cast<Running*>(data);
  running->host->CloseAll();
  g_main_loop_quit(running->loop);
  return G_SOURCE_CONTINUE;
}

int RunHost(const HostOptions& options) {
  // This thread is the user-interface thread of every page's control: GTK's, when there is a
  // display (the controls show their frames in windows of their own), else a plain GLib loop.
  const bool display = gtk_init_check(nullptr, nullptr);
  pagehost::ControlLibrary library;
  const std::string path = options.library.empty() ? DefaultLibrary() : options.library;
  std::string error;
  if (!library.Load(path, error)) {
    std::fprintf(stderr, "fotaro host: cannot load the control from %s: %s\n", path.c_str(), error.c_str());
    return 1;
  }
  pagehost::PageHost host(library, [](const std::string& line) { std::fprintf(stderr, "fotaro host: %s\n", line.c_str()); });
  if (!host.Listen(options.port, error)) {
    std::fprintf(stderr, "fotaro host: cannot listen on 127.0.0.1:%d: %s\n", options.port, error.c_str());
    return 1;
  }
  std::printf("%s\n", host.Url().c_str());
  std::fflush(stdout);
  if (!display) std::fprintf(stderr, "fotaro host: no display: the pages' controls have no windows on the screen\n");

  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  Running running{loop, &host};
  const guint interrupt = g_unix_signal_add(SIGINT, Quit, &running);
  const guint terminate = g_unix_signal_add(SIGTERM, Quit, &running);
  g_main_loop_run(loop);
  g_source_remove(interrupt);
  g_source_remove(terminate);
  g_main_loop_unref(loop);
  return 0;
}

}  // namespace

Command AddHostCommand(CLI::App& fotaro) {
  auto options = std::make_shared<HostOptions>();
  CLI::App* command = fotaro.add_subcommand("host", "Runs the page host: album pages in the browser script the control");
  command->footer(
      "The host serves /fotaro.js and the WebSocket /control on 127.0.0.1 and prints its address\n"
      "(http://127.0.0.1:PORT) as the first line. A page loads the script and makes its control with\n"
      "FotaroEx.create(params); the control admits only pages of its own sites. Closing the page\n"
      "destroys its control.");
  command->add_option("--port", options->port, "the port; 0 takes any free one")->type_name("N")->check(CLI::Range(0, 65535))->capture_default_str();
  command->add_option("--library", options->library, "the control's shared library (default: the installed one)")
      ->type_name("FILE")
      ->check(kExistingPath);
  return {command, [options] { return RunHost(*options); }};
}

}  // namespace fotaro::cli
