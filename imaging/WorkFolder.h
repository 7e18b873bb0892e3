#pragma once
// The working folder where the image kernel writes its temporary images.

#include <string>

namespace fotaro::imaging {

// The working folder (UTF-8), created with its parents and mode 0700 when missing; a plain file
// in its place is removed first. Empty when the folder cannot be made.
std::string EstablishWorkingFolder();

}  // namespace fotaro::imaging
