#pragma once
// The file into which a thumbnail's embedded preview is written: the working folder's
// "ULKERNEL_<process tag>.<caller id>.<tick count>.jpg", the tick count in milliseconds. Nothing
// reads it back; it stays until the working folder is removed.
//
// Creating a file costs a journalling file system such as ext4 about ten times more than
// rewriting one (a new inode and its journal entries), and truncating a file to rewrite it makes
// ext4 write its data out at once. So each thread moves the file it wrote last for the same
// caller to the new name and rewrites it in place: a grid's loader thread leaves one preview file,
// the latest, instead of one per photo, and pays a fraction of the cost.

#include <cstdint>
#include <string>
#include <vector>

// Writes the preview's bytes; returns the file's path, or an empty path when the working folder
// or the file could not be written.
std::u16string WritePreviewFile(const std::vector<uint8_t>& preview, int callerId);
