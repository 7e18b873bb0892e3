#pragma once
// The EXIF reader: walks a JPEG's marker segments up to the scan data and parses the EXIF block
// of its APP1 segment with its own TIFF directory walker; HEIC, AVIF and WebP photos hand over
// the block their container keeps. It never decodes pixels and reads only the first few
// kilobytes of a JPEG (of the others, the container's metadata). Stateless: safe on any number
// of threads at once.

#include <cstdint>
#include <string>

#include "platform/gfx/ByteSource.h"
#include "platform/gfx/RotateFlip.h"

// The result of one read. Text fields are zero-terminated byte strings in the camera's (the
// system code page's) encoding, cut to the stated number of characters.
struct ExifInfo {
  char CameraMake[32] = {};         // 0x010F, 31 characters
  char CameraModel[40] = {};        // 0x0110, 39
  char DateTimeOriginal[20] = {};   // 0x9003, "YYYY:MM:DD HH:MM:SS"
  char DateTimeDigitized[20] = {};  // 0x9004
  char ExifVersion[5] = {};         // 0x9000, e.g. "0230"
  int32_t Orientation = 0;          // 0x0112: 1..8, 0 when absent or out of range
  int32_t Height = 0;               // from the start-of-frame segment
  int32_t Width = 0;
  int32_t IsColor = 0;              // 1 when the frame has 3 components
  int32_t Process = 0;              // the start-of-frame marker code (0xC0 baseline, 0xC2 progressive, ...)
  int32_t FlashUsed = 0;            // 0x9209: 1 when the flash fired
  float FocalLength = 0;            // 0x920A
  float ExposureTime = 0;           // 0x829A
  float ApertureFNumber = 0;        // 0x829D
  int32_t ExposureProgram = 0;      // 0x8822
  int32_t ISOequivalent = 0;        // 0x8827; values below 50 are multiplied by 200
  int32_t CompressionLevel = 0;     // 0x9102
  float Brightness = 0;             // 0x9203
  float ExposureBias = 0;           // 0x9204
  float Distance = 0;               // 0x9206
  int32_t MeteringMode = 0;         // 0x9207
  int32_t LightSource = 0;          // 0x9208
  float XResolution = 0;            // 0x011A
  float YResolution = 0;            // 0x011B
  float ResolutionUnit = 0;         // 0x0128 as a factor to inches (1.0, 0.3937008, ...)
  float FocalPlaneXRes = 0;         // 0xA20E
  float FocalPlaneYRes = 0;         // 0xA20F
  float FocalPlaneUnits = 0;        // 0xA210 as a factor, like ResolutionUnit
  float CCDWidth = 0;               // FocalPlaneUnits x EXIF image width / FocalPlaneXRes
  char Comments[1001] = {};         // the first comment segment, 1000 bytes at most
  int32_t HasExif = 0;              // 1 when an EXIF block was parsed, 0 when absent or rejected
  // Where values lie inside the TIFF part of the EXIF block (offsets from its start) and their
  // lengths in bytes; 0 when absent. The thumbnail is the embedded preview picture (a JPEG).
  uint32_t UserCommentOffset = 0;   // 0x9286
  uint32_t UserCommentLength = 0;
  uint32_t MakerNoteOffset = 0;     // 0x927C
  uint32_t MakerNoteLength = 0;
  uint32_t ThumbnailOffset = 0;     // 0x0201 and 0x0202 of a directory after the first
  uint32_t ThumbnailLength = 0;
};

// Reads a photo's EXIF information into `info` (a fresh ExifInfo). For a JPEG, returns 1 when the
// segment walk reached the scan data, whether or not an EXIF block was found (info->HasExif
// tells), and -1 when the file cannot be opened, is not a JPEG or its segments are malformed.
// A HEIC, AVIF or WebP photo gives 1 when its container can be read (Width and Height are then
// the picture's size as it decodes; IsColor and Process stay 0), else -1. HEIC and AVIF pictures
// decode upright (the container's rotation and mirror applied), so their Orientation, when the
// block has one, is 1: the turn it described is done.
int ReadExifInfo(const std::u16string& path, ExifInfo* info);
int ReadExifInfo(const platform::gfx::ByteSource& source, ExifInfo* info);

// The rotate-flip that turns a photo with this EXIF orientation upright (none for 1, 0 and any
// value outside 1..8).
platform::gfx::RotateFlipType RotateFlipForOrientation(int orientation);

// The rotate-flip code (0..7) of a file's EXIF orientation; 0 when it cannot be read.
int GetExifRotateFlip(const std::u16string& path);
