#pragma once
// The pictures of the main window, drawn for this program: the action image
// list (24 x 24 pixels, by index: 0 save, 1 verify, 2 add fit, 3 remove fit,
// 4 build, 5 send, 6 install, 7 try, 8 help, 9 database), the navigation
// images (previous, next, verify current file) and the tick and cross of
// the Verify All page.
#include <QImage>

namespace workbench {

inline constexpr int kActionImageCount = 10;
inline constexpr int kActionImageSize = 24;

// Index outside 0..9: a transparent picture.
QImage ActionImage(int index);

enum class TNavigationImage { Previous, Next, Verify };
QImage NavigationImage(TNavigationImage which);

// 16 x 16, as the Verify All page shows them ("tick.png", "cross.png").
QImage TickImage();
QImage CrossImage();

}  // namespace workbench
