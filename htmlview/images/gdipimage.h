#pragma once
// The viewer's optional second image engine. On the old desktop it was a
// system library loaded at run time; here it is a stand-in over QImage and
// QPainter that is absent unless switched on (before the first image cache
// is made) by its own tests. While absent it is never active, every PNG goes
// through the viewer's own codec and making one of its images fails with
// "Can't load image file %s.".
//
// The image cache acquires the engine in its constructor and releases it in
// its destructor; the reference count starts the engine on the first
// acquisition and shuts it down when the last user releases it.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/image.h"
#include "platform/sysutils.h"

namespace htmlview {

// The four failures of the wrapper: "Image file %s not found.",
// "Can't load image file %s.", "Can't create bitmap", "Can't Create Graphics".
class EGDIPlus : public platform::Exception { using platform::Exception::Exception; };

// Whether the engine can be loaded at all (default: no). Takes effect at the
// next start-up, i.e. when no user holds the engine.
void SetGdiPlusAvailable(bool available);
bool GdiPlusAvailable();

void AcquireGdiPlus();
void ReleaseGdiPlus();
// True exactly while a successful start-up has not been shut down.
bool GDIPlusActive();
int GdiPlusUsers();
// How many times the engine has been started (tests watch restarts).
int GdiPlusStartupCount();

class TGpImage {
 public:
  // Loads a file. With tmpFile the file is deleted when the image is destroyed
  // (the image cache hands in temporary copies of data held in memory).
  TGpImage(const std::string& fileName, bool tmpFile = false);
  // Loads image data held in memory; name is what an error message shows.
  TGpImage(const std::vector<uint8_t>& data, const std::string& name);
  virtual ~TGpImage();
  TGpImage(const TGpImage&) = delete;
  TGpImage& operator=(const TGpImage&) = delete;

  int Width() const;
  int Height() const;
  // A new opaque bitmap of the image's size, white under the image.
  platform::Bitmap GetTBitmap() const;

  // The engine's native image (ARGB32).
  const platform::Bitmap& Native() const { return image_; }
  platform::Bitmap& Native() { return image_; }

 protected:
  TGpImage() = default;
  platform::Bitmap image_;

 private:
  std::string tmpFile_;
};

class TGpBitmap : public TGpImage {
 public:
  // A 32-bit ARGB bitmap, transparent black; "Can't create bitmap" when it
  // cannot be made.
  TGpBitmap(int width, int height);
  explicit TGpBitmap(const platform::Bitmap& bitmap);
  platform::Colour GetPixel(int x, int y) const;
  int GetAlpha(int x, int y) const;
  void SetPixel(int x, int y, platform::Colour colour, int alpha = 255);
};

enum class TInterpolationMode { Default = 0, NearestNeighbor = 5, HighQualityBicubic = 7 };

// Drawing on a canvas or into a bitmap. Coordinates pass through the world
// scale set by ScaleTransform.
class TGpGraphics {
 public:
  explicit TGpGraphics(platform::Canvas& canvas);
  explicit TGpGraphics(TGpImage& image);
  ~TGpGraphics();
  TGpGraphics(const TGpGraphics&) = delete;
  TGpGraphics& operator=(const TGpGraphics&) = delete;

  // Small images being enlarged go through a padded nearest-neighbour copy
  // so the result has hard pixel edges and no faded border.
  void DrawImage(const TGpImage& image, int x, int y, int width, int height);
  void DrawImage(const TGpImage& image, int x, int y);
  // A source rectangle of the image at a point, natural size.
  void DrawImage(const TGpImage& image, int x, int y, int srcX, int srcY, int srcW, int srcH);
  // A source rectangle of the image into a target rectangle.
  void DrawImage(const TGpImage& image, int dx, int dy, int dw, int dh, int sx, int sy, int sw,
                 int sh);
  void Clear(platform::Colour colour);
  void ScaleTransform(double sx, double sy);
  void SetInterpolationMode(TInterpolationMode mode) { mode_ = mode; }
  TInterpolationMode GetInterpolationMode() const { return mode_; }

 private:
  void DrawSmallStretchedImage(const TGpImage& image, int x, int y, int width, int height);
  platform::Rect Scaled(int x, int y, int w, int h) const;

  std::unique_ptr<platform::Canvas> own_;
  platform::Canvas* canvas_ = nullptr;
  double sx_ = 1, sy_ = 1;
  TInterpolationMode mode_ = TInterpolationMode::Default;
};

// The document's image drawing: each makes a graphics object on the canvas
// for the one call.
void DrawGpImage(platform::Canvas& canvas, const TGpImage& image, int x, int y);
void StretchDrawGpImage(platform::Canvas& canvas, const TGpImage& image, int x, int y, int width,
                        int height);
// A part of the image at a point (background tiles).
void DrawGpImagePart(platform::Canvas& canvas, const TGpImage& image, int x, int y,
                     const platform::Rect& source);
// Printing: the image at natural size under a world scale, its top left
// corner at the device point (x, y).
void StretchPrintGpImageDirect(platform::Canvas& canvas, const TGpImage& image, int x, int y,
                               double scaleX, double scaleY);
// Printing of images with transparency: drawn first onto a bitmap of its
// size filled with the background colour, then stretched onto the canvas.
void StretchPrintGpImageOnColor(platform::Canvas& canvas, const TGpImage& image, int x, int y,
                                int width, int height, platform::Colour background);

}  // namespace htmlview
