#include "imaging/PhotoRotation.h"

#include <atomic>
#include <cstdio>

#include "control/services/Log.h"
#include "imaging/ExifReader.h"
#include "imaging/GkHelper.h"
#include "control/services/Folders.h"
#include "platform/CodePage.h"
#include "platform/gfx/Image.h"
#include "platform/gfx/ImageFormat.h"

using platform::gfx::Image;
using platform::gfx::ImageFormat;
using platform::gfx::RotateFlipType;

namespace {

constexpr int kJpegQuality = 100;

// The process-wide counters that keep the copies' names apart: one for upright copies, one for
// the grid's rotations. They only grow.
std::atomic<int> g_autoRotateCount{0};
std::atomic<int> g_gridRotateCount{0};

// The text after the last "." of a path, lower-cased (ASCII); empty when there is no dot or a
// folder separator follows it.
std::u16string LowerExtension(const std::u16string& path) {
  const size_t dot = path.rfind(u'.');
  if (dot == std::u16string::npos || path.find(u'/', dot) != std::u16string::npos) return {};
  std::u16string extension = path.substr(dot + 1);
  for (char16_t& c : extension) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return extension;
}

// "<working folder>/UPLOADPREVIEW_ROTATE.<counter>.<nameTag>"; empty without a working folder.
// Separators in the tag become "_", so that the copy stays inside the working folder.
std::u16string CopyPath(int counter, std::u16string nameTag) {
  const std::string folder = platform::PathBytes(fotaro::GetWorkingFolder(true));
  if (folder.empty()) return {};
  for (char16_t& c : nameTag) {
    if (c == u'/' || c == u'\0') c = u'_';
  }
  return platform::PathFromBytes(folder + "/UPLOADPREVIEW_ROTATE." + std::to_string(counter) + ".") + nameTag;
}

bool LoadPhoto(const std::u16string& path, Image* image) {
  return platform::gfx::LoadImage(platform::PathBytes(path), image) && image->width() > 0 && image->height() > 0;
}

}  // namespace

bool AutoRotateByExifInfo(const std::u16string& path, const std::u16string& nameTag, std::u16string* outPath) {
  constexpr const char* kScope = "CUploadPreview::AutoRotateByExifInfo";
  ExifInfo info;
  if (ReadExifInfo(path, &info) == -1) {
    fotaro::Log(kScope, "FileName = %s, No Orientation Info", path);
    return false;
  }
  fotaro::Log(kScope, "FileName = %s, Orientation = %d", path, info.Orientation);
  if (info.Orientation == 1) return false;
  const RotateFlipType rotateFlip = RotateFlipForOrientation(info.Orientation);
  if (rotateFlip == RotateFlipType::RotateNoneFlipNone) {
    // Nothing to turn: the photo only has to be readable (its header gives its size).
    int width = 0, height = 0;
    if (!CGkHelper::GetImageFileSize(path, &width, &height)) return false;
    ++g_autoRotateCount;
    outPath->clear();
    return true;
  }
  // Only ".jpg" photos get an upright copy; checked before the decode, which it would waste.
  if (LowerExtension(path) != u"jpg") return false;
  Image image;
  if (!LoadPhoto(path, &image)) return false;
  const std::u16string copy = CopyPath(++g_autoRotateCount, nameTag);
  if (copy.empty()) return false;
  image.RotateFlip(rotateFlip);
  // The copy is upright now: say so, so that no reader turns it a second time.
  if (!image.properties().empty()) {
    image.properties().SetShort(platform::gfx::kPropertyOrientation, 1);
    image.properties().RemoveThumbnail();
  }
  if (!CGkHelper::SaveJpeg(&image, copy, kJpegQuality)) return false;
  *outPath = copy;
  return true;
}

bool RotatePhotoFile(const std::u16string& sourcePath, const std::u16string& nameTag, int quarterTurn,
                     std::u16string* outPath) {
  Image image;
  if (!LoadPhoto(sourcePath, &image)) return false;
  const int counter = ++g_gridRotateCount;
  if (quarterTurn != static_cast<int>(RotateFlipType::Rotate90FlipNone) &&
      quarterTurn != static_cast<int>(RotateFlipType::Rotate270FlipNone)) {
    return false;
  }
  const std::u16string copy = CopyPath(counter, nameTag);
  if (copy.empty()) return false;
  // GIF and PNG photos keep their format; JPEG, BMP and the phone formats become JPEG.
  ImageFormat format = platform::gfx::PictureFormatOfExtension(platform::Utf8(LowerExtension(sourcePath)));
  if (format == ImageFormat::Unknown) return false;
  if (format != ImageFormat::Gif && format != ImageFormat::Png) format = ImageFormat::Jpeg;
  // Turn the photo upright first (mirror images included, so that the user's quarter turn goes
  // the way the user saw it), and mark the orientation as applied.
  const auto upright = static_cast<RotateFlipType>(GetExifRotateFlip(sourcePath));
  if (upright != RotateFlipType::RotateNoneFlipNone) {
    image.RotateFlip(upright);
    if (!image.properties().empty()) image.properties().SetShort(platform::gfx::kPropertyOrientation, 0);
  }
  image.RotateFlip(static_cast<RotateFlipType>(quarterTurn));
  if (image.properties().Get(platform::gfx::kPropertyThumbnailData)) image.properties().RemoveThumbnail();
  bool written = false;
  switch (format) {
    case ImageFormat::Gif: written = CGkHelper::SaveGif(&image, copy); break;
    case ImageFormat::Png: written = CGkHelper::SavePng(&image, copy); break;
    default: written = CGkHelper::SaveJpeg(&image, copy, kJpegQuality); break;
  }
  if (!written) return false;
  *outPath = copy;
  return true;
}
