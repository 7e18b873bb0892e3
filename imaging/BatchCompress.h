#pragma once
// CompressBatch: the compression pipeline over a list of photos, several at once. Each photo is
// compressed by one CompressFile call (so it is decoded once) on one of `jobs` threads, which
// take the photos in list order; the outcomes are handed back on the calling thread in list
// order, each as soon as it and every photo before it are done.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/UploadInfo.h"

class CULKernel;

// One photo's outcome.
struct CompressedPhoto {
  std::u16string strFile;
  int32_t nCode = 0;                        // CompressFile's result (CULKernel::kCompress...)
  std::vector<CompressedFileInfo> outputs;  // files in the working folder, now the receiver's
};

// Compresses `photos` with `kernel` on `jobs` threads (at least one; no more than there are
// photos) and calls `receive` with each outcome, in list order, on the calling thread. Returns
// once every photo has been received and every thread has ended. With no thread to be had, the
// calling thread compresses the photos itself.
void CompressBatch(const CULKernel& kernel, const std::vector<std::u16string>& photos, int jobs,
                   const std::function<void(CompressedPhoto& photo)>& receive);
