#pragma once
// The files a grid takes from a drop or a paste: the pictures among the names (and in the named
// folders), and a pasted screenshot saved as a JPEG in the working folder.

#include <string>
#include <vector>

#include "platform/gfx/Bitmap.h"

class CPreviewFiles {
 public:
  // The longest name taken from a drop or paste, in characters.
  static constexpr size_t kMaxName = 2047;

  // For each name in order: a picture file (JPEG, GIF, PNG or BMP, by its content) is taken; a
  // folder gives the pictures directly in it, in name order; anything else is left out.
  static std::vector<std::u16string> GetFilesFromClipBoard(const std::vector<std::u16string>& names);

  // Saves a pasted picture as "SCREENSHOT_<grid>_<n>.jpg" (quality 100) in the working folder, n
  // counting the process's pastes from 0. Empty when there is no working folder or the save failed.
  static std::u16string SaveScreenshot(const platform::gfx::Bitmap& picture, int gridId);

  // True for a file of a picture type the grid takes.
  static bool IsPicture(const std::u16string& path);
};
