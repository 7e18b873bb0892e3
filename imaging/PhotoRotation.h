#pragma once
// Upright and user-rotated copies of photos, written into the working folder as
// "UPLOADPREVIEW_ROTATE.<counter>.<nameTag>" (a "/" in the tag becomes "_"). The thumbnail grid
// decides what `nameTag` holds.

#include <string>

// Writes an upright copy of a JPEG whose EXIF orientation asks for a turn or a mirror image.
// Returns false when the file has no readable segments, its orientation is 1, it cannot be
// decoded, its extension is not "jpg" (any case) or the copy cannot be written. Returns true with
// `outPath` empty when the orientation asks for nothing (0 or out of range), and true with the
// copy's path otherwise. The copy keeps the EXIF block, with the orientation set to 1 and the
// embedded preview (which still shows the photo unturned) removed.
bool AutoRotateByExifInfo(const std::u16string& path, const std::u16string& nameTag, std::u16string* outPath);

// Writes a copy of a photo turned a quarter turn clockwise (quarterTurn 1) or anticlockwise (3),
// after first turning it upright by its EXIF orientation (HEIC and AVIF photos decode upright).
// The copy's format follows the source's extension: "gif" as GIF (its own palette kept), "png"
// as PNG, "jpg", "jpeg", "bmp", "heic", "heif", "avif" and "webp" as JPEG at quality 100; any
// other extension, another quarterTurn or a photo that cannot be decoded gives false. A JPEG copy keeps the EXIF block with the orientation set to 0 when it was applied, and
// without the embedded preview.
bool RotatePhotoFile(const std::u16string& sourcePath, const std::u16string& nameTag, int quarterTurn,
                     std::u16string* outPath);
