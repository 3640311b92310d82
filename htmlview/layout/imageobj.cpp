#include "htmlview/layout/imageobj.h"

#include <algorithm>
#include <cstdlib>

#include "htmlview/layout/canvasutils.h"
#include "htmlview/layout/cells.h"
#include "htmlview/images/gdipimage.h"
#include "htmlview/images/imageload.h"
#include "htmlview/images/imagemodule.h"
#include "platform/sysutils.h"

namespace htmlview {

namespace {

// The leading integer of an attribute value ("50%", " 12px"); false when the
// value holds no number. Huge values are clamped rather than overflow.
bool LeadingInt(std::string_view text, int& value) {
  size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long v = 0;
  bool digits = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    digits = true;
    if (v < 100000000) v = v * 10 + (text[i] - '0');
  }
  if (!digits) return false;
  value = static_cast<int>(negative ? -v : v);
  return true;
}

int AttributeInt(const TAttribute& a) {
  int v;
  return LeadingInt(a.Name, v) ? v : a.Value;
}

// WIDTH / HEIGHT: pixels, or with "%" a percentage 0..100. A negative pixel
// size is no size (it would read as "not given" further on anyway).
void ReadSize(const TAttribute& a, int& spec, bool& percent) {
  int v;
  if (!LeadingInt(a.Name, v)) v = a.Value;
  if (a.Name.find('%') != std::string::npos) {
    spec = std::clamp(v, 0, 100);
    percent = true;
  } else if (v >= 0) {
    spec = v;
    percent = false;
  }
}

}  // namespace

platform::Font AltFont(platform::Colour colour) {
  platform::Font f;
  f.name = "Arial";
  f.SetSize(8);
  f.color = colour;
  return f;
}

namespace {

// The extent of a text followed by a line break, as the platform measures
// text for a rectangle: the widest line, one line height per line.
platform::Size MeasureAltText(const std::u16string& text) {
  const platform::Font f = AltFont(platform::clBlack);
  const int lineHeight = platform::GetTextMetrics(f).height;
  int width = 0, lines = 1;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != u'\r' && text[i] != u'\n') continue;
    width = std::max(width, platform::TextExtent(f, std::u16string_view(text).substr(start, i - start)).cx);
    if (i == text.size()) break;
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    ++lines;
    start = i + 1;
  }
  return {width, (lines + 1) * lineHeight};   // the trailing break adds a line
}

}  // namespace

std::string ImageCacheKey(std::string_view url) { return platform::UpperCase(platform::Trim(url)); }

// ----------------------------------------------------------------- TImageObj

TImageObj::TImageObj(TSectionListBase* master, int position, const TAttributeList& attributes)
    : master_(master) {
  Pos = position;
  VertAlign = TVAlign::Bottom;
  ReadAttributes(attributes);
}

TImageObj::TImageObj(TSectionListBase* master, const std::string& url) : master_(master) {
  Source = url;
  VertAlign = TVAlign::Bottom;
  NoBorder = true;
  BorderSize = 0;
}

TImageObj::TImageObj(TSectionListBase* master, const TImageObj& source) : master_(master) {
  Pos = source.Pos;
  ObjHeight = source.ObjHeight;
  ObjWidth = source.ObjWidth;
  VertAlign = source.VertAlign;
  HSpaceL = source.HSpaceL;
  HSpaceR = source.HSpaceR;
  VSpaceT = source.VSpaceT;
  VSpaceB = source.VSpaceB;
  SpecWidth = source.SpecWidth;
  SpecHeight = source.SpecHeight;
  PercentWidth = source.PercentWidth;
  PercentHeight = source.PercentHeight;
  ImageTitle = source.ImageTitle;
  FAlt = source.FAlt;
  FAltW = source.FAltW;
  ImageKnown = source.ImageKnown;
  NoBorder = source.NoBorder;
  BorderSize = source.BorderSize;
  ClientHeight = source.ClientHeight;
  ClientWidth = source.ClientWidth;
  ImageHeight = source.ImageHeight;
  ImageWidth = source.ImageWidth;
  Source = source.Source;
  Transparent = source.Transparent;
  IsMap = source.IsMap;
  UseMap = source.UseMap;
  MapName = source.MapName;
  HoverImage = source.HoverImage;
  Missing = source.Missing;
  // The picture is shared; the copy took no use of the cache entry, so it
  // releases none.
  kind_ = source.kind_;
  cacheImage_ = source.cacheImage_;
  mask_ = source.mask_;
  transparency_ = source.transparency_;
  if (source.ownGif_) ownGif_ = std::make_unique<TGIFImage>(*source.ownGif_);
}

TImageObj::~TImageObj() {
  // Only the cache is told: the document's lists that point here are
  // emptied by the document before it frees its sections.
  if (cache_ && !cacheKey_.empty()) cache_->ReleaseUse(cacheKey_);
}

void TImageObj::ReadAttributes(const TAttributeList& attributes) {
  bool titleGiven = false;
  bool hSpaceGiven = false;
  int hSpace = 0;
  TSectionListObjects* objects = ObjectsOf(master_);
  for (int i = 0; i < attributes.Count(); ++i) {
    const TAttribute& a = attributes[i];
    switch (a.Which) {
      case HtmlSymbol::Src:
        Source = platform::Trim(a.Name);
        break;
      case HtmlSymbol::Alt: {
        std::string alt = a.Name;
        while (!alt.empty() && (alt.back() == '\n' || alt.back() == '\r')) alt.pop_back();
        FAlt = alt;
        FAltW = platform::Utf8ToUtf16(alt);
        if (!titleGiven) ImageTitle = alt;
        break;
      }
      case HtmlSymbol::Title:
        ImageTitle = a.Name;
        titleGiven = true;
        break;
      case HtmlSymbol::Align:
        if (const TVAlign align = VAlignOf(a.Name, TVAlignWords::Object); align != TVAlign::None)
          VertAlign = align;
        break;
      case HtmlSymbol::Width:
        ReadSize(a, SpecWidth, PercentWidth);
        break;
      case HtmlSymbol::Height:
        ReadSize(a, SpecHeight, PercentHeight);
        break;
      case HtmlSymbol::Border: {
        const int v = AttributeInt(a);
        BorderSize = std::clamp(v, 0, kMaxImageBorder);
        NoBorder = BorderSize == 0;
        break;
      }
      case HtmlSymbol::HSpace:
        hSpace = std::min(std::abs(AttributeInt(a)), kMaxObjectSpace);
        hSpaceGiven = true;
        break;
      case HtmlSymbol::VSpace:
        VSpaceT = std::min(std::abs(AttributeInt(a)), kMaxObjectSpace);
        break;
      case HtmlSymbol::Transp:
        Transparent = true;
        break;
      case HtmlSymbol::IsMap:
        IsMap = true;
        break;
      case HtmlSymbol::UseMap: {
        UseMap = true;
        std::string s = platform::UpperCase(platform::Trim(a.Name));
        if (s.size() > 1 && s[0] == '#') s.erase(0, 1);
        MapName = s;
        break;
      }
      case HtmlSymbol::Active:
        HoverImage = true;
        break;
      case HtmlSymbol::Name:
      case HtmlSymbol::Id:
        if (objects && !a.Name.empty()) objects->AddIDObject(a.Name, this);
        break;
      default:
        break;
    }
  }
  if (hSpaceGiven) HSpaceL = HSpaceR = hSpace;
  else HSpaceL = HSpaceR = Floating() ? 3 : 0;
  VSpaceB = VSpaceT;
}

void TImageObj::ProcessProperties(TProperties& prop) {
  TVAlign align = TVAlign::None;
  if (prop.GetVertAlign(align)) VertAlign = align;
  if (TFloatSide side; prop.GetFloat(side)) {
    VertAlign = side == TFloatSide::Left    ? TVAlign::Left
                : side == TFloatSide::Right ? TVAlign::Right
                                            : TVAlign::None;
    if (Floating() && HSpaceL == 0 && HSpaceR == 0) HSpaceL = HSpaceR = 3;
  }
  if (ImageTitle.empty()) ImageTitle = prop.PropTitle;

  const TVMarginArray vm = prop.GetVMarginArray();
  TMarginArray m;
  ConvInlineMargArray(vm, 200, 200, prop.EmSize, prop.ExSize, m);
  auto isSet = [](int v) { return v != UnsetLength && v != LengthAuto; };
  if (isSet(m[PropMarginLeft])) HSpaceL = m[PropMarginLeft];
  if (isSet(m[PropMarginRight])) HSpaceR = m[PropMarginRight];
  if (isSet(m[PropMarginTop])) VSpaceT = m[PropMarginTop];
  if (isSet(m[PropMarginBottom])) VSpaceB = m[PropMarginBottom];
  if (prop.GetBorderStyle() != static_cast<int>(BorderStyle::None)) {
    // The inline border mechanism draws a style border; here it only takes
    // its room.
    HSpaceL += std::max(0, m[PropBorderLeftWidth]);
    HSpaceR += std::max(0, m[PropBorderRightWidth]);
    VSpaceT += std::max(0, m[PropBorderTopWidth]);
    VSpaceB += std::max(0, m[PropBorderBottomWidth]);
    NoBorder = true;
    BorderSize = 0;
  }

  auto applySize = [&](const PropValue& v, int& spec, bool& percent) {
    if (v.IsEmptyOrNull()) return;
    if (v.IsInt()) {
      if (v.Int() == LengthAuto) {
        spec = -1;
        percent = false;
      } else if (v.Int() >= 0) {
        spec = v.Int();
        percent = false;
      }
      return;
    }
    const std::string s = platform::Trim(v.Text());
    if (s == "auto") {
      spec = -1;
      percent = false;
    } else if (!s.empty() && s.back() == '%') {
      int p;
      if (LeadingInt(s, p)) {
        spec = std::clamp(p, 0, 100);
        percent = true;
      }
    } else {
      const int px = LengthConv(s, false, 200, prop.EmSize, prop.ExSize, -1);
      if (px >= 0) {
        spec = px;
        percent = false;
      }
    }
  };
  applySize(prop.Props[PropWidth], SpecWidth, PercentWidth);
  applySize(prop.Props[PropHeight], SpecHeight, PercentHeight);
}

// --- the picture

TGIFImage* TImageObj::Gif() const {
  if (kind_ != PictureKind::Picture) return nullptr;
  if (ownGif_) return ownGif_.get();
  return cacheImage_ ? cacheImage_->Gif() : nullptr;
}

TGpImage* TImageObj::GpImage() const {
  return kind_ == PictureKind::Picture && cacheImage_ ? cacheImage_->GpImage() : nullptr;
}

const platform::Bitmap* TImageObj::PictureBitmap() const {
  return kind_ == PictureKind::Picture && cacheImage_ ? cacheImage_->Bitmap() : nullptr;
}

bool TImageObj::ShowsPicture() const {
  return kind_ == PictureKind::Picture && master_ && master_->ShowImages;
}

platform::Size TImageObj::PictureSize() const {
  if (ShowsPicture()) {
    if (const TGIFImage* g = Gif()) return {g->Width(), g->Height()};
    if (const TGpImage* gp = GpImage()) return {gp->Width(), gp->Height()};
    if (const platform::Bitmap* b = PictureBitmap()) return {b->Width(), b->Height()};
  }
  const platform::Bitmap& placeholder = kind_ == PictureKind::Error ? ErrorImage() : DelayedImage();
  return {placeholder.Width(), placeholder.Height()};
}

void TImageObj::Fetch(TSectionListBase* master) {
  TSectionListObjects* objects = ObjectsOf(master);
  bool delayed = false, fromCache = false;
  const platform::Bitmap* mask = nullptr;
  TImageTransparency transparency = Transparent ? ttLowerLeft : ttNone;
  TViewImage* image = nullptr;
  std::string name = Source;
  if (objects) {
    if (!objects->ImageRequestsAssigned()) name = objects->ExpandDocFileName(Source);
    else objects->ExpandName(name);
    if (objects->IsMissingImage(name)) {
      delayed = true;
    } else {
      try {
        image = objects->FetchImage(name, transparency, delayed, fromCache, mask);
      } catch (const platform::Exception&) {
        // A picture the engine cannot make is a failed fetch.
        image = nullptr;
        delayed = false;
      }
    }
  }
  // An entry without a drawable picture is treated as missing; its use is
  // still released when the object goes.
  if (image && objects) {
    cache_ = objects->BitmapList();
    cacheKey_ = ImageCacheKey(name);
  }
  const bool drawable = image && (image->Gif() || image->GpImage() ||
                                  (image->Bitmap() && !image->Bitmap()->IsNull()));
  if (drawable) {
    transparency_ = transparency;
    mask_ = mask;
    TakePicture(image, fromCache);
  } else if (delayed) {
    kind_ = PictureKind::Waiting;
    Missing = true;
    if (objects) objects->AddMissingImage(Source, this);
  } else {
    kind_ = PictureKind::Error;
    mask_ = &ErrorImageMask();
    transparency_ = ttGifMask;
    Transparent = true;
  }
}

void TImageObj::TakePicture(TViewImage* image, bool fromCache) {
  cacheImage_ = image;
  kind_ = PictureKind::Picture;
  Missing = false;
  TGIFImage* gif = image->Gif();
  if (!gif || !gif->IsAnimated()) return;
  // Frames advance per object: a picture other objects may hold (one that
  // came from the cache) is copied; the copy shares the decoded frames.
  if (fromCache) {
    ownGif_ = std::make_unique<TGIFImage>(*gif);
    gif = ownGif_.get();
  }
  if (HoverImage) {
    gif->SetAnimate(false);   // its frames show the hover states
  } else if (TSectionListObjects* objects = ObjectsOf(master_)) {
    objects->AddAnimated(gif);
    animated_ = true;
  }
}

// --- layout

void TImageObj::Layout(TSectionListBase* master, platform::Canvas&, TFontObj* fontRun,
                       int availableWidth, int availableHeight) {
  if (master) master_ = master;
  const bool show = master_ && master_->ShowImages;
  if (show && kind_ == PictureKind::None) {
    if (!Source.empty()) Fetch(master_);
    if (kind_ == PictureKind::None) {   // nothing to fetch
      kind_ = PictureKind::Error;
      mask_ = &ErrorImageMask();
      transparency_ = ttGifMask;
    }
  }
  if (!ImageKnown || PercentWidth || PercentHeight) SizeFromPicture(availableWidth, availableHeight);
  if (ShowsPicture()) {
    ObjWidth = ImageWidth;
    ObjHeight = ImageHeight;
  } else {
    ReserveBox();
  }
  if (fontRun && fontRun->IsLink() && !NoBorder) BorderSize = std::max(BorderSize, 1);
  ObjWidth += 2 * BorderSize;
  ObjHeight += 2 * BorderSize;
}

void TImageObj::SizeFromPicture(int availableWidth, int availableHeight) {
  const platform::Size picture = PictureSize();
  const int iw = picture.cx, ih = picture.cy;
  // Proportions of a picture without one of its sides give 0, never a
  // division by zero.
  // Sizes stay within the layout extent, so that borders and spaces still
  // add to them.
  auto scale = [](int v, int num, int den) {
    return den > 0 ? std::max(0, LayoutSum(platform::MulDiv(v, num, den))) : 0;
  };
  const int border2 = 2 * BorderSize;
  auto percentOf = [&](int available, int percent) {
    return std::max(0, LayoutSum(platform::MulDiv(available - border2, percent, 100)));
  };
  if (PercentWidth) {
    ImageWidth = percentOf(availableWidth, SpecWidth);
    if (SpecHeight >= 0)
      ImageHeight = PercentHeight ? percentOf(availableHeight, SpecHeight) : SpecHeight;
    else
      ImageHeight = scale(ImageWidth, ih, iw);
  } else if (PercentHeight) {
    ImageHeight = percentOf(availableHeight, SpecHeight);
    ImageWidth = SpecWidth >= 0 ? SpecWidth : scale(ImageHeight, iw, ih);
  } else if (SpecWidth >= 0 && SpecHeight >= 0) {
    ImageWidth = SpecWidth;
    ImageHeight = SpecHeight;
    ImageKnown = true;
  } else {
    if (SpecHeight >= 0) {
      ImageHeight = SpecHeight;
      ImageWidth = scale(SpecHeight, iw, ih);
    } else if (SpecWidth >= 0) {
      ImageWidth = SpecWidth;
      ImageHeight = scale(SpecWidth, ih, iw);
    } else {
      ImageWidth = iw;
      ImageHeight = ih;
    }
    ImageKnown = ShowsPicture();
  }
}

void TImageObj::ReserveBox() {
  if (SpecWidth >= 0 || SpecHeight >= 0) {
    ClientWidth = ImageWidth;
    ClientHeight = ImageHeight;
  } else if (!FAltW.empty()) {
    const platform::Size s = MeasureAltText(FAltW);
    ClientWidth = s.cx + kAltTextExtraWidth;
    ClientHeight = std::max(s.cy, kPlaceholderMinBox);
  } else {
    ClientWidth = std::max(ImageWidth, kPlaceholderMinBox);
    ClientHeight = std::max(ImageHeight, kPlaceholderMinBox);
  }
  ObjWidth = ClientWidth;
  ObjHeight = ClientHeight;
}

// --- drawing

void TImageObj::DrawPicture(platform::Canvas& canvas, int x, int y, int w, int h) {
  if (w <= 0 || h <= 0) return;
  if (TGpImage* gp = GpImage()) {
    StretchDrawGpImage(canvas, *gp, x, y, w, h);
  } else if (TGIFImage* gif = Gif()) {
    gif->SetVisible(true);
    gif->Draw(canvas, x, y, w, h);
  } else if (const platform::Bitmap* b = PictureBitmap()) {
    const bool masked = transparency_ != ttNone && mask_ && !mask_->IsNull();
    if (masked) DrawMaskedStretched(canvas, *b, mask_, x, y, w, h);
    else canvas.StretchDraw(platform::RectOfSize(x, y, w, h), *b, false);
  }
}

void TImageObj::DrawAltText(platform::Canvas& canvas, const platform::Rect& box, TFontObj* fontRun) {
  if (FAltW.empty()) return;
  const platform::Rect r{box.left + kAltTextIndent, box.top + kPlaceholderInset, box.right, box.bottom};
  if (r.IsEmpty()) return;
  const int level = canvas.Save();
  canvas.IntersectClipRect(box);
  canvas.font = AltFont(fontRun ? fontRun->TheFont->color : platform::clBlack);
  canvas.bkMode = platform::BkMode::Transparent;
  canvas.brush.style = platform::BrushStyle::Clear;
  WrapTextW(canvas, r, FAltW);
  canvas.Restore(level);
}

void TImageObj::Draw(platform::Canvas& canvas, int x, int topY, int yBaseline, TFontObj* fontRun) {
  const int yOff = master_ ? master_->YOff : 0;
  int y;
  switch (VertAlign) {
    case TVAlign::Top:
    case TVAlign::Left:
    case TVAlign::Right:
      y = topY + VSpaceT;
      break;
    case TVAlign::Middle: {
      const int descent = fontRun ? fontRun->Descent() : 0;
      const int fontHeight = fontRun ? fontRun->tmHeight() : 0;
      y = yBaseline + descent - fontHeight / 2 - (ObjHeight - VSpaceT + VSpaceB) / 2;
      break;
    }
    default:   // baseline, bottom and the codes an image does not place by
      y = yBaseline - ObjHeight - VSpaceB;
      break;
  }
  const int b = BorderSize;
  DrawXX = x + b;
  DrawYY = y + b;
  drawn_ = true;
  const int w = ObjWidth - 2 * b, h = ObjHeight - 2 * b;
  const platform::Rect box = platform::RectOfSize(x + b, y + b - yOff, w, h);
  const platform::Colour fontColour = fontRun ? fontRun->TheFont->color : platform::clBlack;

  const int level = canvas.Save();
  const bool placeholder = !ShowsPicture();
  if (!placeholder) {
    DrawPicture(canvas, box.left, box.top, w, h);
  } else if (w >= kPlaceholderMinBox && h >= kPlaceholderMinBox) {
    const int px = box.left + kPlaceholderInset, py = box.top + kPlaceholderInset;
    if (kind_ == PictureKind::Error)
      DrawMaskedStretched(canvas, ErrorImage(), &ErrorImageMask(), px, py, ErrorImage().Width(),
                          ErrorImage().Height());
    else
      canvas.Draw(px, py, DelayedImage());
  }

  if (b == 0) {
    if (placeholder) {
      DrawAltText(canvas, box, fontRun);
      platform::Rect frame = box;
      canvas.Frame3D(frame, platform::clBtnShadow, platform::clBtnHighlight, 1);
    }
  } else {
    canvas.pen = platform::Pen{fontColour, b, platform::PenStyle::InsideFrame};
    canvas.brush.style = platform::BrushStyle::Clear;
    canvas.Rectangle(box.Inflate(b, b));
    if (placeholder) DrawAltText(canvas, box, fontRun);
  }

  TSectionListObjects* objects = ObjectsOf(master_);
  const bool controlActive = MyFormControl && objects && objects->FormControlActive(MyFormControl);
  if (controlActive || (fontRun && fontRun->Active)) {
    canvas.SetTextColor(platform::clBlack);
    canvas.brush = platform::Brush{platform::clWhite, platform::BrushStyle::Solid};
    canvas.DrawFocusRect(box.Inflate(b, b));
  }
  canvas.Restore(level);
}

const platform::Bitmap* TImageObj::Bitmap() {
  switch (kind_) {
    case PictureKind::None:
    case PictureKind::Error:
      return nullptr;
    case PictureKind::Waiting:
      return &DelayedImage();
    case PictureKind::Picture:
      break;
  }
  if (TGIFImage* gif = Gif()) {
    // The current frame: its cell of the strip.
    const ThtBitmap* strip = gif->Strip();
    if (!strip || gif->NumFrames() < 1) return nullptr;
    const QImage cell = strip->bitmap.Image().copy((gif->CurrentFrame() - 1) * gif->Width(), 0,
                                                   gif->Width(), gif->Height());
    plainCopy_ = std::make_unique<platform::Bitmap>(cell);
    return plainCopy_.get();
  }
  if (!plainCopy_) {
    if (const TGpImage* gp = GpImage()) plainCopy_ = std::make_unique<platform::Bitmap>(gp->GetTBitmap());
    else if (const platform::Bitmap* b = PictureBitmap()) plainCopy_ = std::make_unique<platform::Bitmap>(*b);
  }
  return plainCopy_.get();
}

void TImageObj::SetHover(int state) {
  if (state == Hover) return;
  Hover = state;
  TGIFImage* gif = HoverImage ? Gif() : nullptr;
  if (!gif) return;
  TSectionListObjects* objects = ObjectsOf(master_);
  const int frames = gif->NumFrames();
  if (state != 0) {
    if (frames == 2) {
      gif->SetCurrentFrame(2);
    } else if (frames == 3) {
      gif->SetCurrentFrame(state == 2 ? 3 : 2);
    } else {
      gif->SetAnimate(true);
      if (objects && !animated_) {
        objects->AddAnimated(gif);
        animated_ = true;
      }
    }
  } else {
    gif->SetAnimate(false);
    if (frames < 4) gif->SetCurrentFrame(1);
    if (objects && animated_) objects->RemoveAnimated(gif);
    animated_ = false;
  }
  if (objects) objects->InvalidatePaintPanel();
}

// ------------------------------------------------------------ TImageObjList

void TImageObjList::CopyFrom(TSectionListBase* master, const TImageObjList& other) {
  Clear();
  for (const auto& obj : other)
    if (const auto* image = dynamic_cast<const TImageObj*>(obj.get()))
      Add(std::make_unique<TImageObj>(master, *image));
}

// Objects stand in text order (each is added at the end of its section's
// text), so positions are found by binary search.
int TImageObjList::FirstAtOrAfter(int pos) const {
  const auto it = std::partition_point(begin(), end(),
                                       [pos](const std::unique_ptr<TFloatingObj>& o) { return o->Pos < pos; });
  return static_cast<int>(it - begin());
}

TFloatingObj* TImageObjList::FindImage(int pos) const {
  const int i = FirstAtOrAfter(pos);
  return i < Count() && (*this)[i]->Pos == pos ? (*this)[i] : nullptr;
}

int TImageObjList::GetHeightAt(int pos, TVAlign& align, TFloatingObj*& obj) const {
  obj = FindImage(pos);
  if (!obj) return -1;
  align = obj->VertAlign;
  return obj->ObjHeight + obj->VSpaceT + obj->VSpaceB;
}

int TImageObjList::GetWidthAt(int pos, TVAlign& align, int& hSpaceL, int& hSpaceR,
                              TFloatingObj*& obj) const {
  obj = FindImage(pos);
  if (!obj) return -1;
  align = obj->VertAlign;
  hSpaceL = obj->HSpaceL;
  hSpaceR = obj->HSpaceR;
  return obj->ObjWidth;
}

int TImageObjList::GetImageCountAt(int pos) const {
  const int i = FirstAtOrAfter(pos);
  return i < Count() ? std::min(kNoObjectCount, (*this)[i]->Pos - pos) : kNoObjectCount;
}

void TImageObjList::Decrement(int n) {
  for (const auto& obj : *this)
    if (obj->Pos > n) --obj->Pos;
}

TImageObj* TImageObjList::DrawnImageAt(int x, int y, int& ix, int& iy) const {
  for (const auto& obj : *this) {
    auto* img = dynamic_cast<TImageObj*>(obj.get());
    if (!img || !img->Drawn()) continue;
    const int w = img->ObjWidth - 2 * img->BorderSize, h = img->ObjHeight - 2 * img->BorderSize;
    if (!platform::RectOfSize(img->DrawXX, img->DrawYY, w, h).Contains(x, y)) continue;
    ix = x - img->DrawXX;
    iy = y - img->DrawYY;
    return img;
  }
  return nullptr;
}

bool TImageObjList::PtInImage(int x, int y, int& ix, int& iy, int& posn, bool& isMap,
                              const TMapItem*& map, TImageObj*& image) const {
  map = nullptr;
  image = DrawnImageAt(x, y, ix, iy);
  if (!image) return false;
  posn = image->Pos;
  isMap = image->IsMap;
  if (image->UseMap)
    if (TSectionListObjects* objects = ObjectsOf(image->Master())) map = objects->FindMap(image->MapName);
  return true;
}

bool TImageObjList::PtInObject(int x, int y, TFloatingObj*& obj, int& ix, int& iy) const {
  obj = DrawnImageAt(x, y, ix, iy);
  return obj != nullptr;
}

}  // namespace htmlview
