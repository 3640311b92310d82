// The viewer control: construction, properties, the load road, layout with
// the scroll-bar decision, positions, names, history and visited links.
// Painting and scrolling live in viewpaint.cpp, the mouse in viewmouse.cpp,
// printing in viewprint.cpp.
#include "htmlview/view/htmlview.h"

#include <algorithm>
#include <new>

#include <QFrame>

#include "htmlview/layout/simplesections.h"
#include "htmlview/parse/viewutils.h"
#include "htmlview/view/docbuilder.h"
#include "platform/guard.h"
#include "platform/scopeguard.h"
#include "platform/streams.h"
#include "platform/timers.h"
#include "platform/sysutils.h"

namespace htmlview {

namespace {

}  // namespace

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c == '\r') continue;
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// ------------------------------------------------------------- construction

THtmlView::THtmlView(QWidget* parent) : platform::Control(parent) {
  creating_ = true;
  resize(150, 150);
  setFocusPolicy(Qt::StrongFocus);

  borderPanel_ = new QFrame(this);
  borderPanel_->setFrameShape(QFrame::NoFrame);
  borderPanel_->setGeometry(0, 0, width(), height());
  borderPanel_->setAttribute(Qt::WA_TransparentForMouseEvents);
  borderPanel_->setAutoFillBackground(true);
  {
    QPalette palette = borderPanel_->palette();
    palette.setColor(QPalette::Window, platform::ToQColor(platform::clBtnFace));
    palette.setColor(QPalette::WindowText, platform::ToQColor(platform::clBtnShadow));
    borderPanel_->setPalette(palette);
  }

  paintPanel_ = new TPaintPanel(this);
  paintPanel_->SetBounds(1, 1, width() - 2, height() - 2);
  paintPanel_->OnPaint = [this](platform::Canvas& canvas, const platform::Rect& clip) {
    PaintDocument(canvas, clip);
  };

  vScroll_ = new T32ScrollBar(Qt::Vertical, this);
  vScroll_->SmallChange = 16;
  vScroll_->SetShown(false);
  scrollBarWidth_ = platform::kScrollBarSize;
  vScroll_->onScroll = [this](int code, int position) { HandleVScroll(code, position); };

  hScroll_ = new T32ScrollBar(Qt::Horizontal, this);
  hScroll_->SmallChange = 15;
  hScroll_->SetShown(false);
  hScroll_->onScroll = [this](int code, int position) { HandleHScroll(code, position); };

  sectionList_ = std::make_unique<TSectionList>(this, paintPanel_.data());
  sectionList_->OnBackgroundChange = [this](TSectionList& list) {
    if (paintPanel_) {
      paintPanel_->Color = list.Background;
      paintPanel_->Invalidate();
    }
  };
  sectionList_->OnLinkEntered = [this](TFontObj& run) { ScrollIntoViewLink(run); };
  sectionList_->OnControlEntered = [this](TFormControlObj& control) { ScrollIntoViewControl(control); };
  sectionList_->OnLinkKeyDown = [this](TFontObj& run, int& key, platform::ShiftState shift) {
    if (key == platform::VK_RETURN && run.UrlTarget) {
      // Enter on a link: that link becomes the hover link and is followed
      // after the key has been handled.
      hoverUrl_ = run.UrlTarget->URL;
      hoverTarget_ = run.UrlTarget->Target;
      linkAttributes_ = SplitLines(run.UrlTarget->Attr);
      TakeLinkText(*run.UrlTarget);
      platform::Post(this, [this] { FollowLink(); });
      key = 0;
      return;
    }
    HandleKeyDown(key, shift);
  };
  sectionList_->OnControlKeyDown = [this](TFormControlObj&, int& key, platform::ShiftState shift) {
    HandleKeyDown(key, shift);
  };
  sectionList_->OnControlMouseMove = [this](TFormControlObj& control, platform::ShiftState, int, int) {
    titleUnderMouse_ = control.FTitle;
  };
  sectionList_->ExpandDocFileNameHandler = [this](const std::string& name) {
    return ExpandDocFileName(name);
  };
  sectionList_->OnLayoutProgress = [this](int percent) { Progress(ThtProgressStage::psRunning, percent); };
  sectionList_->ShowImages = true;
  SethtOptions(options_);
  sectionList_->SetBackground(defBackground_);
  paintPanel_->Color = defBackground_;
  SetCursor(cursor_);
  creating_ = false;
  ArrangeScrollBars();
}

THtmlView::~THtmlView() {
  KillTimer(kHoverTimer);
  KillTimer(kAutoScrollTimer);
  // The document goes before the cache its pictures come from.
  if (sectionList_) sectionList_->Clear();
  sectionList_.reset();
  cache_.reset();
}

platform::Canvas& THtmlView::MeasureCanvas() {
  if (!measureCanvas_) {
    measureImage_ = QImage(1, 1, QImage::Format_ARGB32);
    measureImage_.fill(Qt::white);
    measureCanvas_ = std::make_unique<platform::Canvas>(&measureImage_);
  }
  return *measureCanvas_;
}

// --------------------------------------------------------------- properties

void THtmlView::SetDefBackground(platform::Colour colour) {
  if (busy_) return;
  defBackground_ = colour;
  sectionList_->SetBackground(colour);
  paintPanel_->Color = colour;
  Invalidate();
  paintPanel_->Invalidate();
}

void THtmlView::SetBorderStyle(THTMLBorderStyle style) {
  borderStyle_ = style;
  UpdateBorder();
}

void THtmlView::SetHistoryMaxCount(int count) {
  if (count < 0 || count == historyMaxCount_) return;
  const bool lower = count < historyMaxCount_;
  historyMaxCount_ = count;
  if (lower) ClearHistory();
}

void THtmlView::SetDefPreFontName(const std::string& name) {
  if (platform::SameText(name, sectionList_->PreFontName)) return;
  defPreFontName_ = name;
  sectionList_->PreFontName = name.substr(0, 32);
}

void THtmlView::SetDefHotSpotColor(platform::Colour colour) {
  hotSpotColor_ = colour;
}

void THtmlView::SetDefVisitedLinkColor(platform::Colour colour) {
  visitedColor_ = colour;
}

void THtmlView::SetDefOverLinkColor(platform::Colour colour) {
  overColor_ = colour;
}

void THtmlView::SetVisitedMaxCount(int count) {
  count = std::max(0, count);
  if (count == visitedMaxCount_) return;
  visitedMaxCount_ = count;
  if (count > 0) {
    if (static_cast<int>(visited_.size()) > count) visited_.resize(count);
    return;
  }
  visited_.clear();
  for (TFontObj* link : sectionList_->Links) link->SetVisited(false);
  Invalidate();
  paintPanel_->Invalidate();
}

void THtmlView::SetImageCacheCount(int count) {
  imageCacheCount_ = std::clamp(count, 0, 20);
  if (cache_) cache_->SetCacheLimit(imageCacheCount_);
}

void THtmlView::SetNoSelect(bool on) {
  noSelect_ = on;
  if (on) {
    sectionList_->SelB = sectionList_->SelE = -1;
    Invalidate();
    paintPanel_->Invalidate();
  }
}

void THtmlView::SetScrollBars(TScrollStyle style) {
  if (style == scrollBars_) return;
  scrollBars_ = style;
  if (creating_) return;
  SetBusy(true);
  platform::ScopeGuard end([this] { SetBusy(false); });
  const int64_t pos = Position();
  DoLayout();
  SetPosition(pos);
  paintPanel_->Invalidate();
}

void THtmlView::SetServerRoot(const std::string& root) {
  std::string s = platform::Trim(root);
  if (!s.empty() && (s.back() == '\\' || s.back() == '/')) s.pop_back();
  serverRoot_ = s;
}

void THtmlView::SetPrintScale(double scale) { printScale_ = std::clamp(scale, 0.25, 4.0); }

void THtmlView::SethtOptions(THtmlViewOptions options) {
  options_ = options;
  sectionList_->LinksActive = (options & htOverLinksActive) != 0;
  sectionList_->ShowDummyCaret = (options & htShowDummyCaret) != 0;
  vScroll_->DisableNoScroll = (options & htShowVScroll) != 0;
}

void THtmlView::SetViewImages(bool on) {
  if (on == viewImages_ || busy_) return;
  viewImages_ = on;
  platform::PushCursor(platform::crHourGlass);
  SetBusy(true);
  platform::ScopeGuard end([this] {
    SetBusy(false);
    platform::PopCursor();
  });
  sectionList_->ShowImages = on;
  if (sectionList_->Count() > 0) {
    sectionList_->LoadBackground();
    const int64_t pos = Position();
    DoLayout();
    SetPosition(pos);
    paintPanel_->Invalidate();
  }
}

void THtmlView::SetCursor(int cursor) {
  if (cursor == 2) cursor = platform::crIBeam;
  cursor_ = cursor;
  paintPanel_->SetCursorId(cursor);
  shownCursor_ = cursor;
}

void THtmlView::SetOnBitmapRequest(TGetBitmapEvent handler) { sectionList_->GetBitmap = std::move(handler); }
void THtmlView::SetOnImageRequest(TGetImageEvent handler) { sectionList_->GetImage = std::move(handler); }
void THtmlView::SetOnFormSubmit(TFormSubmitEvent handler) {
  sectionList_->OnFormSubmit = std::move(handler);
}
void THtmlView::SetOnObjectClick(TObjectClickEvent handler) { sectionList_->OnObjectClick = std::move(handler); }
void THtmlView::SetOnObjectFocus(TObjectClickEvent handler) { sectionList_->OnObjectFocus = std::move(handler); }
void THtmlView::SetOnObjectBlur(TObjectClickEvent handler) { sectionList_->OnObjectBlur = std::move(handler); }
void THtmlView::SetOnObjectChange(TObjectClickEvent handler) { sectionList_->OnObjectChange = std::move(handler); }
void THtmlView::SetOnFileBrowse(TFileBrowseEvent handler) { sectionList_->OnFileBrowse = std::move(handler); }

void THtmlView::SetBase(const std::string& base) {
  storedBase_ = base;
  base_ = base;
}

// --------------------------------------------------------------- busy state

void THtmlView::SetBusy(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  if (OnProcessing) OnProcessing(this, busy);
}

void THtmlView::Progress(ThtProgressStage stage, int percent) {
  if (OnProgress) OnProgress(this, stage, percent);
}

// ------------------------------------------------------------------ clearing

void THtmlView::ClearDocument() {
  if (busy_) return;
  KillTimer(kHoverTimer);
  storedBase_.clear();
  EmptyDocument();
  if (cache_) cache_->Clear();
  sectionList_->SetDefaults(DefFontName, defPreFontName_, DefFontSize, DefFontColor, hotSpotColor_,
                            visitedColor_, overColor_, defBackground_,
                            (options_ & htOverLinksActive) != 0, (options_ & htNoLinkUnderline) == 0,
                            CharSet, MarginHeight, MarginWidth);
  if (OnSoundRequest) OnSoundRequest(this, "", 0, true);
  Invalidate();
  paintPanel_->Invalidate();
}

void THtmlView::EmptyDocument() {
  sectionList_->Clear();
  base_ = storedBase_;
  baseTarget_.clear();
  title_.clear();
  source_.clear();
  docWidth_ = docHeight_ = 0;
  sectionList_->SetYOffset(0);
  vScroll_->SetParams(0, paintPanel_->height() + 1, 0, 0);
  vScroll_->SetShown(false);
  vScroll_->setGeometry(vScroll_->x(), vScroll_->y(), vScroll_->width(), paintPanel_->height());
  hScroll_->SetShown(false);
  hScroll_->SetParams(0, 0, 0, 0);
  caretPos_ = 0;
  mouseDownPos_ = -1;
}

// ----------------------------------------------------------------- load road

void THtmlView::LoadFromStrings(const platform::TStringList& strings, const std::string& reference) {
  std::vector<std::string> lines;
  lines.reserve(strings.Count());
  for (int i = 0; i < strings.Count(); ++i) lines.push_back(strings[i]);
  LoadFromStrings(lines, reference);
}

void THtmlView::LoadFromStrings(const std::vector<std::string>& strings, const std::string& reference) {
  std::string text;
  size_t size = 0;
  for (const std::string& s : strings) size += s.size() + 2;
  text.reserve(size);
  for (const std::string& s : strings) {
    text += s;
    text += "\r\n";
  }
  LoadHtmlText(text, reference, HTMLType);
  if (refreshDelay_ >= 1 && OnMetaRefresh) OnMetaRefresh(this, refreshDelay_, refreshUrl_);
}

void THtmlView::LoadTextStrings(const std::vector<std::string>& strings, const std::string& reference) {
  std::string text;
  for (const std::string& s : strings) {
    text += s;
    text += "\r\n";
  }
  LoadHtmlText(text, reference, TextType);
}

void THtmlView::InitLoad() {
  if (!cache_) {
    cache_ = std::make_unique<TStringBitmapList>();
    cache_->SetCacheLimit(imageCacheCount_);
  }
  sectionList_->SetBitmapList(cache_.get());
  sectionList_->Clear();
  cache_->AgeItems();
  sectionList_->SetDefaults(DefFontName, defPreFontName_, DefFontSize, DefFontColor, hotSpotColor_,
                            visitedColor_, overColor_, defBackground_,
                            (options_ & htOverLinksActive) != 0, (options_ & htNoLinkUnderline) == 0,
                            CharSet, MarginHeight, MarginWidth);
}

void THtmlView::LoadHtmlText(const std::string& text, const std::string& reference, int fileType) {
  if (busy_) return;
  SetBusy(true);
  refreshDelay_ = 0;
  refreshUrl_.clear();
  std::string ref = reference, name;
  if (const size_t hash = reference.find('#'); hash != std::string::npos) {
    ref = reference.substr(0, hash);
    name = reference.substr(hash + 1);
  }
  layingOut_ = true;
  platform::ScopeGuard end([this] {
    paintPanel_->Invalidate();
    Progress(ThtProgressStage::psEnding, 100);
    SetBusy(false);
    layingOut_ = false;
  });
  const std::string oldFile = currentFile_;
  currentFile_ = ref.empty() ? "" : platform::ExpandFileName(ref);
  currentFileType_ = fileType;
  // The parse reports the first three quarters of a load, the layout the rest.
  sectionList_->ProgressStart = kParseProgressShare;
  Progress(ThtProgressStage::psStarting, 0);
  InitLoad();
  caretPos_ = 0;
  mouseDownPos_ = -1;
  if (OnSoundRequest) OnSoundRequest(this, "", 0, true);
  try {
    source_ = text;
    if (OnParseBegin) OnParseBegin(this, source_);
    ParseText(source_, fileType);
    if (OnParseEnd) OnParseEnd(this);
    sectionList_->LoadBackground();
    DoLayout();
    MarkVisitedLinks();
    if (!name.empty() && ScrollToName(name)) {
      // stays at the name
    } else if (currentFile_.empty() || currentFile_ != oldFile) {
      ScrollTo(0);
      hScroll_->SetPosition(0);
    } else {
      ScrollTo(vScroll_->Position());
    }
  } catch (const std::bad_alloc&) {
    // A page that needs more memory than there is fails as any other error
    // of a load, after giving back what it built: a document half laid out
    // would hold that memory and ask for it again at every relayout.
    EmptyDocument();
    throw;
  }
}

void THtmlView::ParseText(const std::string& text, int fileType) {
  TParsedDocument parsed;
  TDocumentSource source;
  source.Text = &text;
  source.FileType = fileType;
  TParserEvents& events = source.Events;
  events.Include = OnInclude;
  events.Meta = [this](const std::string& httpEq, const std::string& name, const std::string& content) {
    HandleMeta(httpEq, name, content);
  };
  if (OnSoundRequest)
    events.Sound = [this](const std::string& src, int loop, bool terminate) {
      if (OnSoundRequest) OnSoundRequest(this, src, loop, terminate);
    };
  if (OnLink)
    events.Link = [this](const std::string& rel, const std::string& rev, const std::string& href) {
      if (OnLink) OnLink(this, rel, rev, href);
    };
  if (OnScript)
    events.Script = [this](const std::string& name, const std::string& language, const std::string& script) {
      if (OnScript) OnScript(this, name, language, script);
    };
  if (OnObjectTag)
    events.Object = [this](TPanelObj& panel, const std::vector<std::string>& attributes,
                           const std::vector<std::string>& params, bool& wantPanel) {
      if (OnObjectTag) OnObjectTag(this, panel, attributes, params, wantPanel);
    };
  if (OnhtStreamRequest)
    events.StreamRequest = [this](const std::string& url, platform::TStream*& stream) {
      if (OnhtStreamRequest) OnhtStreamRequest(this, url, stream);
    };
  events.Progress = [this](int percent) { Progress(ThtProgressStage::psRunning, percent); };
  events.MarginWidth = MarginWidth;
  events.MarginHeight = MarginHeight;
  BuildDocument(*sectionList_, source, parsed);
  title_ = parsed.Title;
  base_ = parsed.Base.empty() ? storedBase_ : parsed.Base;
  baseTarget_ = parsed.BaseTarget;
}

void THtmlView::HandleMeta(const std::string& httpEq, const std::string& name, const std::string& content) {
  if (OnMeta) OnMeta(this, httpEq, name, content);
  if (!OnMetaRefresh || !platform::SameText(httpEq, "refresh")) return;
  const size_t semi = content.find(';');
  const std::string number = platform::Trim(content.substr(0, semi));
  int delay = -1;
  if (!number.empty() && std::all_of(number.begin(), number.end(), [](char c) { return platform::IsAsciiDigit(c); })) {
    try {
      delay = std::stoi(number);
    } catch (...) {
      delay = -1;
    }
  }
  if (delay < 0) return;
  if (delay == 0) delay = 1;
  const std::string lower = platform::LowerCase(content);
  const size_t url = lower.find("url=");
  refreshUrl_ = url == std::string::npos ? "" : content.substr(url + 4);
  refreshDelay_ = delay;
}

void THtmlView::LoadDocumentFile(const std::string& fileName, int fileType) {
  if (busy_) return;
  std::string file = fileName, name;
  if (const size_t hash = fileName.find('#'); hash != std::string::npos) {
    file = fileName.substr(0, hash);
    name = fileName.substr(hash);
  }
  const std::string path = platform::ResolveFilePath(file);
  if (!platform::FileExists(path)) throw platform::EInOutError("Can't locate file: " + file);
  platform::PushCursor(platform::crHourGlass);
  platform::ScopeGuard cursor([] { platform::PopCursor(); });
  if (fileType == ImgType) {
    // The picture becomes a document of one image. The name is written as
    // an attribute value, so a quote or markup in it can never leave the
    // value.
    const std::string escaped = platform::HtmlEscape(file);
    LoadHtmlText("<img src=\"" + escaped + "\">", fileName, HTMLType);
    currentFileType_ = ImgType;
  } else {
    platform::TFileStream stream(path, platform::TFileMode::fmOpenRead);
    std::string bytes(static_cast<size_t>(stream.Size()), '\0');
    if (!bytes.empty()) stream.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    LoadHtmlText(bytes, path + name, fileType);
  }
  if (refreshDelay_ > 0 && OnMetaRefresh) OnMetaRefresh(this, refreshDelay_, refreshUrl_);
}

// -------------------------------------------------------------------- layout

void THtmlView::LayoutPass(platform::Canvas& canvas, int width) {
  const int frame = borderStyle_ == THTMLBorderStyle::htNone ? 0 : 2;
  int maxWidth = 0, curs = 0;
  docWidth_ = 0;
  docHeight_ = sectionList_->Layout(canvas, 0, width, ClientHeight() - frame, 0, maxWidth, curs);
  docWidth_ = maxWidth;
}

bool THtmlView::VerticalBarNeeded(int width, bool narrowPass) const {
  (void)width;
  const int frame = borderStyle_ == THTMLBorderStyle::htNone ? 0 : 2;
  const int h = height() - frame;
  if (docHeight_ > h) return true;
  const bool horizontal = scrollBars_ == TScrollStyle::ssHorizontal || scrollBars_ == TScrollStyle::ssBoth;
  const int limit = narrowPass ? this->width() - frame : this->width() - scrollBarWidth_ - frame;
  return horizontal && docHeight_ >= h - scrollBarWidth_ && docWidth_ > limit;
}

void THtmlView::DoLayout() {
  // A load keeps the flag from before its parse until its end; a layout on
  // its own sets it for itself.
  const bool wasLayingOut = layingOut_;
  layingOut_ = true;
  platform::ScopeGuard end([this, wasLayingOut] { layingOut_ = wasLayingOut; });
  platform::Canvas& canvas = MeasureCanvas();
  const int frame = borderStyle_ == THTMLBorderStyle::htNone ? 0 : 2;
  const int w = width() - frame;
  const bool vertical = scrollBars_ == TScrollStyle::ssVertical || scrollBars_ == TScrollStyle::ssBoth;
  if (vertical) {
    if (!(options_ & htShowVScroll) && source_.size() < 10000) {
      LayoutPass(canvas, w);
      if (VerticalBarNeeded(w, false)) {
        LayoutPass(canvas, w - scrollBarWidth_);
        if (!VerticalBarNeeded(w, true)) LayoutPass(canvas, w);
      }
    } else {
      LayoutPass(canvas, w - scrollBarWidth_);
    }
  } else {
    LayoutPass(canvas, w);
  }
  ArrangeScrollBars();
}

void THtmlView::ArrangeScrollBars() {
  docWidth_ = std::min(docWidth_, 6000);
  const bool framed = borderStyle_ != THTMLBorderStyle::htNone;
  const int f = framed ? 2 : 0;
  const int frame = framed ? 1 : 0;
  const int bw = scrollBarWidth_;
  const int W = width(), H = height();
  if (framed) {
    paintPanel_->move(1, 1);
    borderPanel_->show();
  } else {
    paintPanel_->move(0, 0);
    borderPanel_->hide();
  }
  borderPanel_->setGeometry(0, 0, W, H);
  const bool showV = (options_ & htShowVScroll) != 0;
  const bool vertStyle = scrollBars_ == TScrollStyle::ssVertical || scrollBars_ == TScrollStyle::ssBoth;
  bool vNeeded = false, hNeeded = false;
  if (scrollBars_ == TScrollStyle::ssNone || (!showV && docHeight_ <= H - f && docWidth_ <= W - f)) {
    // no bars
  } else if (vertStyle) {
    vNeeded = docHeight_ >= H - f ||
              (scrollBars_ == TScrollStyle::ssBoth && docHeight_ >= H - f - bw && docWidth_ > W - bw - f);
    if (scrollBars_ == TScrollStyle::ssBoth)
      hNeeded = docWidth_ > W - f || ((vNeeded || showV) && docWidth_ > W - bw - f);
  } else {
    hNeeded = docWidth_ > W - f;
  }
  const bool vShown = vNeeded || (showV && vertStyle);
  const int wo = vShown ? W - bw : W;
  const int panelW = std::max(0, wo - f);
  const int panelH = std::max(0, H - f - (hNeeded ? bw : 0));
  paintPanel_->resize(panelW, panelH);

  hScroll_->LargeChange = std::max(1, wo - 20);
  hScroll_->setGeometry(frame, H - bw - frame, std::max(0, wo - frame), bw);
  hScroll_->SetParams(hScroll_->Position(), wo, std::max(docWidth_, panelW), 0);
  hScroll_->SetShown(hNeeded);

  vScroll_->setGeometry(W - bw - frame, frame, bw, panelH);
  vScroll_->LargeChange = std::max(1, panelH - vScroll_->SmallChange);
  vScroll_->DisableNoScroll = showV;
  vScroll_->SetParams(vScroll_->Position(), panelH + 1, docHeight_, 0);
  if (showV && vertStyle) {
    vScroll_->SetShown(true);
    vScroll_->setEnabled(vNeeded);
  } else {
    vScroll_->SetShown(vNeeded);
  }
  vScroll_->raise();
  hScroll_->raise();
}

void THtmlView::Relayout() {
  SetBusy(true);
  platform::ScopeGuard end([this] {
    Progress(ThtProgressStage::psEnding, 100);
    SetBusy(false);
  });
  const int64_t pos = Position();
  // Nothing is parsed: the layout is the whole of the progress.
  sectionList_->ProgressStart = 0;
  Progress(ThtProgressStage::psStarting, 0);
  DoLayout();
  SetPosition(pos);
}

void THtmlView::Resized() {
  if (creating_ || !sectionList_) return;
  if (busy_) {
    ArrangeScrollBars();
    return;
  }
  Relayout();
  if (paintPanel_->height() > docHeight_)
    ScrollTo(0);
  else
    ScrollTo(vScroll_->Position());
  hScroll_->SetPosition(std::min(hScroll_->Position(), hScroll_->Max() - paintPanel_->width()));
}

// ------------------------------------------------------------------- border

void THtmlView::UpdateBorder() {
  if (!borderPanel_) return;
  const bool single = (focused_ && borderStyle_ == THTMLBorderStyle::htFocused) ||
                      borderStyle_ == THTMLBorderStyle::htSingle;
  borderPanel_->setFrameShape(single ? QFrame::Box : QFrame::NoFrame);
  borderPanel_->setLineWidth(1);
}

void THtmlView::FocusIn(Qt::FocusReason) {
  focused_ = true;
  UpdateBorder();
}

void THtmlView::FocusOut(Qt::FocusReason) {
  focused_ = false;
  UpdateBorder();
}

void THtmlView::Repaint() {
  sectionList_->HideControls();
  for (TFormControlObj* c : sectionList_->FormControlList)
    if (c)
      if (QWidget* w = c->TheControl()) w->hide();
  borderPanel_->setFrameShape(QFrame::NoFrame);
  platform::Control::Repaint();
  paintPanel_->Repaint();
}

// ----------------------------------------------------------------- positions

int64_t THtmlView::Position() {
  const int y = vScroll_->Position();
  int posY = 0, index = 0;
  if (sectionList_->FindPositionObject(y, posY, index))
    return (static_cast<int64_t>(index + 1) << 32) + static_cast<int64_t>(static_cast<uint32_t>(y - posY));
  return y;
}

void THtmlView::SetPosition(int64_t position) {
  if (position > 0xFFFFFFFFLL) {
    const int64_t index = (position >> 32) - 1;
    if (index < 0 || index >= static_cast<int64_t>(sectionList_->PositionList.size())) return;
    const int64_t y = sectionList_->PositionList[index]->YPosition() + (position & 0xFFFFFFFFLL);
    ScrollTo(static_cast<int>(std::min<int64_t>(y, INT32_MAX)));
  } else {
    ScrollTo(static_cast<int>(std::max<int64_t>(0, position)));
  }
}

void THtmlView::ScrollTo(int y) {
  y = std::max(0, std::min(y, docHeight_ - paintPanel_->height()));
  const int old = vScroll_->Position();
  vScroll_->SetPosition(y);
  (void)old;
  sectionList_->SetYOffset(y);
  Invalidate();
  paintPanel_->Invalidate();
}

void THtmlView::ScrollToY(int y) {
  y = std::min(std::max(y, 0), docHeight_ - paintPanel_->height());
  y = std::max(0, y);
  if (y != vScroll_->Position()) ScrollTo(y);
}

// ---------------------------------------------------------------- file names

std::string THtmlView::ExpandDocFileName(const std::string& name) {
  const size_t scheme = name.find("://");
  if (scheme != std::string::npos && scheme > 0 && platform::LowerCase(name).find("file://") == std::string::npos)
    return name;
  std::string r = UrlToDosPathWithRoot(platform::Trim(name), serverRoot_);
  if (!r.empty() && (r[0] == '\\' || r[0] == '/') && !(r.size() > 1 && (r[1] == '\\' || r[1] == '/')))
    return platform::ExpandFileName(r);
  if ((r.size() > 1 && r[1] == ':') || r.rfind("\\\\", 0) == 0 || r.rfind("//", 0) == 0 ||
      platform::SameText(base_, "DosPath"))
    return r;
  std::string folder;
  if (!base_.empty())
    folder = platform::ExtractFilePath(UrlToDosPath(base_));
  else
    folder = platform::ExtractFilePath(currentFile_);
  return platform::ExpandFileName(folder + r);
}

bool THtmlView::ScrollToName(const std::string& name) {
  std::string n = name;
  if (!n.empty() && n[0] == '#') n.erase(0, 1);
  if (n.empty()) return false;
  TIDObject* object = sectionList_->FindID(n);
  if (!object) return false;
  ScrollTo(object->YPosition());
  hScroll_->SetPosition(0);
  AddVisitedLink(currentFile_ + "#" + n);
  return true;
}

// ------------------------------------------------------------------- history

void THtmlView::ClearHistory() {
  const bool had = !historyFiles_.empty();
  historyFiles_.clear();
  historyTitles_.clear();
  historyPositions_.clear();
  historyIndex_ = 0;
  currentFile_.clear();
  if (had && OnHistoryChange) OnHistoryChange(this);
}

void THtmlView::AddHistoryEntry(const std::string& fileName, const std::string& title, int64_t position,
                                std::unique_ptr<TFormData> formData, int fileType) {
  if (historyMaxCount_ < 1 || currentFile_.empty()) return;
  if (fileName == currentFile_ && fileType == currentFileType_ && position == Position()) return;
  if (!historyFiles_.empty() && !fileName.empty()) {
    historyFiles_[historyIndex_] = fileName;
    PositionObj& entry = historyPositions_[historyIndex_];
    entry.Pos = position;
    entry.FileType = fileType;
    historyTitles_[historyIndex_] = title;
    if (fileName != currentFile_) entry.FormData = std::move(formData);
    historyFiles_.erase(historyFiles_.begin(), historyFiles_.begin() + historyIndex_);
    historyTitles_.erase(historyTitles_.begin(), historyTitles_.begin() + historyIndex_);
    historyPositions_.erase(historyPositions_.begin(), historyPositions_.begin() + historyIndex_);
  }
  historyIndex_ = 0;
  historyFiles_.insert(historyFiles_.begin(), currentFile_);
  PositionObj now;
  now.Pos = Position();
  now.FileType = currentFileType_;
  historyPositions_.insert(historyPositions_.begin(), std::move(now));
  historyTitles_.insert(historyTitles_.begin(), title_);
  if (static_cast<int>(historyFiles_.size()) > historyMaxCount_) {
    historyFiles_.erase(historyFiles_.begin() + historyMaxCount_);
    historyTitles_.erase(historyTitles_.begin() + historyMaxCount_);
    historyPositions_.erase(historyPositions_.begin() + historyMaxCount_);
  }
  if (OnHistoryChange) OnHistoryChange(this);
}

void THtmlView::SetHistoryIndex(int index) {
  if (busy_ || index < 0 || index >= static_cast<int>(historyFiles_.size()) || index == historyIndex_) return;
  // The page being left keeps its position and form state in its entry.
  PositionObj& leaving = historyPositions_[historyIndex_];
  leaving.Pos = Position();
  leaving.FormData = GetFormData();
  const std::string file = historyFiles_[index];
  PositionObj& target = historyPositions_[index];
  if (file != currentFile_ || target.FileType != currentFileType_) LoadDocumentFile(file, target.FileType);
  if (target.FormData) SetFormData(*target.FormData);
  SetPosition(target.Pos);
  historyIndex_ = index;
  if (OnHistoryChange) OnHistoryChange(this);
}

std::unique_ptr<TFormData> THtmlView::GetFormData() {
  if (!sectionList_) return nullptr;
  return std::make_unique<TFormData>(sectionList_->FormSubmissionData());
}

void THtmlView::SetFormData(const TFormData& data) { sectionList_->SetFormSubmissionData(data); }

// -------------------------------------------------------------- visited links

void THtmlView::AddVisitedLink(const std::string& url) {
  if (visitedMaxCount_ <= 0) return;
  auto same = [&](const std::string& s) { return platform::SameText(s, url); };
  auto it = std::find_if(visited_.begin(), visited_.end(), same);
  if (it == visited_.begin() && it != visited_.end()) return;
  if (it != visited_.end()) {
    visited_.erase(it);
  } else {
    for (TFontObj* link : sectionList_->Links) {
      const std::string& u = link->URL();
      const std::string expanded = !u.empty() && u[0] == '#' ? currentFile_ + u : ExpandDocFileName(u);
      if (platform::SameText(expanded, url)) link->SetVisited(true);
    }
  }
  visited_.insert(visited_.begin(), url);
  while (static_cast<int>(visited_.size()) > visitedMaxCount_) visited_.pop_back();
}

void THtmlView::MarkVisitedLinks() {
  if (visitedMaxCount_ <= 0 || visited_.empty()) return;
  for (TFontObj* link : sectionList_->Links) {
    if (!link->UrlTarget) continue;
    const std::string& u = link->URL();
    const std::string expanded = !u.empty() && u[0] == '#' ? currentFile_ + u : ExpandDocFileName(u);
    for (const std::string& v : visited_)
      if (platform::SameText(expanded, v)) {
        link->SetVisited(true);
        break;
      }
  }
}

// ------------------------------------------------------------ scroll into view

void THtmlView::ScrollIntoViewControl(TFormControlObj& control) {
  if (suppressScrollIntoView_) return;
  const int y = control.YValue;
  const int top = vScroll_->Position();
  if (y < top || y > top + ClientHeight() - 20) ScrollToY(y - ClientHeight() / 2);
  paintPanel_->Invalidate();
}

void THtmlView::ScrollIntoViewLink(TFontObj& run) {
  if (suppressScrollIntoView_) return;
  const int y = run.YValue;
  const int top = vScroll_->Position();
  if (y < top)
    ScrollToY(y);
  else if (y > top + ClientHeight() - 30)
    ScrollToY(y - ClientHeight() / 2);
  paintPanel_->Invalidate();
}

}  // namespace htmlview
