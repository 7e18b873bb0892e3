// fotaro: the command-line front of the photo uploader.

#include <cstdio>
#include <cstring>
#include <iterator>

#include "tools/fotaro/Commands.h"

namespace fotaro::cli {
namespace {

// Subcommands, in the order `fotaro --help` lists them.
const Command kCommands[] = {
    kExifCommand,
    kServeCommand,
    kPostCommand,
    kWatermarkCommand,
    kCompressCommand,
    kUploadCommand,
    {nullptr, nullptr, nullptr, nullptr},
};

void PrintHelp(std::FILE* out) {
  std::fprintf(out, "usage: fotaro COMMAND [ARGS...]\n       fotaro --help\n\ncommands:\n");
  for (const Command& command : kCommands) {
    if (!command.name) continue;
    std::fprintf(out, "\n  fotaro %s\n", command.usage);
    std::fprintf(out, "%s\n", command.summary);
  }
}

}  // namespace
}  // namespace fotaro::cli

int main(int argc, char** argv) {
  using namespace fotaro::cli;
  if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "help")) {
    PrintHelp(argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  for (const Command& command : kCommands) {
    if (command.name && !std::strcmp(command.name, argv[1])) return command.run(argc - 1, argv + 1);
  }
  std::fprintf(stderr, "fotaro: unknown command '%s' (see fotaro --help)\n", argv[1]);
  return 2;
}
