#pragma once
// The viewer's process-wide image state: the screen's colour depth and, on
// 8-bit screens, a palette of its own; the placeholder bitmaps shown for
// images still to come or failed; the link and auto-scroll cursors; and the
// wait stream an image request handler returns to say "later".
//
// InitImageModule() sets it all up (a second call only counts); each call
// needs a DoneImageModule(), and the last one frees the state.
#include <optional>

#include "platform/image.h"
#include "platform/streams.h"

namespace htmlview {

void InitImageModule();
void DoneImageModule();
bool ImageModuleStarted();

// The screen's bits per pixel, mapped: below 5 gives 4, above 8 gives 24,
// 5..8 gives 8. Read from the platform on every call, so a test that sets
// the screen depth reaches the palette paths at once.
int ScreenColorBits();
// The screen palette while ScreenColorBits() is 8; null otherwise.
const platform::Palette* ScreenPalette();
// The 256-entry palette of 8-bit screens: the 20 static colours at both
// ends, a 6 x 6 x 6 colour cube (levels 55, 115, 165, 205, 235, 255; white
// left out) from entry 10, greys above 130 in steps of 5 from entry 225 that
// the cube does not hold, and (255, 255, 254) at 245.
platform::Palette BuildScreenPalette();
// The old platform's 9x-family flags; never set on this one.
bool IsWindows95();
bool IsWindows9x();

// Drawn placeholders, 16 x 16: DelayedImage while an image is still to come,
// ErrorImage for an image that failed to load (nominally 4 bits), and
// ErrorImageMask, monochrome: black where ErrorImage shows, white (and
// alpha 0) where it does not.
const platform::Bitmap& DelayedImage();
const platform::Bitmap& ErrorImage();
const platform::Bitmap& ErrorImageMask();

// The one empty stream meaning "the image will come later". Compare by
// address; null while the module is not started.
platform::TMemoryStream* ImageWaitStream();

// Cursor numbers registered at start-up (with a GUI application only).
enum : int {
  crLinkCursor = 10101,
  crUpDownCursor = 10103,
  crUpOnlyCursor = 10104,
  crDownOnlyCursor = 10105,
};

}  // namespace htmlview
