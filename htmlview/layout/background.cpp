#include "htmlview/layout/background.h"

#include "htmlview/layout/imageobj.h"

namespace htmlview {

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
