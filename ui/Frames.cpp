// The frames of the shared library's controls: the main frame and the second frame.

#include "control/FrameSet.h"
#include "ui/FTUploader.h"
#include "ui/KestrelUploaderDlg.h"

FrameSet CreateFrames() { return {std::make_unique<CFTUploader>(), std::make_unique<CKestrelUploaderDlg>()}; }
