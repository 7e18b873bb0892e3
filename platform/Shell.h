#pragma once
// Starting other programs: the stand-in for the shell's "open" verb.
//
// Programs are started with posix_spawnp and an argument vector, never through a shell, so no
// argument is ever interpreted. The started program is detached: it runs in a session of its
// own, with no open descriptor of ours except standard input, output and error, and it is not
// our child (an intermediate process starts it and exits at once), so nothing waits for it and it
// never becomes a zombie of the caller.

#include <string>
#include <vector>

namespace platform {

// Starts argv[0] (searched in PATH when it has no "/") with the arguments argv[1...].
// True when the program was started; false when argv is empty or the program cannot be executed.
bool StartDetached(const std::vector<std::string>& argv);

// Opens a URL or file with the user's preferred application (xdg-open). True when xdg-open started.
bool OpenWithDesktop(const std::string& target);

}  // namespace platform
