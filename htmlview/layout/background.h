#pragma once
// The background picture of a box (a block or a table cell): the picture,
// where it is placed, and the picture tiled over the box, composed once per
// layout when the box is drawn. Boxes hold one only when the style names a
// picture, so the many boxes without one keep nothing of it.
#include <memory>

#include "htmlview/style/styleprops.h"
#include "platform/image.h"

namespace htmlview {

class TImageObj;

// A background picture tiled over a box of width x height as pos places
// it (relative to the box, repeating as it says); transparent where no tile
// or a transparent part of the picture lies, so the box's colour shows.
// Null when the box is empty or the picture has no pixels.
std::unique_ptr<platform::Bitmap> ComposeBackground(const platform::Bitmap& picture,
                                                    const platform::Bitmap* mask,
                                                    const PositionRecArray& pos, int width,
                                                    int height);

struct TBackground {
  TBackground(std::unique_ptr<TImageObj> picture, const PositionRecArray& pos);
  ~TBackground();

  // Composes Tiled for a padding box of width x height when the layout
  // asked for it and the picture has arrived; a failed picture is dropped.
  void Compose(int width, int height);

  std::unique_ptr<TImageObj> Image;          // none once it failed
  PositionRecArray Pos{};
  std::unique_ptr<platform::Bitmap> Tiled;   // the picture tiled over the box
  bool NeedCompose = false;                  // Tiled is still to be composed for this layout
};

}  // namespace htmlview
