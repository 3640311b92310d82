#pragma once
// Recognising and decoding the viewer's pictures: BMP, PNG (the viewer's own
// codec, or GDI+ when it is active) and JPEG into a bitmap with an optional
// transparency mask, fitted to the screen's colour depth. A PNG whose file
// gives its pixels an opacity (alpha samples, a tRNS chunk) keeps it as the
// bitmap's alpha; every other bitmap is opaque. GIF data go to the GIF
// decoder (gifimage.h) with ScreenPalette().
//
// Decoding never raises: a bad image gives none, and the caller shows
// ErrorImage with ErrorImageMask (imagemodule.h). Only GDI+ image creation
// raises EGDIPlus, which the document root takes as a failed fetch.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "htmlview/images/imagecache.h"
#include "platform/canvas.h"
#include "platform/image.h"
#include "platform/streams.h"

namespace htmlview {

// The kind by the first bytes; tested in the order GIF, BMP, PNG, JPEG.
TImageKind ImageKindFromSignature(const uint8_t* data, size_t size);
TImageKind ImageKindFromSignature(const std::vector<uint8_t>& data);
// ikNone for a missing file or one of fewer than 10 bytes.
TImageKind ImageKindOfFile(const std::string& fileName);

// A BMP, PNG or JPEG file. Mask is reset first. With GDI+ active a PNG
// file becomes a GDI+ image (EGDIPlus passes on); otherwise the file's
// bytes go through LoadImageFromStream. GIF files are not handled here.
std::unique_ptr<TViewImage> LoadImageFromFile(const std::string& fileName,
                                              TImageTransparency& transparency,
                                              std::unique_ptr<platform::Bitmap>& mask);
// The same for data in a stream (fewer than 20 bytes are no image). With
// GDI+ active PNG data become a GDI+ image and transparency ttNone.
std::unique_ptr<TViewImage> LoadImageFromStream(platform::TStream* stream,
                                                TImageTransparency& transparency,
                                                std::unique_ptr<platform::Bitmap>& mask);

// BMP, PNG and JPEG data to a bitmap fitted to the screen. transparency in:
// what the element asks for (ttNone or ttLowerLeft); out: what applies. A
// palette PNG whose tRNS makes an entry fully transparent gives ttPngColor,
// a mask, and black under the transparent parts (and no alpha). Any other
// PNG transparency is the bitmap's alpha, with transparency unchanged. Null
// on every failure.
std::unique_ptr<platform::Bitmap> DecodeImage(platform::TStream* stream,
                                              TImageTransparency& transparency,
                                              std::unique_ptr<platform::Bitmap>& mask);

// The colour of the first palette entry a palette PNG's tRNS chunk makes
// fully transparent, found from the chunks alone; the stream's position is
// kept. Read failures end the scan with what was found so far.
bool ProbePngTransparentColor(platform::TStream& stream, platform::Colour& colour);

// A monochrome mask of the pixels of one colour: colour when useColor, else
// the colour of the lower-left pixel. White (alpha 0) where transparent,
// black elsewhere. Null for a null or empty image.
std::unique_ptr<platform::Bitmap> MakeImageMask(const platform::Bitmap& image, bool useColor,
                                                platform::Colour colour);

// Fits a bitmap to the screen. On true-colour screens a bitmap of 8 bits or
// fewer is rebuilt at screen depth and others pass unchanged; on palette
// screens a device-independent bitmap is dithered to the screen palette and
// a device-dependent one rebuilt. A null bitmap stays null.
platform::Bitmap AdaptBitmapToScreen(platform::Bitmap bitmap, bool deviceDependent = false);
// The bitmap as the screen would hold it: each colour the nearest of the
// screen palette (the static colours below 8 bits), with no dithering; the
// colours unchanged on true-colour screens.
platform::Bitmap RebuildAsScreenBitmap(platform::Bitmap bitmap);
// A copy of up to 256 entries; none when ScreenColorBits() is above 8 or
// the palette is empty (or absent).
std::optional<platform::Palette> CopyScreenPalette(const platform::Palette* palette);

// The bitmap with the mask's white parts made see-through: transparency is
// alpha on this platform, so a picture with a mask is drawn as this copy.
// Without a mask, the bitmap itself.
platform::Bitmap MaskedAsAlpha(const platform::Bitmap& bitmap, const platform::Bitmap* mask);

// Draws the bitmap stretched into the rectangle where the mask is not white
// (all of it without a mask); nearest-pixel stretching, as image objects
// are drawn.
void DrawMaskedStretched(platform::Canvas& canvas, const platform::Bitmap& bitmap,
                         const platform::Bitmap* mask, int x, int y, int width, int height);

}  // namespace htmlview
