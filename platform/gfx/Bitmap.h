#pragma once
// A 32-bit ARGB bitmap in memory: one uint32_t per pixel, 0xAARRGGBB in native byte order with
// premultiplied alpha, rows top to bottom without padding. This is Cairo's ARGB32 layout, so
// drawing can wrap the pixels without copying; decoded photos are opaque (alpha 0xFF).

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace platform::gfx {

// Allocates large pixel buffers on 2 MB boundaries and asks the kernel for transparent huge
// pages: a 24-megapixel bitmap then costs a few dozen page faults instead of tens of thousands,
// which on a virtual machine can be most of the time of decoding a photo.
template <class T>
struct PixelAllocator {
  using value_type = T;
  static constexpr size_t kHugePage = size_t{2} << 20;

  PixelAllocator() = default;
  template <class U>
  PixelAllocator(const PixelAllocator<U>&) {}

  T* allocate(size_t n) {
    const size_t bytes = n * sizeof(T);
    if (bytes < 2 * kHugePage) return std::allocator<T>().allocate(n);
    const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* memory = std::aligned_alloc(kHugePage, rounded);
    if (!memory) throw std::bad_alloc();
    madvise(memory, rounded, MADV_HUGEPAGE);  // a hint: without huge pages nothing changes
    return static_cast<T*>(memory);
  }
  void deallocate(T* p, size_t n) {
    if (n * sizeof(T) < 2 * kHugePage) return std::allocator<T>().deallocate(p, n);
    std::free(p);
  }
  // Pixels a resize adds are left as they are (default-initialised), for bitmaps whose every
  // pixel is about to be written; fills and copies construct them as usual.
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
  template <class U>
  bool operator==(const PixelAllocator<U>&) const { return true; }
  template <class U>
  bool operator!=(const PixelAllocator<U>&) const { return false; }
};

class Bitmap {
 public:
  // The largest bitmap the layer makes (about 800 MB of pixels): a bound for hostile sizes.
  static constexpr int64_t kMaxPixels = 200'000'000;

  Bitmap() = default;
  // An empty bitmap (empty() is true) when a side is not positive or the size is over kMaxPixels.
  Bitmap(int width, int height, uint32_t fill = 0) {
    if (!Allowed(width, height)) return;
    width_ = width;
    height_ = height;
    pixels_.assign(static_cast<size_t>(width) * height, fill);
  }
  // A bitmap whose pixels are not set, for a caller that writes every pixel before any is read
  // (a decoder, a filter): it saves filling megabytes that are overwritten at once.
  static Bitmap Unfilled(int width, int height) {
    Bitmap bitmap;
    if (!Allowed(width, height)) return bitmap;
    bitmap.width_ = width;
    bitmap.height_ = height;
    bitmap.pixels_.resize(static_cast<size_t>(width) * height);
    return bitmap;
  }

  bool empty() const { return pixels_.empty(); }
  int width() const { return width_; }
  int height() const { return height_; }
  int stride() const { return width_ * 4; }  // bytes per row
  uint32_t* data() { return pixels_.data(); }
  const uint32_t* data() const { return pixels_.data(); }
  uint32_t* row(int y) { return pixels_.data() + static_cast<size_t>(y) * width_; }
  const uint32_t* row(int y) const { return pixels_.data() + static_cast<size_t>(y) * width_; }
  uint32_t& at(int x, int y) { return row(y)[x]; }
  uint32_t at(int x, int y) const { return row(y)[x]; }

  bool operator==(const Bitmap& other) const {
    return width_ == other.width_ && height_ == other.height_ && pixels_ == other.pixels_;
  }

 private:
  static bool Allowed(int width, int height) { return width > 0 && height > 0 && int64_t{width} * height <= kMaxPixels; }

  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t, PixelAllocator<uint32_t>> pixels_;
};

}  // namespace platform::gfx
