#include "htmlview/layout/docroot.h"

#include <algorithm>
#include <cctype>

#include <QGuiApplication>

#include "htmlview/images/imageload.h"
#include "htmlview/images/imagemodule.h"
#include "htmlview/layout/imageobj.h"
#include "htmlview/parse/vocabulary.h"
#include "platform/sysutils.h"

namespace htmlview {

namespace {

constexpr int kAnimationTimerId = 1;
constexpr int kFirstTickInterval = 50;
constexpr int kTickInterval = 40;
constexpr int kPreFontNameMax = 32;
// Base of the inline border conversion (percentages of nothing in particular).
constexpr int kInlineBase = 200;

// A name of the ID list that leads to an object the list does not own (a
// section, an image, a control): the owner tells the root before it goes.
class TIDRef : public TIDObject {
 public:
  explicit TIDRef(TIDObject* target) : Target(target) {}
  int YPosition() const override { return Target ? Target->YPosition() : 0; }
  TIDObject* Target;
};

bool IsGifKind(TImageKind kind) { return kind == ikGif87 || kind == ikGif89; }

// A GIF of one frame is kept as a plain bitmap of that frame, with a copy of
// the decoder's mask when it is transparent (else a lower-left mask when
// that is asked for).
std::unique_ptr<TViewImage> StillFromGif(TGIFImage& gif, TImageTransparency& transparency,
                                         std::unique_ptr<platform::Bitmap>& mask) {
  platform::Bitmap still(gif.GetBitmap());
  if (still.IsNull()) return nullptr;
  mask.reset();
  if (gif.IsTransparent()) {
    if (const platform::Bitmap* m = gif.GetMaskImage()) {
      mask = std::make_unique<platform::Bitmap>(*m);
      transparency = ttGifMask;
    }
  } else if (transparency == ttLowerLeft) {
    mask = MakeImageMask(still, false, 0);
  }
  return std::make_unique<TViewImage>(std::move(still));
}

std::unique_ptr<TViewImage> FromGif(std::unique_ptr<TGIFImage> gif, bool notAnimated,
                                    TImageTransparency& transparency,
                                    std::unique_ptr<platform::Bitmap>& mask) {
  if (!gif) return nullptr;
  if (notAnimated) return StillFromGif(*gif, transparency, mask);
  return std::make_unique<TViewImage>(std::move(gif));
}

}  // namespace

// ------------------------------------------------------------ TAnimationTimer

TAnimationTimer::TAnimationTimer(QWidget* owner) : platform::Control(owner) {
  // Only a holder of the timer: never seen, never focused.
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_DontShowOnScreen);
  hide();
  SetTimer(kAnimationTimerId, interval_);
}

void TAnimationTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled_)
    SetTimer(kAnimationTimerId, interval_);
  else
    KillTimer(kAnimationTimerId);
}

void TAnimationTimer::SetInterval(int milliseconds) {
  if (milliseconds == interval_) return;
  interval_ = milliseconds;
  if (enabled_) SetTimer(kAnimationTimerId, interval_);
}

bool TAnimationTimer::Fire() { return FireTimer(kAnimationTimerId); }

void TAnimationTimer::Timer(int id) {
  if (id == kAnimationTimerId && enabled_ && OnTimer) OnTimer();
}

// --------------------------------------------------------------- TSectionList

TSectionList::TSectionList(QWidget* owner, platform::Control* paintPanel)
    : Viewer(owner), PaintPanelControl(paintPanel), Styles(&LinksActive), IDNameList(this) {
  TSectionListForms::Owner = owner;
}

TSectionList::~TSectionList() {
  Clear();
  // A link run freed with a section may still ask for the link list; the
  // sections are gone now, so nothing else refers to the root.
}

void TSectionList::SetDefaults(const std::string& fontName, const std::string& preFontName,
                               double defFontSize, platform::Colour defFontColor,
                               platform::Colour hotSpotColor, platform::Colour visitedColor,
                               platform::Colour overColor, platform::Colour background,
                               bool linksActive, bool underlineLinks, int charSet, int marginHeight,
                               int marginWidth) {
  Styles.InitDefaultStyles(fontName, preFontName, defFontSize, defFontColor, hotSpotColor,
                           visitedColor, overColor, underlineLinks, charSet, marginHeight,
                           marginWidth);
  RecomputeFontSizes(defFontSize);
  PreFontName = preFontName.substr(0, kPreFontNameMax);
  LinksActive = linksActive;
  SetBackground(background);
}

void TSectionList::SetBackground(platform::Colour colour) {
  Background = colour;
  if (OnBackgroundChange) OnBackgroundChange(*this);
}

void TSectionList::SetBackgroundImage(const std::string& name, const PositionRecArray& pos) {
  // A background fetched before holds a use of its cache entry.
  if (backgroundUse_) BitmapList()->ReleaseUse(backgroundKey_);
  backgroundUse_ = false;
  BackgroundName = name;
  BackgroundPos = pos;
  BackgroundImage = nullptr;
  BackgroundBitmap = nullptr;
  BackgroundMasked = {};
  if (BackgroundGif) RemoveAnimated(BackgroundGif);
  BackgroundGif = nullptr;
  BackgroundLoaded = false;
}

void TSectionList::ClearBackground() {
  BackgroundImage = nullptr;
  BackgroundBitmap = nullptr;
  BackgroundMasked = {};
  BackgroundGif = nullptr;
  // Only a fetch that took a use gives one back; releasing under the cache
  // key (the name as written would miss an entry filed in upper case).
  if (backgroundUse_) BitmapList()->ReleaseUse(backgroundKey_);
  backgroundUse_ = false;
  backgroundKey_.clear();
  BackgroundName.clear();
  BackgroundLoaded = false;
}

void TSectionList::Clear() {
  if (!IsCopy) {
    IDNameList.Clear();
    PositionList.clear();
  }
  InlineList.Clear();
  ClearBackground();
  AnimatedList.clear();
  FreeTimer();
  SelB = SelE = 0;
  MapList.Clear();
  MissingImages.clear();
  Links.clear();
  NoLinkTabStops = false;
  LinkHover = nullptr;
  ActiveImage = nullptr;
  PanelList.clear();
  if (!IsCopy) Styles.Clear();
  tabOrder_.clear();
  // Sections last: their runs and images report to the lists above as
  // they go, and those lists are empty by now. Then the forms with their
  // controls.
  TFreeList<TSectionBase>::Clear();
  Memory().BoxValues.Clear();   // nothing holds them now; the tag names stay
  ClearForms();
  SectionCount = 0;
  StartCurs = Len = 0;
  TableGridPositions = 0;
}

void TSectionList::FreeTimer() {
  delete timer_.data();
  timer_.clear();
}

TStringBitmapList* TSectionList::BitmapList() {
  if (Cache) return Cache;
  if (!ownCache_) ownCache_ = std::make_unique<TStringBitmapList>();
  return ownCache_.get();
}

// ------------------------------------------------------------------ layout

void TSectionList::InsertTabOrder(TabOrderEntry entry) {
  auto it = std::upper_bound(tabOrder_.begin(), tabOrder_.end(), entry.Key,
                             [](const std::string& key, const TabOrderEntry& e) { return key < e.Key; });
  tabOrder_.insert(it, std::move(entry));
}

void TSectionList::AddTabOrder(const std::string& key, ThtTabcontrol* control) {
  if (control) InsertTabOrder({key, control, nullptr});
}

void TSectionList::AddControlTabOrder(const std::string& key, TFormControlObj* control) {
  if (control) InsertTabOrder({key, nullptr, control});
}

void TSectionList::RemoveTabOrder(ThtTabcontrol* control) {
  std::erase_if(tabOrder_, [&](const TabOrderEntry& e) { return e.Link == control; });
}

void TSectionList::AssignTabOrders() {
  // Tab order is a chain on this platform: each window follows the one put
  // before it. The explicit tab indexes come first, in their sorted order;
  // behind them every other focusable window of the page, in document
  // order (the order the parser created them on the paint panel).
  std::vector<QWidget*> chain;
  for (const TabOrderEntry& e : tabOrder_) {
    QWidget* w = e.Link.data();
    // A control freed while waiting has left the control list.
    if (!w && e.Control && std::find(FormControlList.begin(), FormControlList.end(), e.Control) !=
                               FormControlList.end())
      w = e.Control->TheControl();
    if (w && std::find(chain.begin(), chain.end(), w) == chain.end()) chain.push_back(w);
  }
  tabOrder_.clear();
  if (chain.empty()) return;
  if (QWidget* panel = PaintPanelControl.data()) {
    std::vector<QWidget*> sorted(chain.begin(), chain.end());
    std::sort(sorted.begin(), sorted.end());
    for (QObject* child : panel->children()) {
      auto* w = qobject_cast<QWidget*>(child);
      if (!w || w->focusPolicy() == Qt::NoFocus) continue;
      if (std::binary_search(sorted.begin(), sorted.end(), w)) continue;
      chain.push_back(w);
    }
  }
  QWidget* previous = nullptr;
  for (QWidget* w : chain) {
    if (previous && previous->window() == w->window()) QWidget::setTabOrder(previous, w);
    previous = w;
  }
}

void TSectionList::ShowHiddenControlsOffscreen() {
  if (IsCopy || !ViewerVisible()) return;
  ShowFormControlsOffScreen();
}

bool TSectionList::ViewerVisible() const { return Viewer && Viewer->isVisible(); }

void TSectionList::ControlEntered(TFormControlObj& control) {
  if (OnControlEntered) OnControlEntered(control);
}

void TSectionList::ControlKeyDown(TFormControlObj& control, int& key, platform::ShiftState shift) {
  if (OnControlKeyDown) OnControlKeyDown(control, key, shift);
}

void TSectionList::ControlMouseMove(TFormControlObj& control, platform::ShiftState shift, int x,
                                    int y) {
  if (OnControlMouseMove) OnControlMouseMove(control, shift, x, y);
}

int TSectionList::Layout(platform::Canvas& canvas, int y, int width, int aHeight, int blHt,
                         int& maxWidth, int& curs) {
  ++CycleNumber;
  LayoutContext().Start();
  if (timer_) timer_->SetEnabled(false);
  SetFormControlSizes(canvas);
  canvas.SetTextJustification(0, 0);
  InlineList.NeedsConverting = true;
  if (!tabOrder_.empty()) AssignTabOrders();

  const int height = TCell::Layout(canvas, y, width, aHeight, blHt, maxWidth, curs);

  // Switching off and on restarts the current frame's delay.
  for (TGIFImage* gif : AnimatedList) {
    gif->SetAnimate(false);
    if (!IsCopy) gif->SetAnimate(true);
  }
  if (!IsCopy && !timer_) {
    timer_ = new TAnimationTimer(Viewer.data());
    timer_->SetEnabled(false);
    timer_->SetInterval(kFirstTickInterval);
    timer_->OnTimer = [this] { AnimationTick(); };
  }
  if (timer_) timer_->SetEnabled(!AnimatedList.empty());
  ShowHiddenControlsOffscreen();
  if (!IsCopy && PositionList.empty()) AddSectionsToList();
  return height;
}

// ----------------------------------------------------------------- drawing

int TSectionList::Draw(platform::Canvas& canvas, TDrawContext& context,
                       const platform::Rect& aRect, int clipWidth, int x, int y, int xRef,
                       int yRef) {
  const platform::Rect rect = aRect;
  context.DrawOrigin = canvas.WindowOrg();
  XOff = x;
  context.PageBottom = YOff + rect.bottom;
  context.FirstLineDrawn = true;
  context.DrawnTableDepth = 0;
  if (timer_) timer_->SetEnabled(false);
  // Image objects mark their animation visible when they draw it, so after
  // the draw only the pictures on the page are visible to the timer.
  for (TGIFImage* gif : AnimatedList) gif->SetVisible(false);
  if (BackgroundGif && !IsCopy) BackgroundGif->SetVisible(true);

  const platform::Palette* oldPalette = nullptr;
  const bool palette = ScreenColorBits() <= 8 && ScreenPalette();
  if (palette) {
    oldPalette = canvas.SelectPalette(ScreenPalette());
    canvas.RealizePalette();
  }

  context.DrawList.Clear();
  int bottom = y;
  try {
    bottom = TCell::Draw(canvas, context, rect, clipWidth, x, y, xRef, yRef);
    context.DrawList.DrawImages([](const TImageRec& r) {
      if (r.Image && r.Canvas) r.Image->Draw(*r.Canvas, r.X, r.TopY, r.Baseline, r.FontRun);
    });
  } catch (...) {
    if (palette) canvas.SelectPalette(oldPalette);
    if (timer_) timer_->SetEnabled(!AnimatedList.empty());
    throw;
  }
  if (palette) canvas.SelectPalette(oldPalette);

  // Parking the controls and hiding the panels no section placed is the
  // screen's business: a printed page, and the run that only finds where
  // one ends, leave the windows as the screen has them, and the screen's
  // next draw still does it.
  if (YOffChange && !context.Printing) {
    ShowHiddenControlsOffscreen();
    for (TDocPanel* p : PanelList) {
      if (!p || p->ShowIt) continue;
      if (QWidget* w = p->WindowedControl()) w->hide();
    }
    YOffChange = false;
  }
  if (timer_) timer_->SetEnabled(!AnimatedList.empty());
  return bottom;
}

void TSectionList::AnimationTick() {
  if (IsCopy) return;
  const int backgroundFrame = BackgroundGif ? BackgroundGif->CurrentFrame() : 0;
  // A copy of the list: an advancing picture may not change it, but a
  // handler of the invalidation might.
  const std::vector<TGIFImage*> animated = AnimatedList;
  for (TGIFImage* gif : animated)
    if (gif->Visible()) gif->CheckTime(PaintPanelControl.data());
  if (BackgroundGif && BackgroundGif->CurrentFrame() != backgroundFrame) InvalidatePaintPanel();
  if (timer_) timer_->SetInterval(kTickInterval);
}

void TSectionList::LoadBackground() {
  if (!ShowImages || BackgroundName.empty() || BackgroundLoaded || BackgroundBitmap ||
      BackgroundImage)
    return;
  std::string name = BackgroundName;
  if (!ImageRequestsAssigned())
    name = ExpandDocFileName(name);
  else
    ExpandName(name);
  TImageTransparency transparency = ttNone;
  bool delayed = false, fromCache = false;
  const platform::Bitmap* mask = nullptr;
  TViewImage* image = FetchImage(name, transparency, delayed, fromCache, mask);
  if (image) {
    backgroundUse_ = true;
    backgroundKey_ = ImageCacheKey(name);
    if (TGIFImage* gif = image->Gif()) {
      BackgroundBitmap = &gif->GetBitmap();
      mask = gif->GetMaskImage();
      if (gif->IsAnimated() && !IsCopy) {
        BackgroundGif = gif;
        AddAnimated(gif);
        gif->SetAnimate(true);
      }
    } else {
      BackgroundImage = image;
      BackgroundBitmap = image->Bitmap();
    }
    if (BackgroundBitmap && mask && !BackgroundGif) {
      BackgroundMasked = MaskedAsAlpha(*BackgroundBitmap, mask);
      BackgroundBitmap = &BackgroundMasked;
    }
  } else if (delayed) {
    AddMissingImage(BackgroundName, nullptr);
  }
  BackgroundLoaded = true;
}

// -------------------------------------------------------------- hit tests

void TSectionList::InvalidatePaintPanel() {
  if (PaintPanelControl) PaintPanelControl->Invalidate();
}

void TSectionList::SetLinkHover(TFontObj* run, bool hover) {
  if (!run) return;
  const int id = run->LinkID();
  for (TFontObj* r : Links)
    if (r == run || (r->UrlTarget && r->LinkID() == id)) r->SetHover(hover);
}

unsigned TSectionList::GetURL(platform::Canvas& canvas, int x, int y,
                              std::unique_ptr<TUrlTarget>& urlTarget, TFormControlObj*& formControl,
                              std::string& title) {
  TFontObj* oldLink = LinkHover;
  TImageObj* oldImage = ActiveImage;
  LinkHover = nullptr;
  ActiveImage = nullptr;
  const unsigned flags = TCell::GetURL(canvas, x, y, urlTarget, formControl, title);
  if (LinksActive && LinkHover != oldLink) {
    SetLinkHover(oldLink, false);
    SetLinkHover(LinkHover, true);
    InvalidatePaintPanel();
  }
  if (ActiveImage != oldImage) {
    if (oldImage) oldImage->SetHover(0);
    if (ActiveImage)
      ActiveImage->SetHover((QGuiApplication::mouseButtons() & Qt::LeftButton) ? 2 : 1);
  }
  return flags;
}

void TSectionList::SetImagePressed(bool down) {
  if (!ActiveImage) return;
  ActiveImage->SetHover(down ? 2 : 1);
  InvalidatePaintPanel();
}

void TSectionList::CancelHovers() {
  if (LinkHover || ActiveImage) InvalidatePaintPanel();
  SetLinkHover(LinkHover, false);
  LinkHover = nullptr;
  if (ActiveImage) ActiveImage->SetHover(0);
  ActiveImage = nullptr;
}

void TSectionList::SetYOffset(int y) {
  YOff = y;
  YOffChange = true;
  HideControls();
}

void TSectionList::HideControls() {
  HideFormControls();
  for (TDocPanel* p : PanelList)
    if (p) p->ShowIt = false;
}

void TSectionList::LinkEntered(TFontObj& run) {
  if (OnLinkEntered) OnLinkEntered(run);
}

void TSectionList::LinkKeyDown(TFontObj& run, int& key, platform::ShiftState shift) {
  if (OnLinkKeyDown) OnLinkKeyDown(run, key, shift);
}

// --------------------------------------------------------------- selection

int TSectionList::SelectionLength() {
  if (SelE <= SelB) return 0;
  SelTextCount counter;
  CopyToClipboard(counter);
  return counter.Count();
}

int TSectionList::SelectionText(char16_t* buffer, int bufSize) {
  if (!buffer) bufSize = 0;
  SelTextBuf holder(buffer, bufSize);   // starts the buffer empty
  if (SelE <= SelB) return bufSize >= 1 ? 1 : 0;
  CopyToClipboard(holder);
  return holder.Terminate();
}

std::u16string TSectionList::SelectedText() {
  const int length = SelectionLength();
  if (length <= 0) return {};
  std::u16string text(static_cast<size_t>(length) + 1, u'\0');
  SelectionText(text.data(), length + 1);
  text.resize(std::char_traits<char16_t>::length(text.c_str()));
  return text;
}

// --------------------------------------------------------------- positions

TSectionBase* TSectionList::FindPositionObject(int y, int& posY, int& index) const {
  for (int i = static_cast<int>(PositionList.size()) - 1; i >= 0; --i) {
    TSectionBase* s = PositionList[i];
    const int sy = s->YPosition();
    if (sy <= y) {
      posY = sy;
      index = i;
      return s;
    }
  }
  return nullptr;
}

int TSectionList::FindDocPos(int sourcePos, bool prev) {
  const int pos = TCellBasic::FindDocPos(sourcePos, prev);
  return pos < 0 ? Len : pos;
}

bool TSectionList::CursorToXY(platform::Canvas* canvas, int cursor, int& x, int& y) {
  const bool beyond = cursor >= Len;
  if (beyond) cursor = Len - 1;
  const bool found = TCellBasic::CursorToXY(canvas, cursor, x, y);
  if (beyond) x += 15;
  return found;
}

bool TSectionList::FindDocPosY(int chPos, int& y) const {
  auto* self = const_cast<TSectionList*>(this);
  const int pos = self->FindDocPos(chPos, false);
  int x = 0;
  return self->CursorToXY(nullptr, pos, x, y);
}

// --------------------------------------------------------------------- IDs

void TSectionList::AddChPosObject(const std::string& name, int position) {
  if (name.empty()) return;
  IDNameList.AddChPosObject(platform::UpperCase(name), position);
}

void TSectionList::AddIDObject(const std::string& name, TIDObject* object) {
  if (name.empty() || !object) return;
  IDNameList.AddObject(platform::UpperCase(name), std::make_unique<TIDRef>(object));
}

TIDObject* TSectionList::FindID(const std::string& name) const {
  TIDObject* found = IDNameList.Find(platform::UpperCase(name));
  if (auto* ref = dynamic_cast<TIDRef*>(found)) return ref->Target;
  return found;
}

void TSectionList::RemoveIDObject(const TIDObject* object) {
  if (!object) return;
  for (const std::string& name : IDNameList.Names())
    if (auto* ref = dynamic_cast<TIDRef*>(IDNameList.Find(name)); ref && ref->Target == object)
      ref->Target = nullptr;
}

// ----------------------------------------------------------------- images

std::string TSectionList::ExpandDocFileName(const std::string& name) {
  return ExpandDocFileNameHandler ? ExpandDocFileNameHandler(name) : name;
}

bool TSectionList::ExpandName(std::string& name) {
  if (!ExpandNameHandler) return false;
  std::string expanded = name;
  ExpandNameHandler(Viewer.data(), name, expanded);
  name = expanded;
  return true;
}

bool TSectionList::IsMissingImage(const std::string& source) const {
  return std::any_of(MissingImages.begin(), MissingImages.end(),
                     [&](const MissingImage& m) { return platform::SameText(m.Name, source); });
}

void TSectionList::AddMissingImage(const std::string& source, TImageObj* waiting) {
  MissingImages.push_back({source, waiting});
}

void TSectionList::AddAnimated(TGIFImage* image) {
  if (image && std::find(AnimatedList.begin(), AnimatedList.end(), image) == AnimatedList.end())
    AnimatedList.push_back(image);
}

void TSectionList::RemoveAnimated(TGIFImage* image) { std::erase(AnimatedList, image); }

const TMapItem* TSectionList::FindMap(const std::string& name) const {
  for (int i = 0; i < MapList.Count(); ++i)
    if (platform::SameText(MapList[i]->MapName, name)) return MapList[i];
  return nullptr;
}

std::unique_ptr<TViewImage> TSectionList::LoadFile(const std::string& name,
                                                   TImageTransparency& transparency,
                                                   std::unique_ptr<platform::Bitmap>& mask) {
  const std::string path = platform::ResolveFilePath(name);
  if (IsGifKind(ImageKindOfFile(path))) {
    bool notAnimated = false;
    std::unique_ptr<TGIFImage> gif = CreateGifImageFromFile(notAnimated, path, ScreenPalette());
    return FromGif(std::move(gif), notAnimated, transparency, mask);
  }
  return LoadImageFromFile(path, transparency, mask);
}

std::unique_ptr<TViewImage> TSectionList::LoadStream(platform::TStream& stream,
                                                     TImageTransparency& transparency,
                                                     std::unique_ptr<platform::Bitmap>& mask) {
  uint8_t head[8] = {};
  stream.SetPosition(0);
  const int64_t n = stream.Read(head, sizeof head);
  stream.SetPosition(0);
  std::unique_ptr<TViewImage> image;
  if (IsGifKind(ImageKindFromSignature(head, static_cast<size_t>(std::max<int64_t>(n, 0))))) {
    bool notAnimated = false;
    std::unique_ptr<TGIFImage> gif = CreateGifImageFromStream(notAnimated, stream, ScreenPalette());
    image = FromGif(std::move(gif), notAnimated, transparency, mask);
    stream.SetPosition(0);
  }
  if (!image) image = LoadImageFromStream(&stream, transparency, mask);
  return image;
}

TViewImage* TSectionList::FetchImage(const std::string& url, TImageTransparency& transparency,
                                     bool& delayed, bool& fromCache,
                                     const platform::Bitmap*& mask) {
  mask = nullptr;
  delayed = false;
  fromCache = false;
  if (url.empty()) return nullptr;
  const std::string key = ImageCacheKey(url);
  if (key.empty()) return nullptr;

  TStringBitmapList* cache = BitmapList();
  {
    const int index = cache->IndexOf(key);
    if (index >= 0) {
      TBitmapItem* item = cache->Objects(index);
      TViewImage* image = cache->TakeImage(index);
      fromCache = true;
      if (!item || !image) return nullptr;
      if (const platform::Bitmap* b = image->Bitmap()) {
        if (item->Transparency == ttGifMask || item->Transparency == ttPngColor) {
          transparency = item->Transparency;
        } else if (transparency == ttLowerLeft) {
          if (!item->Mask) item->Mask = MakeImageMask(*b, false, 0);
          item->Transparency = ttLowerLeft;
        }
      }
      mask = item->Mask.get();
      return image;
    }
  }

  std::unique_ptr<TViewImage> image;
  std::unique_ptr<platform::Bitmap> ownMask;
  try {
    if (!GetBitmap && !GetImage) {
      image = LoadFile(url, transparency, ownMask);
    } else if (GetBitmap) {
      platform::Bitmap bitmap;
      platform::Colour colour = static_cast<platform::Colour>(-1);
      GetBitmap(Viewer.data(), url, bitmap, colour);
      if (!bitmap.IsNull()) {
        if (colour != static_cast<platform::Colour>(-1)) {
          ownMask = MakeImageMask(bitmap, true, colour);
          transparency = ttGifMask;
        } else if (transparency == ttLowerLeft) {
          ownMask = MakeImageMask(bitmap, false, 0);
        }
        image = std::make_unique<TViewImage>(std::move(bitmap));
      }
    } else {
      platform::TStream* stream = nullptr;
      GetImage(Viewer.data(), url, stream);
      if (stream && stream == ImageWaitStream()) {
        delayed = true;
      } else if (!stream) {
        image = LoadFile(ExpandDocFileName(url), transparency, ownMask);
      } else if (stream->Size() > 0) {
        image = LoadStream(*stream, transparency, ownMask);
      }
    }
  } catch (const EGDIPlus&) {
    // The graphics library could not make the picture: a failed fetch.
    image.reset();
    ownMask.reset();
  }
  if (!image) return nullptr;
  const TImageTransparency stored = ownMask ? transparency : ttNone;
  const int index =
      cache->AddObject(key, std::make_unique<TBitmapItem>(std::move(image), std::move(ownMask), stored));
  TBitmapItem* item = cache->Objects(index);
  mask = item->Mask.get();
  return item->Image.get();
}

// ----------------------------------------------------------- inline borders

void TSectionList::AddInlineBorder(int position, const TProperties& prop, bool isStart) {
  if (isStart) {
    auto rec = std::make_unique<InlineRec>();
    rec->StartSource = position;
    rec->ID = prop.ID;
    rec->EndB = 999999;
    int autoCount = 0;
    ConvMargArray(prop.GetVMarginArray(), kInlineBase, kInlineBase, prop.EmSize, prop.ExSize,
                  rec->MargArray, autoCount);
    InlineList.Add(std::move(rec));
    InlineList.NeedsConverting = true;
    return;
  }
  for (int i = InlineList.Count() - 1; i >= 0; --i)
    if (InlineList[i]->ID == prop.ID) {
      InlineList[i]->EndSource = position;
      InlineList.NeedsConverting = true;
      return;
    }
}

void TSectionList::ConvertInlineList() {
  for (int i = 0; i < InlineList.Count(); ++i) {
    InlineRec& r = *InlineList[i];
    r.StartB = FindDocPos(r.StartSource, false);
    // An element the document never closed keeps its border open to the end.
    r.EndB = r.EndSource > 0 ? FindDocPos(r.EndSource, false) : 999999;
    if (r.StartB == r.EndB) --r.StartB;
  }
  InlineList.NeedsConverting = false;
}

void TSectionList::SectionLaidOut(int sectionNumber) {
  if (SectionCount <= 0 || !OnLayoutProgress) return;
  OnLayoutProgress(ProgressStart + static_cast<int>(static_cast<long long>(100 - ProgressStart) *
                                                    sectionNumber / SectionCount));
}

const InlineRec* TSectionList::InlineBorder(int i) {
  if (i < 0 || i >= InlineList.Count()) return nullptr;
  if (InlineList.NeedsConverting) ConvertInlineList();
  return InlineList[i];
}

int TSectionList::InlineStart(int i) {
  const InlineRec* rec = InlineBorder(i);
  return rec ? rec->StartB : 99999999;
}

int TSectionList::InlineEnd(int i) {
  const InlineRec* rec = InlineBorder(i);
  return rec ? rec->EndB : 99999999;
}

}  // namespace htmlview
