// The text section after layout: drawing its lines, hit tests, the mapping
// between points, document positions and source positions, finding text and
// copying the selection. Every one of them reads the line geometry of
// LineAdvances, so what is drawn, what is hit and where the caret goes always
// agree to the pixel.
#include <algorithm>

#include <QPalette>
#include <QWidget>

#include "htmlview/layout/docroot.h"
#include "htmlview/layout/panelobj.h"
#include "htmlview/layout/textsection.h"
#include "htmlview/layout/viewdraw.h"
#include "platform/fonts.h"
#include "platform/sysutils.h"

namespace htmlview {

namespace {

// Lines and sections this far outside the drawing rectangle are skipped
// unmeasured.
constexpr int kDrawMargin = 40;

bool IsObjectChar(char16_t ch) { return ch == kFormControlChar || ch == kImageChar; }

}  // namespace

// ---------------------------------------------------------------------------
// Geometry helpers

TSection::LineWalk TSection::FitWalk(int line, int width) const {
  LineWalk walk = StartWalk(line);
  Walk(line, walk, walk.Index + Lines[line]->Ln, nullptr,
       [width](int x, int advance) { return x + advance > width; });
  return walk;
}

int TSection::LineOfIndex(int index) const {
  int last = -1;
  for (int i = 0; i < Lines.Count(); ++i) {
    const LineRec& lr = *Lines[i];
    if (lr.Ln == 0) continue;
    last = i;
    const int start = LineStartIndex(i);
    if (index >= start && index < start + lr.Ln) return i;
  }
  return last;
}

bool TSection::SectionSelection(int& selB, int& selE) const {
  if (!Root) return false;
  selB = Root->SelB - StartCurs;
  selE = Root->SelE - StartCurs;
  if (selE > selB) return true;
  return selE == selB && Root->ShowDummyCaret;
}

// ---------------------------------------------------------------------------
// Drawing

void TSection::PlaceLines(int x) {
  // Where each line is: hit tests and caret positions read it even for a
  // line that was not drawn. It changes only with the layout or the
  // horizontal scroll, so a paint does not walk every line of a long
  // section again.
  if (placedLines_ == Lines.Count() && placedX_ == x && placedTop_ == DrawTop) return;
  int y = DrawTop;
  linesAscend_ = true;
  maxLineDrawHeight_ = 0;
  for (int i = 0; i < Lines.Count(); ++i) {
    LineRec& lr = *Lines[i];
    lr.DrawX = x + lr.LineIndent;
    lr.DrawY = LayoutAdd(y, lr.SpaceBefore);
    maxLineDrawHeight_ = std::max(maxLineDrawHeight_, lr.DrawHeight);
    const int step = lr.SpaceBefore + lr.LineHt + lr.SpaceAfter;
    if (step < 0) linesAscend_ = false;
    // Where layout put the line: its sums stop at the farthest position.
    y = LayoutAdd(y, step);
  }
  placedLines_ = Lines.Count();
  placedX_ = x;
  placedTop_ = DrawTop;
}

void TSection::PlaceLinesForLookup() {
  PlaceLines(LayoutX + (Root ? Root->XOff : 0) + drawShiftX_);
}

// ---------------------------------------------------------------------------
// One line's draw: its steps run in the order they paint. The inline
// borders go behind everything; then the pieces from the line's start, each
// by its kind: a float (its picture queued to be drawn last, or its panel),
// an inline picture or panel, a form control, a stretch of text with the
// selection and the caret in it.

class TSection::LineDraw {
 public:
  // shownLeft, shownRight: the x (in the canvas's terms) between which the
  // line's text can show.
  LineDraw(TSection& section, platform::Canvas& canvas, TDrawContext& context, int line,
           int lineTop, int shownLeft, int shownRight);
  void Run();

 private:
  void DrawBorders();
  void DrawFloat(const LinePiece& piece);
  void DrawInlineObject(const LinePiece& piece);
  void DrawControl(const LinePiece& piece);
  void DrawTextPiece(const LinePiece& piece, bool lastPiece);
  void DrawCaret(const LinePiece& piece, int x);
  // A panel's box at (left, top) in document terms: on paper its picture,
  // on the screen its window moved there.
  void ShowPanel(TPanelObj& panel, int left, int top);
  // The x of a character from the line's start.
  int XOf(int index) const;

  TSection& s_;
  platform::Canvas& canvas_;
  TDrawContext& context_;
  const int line_;
  LineRec& lr_;
  const int shownLeft_, shownRight_;
  const int yOff_;
  const int bottom_;   // the text's bottom
  const int baseline_;
  const int lineX_;
  // Windows (panels, form controls) sit where the line is drawn, also
  // inside a block drawn moved.
  const platform::Point shift_;
  int selB_ = 0, selE_ = 0;
  bool selection_ = false;
  // Only the characters that can show are measured one by one and drawn: a
  // line may be a whole long paragraph without a break. The walk goes on
  // from one stretch of text to the next.
  LineWalk walk_;
  std::vector<int> adv_;
};

TSection::LineDraw::LineDraw(TSection& section, platform::Canvas& canvas, TDrawContext& context,
                             int line, int lineTop, int shownLeft, int shownRight)
    : s_(section),
      canvas_(canvas),
      context_(context),
      line_(line),
      lr_(*section.Lines[line]),
      shownLeft_(shownLeft),
      shownRight_(shownRight),
      yOff_(section.Root ? section.Root->YOff : 0),
      bottom_(lineTop + lr_.SpaceBefore + lr_.LineHt),
      baseline_(bottom_ - lr_.Descent),
      lineX_(lr_.DrawX),
      shift_(context.WindowShift(canvas)),
      walk_(section.StartWalk(line)) {
  selection_ = s_.SectionSelection(selB_, selE_);
}

void TSection::LineDraw::Run() {
  DrawBorders();
  const std::vector<LinePiece> pieces = s_.LinePieces(line_);
  for (size_t i = 0; i < pieces.size(); ++i) {
    const LinePiece& piece = pieces[i];
    switch (piece.kind) {
      case LinePiece::FloatPiece: DrawFloat(piece); break;
      case LinePiece::ImagePiece: DrawInlineObject(piece); break;
      case LinePiece::ControlPiece: DrawControl(piece); break;
      case LinePiece::TextPiece: DrawTextPiece(piece, i + 1 == pieces.size()); break;
    }
  }
  canvas_.SetTextJustification(0, 0);
  context_.FirstLineDrawn = false;
}

int TSection::LineDraw::XOf(int index) const {
  LineWalk walk = s_.StartWalk(line_);
  s_.Walk(line_, walk, index, nullptr);
  return walk.X;
}

void TSection::LineDraw::DrawBorders() {
  if (lr_.FirstDraw) s_.BuildBorders(line_);
  lr_.FirstDraw = false;
  if (!lr_.BorderList) return;
  for (const BorderRec& b : *lr_.BorderList) {
    int above = 0, below = 0;
    for (int k = b.BStart; k <= b.BEnd; ++k)
      if (const TFontObj* run = s_.Fonts.GetFontObjAt(k)) {
        above = std::max(above, run->tmHeight() - run->Descent());
        below = std::max(below, run->Descent());
      }
    const TMarginArray& m = b.MargArray;
    const int padL = b.OpenStart ? 0 : std::max(0, m[PropPaddingLeft]);
    const int padR = b.OpenEnd ? 0 : std::max(0, m[PropPaddingRight]);
    const int bordL = b.OpenStart ? 0 : std::max(0, m[PropBorderLeftWidth]);
    const int bordR = b.OpenEnd ? 0 : std::max(0, m[PropBorderRightWidth]);
    const platform::Rect inner{lineX_ + XOf(b.BStart) - padL,
                               baseline_ - above - std::max(0, m[PropPaddingTop]) - yOff_,
                               lineX_ + XOf(b.BEnd + 1) + padR,
                               baseline_ + below + std::max(0, m[PropPaddingBottom]) - yOff_};
    const platform::Rect outer{inner.left - bordL, inner.top - std::max(0, m[PropBorderTopWidth]),
                               inner.right + bordR,
                               inner.bottom + std::max(0, m[PropBorderBottomWidth])};
    const platform::Colour bg = static_cast<platform::Colour>(m[PropBackgroundColor]);
    if (bg != NoColorValue) FillRectColor(canvas_, outer, bg | PaletteRelative());
    const TBorderColors colors{static_cast<platform::Colour>(m[PropBorderTopColor]),
                               static_cast<platform::Colour>(m[PropBorderRightColor]),
                               static_cast<platform::Colour>(m[PropBorderBottomColor]),
                               static_cast<platform::Colour>(m[PropBorderLeftColor])};
    auto style = [&](int prop, bool open) {
      const int code = m[prop];
      return open || code < 0 || code > static_cast<int>(BorderStyle::Double)
                 ? BorderStyle::None
                 : static_cast<BorderStyle>(code);
    };
    const TBorderStyles styles{style(PropBorderTopStyle, false), style(PropBorderRightStyle, b.OpenEnd),
                               style(PropBorderBottomStyle, false),
                               style(PropBorderLeftStyle, b.OpenStart)};
    DrawCssBorder(canvas_, outer, inner, colors, styles, NoColorValue, context_.Printing);
  }
}

void TSection::LineDraw::ShowPanel(TPanelObj& panel, int left, int top) {
  if (!context_.Printing) panel.Place(left + shift_.x, top + shift_.y);
  else if (!context_.Measuring) panel.Print(canvas_, left, top);
}

void TSection::LineDraw::DrawFloat(const LinePiece& piece) {
  TFloatingObj* obj = piece.Object;
  const int left = context_.Cell.Left + obj->Indent;
  if (auto* panel = dynamic_cast<TPanelObj*>(obj))
    ShowPanel(*panel, left, obj->YValue + obj->VSpaceT);
  else if (auto* image = dynamic_cast<TImageObj*>(obj))
    context_.DrawList.AddImage(image, &canvas_, left, obj->YValue, baseline_, piece.Run);
}

void TSection::LineDraw::DrawInlineObject(const LinePiece& piece) {
  TFloatingObj* obj = piece.Object;
  const int left = lineX_ + piece.X + obj->HSpaceL;
  if (auto* panel = dynamic_cast<TPanelObj*>(obj)) {
    const int fontHeight = piece.Run ? piece.Run->tmHeight() : 0;
    ShowPanel(*panel, left, panel->InlineTop(lr_.DrawY, bottom_, fontHeight, lr_.Descent));
  } else if (auto* image = dynamic_cast<TImageObj*>(obj)) {
    canvas_.SetTextJustification(0, 0);
    image->Draw(canvas_, left, lr_.DrawY, baseline_, piece.Run);
    canvas_.textAlign = platform::TA_BASELINE;
  }
}

void TSection::LineDraw::DrawControl(const LinePiece& piece) {
  TFormControlObj* c = piece.Control;
  QWidget* window = c->TheControl();
  if (!window) return;
  int top;
  switch (c->VertAlign) {
    case TVAlign::Top: top = lr_.DrawY + c->VSpaceT; break;
    case TVAlign::Middle: top = bottom_ - (lr_.LineHt + c->Height()) / 2; break;
    case TVAlign::Baseline: top = bottom_ - c->Height() - c->VSpaceB - lr_.Descent; break;
    case TVAlign::Bottom: top = bottom_ - c->Height() - c->VSpaceB; break;
    default: top = bottom_; break;
  }
  const TFormControlObj::Button button = c->ButtonKind();
  const bool radio = button == TFormControlObj::Button::Radio;
  const bool check = button == TFormControlObj::Button::CheckBox;
  if (radio) top += 2;
  else if (check) top += 1;
  const int left = lineX_ + piece.X + c->HSpaceL;
  // The window belongs to the screen, and paper never shows it: a printed
  // page, and the run that only finds where one ends, leave it where the
  // screen has it.
  if (!context_.Printing) {
    c->Place(left + shift_.x, top - yOff_ + shift_.y);
    if (radio) {
      platform::Colour colour = s_.Root ? s_.Root->Background : platform::clWhite;
      if (c->BkColor != NoColorValue) colour = c->BkColor;
      QPalette palette = window->palette();
      palette.setColor(QPalette::Window, platform::ToQColor(platform::ColourToRgb(colour)));
      window->setPalette(palette);
    }
  }
  if (c->Active && (radio || check) && !context_.Measuring) {
    const int t = top - yOff_;
    canvas_.SetTextColor(platform::clBlack);
    canvas_.brush = platform::Brush{platform::clWhite, platform::BrushStyle::Solid};
    canvas_.DrawFocusRect(radio ? platform::Rect{left - 3, t - 2, left + 16, t + 16}
                                : platform::Rect{left - 3, t - 3, left + 16, t + 16});
  }
}

void TSection::LineDraw::DrawTextPiece(const LinePiece& piece, bool lastPiece) {
  const int end = piece.Start + piece.Count;
  s_.Walk(line_, walk_, end, nullptr, [&](int x, int a) { return lineX_ + x + a > shownLeft_; });
  const int from = walk_.Index, fromX = walk_.X;
  adv_.clear();
  s_.Walk(line_, walk_, end, &adv_, [&](int x, int) { return lineX_ + x >= shownRight_; });
  const int to = walk_.Index;
  // The x of a character of the span drawn.
  std::vector<int> cum(adv_.size() + 1, fromX);
  for (size_t k = 0; k < adv_.size(); ++k) cum[k + 1] = cum[k] + adv_[k];
  s_.Walk(line_, walk_, end, nullptr);
  for (int i = from; i < to;) {
    bool selected = false;
    int until = to;
    if (selection_) {
      if (i < selB_) {
        until = std::min(to, selB_);
      } else if (i < selE_) {
        selected = true;
        until = std::min(to, selE_);
      }
    }
    s_.DrawText(canvas_, line_, piece, i, until, lineX_ + cum[i - from], baseline_, lr_.DrawY,
                bottom_, adv_.data() + (i - from), selected, context_);
    // The dummy caret stands where an empty selection starts.
    if (selection_ && selE_ == selB_ && s_.Root->ShowDummyCaret && piece.Run) {
      const bool docEnd = s_.Root->SelB >= s_.Root->StartCurs + s_.Root->Len;
      const bool lastOfAll = docEnd && line_ == s_.Lines.Count() - 1 && lastPiece && until == end;
      int cx = -1;
      if (i == selB_) cx = lineX_ + cum[i - from];
      else if (lastOfAll) cx = lineX_ + cum[until - from];
      if (cx >= 0) DrawCaret(piece, cx);
    }
    i = until;
  }
}

void TSection::LineDraw::DrawCaret(const LinePiece& piece, int x) {
  const platform::Pen saved = canvas_.pen;
  canvas_.pen = {piece.Run->TheFont->color, 1, platform::PenStyle::Solid};
  canvas_.MoveTo(x, bottom_ - piece.Run->tmHeight() - yOff_);
  canvas_.LineTo(x, bottom_ - yOff_);
  canvas_.pen = saved;
}

// ---------------------------------------------------------------------------
// The section's draw

int TSection::Draw(platform::Canvas& canvas, TDrawContext& context, const platform::Rect& aRect,
                   IndentManager& iMgr, int x, int xRef, int yRef) {
  (void)iMgr, (void)xRef, (void)yRef;
  const int top = DrawTop;
  const int result = top + SectionHeight;
  if (Len == 0) return result;
  drawShiftX_ = x - LayoutX - (Root ? Root->XOff : 0);
  PlaceLines(x);
  const int yOff = Root ? Root->YOff : 0;
  const bool sectionShown = !(top - yOff + DrawHeight < aRect.top - kDrawMargin ||
                              top - yOff > aRect.bottom + kDrawMargin);
  if (!sectionShown) return result;
  // Only the lines in the window are drawn; with line tops that only grow,
  // the first of them is found by binary search.
  int first = 0;
  if (linesAscend_) {
    const int from = aRect.top - kDrawMargin + yOff - maxLineDrawHeight_;
    int lo = 0, hi = Lines.Count();
    while (lo < hi) {
      const int mid = (lo + hi) / 2;
      const LineRec& lr = *Lines[mid];
      if (lr.DrawY - lr.SpaceBefore < from) lo = mid + 1;
      else hi = mid;
    }
    first = std::max(0, lo - 1);
  }
  const int level = canvas.Save();
  canvas.textAlign = platform::TA_BASELINE;
  for (int i = first; i < Lines.Count(); ++i) {
    LineRec& lr = *Lines[i];
    const int y = lr.DrawY - lr.SpaceBefore;
    const int wy = y - yOff;
    if (linesAscend_ && wy > aRect.bottom + kDrawMargin) break;
    if (lr.Ln > 0 && !(wy + lr.DrawHeight < aRect.top - kDrawMargin || wy > aRect.bottom + kDrawMargin))
      LineDraw(*this, canvas, context, i, y, aRect.left - kDrawMargin - lr.LineHt,
               aRect.right + kDrawMargin + lr.LineHt)
          .Run();
  }
  canvas.SetTextJustification(0, 0);
  canvas.Restore(level);
  return result;
}

void TSection::BuildBorders(int line) {
  LineRec& lr = *Lines[line];
  lr.BorderList.reset();
  TSectionListObjects* doc = ObjectsOf(Root);
  if (!doc) return;
  const int first = LineStartIndex(line), last = first + lr.Ln - 1;
  for (int i = 0; i < doc->InlineBorderCount(); ++i) {
    const InlineRec& rec = *doc->InlineBorder(i);
    const int start = rec.StartB - StartCurs;
    const int end = rec.EndB - StartCurs - 1;   // the last bordered character
    if (end < first || start > last || end < start) continue;
    BorderRec b;
    b.BStart = std::max(start, first);
    b.OpenStart = start < first;
    b.BEnd = std::min(end, last);
    b.OpenEnd = end > last;
    b.MargArray = rec.MargArray;
    // A border around a floating image alone is the image's, not the line's.
    if (b.BStart == b.BEnd && Text[b.BStart] == kImageChar)
      if (TFloatingObj* obj = Images().FindImage(b.BStart); obj && obj->Floating()) continue;
    if (!lr.BorderList) lr.BorderList = std::make_unique<std::vector<BorderRec>>();
    lr.BorderList->push_back(b);
  }
}

void TSection::DrawText(platform::Canvas& canvas, int line, const LinePiece& piece, int from,
                        int to, int x, int baseline, int lineTop, int bottom,
                        const int* advances, bool selected, const TDrawContext& context) {
  const LineRec& lr = *Lines[line];
  TFontObj* run = piece.Run;
  if (!run || to <= from) return;
  const int lineStart = LineStartIndex(line), lineEnd = lineStart + lr.Ln;
  const int yOff = Root ? Root->YOff : 0;
  int n = to - from;
  // The break or space that ends a line is a position, not a glyph.
  if (to == lineEnd && (Text[to - 1] == u' ' || Text[to - 1] == kBreakChar)) --n;
  std::u16string text = Text.substr(from, n);
  std::vector<int> dx(advances, advances + n);
  int width = 0;
  for (int a : dx) width += a;
  if (lr.Shy && to == lineEnd) {
    text.push_back(u'-');
    dx.push_back(DashWidth(to - 1));
  }
  if (text.empty()) return;
  // Placeholders without their object draw nothing.
  for (char16_t& ch : text)
    if (IsObjectChar(ch)) ch = u' ';

  canvas.font = run->TheFont;
  const platform::Colour fontColour = platform::ColourToRgb(run->TheFont->color);
  const platform::Colour bg = run->TheFont->BgColor;
  if (selected) {
    canvas.bkMode = platform::BkMode::Opaque;
    canvas.bkColor = fontColour;
    canvas.SetTextColor(bg != NoColorValue ? bg : platform::InvertColour(fontColour));
  } else if (bg == NoColorValue) {
    canvas.bkMode = platform::BkMode::Transparent;
    canvas.SetTextColor(run->TheFont->color);
  } else {
    canvas.bkMode = platform::BkMode::Opaque;
    canvas.bkColor = bg;
    canvas.SetTextColor(run->TheFont->color);
  }
  int y = baseline - yOff;
  if (run->SScript == TVAlign::Super) y -= run->tmHeight() / 3;
  else if (run->SScript == TVAlign::Sub) y += run->Descent() / 2 + 1;
  canvas.textAlign = platform::TA_BASELINE;
  canvas.SetTextJustification(0, 0);   // the advances carry the justification
  const bool clipped = IsPreformatted() && !(OwnerBlock && OwnerBlock->HidesOverflow());
  if (clipped) {
    const platform::Rect clip{context.Cell.Left, lineTop - yOff,
                              lr.DrawX - lr.LineIndent + context.Cell.ClipWidth, bottom + 1 - yOff};
    canvas.ExtTextOut(x, y, platform::ETO_CLIPPED, &clip, text, dx.data());
  } else {
    canvas.ExtTextOut(x, y, 0, nullptr, text, dx.data());
  }
  if (run->Active) {
    canvas.SetTextColor(platform::clBlack);
    canvas.brush = platform::Brush{platform::clWhite, platform::BrushStyle::Solid};
    canvas.DrawFocusRect({x, lineTop - yOff, x + width, bottom - yOff});
  }
}

// ---------------------------------------------------------------------------
// Hit tests

unsigned TSection::HitLink(platform::Canvas& canvas, int x, int y, std::unique_ptr<TUrlTarget>& url,
                           TFormControlObj*& formControl, std::string& title) {
  (void)canvas;
  TSectionListObjects* doc = ObjectsOf(Root);
  int ix = 0, iy = 0, posn = 0;
  bool isMap = false;
  const TMapItem* map = nullptr;
  TImageObj* image = nullptr;
  if (Images().PtInImage(x, y, ix, iy, posn, isMap, map, image) && image) {
    unsigned flags = 0;
    const std::string& t = !image->ImageTitle.empty() ? image->ImageTitle : image->FAlt;
    if (!t.empty()) {
      title = t;
      flags |= guTitle;
    }
    if (doc) doc->SetActiveImage(image);
    if (image->MyFormControl) {
      formControl = image->MyFormControl;
      if (auto* control = dynamic_cast<TImageFormControlObj*>(image->MyFormControl)) {
        control->XTmp = ix;
        control->YTmp = iy;
      }
      flags |= guControl;
    } else if (image->UseMap) {
      std::string areaTitle;
      if (map && map->GetURL(ix, iy, url, areaTitle)) {
        flags |= guUrl;
        if (!areaTitle.empty()) {
          title = areaTitle;
          flags |= guTitle;
        }
      }
    } else if (TFontObj* run = Fonts.GetFontObjAt(posn); run && run->IsLink()) {
      url = std::make_unique<TUrlTarget>(*run->UrlTarget);
      if (isMap) url->URL += "?" + std::to_string(ix) + "," + std::to_string(iy);
      if (doc) doc->SetHoverLink(run);
      flags |= guUrl;
    }
    return flags;
  }

  PlaceLinesForLookup();
  for (int i = 0; i < Lines.Count(); ++i) {
    const LineRec& lr = *Lines[i];
    if (!(lr.DrawY < y && y <= lr.DrawY + lr.LineHt)) continue;
    if (x < lr.DrawX) return 0;
    const int index = FitWalk(i, x - lr.DrawX).Index;
    if (index >= LineStartIndex(i) + lr.Ln) return 0;
    if (Text[index] == kImageChar) return 0;
    TFontObj* run = Fonts.GetFontObjAt(index);
    if (!run) return 0;
    unsigned flags = 0;
    if (run->IsLink()) {
      url = std::make_unique<TUrlTarget>(*run->UrlTarget);
      if (doc) doc->SetHoverLink(run);
      flags |= guUrl;
    }
    if (!run->Title.empty()) {
      title = run->Title.Get();
      flags |= guTitle;
    }
    return flags;
  }
  return 0;
}

bool TSection::HitObject(int x, int y, TFloatingObj*& obj, int& ix, int& iy) {
  return Images().PtInObject(x, y, obj, ix, iy);
}

int TSection::CursorAt(platform::Canvas& canvas, int x, int y, int& xr, int& yr, int& caretHt,
                       bool& inText) {
  (void)canvas;
  PlaceLinesForLookup();
  int top = DrawTop;
  for (int i = 0; i < Lines.Count(); ++i) {
    const LineRec& lr = *Lines[i];
    const int height = lr.SpaceBefore + lr.LineHt + lr.SpaceAfter;
    if (y < top || y >= top + height) {
      top += height;
      continue;
    }
    if (x < lr.DrawX - 10 || x > lr.DrawX + lr.Width) return -1;
    inText = true;
    caretHt = lr.LineHt;
    yr = top + lr.SpaceBefore;
    const int lineStart = lr.Ln > 0 ? LineStartIndex(i) : static_cast<int>(lr.Start - Buff());
    if (x < lr.DrawX) {
      xr = lr.DrawX;
      inText = false;
      return StartCurs + lineStart;
    }
    LineWalk walk = FitWalk(i, x - lr.DrawX);
    int count = walk.Index - lineStart;
    xr = lr.DrawX + walk.X;
    // The character the point is in: past its middle, the caret goes after it.
    std::vector<int> next;
    Walk(i, walk, walk.Index + 1, &next);
    if (!next.empty()) {
      const int w = next[0];
      if (w > 0 && 2 * (x - xr) >= w) {
        xr += w;
        ++count;
      }
    }
    if (x - lr.DrawX >= LineTextWidth(i)) inText = false;
    return StartCurs + lineStart + count;
  }
  return -1;
}

bool TSection::CursorToXY(platform::Canvas* canvas, int cursor, int& x, int& y) {
  if (Len == 0 || cursor >= StartCurs + Len || cursor < StartCurs) return false;
  const int index = cursor - StartCurs;
  const int line = LineOfIndex(index);
  if (line < 0) return false;
  PlaceLinesForLookup();
  const LineRec& lr = *Lines[line];
  y = DrawTop + LineOffset(line);
  x = lr.DrawX;
  if (canvas) {
    LineWalk walk = StartWalk(line);
    Walk(line, walk, index, nullptr);
    x += walk.X;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Positions and text

int TSection::DocPosOf(int sourcePos, bool prev) {
  if (Len == 0 || SIndexList.empty()) return -1;
  if (sourcePos < SIndexList.front().Index) return prev ? -1 : StartCurs;
  for (size_t k = 0; k < SIndexList.size(); ++k) {
    const IndexObj& io = SIndexList[k];
    const int end = k + 1 < SIndexList.size() ? SIndexList[k + 1].Pos : Len;
    if (sourcePos < io.Index)   // between the stretch before and this one
      return prev ? StartCurs + io.Pos - 1 : StartCurs + io.Pos;
    if (sourcePos < io.Index + (end - io.Pos)) return StartCurs + io.Pos + (sourcePos - io.Index);
  }
  return prev ? StartCurs + Len - 1 : -1;
}

bool TSection::CharAt(int pos, char16_t& ch, TSectionBase*& obj) {
  if (pos < StartCurs || pos >= StartCurs + Len) return false;
  ch = Text[pos - StartCurs];
  obj = this;
  return true;
}

int TSection::FindForward(int from, const std::u16string& text, bool matchCase) {
  if (text.empty() || from >= StartCurs + Len) return -1;
  const std::u16string hay = matchCase ? Text : platform::UnicodeLowerCase(Text);
  const size_t pos = hay.find(text, static_cast<size_t>(std::max(from - StartCurs, 0)));
  return pos == std::u16string::npos ? -1 : StartCurs + static_cast<int>(pos);
}

int TSection::FindBackward(int from, const std::u16string& text, bool matchCase) {
  const int n = static_cast<int>(text.size());
  if (n == 0 || from < StartCurs || n > Len || n > from - StartCurs + 1) return -1;
  const std::u16string hay = matchCase ? Text : platform::UnicodeLowerCase(Text);
  const int last = std::min(from - StartCurs, Len - 1);   // the match ends at or before it
  const size_t pos = hay.rfind(text, static_cast<size_t>(last - n + 1));
  return pos == std::u16string::npos ? -1 : StartCurs + static_cast<int>(pos);
}

void TSection::CopyText(SelTextCount& holder) {
  if (!Root || Len == 0) return;
  const int selB = Root->SelB - StartCurs, selE = Root->SelE - StartCurs;
  if (selE <= selB) return;
  for (int i = 0; i < Lines.Count(); ++i) {
    const LineRec& lr = *Lines[i];
    if (lr.Ln == 0) continue;
    const int start = LineStartIndex(i), end = start + lr.Ln;
    const int a = std::max(start, selB);
    int b = std::min(end, selE);
    if (b >= Len) b = Len - 1;   // the section's final space is no text of the page
    if (a >= b) continue;
    // A forced break copies as a line break.
    if (Text[b - 1] == kBreakChar) holder.AddTextCR(Text.data() + a, b - 1 - a);
    else holder.AddText(Text.data() + a, b - a);
  }
  if (selE > Len) holder.AddTextCR(Text.data(), 0);
}

}  // namespace htmlview
