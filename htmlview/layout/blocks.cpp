#include "htmlview/layout/blocks.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "htmlview/images/imageload.h"
#include "htmlview/layout/docroot.h"
#include "htmlview/layout/imageobj.h"
#include "htmlview/layout/layoutdump.h"
#include "htmlview/layout/simplesections.h"
#include "htmlview/layout/tables.h"
#include "htmlview/layout/tablewidths.h"
#include "htmlview/layout/viewdraw.h"
#include "htmlview/parse/attributes.h"
#include "platform/sysutils.h"

namespace htmlview {

namespace {

// A table's ALIGN: centred in the block that holds it, or floated to a side
// where nothing else places the table.
void TakeTableAlign(TBlock& block, std::string_view word) {
  const std::optional<TTextAlign> align = TextAlignOf(word, {.foldCase = true, .trim = true});
  if (align == TTextAlign::Center)
    block.Justification = TTextAlign::Center;
  else if (align && !block.Floats() && block.Positioning != TPositioning::Absolute)
    block.FloatLR = align == TTextAlign::Left ? TFloatSide::Left : TFloatSide::Right;
}

bool IsTableKind(const TSectionBase* s) {
  return dynamic_cast<const TTableBlock*>(s) || dynamic_cast<const TTableAndCaptionBlock*>(s);
}

// The vertical margins as pixels, with whether each is the default margin.
void VertMargins(const TVMarginArray& vm, int em, int ex, int& top, bool& topDefault, int& bottom,
                 bool& bottomDefault) {
  ConvVertMargins(vm, kBlockBaseHeight, em, ex, top, topDefault, bottom, bottomDefault);
}

int ZOf(const TSectionBase* s) {
  const auto* b = dynamic_cast<const TBlock*>(s);
  return b ? b->ZIndex : 0;
}

}  // namespace

// ---------------------------------------------------------------------- TBlock

TBlock::TBlock(TSectionListBase* master, TProperties& prop, TCellBasic* ownerCell,
               const TAttributeList* attributes)
    : TBlock(master, prop, ownerCell, attributes, true) {}

TBlock::TBlock(TSectionListBase* master, TProperties& prop, TCellBasic* ownerCell,
               const TAttributeList* attributes, bool collapseTop)
    : TSectionBase(master),
      MyCell(master),
      OwnerCell(ownerCell),
      ownerID_(NewIndentOwnerID()) {
  MyCell.SetOwnerTag(prop.PropTag);
  MyCell.OwnerBlock = this;
  MargArrayO.Assign(prop.GetVMarginArray(), BoxValuesOf(master).Given);
  platform::Colour bg;
  if (!prop.GetBackgroundColor(bg)) SetBoxValue(PropBackgroundColor, PropValue());
  EmSize = prop.EmSize;
  ExSize = prop.ExSize;
  if (prop.Props[PropColor].IsInt()) FGColor = prop.Props[PropColor].Colour();
  BlockBorderStyle = static_cast<BorderStyle>(prop.GetBorderStyle());
  TFloatSide f;
  if (prop.GetFloat(f) && f != TFloatSide::None) FloatLR = f;
  TClear clear;
  if (prop.GetClear(clear)) ClearAttr = clear;
  DisplayNone = prop.DisplayNone();
  std::string title = prop.PropTitle;
  if (title.empty() && attributes) title = attributes->GetTitle();
  if (!title.empty()) MakeRare().Title = std::move(title);
  if (!prop.PropClass.empty()) MakeRare().Class = prop.PropClass;
  overflowHidden_ = prop.IsOverflowHidden();
  std::string image;
  if (prop.GetBackgroundImage(image) && !image.empty()) {
    PositionRecArray pos{};
    prop.GetBackgroundPos(EmSize, ExSize, pos);
    Background = std::make_unique<TBackground>(std::make_unique<TImageObj>(master, image), pos);
  }
  Positioning = prop.GetPosition();
  if (Positioning == TPositioning::Absolute) FloatLR = TFloatSide::None;
  if (Positioning != TPositioning::Static) {
    ZIndex = SaturatedMul(prop.GetZIndex(), 10);
    if (Positioning == TPositioning::Absolute) ZIndex = std::max(ZIndex, 1);
  }
  if (Floats() && ZIndex == 0) ZIndex = 1;
  if (const PropValue& align = prop.Props[PropTextAlign]; align.IsText())
    Justification =
        TextAlignOf(align.Text(), {.foldCase = true, .trim = true}).value_or(TTextAlign::Left);
  Visibility = prop.GetVisibility();
  prop.GetPageBreaks(PageBreakBefore, PageBreakAfter, KeepIntact);
  if (attributes) {
    const std::string id = attributes->GetID();
    if (!id.empty())
      if (TSectionListObjects* objects = ObjectsOf(master)) objects->AddIDObject(id, this);
  }
  if (collapseTop) CollapseMargins();
}

TBlock::~TBlock() {
  if (TSectionListObjects* objects = ObjectsOf(Root)) objects->RemoveIDObject(this);
}

TBlock::Rare& TBlock::MakeRare() {
  if (!rare_) rare_ = std::make_unique<Rare>();
  return *rare_;
}

std::string TBlock::TagClass() const {
  const std::string& tag = MyCell.OwnerTag;
  return rare_ ? tag + "." + rare_->Class : tag + ".";
}

const std::string& TBlock::BlockTitle() const {
  static const std::string kNone;
  return rare_ ? rare_->Title : kNone;
}

void TBlock::CollapseMargins() {
  int top, bottom;
  bool topDefault, bottomDefault;
  VertMargins(MargArrayO, EmSize, ExSize, top, topDefault, bottom, bottomDefault);
  auto setTop = [this](int v) { SetBoxValue(PropMarginTop, PropValue(v)); };
  if (Positioning == TPositioning::Absolute) {
    if (topDefault) setTop(0);
    return;
  }
  if (Floats() || !OwnerCell) return;
  TSectionBase* prev = nullptr;
  for (int i = OwnerCell->Count() - 1; i >= 0; --i) {
    TSectionBase* s = (*OwnerCell)[i];
    if (s == this || s->IsAbsolutePositioned()) continue;
    prev = s;
    break;
  }
  if (auto* block = dynamic_cast<TBlock*>(prev)) {
    if (IsTableKind(block) && block->Floats()) {
      if (topDefault) setTop(0);
      return;
    }
    int pTop, p;
    bool d1, d2;
    VertMargins(block->MargArrayO, block->EmSize, block->ExSize, pTop, d1, p, d2);
    block->SetBoxValue(PropMarginBottom, PropValue(0));
    int t = top;
    if (t >= 0 && p >= 0)
      t = std::max(t, p);
    else if (t < 0 && p < 0)
      t = std::min(t, p);
    else
      t = t + p;
    setTop(t);
  } else if (prev) {
    const bool isList = MyCell.OwnerTag == "ul" || MyCell.OwnerTag == "ol";
    if (isList && OwnerCell->OwnerTag == "li" && topDefault) setTop(0);
  } else {
    if (topDefault) {
      setTop(0);
    } else if (OwnerCell->OwnerTag == "default" || OwnerCell->OwnerTag == "body") {
      int enclosing = 0;
      if (auto* owner = dynamic_cast<TBlock*>(OwnerCell->OwnerBlock)) {
        int b;
        bool d1, d2;
        VertMargins(owner->MargArrayO, owner->EmSize, owner->ExSize, enclosing, d1, b, d2);
      }
      setTop(std::max(0, top - enclosing));
    }
  }
}

void TBlock::SetBoxValue(int index, PropValue value) {
  MargArrayO.Set(index, std::move(value), BoxValuesOf(Root).Given);
}

void TBlock::ConvertMargins(int baseWidth, int baseHeight, int& autoCount) {
  ConvMargArray(MargArrayO, baseWidth, baseHeight, EmSize, ExSize, MargArray.Own(), autoCount);
}

int TBlock::LeftBorderPadding() const {
  return MargArray[PropBorderLeftWidth] + MargArray[PropPaddingLeft];
}
int TBlock::RightBorderPadding() const {
  return MargArray[PropBorderRightWidth] + MargArray[PropPaddingRight];
}
int TBlock::LeftExtra() const {
  const int m = MargArray[PropMarginLeft];
  return (m == LengthAuto ? 0 : m) + LeftBorderPadding();
}
int TBlock::RightExtra() const {
  const int m = MargArray[PropMarginRight];
  return (m == LengthAuto ? 0 : m) + RightBorderPadding();
}

bool TBlock::WidthGiven() const {
  return MargArray[PropWidth] != LengthAuto && MargArray[PropWidth] > 0;
}

void TBlock::WidthRange(platform::Canvas& canvas, int& minWidth, int& maxWidth) {
  minWidth = maxWidth = 0;
  if (DisplayNone || Positioning == TPositioning::Absolute) return;
  int autoCount = 0;
  ConvertMargins(0, kBlockBaseHeight, autoCount);
  TMarginArray& m = MargArray.Own();
  for (int i : {PropMarginLeft, PropMarginRight, PropWidth})
    if (m[i] == LengthAuto) m[i] = 0;
  const int width = std::max(0, MargArray[PropWidth]);
  int mn = 0, mx = 0;
  if (overflowHidden_ && width > 20)
    mn = mx = width;
  else
    ContentWidthRange(canvas, mn, mx);
  const int left = LeftExtra(), right = RightExtra();
  minWidth = std::max(mn, width) + left + right;
  maxWidth = width > 0 ? minWidth : left + right + std::max(mx, width);
  MargArray.Share(BoxValuesOf(Root).Resolved);
}

void TBlock::ContentWidthRange(platform::Canvas& canvas, int& minWidth, int& maxWidth) {
  if (Root && contentWidthCycle_ == Root->CycleNumber) {
    minWidth = contentMinWidth_;
    maxWidth = contentMaxWidth_;
    return;
  }
  MyCell.MinMaxWidth(canvas, minWidth, maxWidth);
  if (!Root) return;
  contentWidthCycle_ = Root->CycleNumber;
  contentMinWidth_ = minWidth;
  contentMaxWidth_ = maxWidth;
}

int TBlock::FindWidth(platform::Canvas& canvas, int aWidth, int aHeight, int autoCount) {
  int mn = 0, mx = 0;
  ContentWidthRange(canvas, mn, mx);
  const int lr = LeftBorderPadding() + RightBorderPadding();
  TMarginArray& m = MargArray.Own();
  int& ml = m[PropMarginLeft];
  int& mr = m[PropMarginRight];
  int& w = m[PropWidth];
  auto widthRule = [&] {
    const int avail = aWidth - lr - (ml == LengthAuto ? 0 : ml) - (mr == LengthAuto ? 0 : mr);
    if (Positioning == TPositioning::Absolute) return std::max(mn, avail - LeftP);
    if (Floats()) return std::min(mx, avail);
    return std::max(mn, avail);
  };
  switch (autoCount) {
    case 0:
      if (!HideOverflow) w = std::max(mn, w);
      if ((Justification == TTextAlign::Center || Justification == TTextAlign::Right) &&
          Positioning == TPositioning::Static && !Floats() && ml == 0 && mr == 0) {
        const int rest = std::max(0, aWidth - w - lr);
        if (Justification == TTextAlign::Center)
          ml = mr = rest / 2;
        else
          ml = rest;
      }
      break;
    case 1:
      if (w != LengthAuto) {
        if (!HideOverflow) w = std::max(w, mn);
        if (mr == LengthAuto) mr = Floats() ? 0 : std::max(0, aWidth - lr - ml - w);
        if (ml == LengthAuto) ml = std::max(0, aWidth - lr - mr - w);
      } else {
        w = widthRule();
      }
      break;
    case 2:
      if (w != LengthAuto) {
        if (!HideOverflow) w = std::max(w, mn);
        ml = mr = std::max(0, aWidth - w - lr) / 2;
      } else {
        if (ml == LengthAuto) ml = 0;
        if (mr == LengthAuto) mr = 0;
        w = widthRule();
      }
      break;
    default:
      ml = mr = 0;
      w = widthRule();
      break;
  }
  if (ml == LengthAuto) ml = 0;
  if (mr == LengthAuto) mr = 0;
  return w;
}

void TBlock::BuildDrawList() {
  if (rare_) rare_->DrawList.clear();
  const int count = MyCell.Count();
  for (int i = 0; i < count; ++i) MyCell[i]->OwnerBlock = this;
  auto byZ = [](const TSectionBase* a, const TSectionBase* b) { return ZOf(a) < ZOf(b); };
  if (!std::is_sorted(MyCell.begin(), MyCell.end(),
                      [&byZ](const auto& a, const auto& b) { return byZ(a.get(), b.get()); })) {
    std::vector<TSectionBase*>& order = MakeRare().DrawList;
    order.reserve(count);
    for (int i = 0; i < count; ++i) order.push_back(MyCell[i]);
    std::stable_sort(order.begin(), order.end(), byZ);
  }
  drawListBuilt_ = true;
  drawReach_.Reset();
}

int TBlock::DrawCount() const {
  return rare_ && !rare_->DrawList.empty() ? static_cast<int>(rare_->DrawList.size())
                                           : MyCell.Count();
}

TSectionBase* TBlock::DrawnSection(int i) const {
  return rare_ && !rare_->DrawList.empty() ? rare_->DrawList[i] : MyCell[i];
}

platform::Rect TBlock::MyRect() const { return rare_ ? rare_->TitleRect : platform::Rect{}; }

std::vector<TSectionBase*> TBlock::DrawOrder() const {
  std::vector<TSectionBase*> order;
  for (int i = 0; i < DrawCount(); ++i) order.push_back(DrawnSection(i));
  return order;
}

void TBlock::DrawnBand(int& top, int& bottom) {
  TSectionBase::DrawnBand(top, bottom);
  if (SectionTop == kNotLaidOut) return;
  // The content may reach beyond the block's own box: floats, absolutely
  // positioned blocks, overflow. It moves with the block's relative offset.
  if (!drawReach_.Built())
    drawReach_.Build(DrawCount(), [this](int i, int& t, int& b) { DrawnSection(i)->DrawnBand(t, b); });
  if (drawReach_.Top() <= drawReach_.Bottom()) {
    const int shift = DrawShift().y;
    top = std::min(top, LayoutAdd(drawReach_.Top(), shift));
    bottom = std::max(bottom, LayoutAdd(drawReach_.Bottom(), shift));
  }
  top = std::min(top, DrawTop);
  bottom = std::max(bottom, DrawBottom);
}

void TBlock::DrawContent(platform::Canvas& canvas, TDrawContext& context,
                         const platform::Rect& aRect, IndentManager& mgr, int x, int xRef,
                         int yRef) {
  drawReach_.ForShown(
      DrawCount(), [this](int i) { return DrawnSection(i); }, aRect, YOffOf(Root),
      [&](TSectionBase* s) { s->Draw(canvas, context, aRect, mgr, x, xRef, yRef); });
}

int TBlock::Layout(platform::Canvas& canvas, int x, int y, int xRef, int yRef, int aWidth,
                   int aHeight, int blHt, IndentManager& iMgr, int& maxWidth, int& curs) {
  StartCurs = curs;
  if (DisplayNone) {
    SectionHeight = DrawHeight = Len = 0;
    SectionTop = ContentTop = DrawTop = SectionBottom = ContentBot = y;
    maxWidth = 0;
    return 0;
  }
  int clearLeft = 0, clearRight = 0;
  iMgr.GetClearY(clearLeft, clearRight);
  switch (ClearAttr) {
    case TClear::Left:
      ClearAddon = std::max(0, clearLeft - y - 1);
      break;
    case TClear::Right:
      ClearAddon = std::max(0, clearRight - y - 1);
      break;
    case TClear::Both:
      ClearAddon = std::max({0, clearLeft - y - 1, clearRight - y - 1});
      break;
    default:
      ClearAddon = 0;
  }
  maxWidth = aWidth;

  int autoCount = 0;
  ConvertMargins(aWidth, aHeight, autoCount);
  HideOverflow = overflowHidden_ && WidthGiven() && MargArray[PropWidth] > 20;

  TopP = LeftP = 0;
  if (Positioning == TPositioning::Relative) {
    TopP = MargArray[PropTop] == LengthAuto ? 0 : MargArray[PropTop];
    LeftP = MargArray[PropLeft] == LengthAuto ? 0 : MargArray[PropLeft];
  } else if (Positioning == TPositioning::Absolute) {
    TopP = MargArray[PropTop] == LengthAuto ? 0 : MargArray[PropTop];
    if (MargArray[PropLeft] != LengthAuto) {
      LeftP = MargArray[PropLeft];
    } else if (MargArray[PropRight] != LengthAuto && autoCount == 0) {
      LeftP = aWidth - MargArray[PropRight] - MargArray[PropWidth] - MargArray[PropMarginLeft] -
              MargArray[PropMarginRight] - LeftBorderPadding() - RightBorderPadding();
    }
    x = LeftP;
    y = yRef + TopP;
  }
  NewWidth = FindWidth(canvas, aWidth, aHeight, autoCount);

  IndentManager* mgr = &iMgr;
  if (Positioning == TPositioning::Absolute) {
    std::unique_ptr<IndentManager>& own = MakeRare().OwnIMgr;
    if (!own) own = std::make_unique<IndentManager>();
    own->Clear();
    own->Reset(0, NewWidth);
    mgr = own.get();
  }
  MyCell.IMgr = mgr;
  IndentOwnerScope owner(*mgr, ownerID_);

  const int topEdge = y + ClearAddon;
  const int mt = MargArray[PropMarginTop];
  DrawTop = y;
  SectionTop = mt < 0 ? topEdge + mt : topEdge;
  if (FloatLR == TFloatSide::Left)
    Indent = std::max(x, mgr->LeftIndent(topEdge)) + LeftExtra() - x;
  else if (FloatLR == TFloatSide::Right)
    Indent = std::min(x + aWidth, mgr->RightSide(topEdge)) - RightExtra() - NewWidth - x;
  else
    Indent = LeftExtra();
  ContentLeft = x + Indent;
  const int contentTop = topEdge + mt + MargArray[PropPaddingTop] + MargArray[PropBorderTopWidth];
  owner.OpenEdges(ContentLeft, ContentLeft + NewWidth, contentTop);

  const int heightLimit = ContentHeightLimit(aHeight, blHt);
  int refX = xRef, refY = yRef;
  if (Positioning != TPositioning::Static) {
    refX = x + MargArray[PropMarginLeft] + MargArray[PropBorderLeftWidth];
    refY = topEdge + mt + MargArray[PropBorderTopWidth];
  }
  int contentWidth = 0;
  const int contentHeight = MyCell.DoLayout(canvas, ContentLeft, contentTop, refX, refY, NewWidth,
                                             heightLimit, blHt, contentWidth, curs);
  Len = curs - StartCurs;
  if (Positioning != TPositioning::Static)
    maxWidth = contentWidth + LeftExtra() + RightExtra() + LeftP - x;
  else
    maxWidth = contentWidth + RightExtra() + Indent;

  ContentBottom = std::max(contentTop, LayoutAdd(contentTop, contentHeight));
  const int h = MargArray[PropHeight];
  if (HideOverflow && h > 0)
    ContentBottom = LayoutAdd(contentTop, h);
  else if (h >= 4)
    ContentBottom = std::max(ContentBottom, LayoutAdd(contentTop, h));
  if (Positioning == TPositioning::Absolute)
    ContentBottom = std::max(ContentBottom, mgr->ImageBottom());
  const int pbb = MargArray[PropPaddingBottom] + MargArray[PropBorderBottomWidth];
  MarginBottomY = ContentBottom + pbb + MargArray[PropMarginBottom];
  const int contentDrawBottom = MyCell.Count() > 0 ? MyCell.ContentBot : ContentBottom;
  DrawBottom = std::max(ContentBottom, contentDrawBottom) + pbb;
  SectionHeight = MarginBottomY - y;
  BlockHeight = SectionHeight;

  if (Background && Background->Image && Root && Root->ShowImages) {
    TImageObj& picture = *Background->Image;
    if (picture.Kind() == TImageObj::PictureKind::None)
      picture.Layout(Root, canvas, nullptr, 100, 100);
    if (picture.Kind() == TImageObj::PictureKind::Error)
      Background->Image.reset();
    else
      Background->NeedCompose = true;
  }

  owner.End();
  if (Positioning == TPositioning::Absolute) {
    MyCell.IMgr = mgr;   // drawing uses the block's own manager
    DrawHeight = 0;
    SectionHeight = 0;
  } else if (Floats()) {
    DrawHeight = SectionHeight;
    if (FloatLR == TFloatSide::Left)
      iMgr.UpdateBlock(y, ContentLeft + NewWidth + RightExtra(), FloatLR, DrawBottom - y);
    else
      iMgr.UpdateBlock(y, NewWidth + LeftExtra() + RightExtra(), FloatLR, DrawBottom - y);
    SectionHeight = 0;
  } else {
    DrawHeight = std::max(SectionHeight, iMgr.ImageBottom() - y);
  }
  if (!drawListBuilt_) BuildDrawList();
  drawReach_.Reset();
  // The band holds what the content draws above the block too (moved or
  // positioned up), so that hit tests look there.
  ContentTop = std::min(SectionTop, y);
  if (MyCell.Count() > 0) ContentTop = std::min(ContentTop, MyCell.ContentTop);
  SectionBottom = LayoutAdd(y, SectionHeight);
  ContentBot = std::max(LayoutAdd(y, std::max(DrawHeight, BlockHeight)), DrawBottom);
  // The band is where the block is drawn: moved with a relative offset.
  ContentTop = LayoutAdd(ContentTop, DrawShift().y);
  ContentBot = LayoutAdd(ContentBot, DrawShift().y);
  MargArray.Share(BoxValuesOf(Root).Resolved);
  return SectionHeight;
}

int TBlock::ContentHeightLimit(int aHeight, int blHt) const {
  return MargArray[PropHeight] > 0 ? MargArray[PropHeight] : aHeight > 0 ? aHeight : blHt;
}

void TBlock::DrawBackground(platform::Canvas& canvas, const TDrawContext& context,
                            const platform::Rect& aRect, const platform::Rect& paddingBox) {
  if (Background) Background->Compose(paddingBox.Width(), paddingBox.Height());
  const platform::Colour bg = MargArray[PropBackgroundColor];
  const bool printed = !context.Printing || context.PrintTableBackground;
  if (bg != NoColorValue && printed) {
    const platform::Rect fill = paddingBox.Intersect(aRect);
    if (!fill.IsEmpty()) FillRectColor(canvas, fill, bg);
  }
  if (Background && Background->Tiled)
    canvas.Draw(paddingBox.left, paddingBox.top, *Background->Tiled);
}

void TBlock::DrawTheBlock(platform::Canvas& canvas, TDrawContext& context,
                          const platform::Rect& aRect, IndentManager& iMgr, int x, int xRef,
                          int yRef) {
  const int yOff = YOffOf(Root);
  const int ml = MargArray[PropMarginLeft];
  const int left = Floats() ? x + Indent - LeftExtra() + ml : x + ml;
  const int right = left + MargArray[PropBorderLeftWidth] + MargArray[PropPaddingLeft] + NewWidth +
                    MargArray[PropPaddingRight] + MargArray[PropBorderRightWidth];
  const int top = DrawTop + ClearAddon + MargArray[PropMarginTop] - yOff;
  const int bottom = (Floats() ? DrawBottom : MarginBottomY - MargArray[PropMarginBottom]) - yOff;
  const platform::Rect borderBox{left, top, right, bottom};
  const platform::Rect paddingBox{left + MargArray[PropBorderLeftWidth],
                                  top + MargArray[PropBorderTopWidth],
                                  right - MargArray[PropBorderRightWidth],
                                  bottom - MargArray[PropBorderBottomWidth]};
  if (rare_ && !rare_->Title.empty()) {
    rare_->TitleRect = borderBox;
    rare_->TitleRectYOff = yOff;
  }

  const int level = canvas.Save();
  if (Positioning != TPositioning::Static && context.DrawnTableDepth > 0) canvas.RemoveClip();
  if (borderBox.top < aRect.bottom && borderBox.bottom > aRect.top)
    DrawBackground(canvas, context, aRect, paddingBox);
  const int clipLevel = canvas.Save();
  if (HideOverflow) canvas.IntersectClipRect(paddingBox);

  IndentManager& mgr = MyCell.IMgr ? *MyCell.IMgr : iMgr;
  IndentOwnerScope owner(mgr, ownerID_);
  const int contentX = x + Indent;
  int refX = xRef, refY = yRef;
  if (Positioning != TPositioning::Static) {
    refX = x + ml + MargArray[PropBorderLeftWidth];
    refY = DrawTop + ClearAddon + MargArray[PropMarginTop] + MargArray[PropBorderTopWidth];
  }
  DrawContent(canvas, context, aRect, mgr, contentX, refX, refY);
  owner.End();
  canvas.Restore(clipLevel);

  DrawBlockBorder(canvas, context, borderBox, paddingBox);
  canvas.Restore(level);
}

int TBlock::Draw(platform::Canvas& canvas, TDrawContext& context, const platform::Rect& aRect,
                 IndentManager& iMgr, int x, int xRef, int yRef) {
  if (DisplayNone) return 0;
  const int result = DrawTop + SectionHeight;
  if (Root && context.Printing) EndPageForBreaks(context, aRect);
  if (Visibility == TVisibility::Hidden) return result;
  switch (Positioning) {
    case TPositioning::Relative: {
      // The content was laid out in place; the whole box is drawn moved, so
      // everything inside keeps its laid-out coordinates and the hit tests
      // move the point back by the same offsets.
      const platform::Point org = canvas.WindowOrg();
      canvas.SetWindowOrg(org.x - LeftP, org.y - TopP);
      DrawTheBlock(canvas, context, aRect.Offset(-LeftP, -TopP), iMgr, x, xRef, yRef);
      canvas.SetWindowOrg(org.x, org.y);
      break;
    }
    case TPositioning::Absolute: {
      // The content was laid out in a float manager of its own, from the
      // containing block's x, so its floats stand from there. Its
      // preformatted lines reach as far right of their x as those of a
      // block in the flow of the cell it is drawn in.
      TContextSetting<TDrawContext::CellEdges> edges(context.Cell, {xRef, context.Cell.ClipWidth});
      DrawTheBlock(canvas, context, aRect, iMgr, xRef + LeftP, xRef, yRef);
      break;
    }
    default:
      DrawTheBlock(canvas, context, aRect, iMgr, x, xRef, yRef);
  }
  return result;
}

void TBlock::EndPageForBreaks(TDrawContext& context, const platform::Rect& aRect) {
  // Only blocks in the flow outside tables break pages: a break inside a
  // table row would cut the row in two.
  if (Floats() || Positioning == TPositioning::Absolute) return;
  if (context.DrawnTableDepth > 0) return;
  const int yOff = Root->YOff;
  // A break on a page that has nothing printed on it yet would leave it
  // empty.
  auto endAt = [&context, yOff](int y) {
    if (y > yOff + 5 && y < context.PageBottom && !context.FirstLineDrawn) context.PageBottom = y;
  };
  const int top = DrawTop;
  // The border box's bottom: whatever follows starts below it.
  const int bottom = MarginBottomY - std::max(0, MargArray[PropMarginBottom]);
  if (PageBreakBefore) endAt(top);
  if (KeepIntact && bottom > context.PageBottom && bottom - top <= aRect.Height()) endAt(top);
  if (PageBreakAfter) {
    // The page ends below this block's own lines, so it is never empty.
    if (bottom > yOff + 5 && bottom < context.PageBottom) context.PageBottom = bottom;
  }
}

void TBlock::DrawBlockBorder(platform::Canvas& canvas, const TDrawContext& context,
                             const platform::Rect& borderBox, const platform::Rect& paddingBox) {
  bool any = BlockBorderStyle != BorderStyle::None;
  TBorderColors colors;
  TBorderStyles styles;
  for (int side = 0; side < 4; ++side) {
    styles[side] = static_cast<BorderStyle>(MargArray[PropBorderTopStyle + side]);
    if (styles[side] != BorderStyle::None && MargArray[PropBorderTopWidth + side] > 0) any = true;
    if (LengthGiven(MargArrayO[PropBorderTopColor + side]))
      colors[side] = MargArray[PropBorderTopColor + side];
    else if (LengthGiven(MargArrayO[PropBorderColor]) && MargArray[PropBorderColor] != NoColorValue)
      colors[side] = MargArray[PropBorderColor];
    else
      colors[side] = FGColor;
  }
  if (!any) return;
  DrawCssBorder(canvas, borderBox, paddingBox, colors, styles, NoColorValue, context.Printing);
}

platform::Point TBlock::DrawShift() const {
  return Positioning == TPositioning::Relative ? platform::Point{LeftP, TopP}
                                               : platform::Point{0, 0};
}

unsigned TBlock::HitLink(platform::Canvas& canvas, int x, int y, std::unique_ptr<TUrlTarget>& url,
                         TFormControlObj*& formControl, std::string& title) {
  url.reset();
  formControl = nullptr;
  if (DisplayNone) return 0;
  x -= DrawShift().x;
  y -= DrawShift().y;
  unsigned flags = MyCell.GetURL(canvas, x, y, url, formControl, title);
  if (!(flags & guTitle) && rare_ && !rare_->Title.empty() &&
      rare_->TitleRect.Contains(x, y - rare_->TitleRectYOff)) {
    title = rare_->Title;
    flags |= guTitle;
  }
  return flags;
}

bool TBlock::HitObject(int x, int y, TFloatingObj*& obj, int& ix, int& iy) {
  obj = nullptr;
  if (DisplayNone) return false;
  x -= DrawShift().x;
  y -= DrawShift().y;
  for (int i = DrawCount() - 1; i >= 0; --i) {
    TSectionBase* s = DrawnSection(i);
    if (y >= s->ContentTop && y < s->ContentBot && s->HitObject(x, y, obj, ix, iy)) return true;
  }
  return false;
}

int TBlock::CursorAt(platform::Canvas& canvas, int x, int y, int& xr, int& yr, int& caretHt,
                     bool& inText) {
  if (DisplayNone) return -1;
  const platform::Point shift = DrawShift();
  x -= shift.x;
  y -= shift.y;
  for (int i = DrawCount() - 1; i >= 0; --i) {
    TSectionBase* s = DrawnSection(i);
    if (y < s->ContentTop || y >= s->ContentBot) continue;
    const int pos = s->CursorAt(canvas, x, y, xr, yr, caretHt, inText);
    if (pos >= 0) {
      xr += shift.x;
      yr += shift.y;
      return pos;
    }
  }
  return -1;
}

int TBlock::FindForward(int from, const std::u16string& text, bool matchCase) {
  return DisplayNone ? -1 : MyCell.FindString(from, text, matchCase);
}

int TBlock::FindBackward(int from, const std::u16string& text, bool matchCase) {
  return DisplayNone ? -1 : MyCell.FindStringR(from, text, matchCase);
}

int TBlock::SourcePosOf(int pos) { return DisplayNone ? -1 : MyCell.FindSourcePos(pos); }

int TBlock::DocPosOf(int sourcePos, bool prev) {
  return DisplayNone ? -1 : MyCell.FindDocPos(sourcePos, prev);
}

bool TBlock::CursorToXY(platform::Canvas* canvas, int cursor, int& x, int& y) {
  if (DisplayNone || !MyCell.CursorToXY(canvas, cursor, x, y)) return false;
  x += DrawShift().x;
  y += DrawShift().y;
  return true;
}

bool TBlock::CharAt(int pos, char16_t& ch, TSectionBase*& obj) {
  return !DisplayNone && MyCell.GetChAtPos(pos, ch, obj);
}

void TBlock::CopyText(SelTextCount& holder) {
  if (DisplayNone) return;
  MyCell.CopyToClipboard(holder);
  if (!Root || MyCell.OwnerTag != "p") return;
  if (MyCell.StartCurs + MyCell.Len < Root->SelE) holder.AddTextCR(u"");
}

void TBlock::AddToPositionList() {
  if (!DisplayNone) MyCell.AddSectionsToList();
}

bool TBlock::DropDefaultBottomMargin() {
  const PropValue& v = MargArrayO[PropMarginBottom];
  if (v.IsInt() && v.Int() == DefaultMargin) {
    SetBoxValue(PropMarginBottom, PropValue(0));
    return true;
  }
  return false;
}

std::string TBlock::DumpLine(const std::string& kind) const {
  using W = LayoutDumpWriter;
  std::string line = kind + " " + TagClass();
  if (DisplayNone) return line + " display none";
  const TMarginArray& m = MargArray;
  auto four = [&m](int first) {
    return std::to_string(m[first]) + "," + std::to_string(m[first + 1]) + "," +
           std::to_string(m[first + 2]) + "," + std::to_string(m[first + 3]);
  };
  const int left = ContentLeft - LeftBorderPadding();
  const int top = DrawTop + ClearAddon + m[PropMarginTop];
  const int bottom = Floats() ? DrawBottom : MarginBottomY - m[PropMarginBottom];
  const int width = LeftBorderPadding() + NewWidth + RightBorderPadding();
  line += " " + W::Rect(left, top, width, bottom - top);
  if (m[PropMarginTop] || m[PropMarginRight] || m[PropMarginBottom] || m[PropMarginLeft])
    line += " margin " + four(PropMarginTop);
  if (m[PropBorderTopWidth] || m[PropBorderRightWidth] || m[PropBorderBottomWidth] ||
      m[PropBorderLeftWidth])
    line += " border " + four(PropBorderTopWidth);
  if (m[PropPaddingTop] || m[PropPaddingRight] || m[PropPaddingBottom] || m[PropPaddingLeft])
    line += " padding " + four(PropPaddingTop);
  if (FloatLR == TFloatSide::Left) line += " float left";
  if (FloatLR == TFloatSide::Right) line += " float right";
  if (ClearAddon > 0) line += " clear +" + std::to_string(ClearAddon);
  if (Positioning == TPositioning::Relative)
    line += " relative " + std::to_string(LeftP) + "," + std::to_string(TopP);
  if (Positioning == TPositioning::Absolute)
    line += " absolute " + std::to_string(LeftP) + "," + std::to_string(TopP);
  if (ZIndex != 0) line += " z " + std::to_string(ZIndex);
  if (m[PropBackgroundColor] != static_cast<int>(NoColorValue))
    line += " bg " + W::Colour(m[PropBackgroundColor]);
  if (HideOverflow) line += " overflow hidden";
  if (Visibility == TVisibility::Hidden) line += " hidden";
  line += " doc " + W::Range(StartCurs, StartCurs + Len);
  return line;
}

void TBlock::Dump(LayoutDumpWriter& writer) const {
  writer.Line(DumpLine("block"));
  if (DisplayNone) return;
  LayoutDumpWriter::Nested nested(writer);
  DumpCell(writer, MyCell);
}

// ----------------------------------------------------------------- TTableBlock

TTableBlock::TTableBlock(TSectionListBase* master, TProperties& prop, TCellBasic* ownerCell,
                         std::unique_ptr<ThtmlTable> table, const TAttributeList* tableAttributes)
    : TBlock(master, prop, ownerCell, tableAttributes, false) {
  Table = table.get();
  if (Table) {
    Table->TableBlock = this;
    MyCell.Add(std::move(table), 0);
  }
  if (tableAttributes) {
    for (int i = 0; i < tableAttributes->Count(); ++i) {
      const TAttribute& a = (*tableAttributes)[i];
      switch (a.Which) {
        case HtmlSymbol::Width:
          if (a.Name.find('%') != std::string::npos) {
            if (a.Value > 0) {
              WidthAttr = std::min(a.Value, 100) * 10;
              AsPercent = true;
            }
          } else if (a.Value > 0) {
            WidthAttr = a.Value;
          }
          break;
        case HtmlSymbol::Align:
          TakeTableAlign(*this, a.Name);
          break;
        case HtmlSymbol::BgColor: {
          platform::Colour c;
          if (ColorFromString(a.Name, false, c)) {
            BkGnd = true;
            BkColor = c;
          }
          break;
        }
        case HtmlSymbol::Background:
          if (!a.Name.empty()) {
            Background = std::make_unique<TBackground>(
                std::make_unique<TImageObj>(master, a.Name),
                PositionRecArray{PositionRec{TBgPos::Dim, 0, true, false},
                                 PositionRec{TBgPos::Dim, 0, true, false}});
          }
          break;
        case HtmlSymbol::Height:
          if (!LengthGiven(MargArrayO[PropHeight]) && a.Value > 0)
            SetBoxValue(PropHeight, a.Name.find('%') != std::string::npos
                                         ? PropValue(std::to_string(a.Value) + "%")
                                         : PropValue(a.Value));
          break;
        case HtmlSymbol::HSpace:
          HSpace = std::min(std::abs(a.Value), 40);
          break;
        case HtmlSymbol::VSpace:
          VSpace = std::min(std::abs(a.Value), 200);
          break;
        default:
          break;
      }
    }
  }
  if (Floats() && ZIndex == 0) ZIndex = 1;
  if (Table && Table->BorderWidth > 0) {
    bool styled = false;
    for (int side = 0; side < 4; ++side) {
      const PropValue& v = MargArrayO[PropBorderTopStyle + side];
      if (v.IsInt() && v.Int() != 0) styled = true;
    }
    if (!styled) {
      for (int side = 0; side < 4; ++side) {
        SetBoxValue(PropBorderTopWidth + side, PropValue(Table->BorderWidth));
        SetBoxValue(PropBorderTopStyle + side, PropValue(static_cast<int>(BorderStyle::Outset)));
      }
      BlockBorderStyle = BorderStyle::Outset;
      TableBorder = true;
    }
  }
  const PropValue& width = MargArrayO[PropWidth];
  if (width.IsText() && width.Text().find('%') != std::string::npos) {
    const double pc = platform::LeadingFloat(width.Text());
    if (pc > 0) {
      WidthAttr = std::min(1000, ClampToInt(pc * 10));
      AsPercent = true;
    }
  } else if (LengthGiven(width)) {
    const int px = width.IsText() ? LengthConv(width.Text(), false, 0, EmSize, ExSize, 0)
                                  : width.Int();
    if (px > 0) {
      WidthAttr = px;
      AsPercent = false;
    }
  }
  // The table block finds its width itself; a width in pixels is also the
  // block's own width, so that a table around it makes room for it.
  SetBoxValue(PropWidth, PropValue());
  if (WidthAttr > 0 && !AsPercent) {
    TMarginArray m{};
    int count = 0;
    ConvMargArray(MargArrayO, 0, kBlockBaseHeight, EmSize, ExSize, m, count);
    const int bp = m[PropBorderLeftWidth] + m[PropPaddingLeft] + m[PropBorderRightWidth] +
                   m[PropPaddingRight];
    SetBoxValue(PropWidth, PropValue(std::max(1, WidthAttr - bp)));
  }
  CollapseMargins();
  if (Table) Table->Float = Floats();
}

TTableBlock::~TTableBlock() = default;

int TTableBlock::FindWidth(platform::Canvas& canvas, int aWidth, int aHeight, int autoCount) {
  TMarginArray& m = MargArray.Own();
  int& ml = m[PropMarginLeft];
  int& mr = m[PropMarginRight];
  if (HasCaption) {
    ml = mr = 0;
  } else {
    if (ml == LengthAuto) ml = 0;
    if (mr == LengthAuto) mr = 0;
    if (Floats()) {
      if (ml == 0) ml = HSpace;
      if (mr == 0) mr = HSpace;
      if (m[PropMarginTop] == 0) m[PropMarginTop] = VSpace;
      if (m[PropMarginBottom] == 0) m[PropMarginBottom] = VSpace;
    }
  }
  if (BkGnd && m[PropBackgroundColor] == static_cast<int>(NoColorValue))
    m[PropBackgroundColor] = BkColor;
  const int w = FindWidth1(canvas, aWidth, ml + mr);
  const int room = aWidth - w - LeftExtra() - RightExtra();
  if (ml == 0 && mr == 0 && room > 0) {
    if (Justification == TTextAlign::Center)
      ml = room / 2;
    else if (Justification == TTextAlign::Right)
      ml = room;
  }
  m[PropWidth] = w;
  return w;
}

int TTableBlock::FindWidth1(platform::Canvas& canvas, int aWidth, int extMarg) {
  if (!Table) return 0;
  const int bp = LeftBorderPadding() + RightBorderPadding();
  int mn = 0, mx = 0;
  if (WidthAttr == 0) {
    Table->SpecWidth = 0;
    Table->WidthRange(canvas, mn, mx);
    const int avail = aWidth - extMarg - bp;
    return mx <= avail ? mx : std::max(mn, avail);
  }
  const int want = AsPercent ? MulDiv(aWidth, WidthAttr, 1000) - extMarg - bp : WidthAttr - bp;
  Table->SpecWidth = std::max(0, want);
  Table->WidthRange(canvas, mn, mx);
  const int w = std::max(mn, want);
  Table->SpecWidth = std::max(0, w);
  return w;
}

int TTableBlock::Layout(platform::Canvas& canvas, int x, int y, int xRef, int yRef, int aWidth,
                        int aHeight, int blHt, IndentManager& iMgr, int& maxWidth, int& curs) {
  TableIndent = 0;
  if (!Floats() && Positioning != TPositioning::Absolute) {
    const int left = iMgr.LeftIndent(y);
    const int right = iMgr.RightSide(y);
    if (left > x) TableIndent = left - x;
    aWidth = std::min(aWidth - TableIndent, right - x - TableIndent);
  }
  return TBlock::Layout(canvas, x + TableIndent, y, xRef, yRef, aWidth, aHeight, blHt, iMgr,
                        maxWidth, curs);
}

int TTableBlock::ContentHeightLimit(int, int) const {
  // Only a height the table is given stretches its rows: the height of the
  // box around it (a table cell, the window) is room, not a request.
  return MargArray[PropHeight] > 0 ? MargArray[PropHeight] : 0;
}

int TTableBlock::Draw(platform::Canvas& canvas, TDrawContext& context, const platform::Rect& aRect,
                      IndentManager& iMgr, int x, int xRef, int yRef) {
  return TBlock::Draw(canvas, context, aRect, iMgr, x + TableIndent, xRef, yRef);
}

void TTableBlock::AddToPositionList() {
  if (Table && !DisplayNone) Table->AddToPositionList();
}

void TTableBlock::Dump(LayoutDumpWriter& writer) const {
  std::string line = DumpLine("tableblock");
  if (TableBorder && Table) line += " frame " + std::to_string(Table->BorderWidth);
  writer.Line(line);
  if (DisplayNone) return;
  LayoutDumpWriter::Nested nested(writer);
  DumpCell(writer, MyCell);
}

void TTableBlock::DrawBlockBorder(platform::Canvas& canvas, const TDrawContext& context,
                                  const platform::Rect& borderBox,
                                  const platform::Rect& paddingBox) {
  if (!TableBorder || !Table) {
    TBlock::DrawBlockBorder(canvas, context, borderBox, paddingBox);
    return;
  }
  if (Table->DefaultBorderColors())
    RaisedRect(canvas, borderBox, Table->BorderWidth, true,
               Root ? Root->Background : platform::clWhite, context.PrintMonochrome);
  else
    Frame3D(canvas, borderBox, Table->BorderWidth, Table->BorderColorLight, Table->BorderColorDark);
}

// ------------------------------------------------------- TTableAndCaptionBlock

TTableAndCaptionBlock::TTableAndCaptionBlock(TSectionListBase* master, TProperties& prop,
                                             TCellBasic* ownerCell,
                                             const TAttributeList* tableAttributes,
                                             TTableBlock* tableBlock)
    : TBlock(master, prop, ownerCell, nullptr, false), TableBlock(tableBlock) {
  Background.reset();
  if (tableAttributes) {
    TableID = tableAttributes->GetID();
    if (const TAttribute* a = tableAttributes->Find(HtmlSymbol::Align))
      TakeTableAlign(*this, a->Name);
  }
  if (Floats() && ZIndex == 0) ZIndex = 1;
  for (int i = PropPaddingTop; i <= PropBorderLeftWidth; ++i) SetBoxValue(i, PropValue(0));
  for (int i = PropBorderTopStyle; i <= PropBorderLeftStyle; ++i) SetBoxValue(i, PropValue(0));
  SetBoxValue(PropBackgroundColor, PropValue());
  SetBoxValue(PropWidth, PropValue());
  BlockBorderStyle = BorderStyle::None;
}

TTableAndCaptionBlock::~TTableAndCaptionBlock() = default;

void TTableAndCaptionBlock::Dump(LayoutDumpWriter& writer) const {
  writer.Line(DumpLine("captionblock") + (TopCaption ? " caption top" : " caption bottom"));
  if (DisplayNone) return;
  LayoutDumpWriter::Nested nested(writer);
  DumpCell(writer, MyCell);
}

void TTableAndCaptionBlock::SetCaptionBlock(TBlock* caption, bool top) {
  CaptionBlock = caption;
  TopCaption = top;
  if (!TableBlock) return;
  SetBoxValue(PropMarginTop, TableBlock->MargArrayO[PropMarginTop]);
  SetBoxValue(PropMarginBottom, TableBlock->MargArrayO[PropMarginBottom]);
  TableBlock->SetBoxValue(PropMarginTop, PropValue(0));
  TableBlock->SetBoxValue(PropMarginBottom, PropValue(0));
  TableBlock->HasCaption = true;
  TableBlock->FloatLR = TFloatSide::None;
  TableBlock->Justification = TTextAlign::Center;
  if (TableBlock->ZIndex == 1 && TableBlock->Positioning == TPositioning::Static)
    TableBlock->ZIndex = 0;
  if (TableBlock->Table) TableBlock->Table->Float = false;
  if (!TableID.empty())
    if (TSectionListObjects* objects = ObjectsOf(Root)) objects->AddIDObject(TableID, TableBlock);
}

void TTableAndCaptionBlock::WidthRange(platform::Canvas& canvas, int& minWidth, int& maxWidth) {
  minWidth = maxWidth = 0;
  if (DisplayNone) return;
  for (TBlock* b : {static_cast<TBlock*>(TableBlock), CaptionBlock}) {
    if (!b) continue;
    int mn = 0, mx = 0;
    b->WidthRange(canvas, mn, mx);
    minWidth = std::max(minWidth, mn);
    maxWidth = std::max(maxWidth, mx);
  }
}

int TTableAndCaptionBlock::FindWidth(platform::Canvas& canvas, int aWidth, int aHeight,
                                     int autoCount) {
  TMarginArray& m = MargArray.Own();
  int& ml = m[PropMarginLeft];
  int& mr = m[PropMarginRight];
  if (ml == LengthAuto) ml = 0;
  if (mr == LengthAuto) mr = 0;
  int w = 0;
  if (TableBlock) {
    int count = 0;
    TableBlock->ConvertMargins(aWidth - ml - mr, aHeight, count);
    w = TableBlock->FindWidth1(canvas, aWidth, ml + mr) + TableBlock->LeftBorderPadding() +
        TableBlock->RightBorderPadding();
  }
  if (CaptionBlock) {
    int mn = 0, mx = 0;
    CaptionBlock->WidthRange(canvas, mn, mx);
    w = std::max(w, mn);
  }
  const int room = aWidth - w - ml - mr;
  if (ml == 0 && mr == 0 && room > 0) {
    if (Justification == TTextAlign::Center)
      ml = room / 2;
    else if (Justification == TTextAlign::Right)
      ml = room;
  }
  m[PropWidth] = w;
  return w;
}

int TTableAndCaptionBlock::DocPosOf(int sourcePos, bool prev) {
  if (DisplayNone) return -1;
  TBlock* first = prev ? static_cast<TBlock*>(TableBlock) : CaptionBlock;
  TBlock* second = prev ? CaptionBlock : static_cast<TBlock*>(TableBlock);
  for (TBlock* b : {first, second}) {
    if (!b) continue;
    const int pos = b->DocPosOf(sourcePos, prev);
    if (pos >= 0) return pos;
  }
  return -1;
}

// ------------------------------------------------------------------- THRBlock

THorzLine* THRBlock::Line() const {
  for (int i = 0; i < MyCell.Count(); ++i)
    if (auto* line = dynamic_cast<THorzLine*>(MyCell[i])) return line;
  return nullptr;
}

int THRBlock::FindWidth(platform::Canvas& canvas, int aWidth, int aHeight, int autoCount) {
  TMarginArray& m = MargArray.Own();
  int& ml = m[PropMarginLeft];
  int& mr = m[PropMarginRight];
  if (ml == LengthAuto) ml = 0;
  if (mr == LengthAuto) mr = 0;
  const int extras = ml + mr + LeftBorderPadding() + RightBorderPadding();
  const int avail = aWidth - extras;
  int w = MargArray[PropWidth];
  if (w != LengthAuto && w > 0)
    w = std::min(w, avail);
  else
    w = std::max(15, avail);
  if (Positioning != TPositioning::Absolute) {
    const int room = aWidth - w - extras;
    if (room > 0) {
      if (Align == TTextAlign::Center)
        ml += room / 2;
      else if (Align == TTextAlign::Right)
        ml += room;
    }
  }
  if (THorzLine* line = Line(); line && MargArray[PropHeight] > 0) line->VSize = MargArray[PropHeight];
  m[PropWidth] = w;
  return w;
}

void THRBlock::Dump(LayoutDumpWriter& writer) const {
  writer.Line(DumpLine("hrblock"));
  if (DisplayNone) return;
  LayoutDumpWriter::Nested nested(writer);
  DumpCell(writer, MyCell);
}

// ------------------------------------------------------------------ TBodyBlock

TBodyBlock::TBodyBlock(TSectionListBase* master, TProperties& prop, TCellBasic* ownerCell,
                       const TAttributeList* attributes)
    : TBlock(master, prop, ownerCell, attributes, false) {
  Positioning = TPositioning::Static;
  FloatLR = TFloatSide::None;
  ZIndex = 0;
  if (TSectionListObjects* list = ObjectsOf(master)) {
    platform::Colour bg;
    if (prop.GetBackgroundColor(bg) && bg != NoColorValue) list->SetBackground(bg);
    std::string image;
    if (prop.GetBackgroundImage(image) && !image.empty()) {
      PositionRecArray pos;
      prop.GetBackgroundPos(EmSize, ExSize, pos);
      list->SetBackgroundImage(image, pos);
    }
  }
  Background.reset();
  SetBoxValue(PropBackgroundColor, PropValue());
}

int TBodyBlock::Layout(platform::Canvas& canvas, int x, int y, int xRef, int yRef, int aWidth,
                       int aHeight, int blHt, IndentManager& iMgr, int& maxWidth, int& curs) {
  StartCurs = curs;
  DrawTop = SectionTop = y;
  int autoCount = 0;
  ConvertMargins(aWidth, aHeight, autoCount);
  TMarginArray& m = MargArray.Own();
  for (int i : {PropMarginLeft, PropMarginRight, PropWidth})
    if (m[i] == LengthAuto) m[i] = 0;
  const int ml = MargArray[PropMarginLeft], mr = MargArray[PropMarginRight];
  const int mt = MargArray[PropMarginTop], mb = MargArray[PropMarginBottom];
  NewWidth = iMgr.Width - ml - mr - LeftBorderPadding() - RightBorderPadding();
  Indent = ml + LeftBorderPadding();
  ContentLeft = Indent;
  const int contentTop = y + mt + MargArray[PropPaddingTop] + MargArray[PropBorderTopWidth];
  MyCell.IMgr = &iMgr;
  IndentOwnerScope owner(iMgr, ownerID_);
  owner.OpenEdges(ContentLeft, ContentLeft + NewWidth, contentTop);
  int contentWidth = 0;
  const int contentHeight =
      MyCell.DoLayout(canvas, ContentLeft, contentTop, xRef, yRef, NewWidth,
                       aHeight - mt - mb, blHt, contentWidth, curs);
  owner.End();
  Len = curs - StartCurs;
  ContentBottom = contentTop + std::max(0, contentHeight);
  const int pbb = MargArray[PropPaddingBottom] + MargArray[PropBorderBottomWidth];
  MarginBottomY = ContentBottom + pbb + mb;
  const int contentDrawBottom = MyCell.Count() > 0 ? MyCell.ContentBot : ContentBottom;
  DrawBottom = std::max(ContentBottom, contentDrawBottom) + pbb;
  SectionHeight = DrawBottom + mb - y;
  BlockHeight = SectionHeight;
  DrawHeight = std::max(SectionHeight, iMgr.ImageBottom() - y);
  maxWidth = std::max(iMgr.Width, std::max(contentWidth, NewWidth) + ml + mr);
  if (!drawListBuilt_) BuildDrawList();
  drawReach_.Reset();
  ContentTop = MyCell.Count() > 0 ? std::min(y, MyCell.ContentTop) : y;
  SectionBottom = y + SectionHeight;
  ContentBot = std::max(y + DrawHeight, MyCell.Count() > 0 ? MyCell.ContentBot : 0);
  MargArray.Share(BoxValuesOf(Root).Resolved);
  return SectionHeight;
}

int TBodyBlock::Draw(platform::Canvas& canvas, TDrawContext& context, const platform::Rect& aRect,
                     IndentManager& iMgr, int x, int xRef, int yRef) {
  IndentManager& mgr = MyCell.IMgr ? *MyCell.IMgr : iMgr;
  IndentOwnerScope owner(mgr, ownerID_);
  const int contentX = context.Cell.Left + Indent;
  DrawContent(canvas, context, aRect, mgr, contentX, xRef, yRef);
  return DrawTop + SectionHeight;
}

void TBodyBlock::Dump(LayoutDumpWriter& writer) const {
  writer.Line(DumpLine("body"));
  LayoutDumpWriter::Nested nested(writer);
  DumpCell(writer, MyCell);
}

unsigned TBodyBlock::HitLink(platform::Canvas& canvas, int x, int y,
                             std::unique_ptr<TUrlTarget>& url, TFormControlObj*& formControl,
                             std::string& title) {
  url.reset();
  formControl = nullptr;
  unsigned flags = MyCell.GetURL(canvas, x, y, url, formControl, title);
  if (!(flags & guTitle) && !BlockTitle().empty()) {
    title = BlockTitle();
    flags |= guTitle;
  }
  return flags;
}

}  // namespace htmlview
