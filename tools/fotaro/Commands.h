#pragma once
// The subcommands of `fotaro`, each in its own Cmd<Name>.cpp and added in main.cpp. Add<Name>Command
// declares the subcommand and its options on the `fotaro` app (CLI11, which answers --help and
// reports bad usage) and returns it with the function that runs it once the command line has been
// parsed. A subcommand prints results on stdout and errors on stderr, and returns the process exit
// status (2 for bad usage, see UsageError).
//
// Adding an option is one line in the Add function, with a member of the command's options:
//
//   command->add_option("--jobs", options->jobs, "photos compressed at once")->check(CLI::Range(1, 64));

#include <CLI/CLI.hpp>

#include <functional>

namespace fotaro::cli {

struct Command {
  CLI::App* app;
  std::function<int()> run;
};

Command AddExifCommand(CLI::App& fotaro);       // CmdExif.cpp
Command AddServeCommand(CLI::App& fotaro);      // CmdServe.cpp
Command AddPostCommand(CLI::App& fotaro);       // CmdPost.cpp
Command AddWatermarkCommand(CLI::App& fotaro);  // CmdWatermark.cpp
Command AddCompressCommand(CLI::App& fotaro);   // CmdCompress.cpp
Command AddUploadCommand(CLI::App& fotaro);     // CmdUpload.cpp
Command AddHostCommand(CLI::App& fotaro);       // CmdHost.cpp

}  // namespace fotaro::cli
