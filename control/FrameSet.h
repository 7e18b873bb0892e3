#pragma once
// The control's two uploader frames. The control knows them only through the frame interface
// CUploaderBase: which classes they are is the business of the library that owns the frames,
// which defines CreateFrames.

#include <memory>

#include "control/UploaderBase.h"

struct FrameSet {
  std::unique_ptr<CUploaderBase> main;    // chosen when the style type is not 0
  std::unique_ptr<CUploaderBase> second;  // chosen when it is 0
};

// The frames of a new control, made by the class factory; either may be null.
FrameSet CreateFrames();
