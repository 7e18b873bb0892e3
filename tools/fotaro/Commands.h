#pragma once
// The subcommands of `fotaro`. Each lives in its own Cmd<Name>.cpp and is listed in main.cpp.
// A subcommand gets its own arguments (argv[0] is its name), prints results on stdout and
// errors on stderr, and returns the process exit status.

namespace fotaro::cli {

struct Command {
  const char* name;
  const char* usage;    // the synopsis after "fotaro "
  const char* summary;  // one paragraph for `fotaro --help`
  int (*run)(int argc, char** argv);
};

extern const Command kExifCommand;   // CmdExif.cpp
extern const Command kServeCommand;  // CmdServe.cpp
extern const Command kPostCommand;   // CmdPost.cpp
extern const Command kWatermarkCommand;  // CmdWatermark.cpp
extern const Command kCompressCommand;  // CmdCompress.cpp
extern const Command kUploadCommand;    // CmdUpload.cpp

}  // namespace fotaro::cli
