#include "htmlview/images/imagemodule.h"

#include <memory>

#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "htmlview/images/dither.h"
#include "platform/cursors.h"

namespace htmlview {

using platform::Bitmap;
using platform::Colour;
using platform::Rgb;

namespace {

struct ImageModuleState {
  int starts = 0;
  Bitmap delayed, error, errorMask;
  std::unique_ptr<platform::TMemoryStream> waitStream;
};

ImageModuleState& State() {
  static ImageModuleState state;
  return state;
}

// --- Placeholders, drawn pixel by pixel so they are the same everywhere.

// A page with a folded corner: the outline of both placeholders.
void DrawPage(Bitmap& b, Colour paper) {
  const Colour frame = Rgb(128, 128, 128);
  for (int y = 1; y <= 14; ++y)
    for (int x = 2; x <= 13; ++x) {
      const bool edge = x == 2 || x == 13 || y == 1 || y == 14;
      b.SetPixel(x, y, edge ? frame : paper);
    }
  // Fold at the top right: three pixels cut off and a diagonal crease.
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j <= i; ++j) b.SetPixel(13 - 2 + i, 1 + j, platform::clWhite, 0);
  for (int i = 0; i < 4; ++i) b.SetPixel(10 + i, 1 + i, frame);
}

Bitmap MakeErrorImage() {
  Bitmap b(16, 16, platform::clWhite);
  b.Image().fill(Qt::transparent);
  DrawPage(b, platform::clWhite);
  // A red cross over the page.
  for (int i = 0; i < 7; ++i) {
    b.SetPixel(4 + i, 5 + i, platform::clRed);
    b.SetPixel(5 + i, 5 + i, platform::clRed);
    b.SetPixel(10 - i, 5 + i, platform::clRed);
    b.SetPixel(11 - i, 5 + i, platform::clRed);
  }
  b.SetBitDepth(4);
  return b;
}

Bitmap MakeDelayedImage() {
  Bitmap b(16, 16, platform::clWhite);
  b.Image().fill(Qt::transparent);
  DrawPage(b, platform::clWhite);
  // An hourglass in navy.
  for (int y = 4; y <= 11; ++y) {
    const int half = y <= 7 ? 11 - y : y - 4;
    const int inset = 3 - (half > 3 ? 3 : half);
    for (int x = 5 + inset; x <= 10 - inset; ++x) b.SetPixel(x, y, platform::clNavy);
  }
  b.SetBitDepth(4);
  return b;
}

// Black where the image shows, white and see-through where it does not.
Bitmap MaskOf(const Bitmap& image) {
  Bitmap mask(image.Width(), image.Height(), platform::clBlack);
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x)
      if (image.Alpha(x, y) == 0) mask.SetPixel(x, y, platform::clWhite, 0);
  mask.SetBitDepth(1);
  return mask;
}

// Placeholders are drawn with alpha so their masks follow from them; the
// bitmaps themselves are opaque, white where the mask hides them.
Bitmap Opaque(const Bitmap& image) {
  Bitmap b(image.Width(), image.Height(), platform::clWhite);
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x)
      if (image.Alpha(x, y) != 0) b.SetPixel(x, y, image.Pixel(x, y));
  b.SetBitDepth(image.BitDepth());
  return b;
}

// --- Cursors, 32 x 32 with a black outline on white.

QCursor CursorFromPath(const QPainterPath& path, int hotX, int hotY) {
  QImage image(32, 32, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawPath(path);
  }
  return QCursor(QPixmap::fromImage(image), hotX, hotY);
}

QCursor LinkCursor() {
  // A pointing hand: the index finger up, three folded fingers and the palm.
  QPainterPath path;
  path.addRoundedRect(QRectF(9, 1, 4, 14), 2, 2);
  path.addRoundedRect(QRectF(13, 8, 4, 8), 2, 2);
  path.addRoundedRect(QRectF(17, 9, 4, 8), 2, 2);
  path.addRoundedRect(QRectF(21, 10, 4, 8), 2, 2);
  path.addRoundedRect(QRectF(9, 14, 16, 10), 3, 3);
  path.addRoundedRect(QRectF(4, 12, 6, 4), 2, 2);
  return CursorFromPath(path.simplified(), 11, 1);
}

// A triangle pointing from its base line to its tip, centred on x = 16.
QPainterPath Arrow(int tipY, int baseY) {
  QPainterPath p;
  p.moveTo(16, tipY);
  p.lineTo(23, baseY);
  p.lineTo(9, baseY);
  p.closeSubpath();
  return p;
}

QPainterPath CentreDot() {
  QPainterPath p;
  p.addEllipse(QRectF(13, 13, 5, 5));
  return p;
}

void RegisterCursors() {
  // Cursors are pixmaps, which exist only with a GUI application.
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
  platform::RegisterCursor(crLinkCursor, LinkCursor());
  platform::RegisterCursor(crUpDownCursor, CursorFromPath(Arrow(2, 10) + Arrow(29, 21) + CentreDot(), 15, 15));
  platform::RegisterCursor(crUpOnlyCursor, CursorFromPath(Arrow(2, 10) + CentreDot(), 15, 15));
  platform::RegisterCursor(crDownOnlyCursor, CursorFromPath(Arrow(29, 21) + CentreDot(), 15, 15));
}

void MakePlaceholders(ImageModuleState& s) {
  const Bitmap error = MakeErrorImage();
  s.error = Opaque(error);
  s.errorMask = MaskOf(error);
  s.delayed = Opaque(MakeDelayedImage());
}

}  // namespace

void InitImageModule() {
  ImageModuleState& s = State();
  if (s.starts++ > 0) return;
  MakePlaceholders(s);
  RegisterCursors();
  s.waitStream = std::make_unique<platform::TMemoryStream>();
  ScreenPalette();  // built now on 8-bit screens rather than at the first image
}

void DoneImageModule() {
  ImageModuleState& s = State();
  if (s.starts == 0) return;
  if (--s.starts > 0) return;
  s.delayed = Bitmap();
  s.error = Bitmap();
  s.errorMask = Bitmap();
  s.waitStream.reset();
}

bool ImageModuleStarted() { return State().starts > 0; }

int ScreenColorBits() {
  const int bits = platform::ScreenDepth();
  if (bits < 5) return 4;
  if (bits > 8) return 24;
  return 8;
}

const platform::Palette* ScreenPalette() {
  if (ScreenColorBits() != 8) return nullptr;
  static const platform::Palette palette = BuildScreenPalette();
  return &palette;
}

platform::Palette BuildScreenPalette() {
  platform::Palette pal;
  pal.entries.assign(256, platform::clBlack);
  // The system palette: its static colours sit at both ends.
  const std::vector<Colour>& statics = WindowsColors();
  for (int i = 0; i < 10; ++i) {
    pal.entries[i] = statics[i];
    pal.entries[246 + i] = statics[10 + i];
  }
  static const int kLevels[6] = {55, 115, 165, 205, 235, 255};
  int n = 10;
  for (int b : kLevels)
    for (int g : kLevels)
      for (int r : kLevels) {
        // White is a static colour already.
        if (r == 255 && g == 255 && b == 255) continue;
        pal.entries[n++] = Rgb(r, g, b);
      }
  for (int i = 1; i <= 24; ++i) {
    if (i == 7 || i == 15 || i == 21) continue;  // 165, 205, 235: in the cube
    const int level = 130 + 5 * i;
    pal.entries[n++] = Rgb(level, level, level);
  }
  pal.entries[245] = Rgb(255, 255, 254);
  return pal;
}

bool IsWindows95() { return false; }
bool IsWindows9x() { return false; }

const Bitmap& DelayedImage() {
  ImageModuleState& s = State();
  if (s.delayed.IsNull()) MakePlaceholders(s);
  return s.delayed;
}

const Bitmap& ErrorImage() {
  ImageModuleState& s = State();
  if (s.error.IsNull()) MakePlaceholders(s);
  return s.error;
}

const Bitmap& ErrorImageMask() {
  ImageModuleState& s = State();
  if (s.errorMask.IsNull()) MakePlaceholders(s);
  return s.errorMask;
}

platform::TMemoryStream* ImageWaitStream() { return State().waitStream.get(); }

}  // namespace htmlview
