#include "htmlview/layout/background.h"

#include "htmlview/images/imageload.h"
#include "htmlview/layout/imageobj.h"
#include "platform/canvas.h"
#include "platform/geometry.h"

namespace htmlview {

namespace {

// Where the first tile of an axis starts and whether tiles repeat along it.
int TileStart(const PositionRec& p, int size, int image) {
  switch (p.PosType) {
    case TBgPos::Top:
    case TBgPos::Left:
      return 0;
    case TBgPos::Center:
      return (size - image) / 2;
    case TBgPos::Bottom:
    case TBgPos::Right:
      return size - image;
    case TBgPos::Percent:
      return platform::SaturatedInt(static_cast<long long>(size - image) * p.Value / 100);
    default:
      return p.Value;
  }
}

}  // namespace

std::unique_ptr<platform::Bitmap> ComposeBackground(const platform::Bitmap& picture,
                                                    const platform::Bitmap* mask,
                                                    const PositionRecArray& pos, int width,
                                                    int height) {
  const int iw = picture.Width(), ih = picture.Height();
  if (width <= 0 || height <= 0 || iw <= 0 || ih <= 0) return nullptr;
  auto out = std::make_unique<platform::Bitmap>(width, height);
  if (out->IsNull()) return nullptr;
  out->Image().fill(0);   // transparent: the box's own colour shows through
  const platform::Bitmap tile = MaskedAsAlpha(picture, mask);
  int x0 = TileStart(pos[0], width, iw), y0 = TileStart(pos[1], height, ih);
  const bool repeatX = pos[0].RepeatD, repeatY = pos[1].RepeatD;
  if (repeatX) x0 -= ((x0 + iw - 1) / iw) * iw * (x0 > 0);
  if (repeatY) y0 -= ((y0 + ih - 1) / ih) * ih * (y0 > 0);
  if (repeatX && x0 < -iw) x0 = -((-x0) % iw);
  if (repeatY && y0 < -ih) y0 = -((-y0) % ih);
  platform::Canvas canvas(&out->Image());
  for (int y = y0; y < height; y += ih) {
    for (int x = x0; x < width; x += iw) {
      canvas.Draw(x, y, tile);
      if (!repeatX) break;
    }
    if (!repeatY) break;
  }
  return out;
}

TBackground::TBackground(std::unique_ptr<TImageObj> picture, const PositionRecArray& pos)
    : Image(std::move(picture)), Pos(pos) {}

TBackground::~TBackground() = default;

void TBackground::Compose(int width, int height) {
  if (!Image || !NeedCompose) return;
  const TImageObj::PictureKind kind = Image->Kind();
  if (kind == TImageObj::PictureKind::Error) {
    Image.reset();
    Tiled.reset();
    NeedCompose = false;
  } else if (kind == TImageObj::PictureKind::Picture) {
    if (const platform::Bitmap* picture = Image->Bitmap())
      Tiled = ComposeBackground(*picture, Image->Mask(), Pos, width, height);
    NeedCompose = false;
  }
}

}  // namespace htmlview
