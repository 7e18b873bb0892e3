// fotaro: the command-line front of the photo uploader.

#include <CLI/CLI.hpp>

#include <iostream>
#include <string>
#include <vector>

#include "control/services/Global.h"
#include "engine/Strings.h"
#include "platform/CodePage.h"
#include "tools/fotaro/CommandHelpers.h"
#include "tools/fotaro/Commands.h"

namespace fotaro::cli {
namespace {

std::string VersionText() {
  const CGlobal::FileVersion version = CGlobal::GetModuleVersion();
  return "fotaro " + std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
         std::to_string(version.build) + "." + std::to_string(version.revision) + " (" +
         platform::Utf8(IDS_CLIENT_CODE) + ")";
}

// `fotaro help [COMMAND]`: the help of fotaro, or of one command, as --help shows it.
Command AddHelpCommand(CLI::App& fotaro) {
  auto topic = std::make_shared<std::string>();
  CLI::App* command = fotaro.add_subcommand("help", "Shows the help of fotaro or of one command");
  command->add_option("COMMAND", *topic, "the command to explain");
  return {command, [&fotaro, command, topic] {
            const CLI::App* subject = &fotaro;
            std::string name = "fotaro";
            if (!topic->empty()) {
              try {
                subject = fotaro.get_subcommand(*topic);
              } catch (const CLI::OptionNotFound&) {
                return UsageError(*command, "unknown command '" + *topic + "'");
              }
              name += " " + *topic;
            }
            std::cout << fotaro.get_formatter()->make_help(subject, name, CLI::AppFormatMode::Normal);
            return 0;
          }};
}

}  // namespace
}  // namespace fotaro::cli

int main(int argc, char** argv) {
  using namespace fotaro::cli;
  CLI::App fotaro("The photo uploader of an online album on the command line: it reads, watermarks, compresses\n"
                  "and uploads photos as the album's upload control does, and runs an album server to try it.",
                  "fotaro");
  fotaro.set_version_flag("--version", VersionText(), "Print the version and exit");
  fotaro.require_subcommand(0, 1);
  // Subcommands, in the order `fotaro --help` lists them.
  const std::vector<Command> commands = {
      AddExifCommand(fotaro),     AddServeCommand(fotaro),  AddPostCommand(fotaro), AddWatermarkCommand(fotaro),
      AddCompressCommand(fotaro), AddUploadCommand(fotaro), AddHostCommand(fotaro), AddHelpCommand(fotaro),
  };
  try {
    fotaro.parse(argc, argv);
  } catch (const CLI::Success& answer) {
    return fotaro.exit(answer);  // --help or --version, on stdout
  } catch (const CLI::ParseError& error) {
    const std::vector<CLI::App*> chosen = fotaro.get_subcommands();
    return UsageError(chosen.empty() ? fotaro : *chosen.front(), error.what());
  }
  for (const Command& command : commands) {
    if (command.app->parsed()) return command.run();
  }
  return UsageError(fotaro, "a command is needed");
}
