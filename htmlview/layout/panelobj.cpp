#include "htmlview/layout/panelobj.h"

#include <algorithm>
#include <cstdlib>

#include <QPainter>
#include <QPalette>

#include "htmlview/layout/canvasutils.h"
#include "platform/fonts.h"
#include "platform/geometry.h"
#include "platform/sysutils.h"

namespace htmlview {

namespace {

bool HasPercent(const TAttribute& a) { return a.Name.find('%') != std::string::npos; }

// One side of a box from the other by the initial aspect ratio. A host may
// leave the panel zero wide or high; there is no ratio then, and that side
// keeps its initial size rather than a divide-by-zero result.
int Proportional(int other, int initialThis, int initialOther) {
  if (initialOther <= 0) return initialThis;
  return std::max(0, platform::MulDiv(other, initialThis, initialOther));
}

}  // namespace

// ------------------------------------------------------------------ ThvPanel

ThvPanel::ThvPanel(QWidget* parent) : QFrame(parent) {
  // A flat single-line frame: no bevel, no 3-D look of the parent's.
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(1);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
  setAutoFillBackground(true);
  // A font of its own, so the host's choice does not follow the document's.
  setFont(font());
  setAttribute(Qt::WA_SetFont);
}

void ThvPanel::SetCaption(const std::string& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  update();
}

void ThvPanel::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  if (caption_.empty()) return;
  QPainter painter(this);
  painter.drawText(contentsRect(), Qt::AlignCenter, QString::fromStdString(caption_));
}

// ----------------------------------------------------------------- TPanelObj

TPanelObj::TPanelObj(TSectionListBase* root, const TAttributeList& attributes, int position)
    : Root(root) {
  Pos = position;
  VertAlign = TVAlign::Bottom;
  TSectionListObjects* objects = ObjectsOf(root);
  if (objects) viewer_ = objects->ViewerWindow();

  QWidget* paintPanel = objects ? objects->PaintPanel() : nullptr;
  panel_ = new ThvPanel(paintPanel);
  panel_->setGeometry(kPanelParkPos, kPanelParkPos, kPanelDefaultWidth, kPanelDefaultHeight);
  // A child shows with its parent once shown; a panel without a parent
  // would be a window of its own, so it waits hidden.
  if (paintPanel) panel_->show();

  ReadAttributes(attributes);

  panel_->SetCaption("");
  if (TPanelEvents* events = Events(); events && events->OnPanelCreate)
    events->OnPanelCreate(viewer_.data(), Name, Type, Src, panel_.data());
  if (panel_) {
    InitialWidth = panel_->width();
    InitialHeight = panel_->height();
  }
  if (objects) objects->AddPanel(this);
}

TPanelObj::~TPanelObj() {
  if (TSectionListObjects* objects = ObjectsOf(Root)) objects->RemovePanel(this);
  // The paint panel may have gone first and taken the window with it: then
  // there is nothing left to tell the host about or to free.
  if (!panel_) return;
  if (TPanelEvents* events = Events(); events && events->OnPanelDestroy)
    events->OnPanelDestroy(viewer_.data(), panel_.data());
  delete panel_.data();
}

TPanelEvents* TPanelObj::Events() const { return dynamic_cast<TPanelEvents*>(viewer_.data()); }

void TPanelObj::ReadAttributes(const TAttributeList& attributes) {
  bool hSpaceGiven = false;
  int hSpace = 0;
  for (int i = 0; i < attributes.Count(); ++i) {
    const TAttribute& a = attributes[i];
    switch (a.Which) {
      case HtmlSymbol::Height:
        if (HasPercent(a)) {
          if (a.Value >= 1 && a.Value <= 100) {
            SpecHeight = a.Value;
            PercentHeight = true;
          }
        } else {
          SpecHeight = std::max(1, a.Value);
          PercentHeight = false;
          if (panel_) panel_->resize(panel_->width(), SpecHeight);
        }
        break;
      case HtmlSymbol::Width:
        if (HasPercent(a)) {
          SpecWidth = std::clamp(a.Value, 1, 100);
          PercentWidth = true;
        } else if (a.Value >= 0) {
          // A negative width would read as "not given" later on while the
          // window took it; it is no width at all.
          SpecWidth = a.Value;
          PercentWidth = false;
          if (panel_) panel_->resize(SpecWidth, panel_->height());
        }
        break;
      case HtmlSymbol::HSpace:
        hSpace = std::min(std::abs(a.Value), kMaxObjectSpace);
        hSpaceGiven = true;
        break;
      case HtmlSymbol::VSpace:
        VSpaceT = std::min(std::abs(a.Value), kMaxObjectSpace);
        break;
      case HtmlSymbol::Name:
        Name = a.Name;
        if (panel_) panel_->setObjectName(QString::fromStdString(Name));
        break;
      case HtmlSymbol::Type:
        Type = a.Name;
        break;
      case HtmlSymbol::Src:
        Src = a.Name;
        break;
      case HtmlSymbol::Alt: {
        std::string alt = a.Name;
        while (!alt.empty() && (alt.back() == '\n' || alt.back() == '\r')) alt.pop_back();
        FAlt = alt;
        ImageTitle = alt;
        // The reader already decoded the value with the document's code
        // page into UTF-8.
        FAltW = platform::Utf8ToUtf16(alt);
        break;
      }
      case HtmlSymbol::Align:
        if (const TVAlign align = VAlignOf(a.Name, TVAlignWords::Object); align != TVAlign::None)
          VertAlign = align;
        break;
      default:
        break;
    }
  }
  // Left and right alike, top and bottom alike; a float keeps 3 pixels
  // from the text unless told otherwise.
  const int hDefault = Floating() ? 3 : 0;
  HSpaceL = HSpaceR = hSpaceGiven ? hSpace : hDefault;
  VSpaceB = VSpaceT;
}

void TPanelObj::ProcessProperties(TProperties& prop) {
  // The rules are an image's: a scratch image object applies them to a copy
  // of this object's floating fields, which then come back.
  TImageObj scratch(Root, std::string());
  static_cast<TFloatingObj&>(scratch) = static_cast<const TFloatingObj&>(*this);
  scratch.ProcessProperties(prop);
  static_cast<TFloatingObj&>(*this) = static_cast<const TFloatingObj&>(scratch);
}

void TPanelObj::Layout(TSectionListBase* master, platform::Canvas& canvas, TFontObj* fontRun,
                       int availableWidth, int availableHeight) {
  if (ImageKnown && !PercentWidth && !PercentHeight) return;
  // A line narrower than nothing gives an empty box, not a negative one.
  auto percentOf = [](int available, int percent) {
    return std::max(0, platform::MulDiv(available, percent, 100));
  };
  if (PercentWidth) {
    ObjWidth = percentOf(availableWidth, SpecWidth);
    if (PercentHeight) ObjHeight = percentOf(availableHeight, SpecHeight);
    else if (SpecHeight >= 0) ObjHeight = SpecHeight;
    else ObjHeight = Proportional(ObjWidth, InitialHeight, InitialWidth);
  } else if (PercentHeight) {
    ObjHeight = percentOf(availableHeight, SpecHeight);
    if (SpecWidth >= 0) ObjWidth = SpecWidth;
    else ObjWidth = Proportional(ObjHeight, InitialWidth, InitialHeight);
  } else {
    if (SpecWidth >= 0 && SpecHeight >= 0) {
      ObjWidth = SpecWidth;
      ObjHeight = SpecHeight;
    } else if (SpecHeight >= 0) {
      ObjHeight = SpecHeight;
      ObjWidth = Proportional(ObjHeight, InitialWidth, InitialHeight);
    } else if (SpecWidth >= 0) {
      ObjWidth = SpecWidth;
      ObjHeight = Proportional(ObjWidth, InitialHeight, InitialWidth);
    } else {
      ObjWidth = InitialWidth;
      ObjHeight = InitialHeight;
    }
    ImageKnown = true;
  }
  if (ObjWidth > 0 && ObjHeight > 0 && panel_) panel_->resize(ObjWidth, ObjHeight);
}

int TPanelObj::InlineTop(int lineTop, int y, int fontHeight, int descent) const {
  switch (VertAlign) {
    case TVAlign::Top:
      return lineTop + VSpaceT;
    case TVAlign::Middle:
      return y - fontHeight / 2 - (ObjHeight - VSpaceT + VSpaceB) / 2;
    default:
      return y - ObjHeight - descent - VSpaceB;
  }
}

void TPanelObj::Place(int left, int top) {
  ShowIt = true;
  DrawXX = left;
  DrawYY = top;
  if (!panel_) return;
  panel_->move(left, top - (Root ? Root->YOff : 0));
  if (panel_->parentWidget()) panel_->setVisible(panel_->VisibleFlag());
}

void TPanelObj::Print(platform::Canvas& canvas, int left, int top) {
  const int y = top - (Root ? Root->YOff : 0);
  const platform::Rect box{left, y, platform::SaturatedAdd(left, ObjWidth), platform::SaturatedAdd(y, ObjHeight)};
  if (box.IsEmpty()) return;
  // The host paints at the panel's own size; a box of absurd size (the
  // page asked for it) gets the frame rather than a bitmap the size of it.
  TPanelEvents* events = Events();
  if (panel_ && events && events->OnPanelPrint &&
      int64_t(ObjWidth) * ObjHeight <= kMaxPanelPrintPixels) {
    platform::Bitmap picture(ObjWidth, ObjHeight, platform::clWhite);
    events->OnPanelPrint(viewer_.data(), panel_.data(), picture);
    canvas.StretchDraw(box, picture, true);
    return;
  }
  const int level = canvas.Save();
  canvas.IntersectClipRect(box);
  canvas.pen = platform::Pen{platform::clBlack, 1, platform::PenStyle::InsideFrame};
  canvas.brush.style = platform::BrushStyle::Clear;
  canvas.Rectangle(box);
  if (!FAltW.empty()) {
    canvas.font = AltFont(platform::clBlack);
    canvas.bkMode = platform::BkMode::Transparent;
    WrapTextW(canvas, box.Inflate(-kPlaceholderInset, -kPlaceholderInset), FAltW);
  }
  canvas.Restore(level);
}

}  // namespace htmlview
