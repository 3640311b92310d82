#include "htmlview/images/gdipimage.h"

#include <cmath>

#include <QFile>
#include <QImage>

#include "platform/textfile.h"

namespace htmlview {

using platform::Bitmap;
using platform::Colour;
using platform::Rect;

namespace {

struct GdiPlusState {
  bool available = false;
  bool active = false;
  int users = 0;
  int startups = 0;
};

GdiPlusState& State() {
  static GdiPlusState state;
  return state;
}

std::string Message(const char* format, const std::string& name) {
  return platform::Format(format, {name});
}

// The engine's own decoding: whatever Qt reads, made ARGB32 so the pixel
// format is the one the drawing code assumes.
Bitmap DecodeImage(const QByteArray& bytes) {
  QImage image;
  if (!image.loadFromData(bytes)) return {};
  if (int64_t(image.width()) * image.height() > Bitmap::kMaxPixels) return {};
  return Bitmap(image.convertToFormat(QImage::Format_ARGB32));
}

}  // namespace

void SetGdiPlusAvailable(bool available) { State().available = available; }
bool GdiPlusAvailable() { return State().available; }

void AcquireGdiPlus() {
  GdiPlusState& s = State();
  if (s.users == 0) {
    // The start-up either succeeds or leaves the engine unloaded; nothing is
    // reported, the viewer then uses its own PNG codec.
    s.active = s.available;
    if (s.active) ++s.startups;
  }
  ++s.users;
}

void ReleaseGdiPlus() {
  GdiPlusState& s = State();
  // An unbalanced release must not drive the count below zero, or the next
  // acquisition would never start the engine again.
  if (s.users == 0) return;
  if (--s.users == 0) s.active = false;
}

bool GDIPlusActive() { return State().active; }
int GdiPlusUsers() { return State().users; }
int GdiPlusStartupCount() { return State().startups; }

// ------------------------------------------------------------------ images

TGpImage::TGpImage(const std::string& fileName, bool tmpFile) {
  if (!platform::FileExists(fileName)) throw EGDIPlus(Message("Image file %s not found.", fileName));
  if (tmpFile) tmpFile_ = fileName;
  if (GDIPlusActive()) {
    QFile file(QString::fromStdString(fileName));
    // Larger files cannot hold an image the engine would make.
    if (file.open(QIODevice::ReadOnly) && file.size() < (int64_t(1) << 30)) image_ = DecodeImage(file.readAll());
  }
  if (image_.IsNull()) {
    if (!tmpFile_.empty()) platform::DeleteFile(tmpFile_);
    throw EGDIPlus(Message("Can't load image file %s.", fileName));
  }
}

TGpImage::TGpImage(const std::vector<uint8_t>& data, const std::string& name) {
  if (GDIPlusActive())
    image_ = DecodeImage(QByteArray(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size())));
  if (image_.IsNull()) throw EGDIPlus(Message("Can't load image file %s.", name));
}

TGpImage::~TGpImage() {
  // The native image goes first: the file may be open while it lives.
  image_ = Bitmap();
  if (!tmpFile_.empty()) platform::DeleteFile(tmpFile_);
}

int TGpImage::Width() const { return image_.Width(); }
int TGpImage::Height() const { return image_.Height(); }

Bitmap TGpImage::GetTBitmap() const {
  Bitmap result(Width(), Height(), platform::clWhite);
  if (result.IsNull()) return result;
  {
    platform::Canvas canvas(&result.Image());
    canvas.Draw(0, 0, image_);
  }
  return result;
}

TGpBitmap::TGpBitmap(int width, int height) {
  if (width > 0 && height > 0 && int64_t(width) * height <= Bitmap::kMaxPixels) {
    QImage image(width, height, QImage::Format_ARGB32);
    if (!image.isNull()) {
      image.fill(Qt::transparent);
      image_ = Bitmap(image);
    }
  }
  if (image_.IsNull()) throw EGDIPlus("Can't create bitmap");
}

TGpBitmap::TGpBitmap(const Bitmap& bitmap) {
  image_ = bitmap;
  if (image_.IsNull()) throw EGDIPlus("Can't create bitmap");
}

Colour TGpBitmap::GetPixel(int x, int y) const { return image_.Pixel(x, y); }
int TGpBitmap::GetAlpha(int x, int y) const { return image_.Alpha(x, y); }
void TGpBitmap::SetPixel(int x, int y, Colour colour, int alpha) { image_.SetPixel(x, y, colour, alpha); }

// ---------------------------------------------------------------- graphics

TGpGraphics::TGpGraphics(platform::Canvas& canvas) : canvas_(&canvas) {
  if (!canvas.Painter()) throw EGDIPlus("Can't Create Graphics");
}

TGpGraphics::TGpGraphics(TGpImage& image) {
  if (image.Native().IsNull()) throw EGDIPlus("Can't Create Graphics");
  own_ = std::make_unique<platform::Canvas>(&image.Native().Image());
  if (!own_->Painter()) throw EGDIPlus("Can't Create Graphics");
  canvas_ = own_.get();
}

TGpGraphics::~TGpGraphics() = default;

Rect TGpGraphics::Scaled(int x, int y, int w, int h) const {
  const int left = static_cast<int>(std::lround(x * sx_)), top = static_cast<int>(std::lround(y * sy_));
  return {left, top, static_cast<int>(std::lround((x + w) * sx_)), static_cast<int>(std::lround((y + h) * sy_))};
}

void TGpGraphics::DrawImage(const TGpImage& image, int x, int y, int width, int height) {
  const int iw = image.Width(), ih = image.Height();
  if ((iw > 10 || width <= iw) && (ih > 10 || height <= ih)) {
    DrawImage(image, x, y, width, height, 0, 0, iw, ih);
    return;
  }
  DrawSmallStretchedImage(image, x, y, width, height);
}

void TGpGraphics::DrawImage(const TGpImage& image, int x, int y) {
  DrawImage(image, x, y, image.Width(), image.Height(), 0, 0, image.Width(), image.Height());
}

void TGpGraphics::DrawImage(const TGpImage& image, int x, int y, int srcX, int srcY, int srcW, int srcH) {
  DrawImage(image, x, y, srcW, srcH, srcX, srcY, srcW, srcH);
}

void TGpGraphics::DrawImage(const TGpImage& image, int dx, int dy, int dw, int dh, int sx, int sy, int sw,
                            int sh) {
  const Rect dest = Scaled(dx, dy, dw, dh);
  const bool smooth = mode_ != TInterpolationMode::NearestNeighbor;
  canvas_->DrawPart(dest, image.Native(), {sx, sy, sx + sw, sy + sh}, smooth);
}

// A smooth enlargement of a tiny image fades its border into whatever lies
// outside it; the image is padded with a copy of its last column and row and
// enlarged by nearest neighbour instead.
void TGpGraphics::DrawSmallStretchedImage(const TGpImage& image, int x, int y, int width, int height) {
  const int iw = image.Width(), ih = image.Height();
  if (iw <= 0 || ih <= 0 || width <= 0 || height <= 0) return;
  TGpBitmap padded(iw + 1, ih + 1);
  {
    TGpGraphics g(padded);
    g.DrawImage(image, 0, 0, iw, ih, 0, 0, iw, ih);
  }
  for (int row = 0; row < ih; ++row)
    padded.SetPixel(iw, row, padded.GetPixel(iw - 1, row), padded.GetAlpha(iw - 1, row));
  for (int col = 0; col <= iw; ++col)
    padded.SetPixel(col, ih, padded.GetPixel(col, ih - 1), padded.GetAlpha(col, ih - 1));
  padded.SetPixel(iw, ih, padded.GetPixel(iw - 1, ih - 1), padded.GetAlpha(iw - 1, ih - 1));

  TGpBitmap enlarged(width, height);
  {
    TGpGraphics g(enlarged);
    g.SetInterpolationMode(TInterpolationMode::NearestNeighbor);
    g.DrawImage(padded, 0, 0, width, height, 0, 0, iw, ih);
  }
  DrawImage(enlarged, x, y, width, height, 0, 0, width, height);
}

void TGpGraphics::Clear(Colour colour) {
  QPainter* p = canvas_->Painter();
  if (own_) {
    // Clearing a bitmap replaces its pixels, alpha included.
    own_->TargetImage()->fill(platform::ToQColor(colour));
    return;
  }
  if (p) canvas_->FillRect(canvas_->ClipBox(), colour);
}

void TGpGraphics::ScaleTransform(double sx, double sy) {
  sx_ *= sx;
  sy_ *= sy;
}

// ----------------------------------------------------- document's drawing

void DrawGpImage(platform::Canvas& canvas, const TGpImage& image, int x, int y) {
  TGpGraphics g(canvas);
  g.DrawImage(image, x, y);
}

void StretchDrawGpImage(platform::Canvas& canvas, const TGpImage& image, int x, int y, int width, int height) {
  TGpGraphics g(canvas);
  g.DrawImage(image, x, y, width, height);
}

void DrawGpImagePart(platform::Canvas& canvas, const TGpImage& image, int x, int y, const Rect& source) {
  TGpGraphics g(canvas);
  g.DrawImage(image, x, y, source.left, source.top, source.Width(), source.Height());
}

void StretchPrintGpImageDirect(platform::Canvas& canvas, const TGpImage& image, int x, int y, double scaleX,
                               double scaleY) {
  if (scaleX <= 0 || scaleY <= 0) return;
  TGpGraphics g(canvas);
  g.ScaleTransform(scaleX, scaleY);
  g.DrawImage(image, static_cast<int>(std::lround(x / scaleX)), static_cast<int>(std::lround(y / scaleY)));
}

void StretchPrintGpImageOnColor(platform::Canvas& canvas, const TGpImage& image, int x, int y, int width,
                                int height, Colour background) {
  TGpBitmap flat(image.Width(), image.Height());
  {
    TGpGraphics g(flat);
    g.Clear(platform::ColourToRgb(background));
    g.DrawImage(image, 0, 0);
  }
  canvas.StretchDraw(platform::RectOfSize(x, y, width, height), flat.Native(), true);
}

}  // namespace htmlview
