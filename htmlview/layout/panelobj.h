#pragma once
// Panel objects: an OBJECT or PANEL element renders nothing of its own. It
// reserves a box in the text flow, like an image, and hands the host
// application a window (ThvPanel) to fill. The viewer's OnPanelCreate tells
// the host a panel was made (the host may size and fill it), OnPanelDestroy
// that it goes. The text section's draw moves the window to where the box was
// drawn; the document hides it again when a scroll leaves it undrawn. A
// printed page, which no window reaches, carries the host's picture of the
// panel (OnPanelPrint) or its frame instead, and the window stays put.
#include <cstdint>
#include <functional>
#include <string>

#include <QFrame>
#include <QPointer>

#include "htmlview/parse/attributes.h"
#include "htmlview/layout/docroot.h"
#include "htmlview/layout/imageobj.h"
#include "htmlview/style/styleprops.h"
#include "platform/canvas.h"

namespace htmlview {

class ThvPanel;

// Where a new panel window is parked until its first draw, and its size
// when neither the attributes nor the host give one.
constexpr int kPanelParkPos = -4000;
constexpr int kPanelDefaultWidth = 30;
constexpr int kPanelDefaultHeight = 20;
// The largest picture a host is asked to paint for a printed panel.
constexpr int64_t kMaxPanelPrintPixels = int64_t(1) << 24;

// The viewer's panel events; sender is the viewer.
using TPanelCreateEvent = std::function<void(QObject* sender, const std::string& name,
                                             const std::string& type, const std::string& src,
                                             ThvPanel* panel)>;
using TPanelDestroyEvent = std::function<void(QObject* sender, ThvPanel* panel)>;
// Asks the host for a picture of the panel, for a printout: a panel is a
// window, which no canvas draw paints, so a printed page shows the picture
// the host draws into bitmap (white, the panel's size) in the panel's box.
using TPanelPrintEvent =
    std::function<void(QObject* sender, ThvPanel* panel, platform::Bitmap& bitmap)>;

// The viewer carries its panel events in this part of itself. A panel object
// finds them through the document's owner (TSectionList::Viewer); an owner
// without them raises none.
class TPanelEvents {
 public:
  virtual ~TPanelEvents() = default;
  TPanelCreateEvent OnPanelCreate;
  TPanelDestroyEvent OnPanelDestroy;
  TPanelPrintEvent OnPanelPrint;
};

// ---------------------------------------------------------------------------
// The window a host fills: white, a plain one-pixel frame, no 3-D look, a
// font of its own, an optional caption drawn in the middle.

class ThvPanel : public QFrame {
 public:
  explicit ThvPanel(QWidget* parent);

  std::string Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  // The panel's own wish to be seen: each draw of the document shows the
  // window where the panel stands when set, hides it when cleared.
  bool VisibleFlag() const { return visibleFlag_; }
  void SetVisibleFlag(bool visible) { visibleFlag_ = visible; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::string caption_;
  bool visibleFlag_ = true;
};

// ---------------------------------------------------------------------------

class TPanelObj : public TFloatingObj, public TDocPanel {
 public:
  // From the OBJECT or PANEL tag at a text position: makes the panel on the
  // document's paint panel, raises OnPanelCreate and joins the document's
  // panel list (when the document is a TSectionList).
  TPanelObj(TSectionListBase* root, const TAttributeList& attributes, int position);
  // Raises OnPanelDestroy, frees the panel and leaves the panel list.
  ~TPanelObj() override;
  TPanelObj(const TPanelObj&) = delete;
  TPanelObj& operator=(const TPanelObj&) = delete;

  TSectionListBase* Root = nullptr;
  int InitialWidth = 0, InitialHeight = 0;   // after creation and OnPanelCreate
  std::string Name, Type, Src;               // NAME, TYPE, SRC as given

  // The panel window; null once something else (the paint panel going
  // first) has freed it.
  ThvPanel* Panel() const { return panel_.data(); }
  QWidget* WindowedControl() const override { return panel_.data(); }

  // The element's style: alignment, float, title, margins, borders and size
  // as for an image.
  void ProcessProperties(TProperties& prop);
  // The size for the room the line offers (percentages of it, or the
  // initial aspect ratio for a side not given); the window takes it.
  void Layout(TSectionListBase* master, platform::Canvas& canvas, TFontObj* fontRun,
              int availableWidth, int availableHeight) override;

  // --- What the text section's draw does with a panel.
  // The top of an inline panel on a line: lineTop is the line's top, y its
  // bottom (the baseline plus descent), fontHeight and descent the current
  // font's.
  int InlineTop(int lineTop, int y, int fontHeight, int descent) const;
  // The panel was drawn at (left, top), document coordinates of the box
  // inside the spaces as drawn (moved with a block drawn moved): marks it
  // shown, moves the window there (less the document's scroll offset) and
  // shows or hides it by its visibility flag.
  void Place(int left, int top);
  // The panel on a printed page at (left, top), document coordinates as for
  // Place: the host's picture through OnPanelPrint, or, when no host draws
  // one, the panel's frame with its alternative text. The window stays
  // where the screen shows it.
  void Print(platform::Canvas& canvas, int left, int top);

 private:
  void ReadAttributes(const TAttributeList& attributes);
  TPanelEvents* Events() const;

  QPointer<ThvPanel> panel_;
  QPointer<QObject> viewer_;   // the sender of the events
};

}  // namespace htmlview
