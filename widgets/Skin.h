#pragma once
// The skin: every picture the windows show that is not a photo, drawn by our code at the size it
// is shown at (so nothing is blurred by stretching), in the skin's colours.

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/win/Types.h"

namespace skin {

using platform::gfx::Bitmap;
using platform::gfx::Color;

// Colours of the skin, 0xAARRGGBB.
constexpr Color kAccent = 0xFF3A8EE6;      // selection, focus, the drop marker
constexpr Color kText = 0xFF333333;
constexpr Color kButtonText = 0xFFFFFFFF;  // on an accent button
constexpr Color kFaintText = 0xFF828282;
constexpr Color kBorder = 0xFFE1E1E1;
constexpr Color kPanel = 0xFFF3F3F3;

// The selection frame laid over a selected cell and its caption band: an accent border two
// pixels wide around a light accent tint.
Bitmap SelectionFrame(int width, int height);

// The grid's background when it stands on a coloured page: 1 x 291, white fading to a light grey
// at the bottom; stretched over the window.
Bitmap GridBackground();

// The big "add photos" picture of the empty grid: a dashed rounded square with a plus.
Bitmap AddPhotosPicture(int size);

// The four pictures of a push button of `width` x `height`: normal, hover, pressed and disabled.
// `fill` is the normal face colour (kAccent for a main button, kPanel for a plain one).
struct ButtonFaces {
  Bitmap normal, hover, pressed, disabled;
};
ButtonFaces PushButtonFaces(int width, int height, Color fill);

// A check box of `size` x `size`: a white box with a grey border, or, ticked, an accent box with a
// white tick.
Bitmap CheckBox(int size, bool ticked);

// The close button's cross, `size` x `size`, in `colour` on transparent.
Bitmap CloseGlyph(int size, Color colour);

// The pictures of a folder tree's rows, `size` x `size`: a folder, a drive, and the button that
// expands a folder (a triangle pointing right) or collapses it (pointing down).
Bitmap FolderGlyph(int size);
Bitmap DriveGlyph(int size);
Bitmap ExpanderGlyph(int size, bool expanded);

// A dialog's background at its size: white, with a panel-coloured title band `titleHeight` high,
// a panel-coloured band `bottomHeight` high at the bottom and a one-pixel border all round.
Bitmap DialogBackground(int width, int height, int titleHeight, int bottomHeight);

// A box: a one-pixel `border` around `fill`, covering `rect`.
void DrawBox(platform::gfx::Canvas& canvas, const platform::gfx::RectF& rect, Color border, Color fill);

// The small button that turns a photo a quarter turn clockwise: a circular arrow on a white box,
// `width` x `height`.
Bitmap RotateButton(int width, int height);

// The client area of `window` as a rectangle to draw in (empty for a window without one).
platform::gfx::RectF ClientArea(platform::HWND window);

// The UI font: the Song face at `pixelSize`.
platform::gfx::Font UiFont(float pixelSize = 12);

}  // namespace skin
