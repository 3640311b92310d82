#pragma once
// Rendering any widget into an image, and probes on the result: what tests
// use to check pixels without a screen.
#include <string>

#include <QImage>

#include "platform/colors.h"
#include "platform/geometry.h"

class QWidget;

namespace platform {

// Paints the widget (and its children) into an image of its size; the
// widget need not be shown.
QImage RenderToImage(QWidget* widget);
Colour ColourAt(const QImage& image, int x, int y);
// How many pixels of the colour lie in r (the whole image when r is empty).
int CountColour(const QImage& image, Colour colour, const Rect& r = {});
// Bounding box of pixels of the colour inside r (empty when none).
Rect BoundsOfColour(const QImage& image, Colour colour, const Rect& r = {});
// Bounding box of pixels differing from the background colour inside r.
Rect InkBounds(const QImage& image, Colour background, const Rect& r = {});
// Bounding box of dark pixels (every channel at most maxLevel) inside r:
// the ink of antialiased black text.
Rect DarkBounds(const QImage& image, const Rect& r = {}, int maxLevel = 128);
int CountDark(const QImage& image, const Rect& r = {}, int maxLevel = 128);
// Equal images; on a difference writes a diff image to diffPath when given.
bool ImagesEqual(const QImage& a, const QImage& b, const std::string& diffPath = "");

}  // namespace platform
