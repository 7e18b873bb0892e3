#include "platform/gfx/ExifProperties.h"

#include <libexif/exif-data.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/gfx/ImageFormat.h"
#include "platform/gfx/JpegSegments.h"

namespace platform::gfx {

namespace {

constexpr uint8_t kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};

bool HasExifHeader(const uint8_t* data, size_t size) {
  return size > sizeof kExifHeader && std::memcmp(data, kExifHeader, sizeof kExifHeader) == 0;
}

// The block's memory comes from calloc/realloc/free, so that buffers the library hands over (the
// saved block) or keeps (the preview) can be released with free().
void* Allocate(ExifLong size) { return std::calloc(size, 1); }
void* Reallocate(void* p, ExifLong size) { return std::realloc(p, size); }

struct ExifDataUnref {
  void operator()(ExifData* data) const { exif_data_unref(data); }
};
using ExifDataPtr = std::unique_ptr<ExifData, ExifDataUnref>;

// Parses the block as it is: unknown tags and maker notes are kept, nothing is "fixed".
ExifDataPtr Parse(const std::vector<uint8_t>& app1) {
  ExifMem* mem = exif_mem_new(Allocate, Reallocate, std::free);
  if (!mem) return nullptr;
  ExifDataPtr data(exif_data_new_mem(mem));
  exif_mem_unref(mem);
  if (!data) return nullptr;
  exif_data_unset_option(data.get(), EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
  exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
  exif_data_set_option(data.get(), EXIF_DATA_OPTION_DONT_CHANGE_MAKER_NOTE);
  exif_data_load_data(data.get(), app1.data(), static_cast<unsigned int>(app1.size()));
  return data;
}

ExifEntry* Find(ExifData* data, uint16_t id) {
  const auto tag = static_cast<ExifTag>(id);
  if (id <= 0x1F) return exif_content_get_entry(data->ifd[EXIF_IFD_GPS], tag);
  if (ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], tag)) return entry;
  return exif_content_get_entry(data->ifd[EXIF_IFD_EXIF], tag);
}

// Size of the units whose byte order differs between the block and the machine.
size_t UnitSize(ExifFormat format) {
  switch (format) {
    case EXIF_FORMAT_SHORT:
    case EXIF_FORMAT_SSHORT: return 2;
    case EXIF_FORMAT_LONG:
    case EXIF_FORMAT_SLONG:
    case EXIF_FORMAT_RATIONAL:
    case EXIF_FORMAT_SRATIONAL:
    case EXIF_FORMAT_FLOAT: return 4;
    case EXIF_FORMAT_DOUBLE: return 8;
    default: return 1;
  }
}

// The entry's value with every number in the machine's byte order.
std::vector<uint8_t> NativeValue(const ExifEntry& entry, ExifByteOrder order) {
  const size_t declared = size_t{exif_format_get_size(entry.format)} * entry.components;
  std::vector<uint8_t> value(entry.data, entry.data + std::min<size_t>(declared, entry.size));
  const bool machineBig = __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__;
  const size_t unit = UnitSize(entry.format);
  if (unit > 1 && machineBig != (order == EXIF_BYTE_ORDER_MOTOROLA)) {
    for (size_t i = 0; i + unit <= value.size(); i += unit) std::reverse(value.begin() + i, value.begin() + i + unit);
  }
  return value;
}

bool Store(ExifData* data, std::vector<uint8_t>* app1) {
  unsigned char* bytes = nullptr;
  unsigned int size = 0;
  exif_data_save_data(data, &bytes, &size);
  if (!bytes) return false;
  app1->assign(bytes, bytes + size);
  std::free(bytes);
  return true;
}

}  // namespace

ExifProperties ExifProperties::FromApp1(const uint8_t* data, size_t size) {
  ExifProperties properties;
  if (data && HasExifHeader(data, size)) properties.app1_.assign(data, data + size);
  return properties;
}

std::optional<PropertyItem> ExifProperties::Get(uint16_t id) const {
  if (app1_.empty()) return std::nullopt;
  ExifDataPtr data = Parse(app1_);
  if (!data) return std::nullopt;
  if (id == kPropertyThumbnailData) {
    if (!data->data || data->size == 0) return std::nullopt;
    return PropertyItem{id, kPropertyByte, std::vector<uint8_t>(data->data, data->data + data->size)};
  }
  const ExifEntry* entry = Find(data.get(), id);
  if (!entry || !entry->data) return std::nullopt;
  return PropertyItem{id, static_cast<uint16_t>(entry->format), NativeValue(*entry, exif_data_get_byte_order(data.get()))};
}

bool ExifProperties::SetShort(uint16_t id, uint16_t value) {
  if (app1_.empty() || id == kPropertyThumbnailData || id <= 0x1F) return false;
  ExifDataPtr data = Parse(app1_);
  if (!data) return false;
  ExifEntry* entry = Find(data.get(), id);
  if (entry && (entry->format != EXIF_FORMAT_SHORT || entry->size < 2)) {
    exif_content_remove_entry(entry->parent, entry);
    entry = nullptr;
  }
  ExifEntry* added = nullptr;  // our reference to a new entry, released at the end
  if (!entry) {
    ExifContent* main = data->ifd[EXIF_IFD_0];
    added = exif_entry_new();
    if (!added) return false;
    added->tag = static_cast<ExifTag>(id);
    exif_content_add_entry(main, added);  // refused when the directory cannot take it
    if (added->parent == main) {
      exif_entry_initialize(added, added->tag);
      if (added->format == EXIF_FORMAT_SHORT && added->data && added->size >= 2) {
        entry = added;
      } else {
        exif_content_remove_entry(main, added);
      }
    }
  }
  if (entry) exif_set_short(entry->data, exif_data_get_byte_order(data.get()), value);
  if (added) exif_entry_unref(added);
  return entry && Store(data.get(), &app1_);
}

bool ExifProperties::RemoveThumbnail() {
  if (app1_.empty()) return false;
  ExifDataPtr data = Parse(app1_);
  if (!data) return false;
  std::free(data->data);
  data->data = nullptr;
  data->size = 0;
  return Store(data.get(), &app1_);
}

ExifProperties ReadExifProperties(const ByteSource& source) {
  uint8_t head[kSniffBytes] = {};
  const ImageFormat format = SniffImageFormat(head, source.ReadAt(0, head, sizeof head));
  if (HasContainerExif(format)) {
    ImageHeader header;
    std::vector<uint8_t> app1;
    if (!ReadImageHeader(source, &header, &app1)) return {};
    return ExifProperties::FromApp1(app1.data(), app1.size());
  }
  ExifProperties properties;
  WalkJpegSegments(source, [&](const JpegSegment& segment) {
    if (segment.marker != 0xE1 || segment.length <= sizeof kExifHeader) return true;
    std::vector<uint8_t> data(segment.length);
    if (!source.ReadExact(segment.offset, data.data(), data.size())) return false;
    if (!HasExifHeader(data.data(), data.size())) return true;
    properties = ExifProperties::FromApp1(data.data(), data.size());
    return false;
  });
  return properties;
}

}  // namespace platform::gfx
