#pragma once
// CGkHelper: the operations the rest of the system needs from the imaging layer, in one place:
// the format code and size of an image file, the frame count, encoder lookup by MIME type, and
// the writers of JPEG (with the retry rule), PNG and GIF files. It keeps no state; every member
// may be called from any thread.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/gfx/Image.h"

class CGkHelper {
 public:
  using Image = platform::gfx::Image;
  // Writes all bytes to a file (UTF-8 path); returns 0 or the errno value of the failure.
  using FileWriter = std::function<int(const std::string& path, const std::vector<uint8_t>& bytes)>;

  // Format code of a decoded image (0 JPEG, 1 GIF, 2 PNG, 3 BMP, ... 9 memory bitmap); -1 for
  // no image or an empty one.
  static int GetImageFormat(const Image* image);
  // Format code of an image file, from its signature and header (the pixels are not decoded);
  // -1 for a missing, unreadable, unknown or malformed file.
  static int GetFileImageFormat(const std::u16string& path);
  // Width and height of an image file from its header; false as for GetFileImageFormat.
  static bool GetImageFileSize(const std::u16string& path, int* width, int* height);
  // Frames of an animated GIF; 1 for any other image (and for no image).
  static int GetFrameCount(const Image* image);
  // The encoder for a MIME type ("image/jpeg", "image/png", "image/gif"), compared exactly.
  static bool GetEncoderClsid(const std::u16string& mimeType, platform::gfx::ImageFormat* encoder);

  // Writes a JPEG at `quality` (0..100, passed on unchanged), with the image's EXIF block. The
  // image is encoded once; writing the file is tried up to 5 times, 10 ms apart, while it fails
  // with a transient error (IsTransientWriteError). Needs the working folder.
  static bool SaveJpeg(const Image* image, const std::u16string& path, int quality);
  // The same with another file writer (tests use it to make writes fail).
  static bool SaveJpeg(const Image* image, const std::u16string& path, int quality, const FileWriter& writer);
  // Writes a PNG, replacing an existing file unless that file is read-only.
  static bool SavePng(const Image* image, const std::u16string& path);
  // Writes a GIF (a GIF picture keeps its own palette) through an intermediate file in the
  // working folder, unique to the call, which is then moved over `path`.
  static bool SaveGif(const Image* image, const std::u16string& path);

  // The default file writer: refuses a read-only file (EACCES), else creates or truncates the
  // file and writes it; a file left half-written is removed.
  static int WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
  // The errors SaveJpeg retries: the file is briefly busy or the process is short of descriptors
  // (EBUSY, ETXTBSY, EAGAIN, EWOULDBLOCK, EINTR, EMFILE, ENFILE).
  static bool IsTransientWriteError(int error);
};
