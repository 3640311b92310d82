#include "htmlview/layout/tables.h"

#include <algorithm>
#include <limits>

#include "htmlview/layout/blocks.h"
#include "htmlview/layout/docroot.h"
#include "htmlview/layout/imageobj.h"
#include "htmlview/layout/layoutdump.h"
#include "htmlview/layout/tablewidths.h"
#include "htmlview/layout/viewdraw.h"
#include "htmlview/parse/attributes.h"
#include "platform/sysutils.h"

namespace htmlview {

namespace {

bool HasPercent(const std::string& text) { return text.find('%') != std::string::npos; }

}  // namespace

// ------------------------------------------------------------------ TCellObj

TCellObj::TCellObj(TSectionListBase* master, TVAlign vAlign, const TAttributeList* attributes,
                   TProperties* prop)
    : VAlign(vAlign), Cell(std::make_unique<TCellObjCell>(master)) {
  Padding.fill(-1);
  // What is read only here is not kept: a page may hold a great many cells.
  std::string bkImageName;
  if (attributes) {
    for (int i = 0; i < attributes->Count(); ++i) {
      const TAttribute& a = (*attributes)[i];
      switch (a.Which) {
        case HtmlSymbol::ColSpan:
          if (a.Value > 1) ColSpan = std::min(a.Value, kMaxColSpan);
          break;
        case HtmlSymbol::RowSpan:
          if (a.Value > 1) RowSpan = std::min(a.Value, kMaxRowSpan);
          break;
        case HtmlSymbol::Width:
          if (HasPercent(a.Name)) {
            if (a.Value >= 1 && a.Value <= 100) {
              SpecWd = a.Value * 10;
              SpecWdIsPercent = true;
            }
          } else if (a.Value > 0) {
            SpecWd = a.Value;
          }
          break;
        case HtmlSymbol::Height:
          if (HasPercent(a.Name))
            SpecHtPct = std::clamp(a.Value, 0, 100);
          else
            SpecHt = a.Value;
          break;
        case HtmlSymbol::BgColor: {
          platform::Colour c;
          if (ColorFromString(a.Name, false, c)) {
            Cell->BkGnd = true;
            Cell->BkColor = c;
          }
          break;
        }
        case HtmlSymbol::Background:
          bkImageName = a.Name;
          break;
        case HtmlSymbol::Href:
          Cell->MakeLinks().Url = a.Name;
          break;
        case HtmlSymbol::Target:
          Cell->MakeLinks().Target = a.Name;
          break;
        default:
          break;
      }
    }
    if (std::string title = attributes->GetTitle(); !title.empty())
      Cell->MakeLinks().Title = std::move(title);
  }
  if (!prop) return;
  Cell->SetOwnerTag(prop->PropTag);
  const int emSize = prop->EmSize, exSize = prop->ExSize;
  if (prop->Props[PropColor].IsInt()) FGColor = prop->Props[PropColor].Colour();
  TVAlign align = TVAlign::None;
  if (prop->GetVertAlign(align) &&
      (align == TVAlign::Top || align == TVAlign::Middle || align == TVAlign::Bottom))
    VAlign = align;
  // The style's values are read here and not kept: a page may hold a great
  // many cells.
  const TVMarginArray MargArrayO = prop->GetVMarginArray();
  for (int side = 0; side < 4; ++side)
    BorderColorGiven[side] = !MargArrayO[PropBorderTopColor + side].IsEmptyOrNull();
  const PropValue& width = MargArrayO[PropWidth];
  if (width.IsText() && HasPercent(width.Text())) {
    const double pc = platform::LeadingFloat(width.Text());
    if (pc > 0 && pc < 100) {
      SpecWd = static_cast<int>(pc * 10);
      SpecWdIsPercent = true;
    }
  } else if (width.IsText() || (width.IsInt() && width.Int() != UnsetLength)) {
    const int px = width.IsText() ? LengthConv(width.Text(), false, 100, emSize, exSize, 0)
                                  : width.Int();
    if (px > 0) {
      SpecWd = px;
      SpecWdIsPercent = false;
    }
  }
  int autoCount = 0;
  TMarginArray margins{};
  ConvMargArray(MargArrayO, 100, 0, emSize, exSize, margins, autoCount);
  if (margins[PropHeight] > 0 && margins[PropHeight] != LengthAuto)
    SpecHt = margins[PropHeight];
  platform::Colour bg;
  if (prop->GetBackgroundColor(bg) && bg != NoColorValue) {
    Cell->BkGnd = true;
    Cell->BkColor = bg;
  }
  std::string image;
  if (prop->GetBackgroundImage(image) && !image.empty()) bkImageName = image;
  if (!bkImageName.empty()) {
    PositionRecArray pos{};
    prop->GetBackgroundPos(emSize, exSize, pos);
    Background = std::make_unique<TBackground>(std::make_unique<TImageObj>(master, bkImageName), pos);
  }
  TMarginArray paddings{};
  ConvCellPaddings(MargArrayO, emSize, exSize, paddings);
  for (int side = 0; side < 4; ++side) {
    Padding[side] = paddings[PropPaddingTop + side];
    BorderWidths[side] = margins[PropBorderTopWidth + side];
    BorderColors[side] = static_cast<platform::Colour>(margins[PropBorderTopColor + side]);
    BorderStyles[side] = static_cast<BorderStyle>(margins[PropBorderTopStyle + side]);
    if (margins[PropBorderTopStyle + side] != 0) HasBorderStyle = true;
  }
}

TCellObj::TCellObj(int rowSpan) : ColSpan(0), RowSpan(rowSpan) { Padding.fill(-1); }

std::unique_ptr<TCellObj> TCellObj::MakeFiller(int rowSpan) {
  return std::unique_ptr<TCellObj>(new TCellObj(rowSpan));
}

TCellObj::~TCellObj() = default;

void TCellObj::Initialize(int tablePadding, int tableBorder) {
  for (int side = 0; side < 4; ++side) {
    if (Padding[side] < 0) Padding[side] = tablePadding;
    if (tableBorder >= 1 && !HasBorderStyle) BorderWidths[side] = std::max(1, BorderWidths[side]);
  }
  HzSpace = Padding[1] + Padding[3] + BorderWidths[1] + BorderWidths[3];
  VrSpace = Padding[0] + Padding[2] + BorderWidths[0] + BorderWidths[2];
}

void TCellObj::PrepareBackground() {
  if (!Background) return;
  Background->NeedCompose = false;
  Background->Tiled.reset();
  if (!Background->Image || !Cell || !Cell->MasterList || !Cell->MasterList->ShowImages) return;
  TImageObj& picture = *Background->Image;
  if (picture.Kind() == TImageObj::PictureKind::None) {
    platform::Bitmap scratch(1, 1);
    platform::Canvas canvas(&scratch.Image());
    picture.Layout(Cell->MasterList, canvas, nullptr, 100, 100);
  }
  if (picture.Kind() == TImageObj::PictureKind::Error) {
    Background->Image.reset();
    return;
  }
  Background->NeedCompose = true;
}

void TCellObj::Draw(platform::Canvas& canvas, TDrawContext& context, const platform::Rect& aRect,
                    int x, int y, int cellSpacing, bool tableBorder,
                    platform::Colour borderLight, platform::Colour borderDark,
                    bool defaultBorderColors) {
  if (!Cell) return;
  TSectionListBase* root = Cell->MasterList;
  const int yOff = YOffOf(root);
  platform::Rect r{x + cellSpacing, y + cellSpacing - yOff, x + Wd, 0};
  r.bottom = cellSpacing == -1 ? r.top + Ht : r.top + Ht - cellSpacing;
  DrawY = y;
  Cell->CellRect = r;
  if (r.right <= aRect.left || r.left >= aRect.right || r.bottom <= aRect.top ||
      r.top >= aRect.bottom)
    return;

  if (Background) Background->Compose(r.Width(), r.Height());
  const bool printed = !context.Printing || context.PrintTableBackground;
  if (Cell->BkGnd && Cell->BkColor != NoColorValue && printed) FillRectColor(canvas, r, Cell->BkColor);
  if (Background && Background->Tiled) canvas.Draw(r.left, r.top, *Background->Tiled);

  if (!HasBorderStyle) {
    if (tableBorder && Cell->Count() > 0) {
      const int width = std::max(1, BorderWidths[0]);
      if (defaultBorderColors)
        RaisedRect(canvas, r, width, false, root ? root->Background : platform::clWhite,
                   context.PrintMonochrome);
      else
        Frame3D(canvas, r, width, borderDark, borderLight);
    }
  } else {
    TBorderColors colors;
    TBorderStyles styles;
    bool simple = true;
    for (int side = 0; side < 4; ++side) {
      platform::Colour c = BorderColors[side];
      if (c == NoColorValue || !BorderColorGiven[side]) c = FGColor;
      colors[side] = c;
      styles[side] = BorderStyles[side];
      if (BorderWidths[side] != 1 || styles[side] != BorderStyle::Solid || c != colors[0])
        simple = false;
    }
    if (simple) {
      Frame3D(canvas, r, 1, colors[0], colors[0]);
    } else {
      const platform::Rect inner{r.left + BorderWidths[3], r.top + BorderWidths[0],
                                 r.right - BorderWidths[1], r.bottom - BorderWidths[2]};
      DrawCssBorder(canvas, r, inner, colors, styles, NoColorValue, context.Printing);
    }
  }

  if (Cell->Count() == 0) return;
  if (r.bottom + 200 < aRect.top || r.top - 200 > aRect.bottom) return;
  const int level = canvas.Save();
  const platform::Rect content{r.left + Padding[3] + BorderWidths[3],
                               r.top + Padding[0] + BorderWidths[0],
                               r.right - Padding[1] - BorderWidths[1],
                               r.bottom - Padding[2] - BorderWidths[2]};
  canvas.IntersectClipRect(content);
  Cell->Draw(canvas, context, aRect, Wd - HzSpace - cellSpacing,
             x + cellSpacing + Padding[3] + BorderWidths[3],
             y + cellSpacing + Padding[0] + BorderWidths[0] + YIndent, 0, 0);
  canvas.Restore(level);
}

// ----------------------------------------------------------------- TCellList

TCellList::TCellList(const TAttributeList* attributes, TProperties* prop) {
  if (attributes) {
    for (int i = 0; i < attributes->Count(); ++i) {
      const TAttribute& a = (*attributes)[i];
      switch (a.Which) {
        case HtmlSymbol::Height:
          if (HasPercent(a.Name))
            SpecRowHeightPct = std::clamp(a.Value, 0, 100);
          else
            SpecRowHeight = a.Value;
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
          BkImageName = a.Name;
          break;
        default:
          break;
      }
    }
  }
  if (!prop) return;
  platform::Colour bg;
  if (prop->GetBackgroundColor(bg) && bg != NoColorValue) {
    BkGnd = true;
    BkColor = bg;
  }
  std::string image;
  if (prop->GetBackgroundImage(image) && !image.empty()) BkImageName = image;
  if (!BkImageName.empty()) prop->GetBackgroundPos(prop->EmSize, prop->ExSize, BkPos);
}

static_assert(alignof(TCellObj) > 1, "a grid position marks a shared filler by its low bit");

// The shared fillers belong to the table, which may free them first: the
// row frees only its own cells and never looks at a filler here.
TCellList::~TCellList() {
  for (int i = 0; i < Count(); ++i) delete Own(i);
}

void TCellList::Add(std::unique_ptr<TCellObj> cell) {
  if (cell) {
    if (SpecRowHeight >= 1)
      cell->SpecHt = std::max(cell->SpecHt, SpecRowHeight);
    else if (SpecRowHeightPct > 0)
      cell->SpecHtPct = std::max(cell->SpecHtPct, SpecRowHeightPct);
  }
  slots_.push_back(0);   // room first, so that a failing push leaks nothing
  slots_.back() = reinterpret_cast<std::uintptr_t>(cell.release());
}

int TCellList::RealEnd() const {
  for (int i = Count() - 1; i >= 0; --i)
    if (Real(i)) return i + 1;
  return 0;
}

void TCellList::DropFrom(int n) {
  // Where the search for a span to shorten resumes: spans only shrink and
  // the positions left of the end stay, so those it passed hold none (a
  // row of a thousand fillers loses them in one pass, not one each).
  int from = Count() - 2;
  for (int end = Count(); end > n; --end) {
    for (from = std::min(from, end - 2); from >= 0; --from) {
      if (TCellObj* cell = Own(from); cell && cell->ColSpan > 1) {
        --cell->ColSpan;
        break;
      }
    }
    delete Own(end - 1);
  }
  if (n < Count()) slots_.resize(std::max(n, 0));
}

TCellList::GridNeed TCellList::NeedInGrid(const std::vector<int>& spansBelow) const {
  GridNeed need;
  need.Entries = Count();
  for (int i = 0; i < Count(); ++i) {
    const TCellObj* cell = Real(i);
    need.Own += cell ? std::max(1, cell->ColSpan) : 1;
  }
  for (size_t c = 0; c < spansBelow.size(); ++c)
    if (spansBelow[c] > 0) {
      ++need.Covered;
      need.CoveredEnd = static_cast<std::int64_t>(c) + 1;
    }
  return need;
}

void TCellList::ShortenColumnSpans(std::int64_t spare) {
  for (int i = 0; i < Count(); ++i) {
    TCellObj* cell = Real(i);
    if (!cell || cell->ColSpan <= 1) continue;
    const std::int64_t extra = std::clamp<std::int64_t>(spare, 0, cell->ColSpan - 1);
    cell->ColSpan = 1 + static_cast<int>(extra);
    spare -= extra;
  }
}

void TCellList::ShortenRowSpan(int at, int rowSpan, TCellFillers& fillers) {
  TCellObj* cell = Own(at);
  if (!cell || rowSpan >= cell->RowSpan) return;
  cell->RowSpan = std::max(rowSpan, 1);
  if (!cell->IsReal()) return;
  // The fillers of its column span follow it, with only positions a span
  // from above covers between them.
  const std::uintptr_t covered = SharedSlot(fillers.Get(0));
  const std::uintptr_t filler = SharedSlot(fillers.Get(cell->RowSpan));
  int left = cell->ColSpan - 1;
  for (int i = at + 1; left > 0 && i < Count(); ++i) {
    if (slots_[i] == covered) continue;
    slots_[i] = filler;
    --left;
  }
}

void TCellList::PlaceInGrid(std::vector<int>& spansBelow, int rowsLeft, TCellFillers& fillers,
                            std::vector<int>& reaching) {
  // The row's length: its own positions and the covered ones, or up to the
  // last covered position when its own end before that.
  const size_t length = static_cast<size_t>(NeedInGrid(spansBelow).Length());
  const std::uintptr_t covered = SharedSlot(fillers.Get(0));
  std::vector<std::uintptr_t> grid;
  grid.reserve(length);
  size_t next = 0;                 // the next of the row's own entries
  std::uintptr_t spanFiller = 0;   // behind a real cell: its column span's filler
  int spanFillersLeft = 0;
  while (grid.size() < length) {
    const size_t at = grid.size();
    if (at < spansBelow.size() && spansBelow[at] > 0) {
      --spansBelow[at];
      grid.push_back(covered);
      continue;
    }
    std::uintptr_t slot = covered;   // a row too short is filled
    if (spanFillersLeft > 0) {
      slot = spanFiller;
      --spanFillersLeft;
    } else if (next < slots_.size()) {
      slot = slots_[next];
      if (const TCellObj* cell = Real(static_cast<int>(next)); cell && cell->ColSpan > 1) {
        spanFiller = SharedSlot(fillers.Get(cell->RowSpan > 1 ? cell->RowSpan : 1));
        spanFillersLeft = cell->ColSpan - 1;
      }
      ++next;
    }
    grid.push_back(slot);
    // What stands here covers the rows below as far as its row span reaches.
    const TCellObj* cell = CellOf(slot);
    if (!cell) continue;
    const int span = std::min(cell->RowSpan, rowsLeft);
    TCellObj* mine = OwnOf(slot);
    if (mine) mine->RowSpan = span;
    if (span > 1) {
      if (spansBelow.size() <= at) spansBelow.resize(at + 1, 0);
      spansBelow[at] = span - 1;
      if (mine) reaching.push_back(static_cast<int>(at));
    }
  }
  slots_ = std::move(grid);
  // Columns no span covers any more at the right end are forgotten, so that
  // the rows below look only as far as spans reach: a wide row above does
  // not make every row after it as costly.
  while (!spansBelow.empty() && spansBelow.back() == 0) spansBelow.pop_back();
}

void TCellList::SpreadBackground() {
  if (!BkGnd) return;
  for (int i = 0; i < Count(); ++i)
    if (TCellObj* cell = Own(i); cell && cell->Cell && !cell->Cell->BkGnd) {
      cell->Cell->BkGnd = true;
      cell->Cell->BkColor = BkColor;
    }
}

const TCellObj& TCellFillers::Get(int rowSpan) {
  std::unique_ptr<TCellObj>& filler = fillers_[rowSpan];
  if (!filler) filler = TCellObj::MakeFiller(rowSpan);
  return *filler;
}

// ---------------------------------------------------------------- ThtmlTable

ThtmlTable::ThtmlTable(TSectionListBase* master, const TAttributeList* attributes,
                       TProperties* prop)
    : TSectionBase(master),
      BorderColorLight(platform::clBtnHighlight),
      BorderColorDark(platform::clBtnShadow) {
  if (attributes) {
    for (int i = 0; i < attributes->Count(); ++i) {
      const TAttribute& a = (*attributes)[i];
      platform::Colour c;
      switch (a.Which) {
        case HtmlSymbol::Border:
          BorderWidth = a.Name.empty() ? 1 : std::clamp(a.Value, 0, kMaxTableBorder);
          break;
        case HtmlSymbol::CellSpacing:
          if (a.Value >= -1) CellSpacing = std::min(a.Value, kMaxCellSpacing);
          break;
        case HtmlSymbol::CellPadding:
          if (a.Value >= 0) CellPadding = std::min(a.Value, kMaxCellPadding);
          break;
        case HtmlSymbol::BorderColor:
          if (ColorFromString(a.Name, false, c)) BorderColorLight = BorderColorDark = c;
          break;
        case HtmlSymbol::BorderColorLight:
          if (ColorFromString(a.Name, false, c)) BorderColorLight = c;
          break;
        case HtmlSymbol::BorderColorDark:
          if (ColorFromString(a.Name, false, c)) BorderColorDark = c;
          break;
        case HtmlSymbol::BgColor:
          if (ColorFromString(a.Name, false, c)) {
            BkGnd = true;
            BkColor = c;
          }
          break;
        default:
          break;
      }
    }
  }
  if (prop && prop->Collapse()) CellSpacing = -1;
}

ThtmlTable::~ThtmlTable() = default;

TCellList* ThtmlTable::AddRow(std::unique_ptr<TCellList> row) {
  if (!row) return nullptr;
  Rows.push_back(std::move(row));
  return Rows.back().get();
}

void ThtmlTable::AddColInfo(const TColObj& col) {
  if (!ColInfo) ColInfo = std::make_unique<std::vector<TColObj>>();
  ColInfo->push_back(col);
}

bool ThtmlTable::DefaultBorderColors() const {
  return BorderColorLight == platform::clBtnHighlight && BorderColorDark == platform::clBtnShadow;
}

void ThtmlTable::Initialize() {
  if (Initialized) return;
  NumCols = 0;
  HasPixelWidths = false;
  const int rowCount = RowCount();
  // The rows are put into the grid from the top, each in one pass, so that
  // spans covering millions of positions cost a pass over them and no more.
  const std::int64_t held = Root ? Root->TableGridPositions : 0;
  std::int64_t room = std::max<std::int64_t>(0, kMaxGridPositions - held);
  std::vector<int> spansBelow;
  std::vector<std::pair<int, int>> reaching;   // (row, position)
  std::vector<int> reachingHere;
  for (int j = 0; j < rowCount; ++j) {
    TCellList& row = *Rows[j];
    row.SpreadBackground();
    for (int i = row.Count() - 1; i >= 0; --i) {
      TCellObj* cell = row.Own(i);
      if (!cell || !cell->Cell) continue;
      cell->Initialize(CellPadding, BorderWidth);
      if (!row.BkImageName.empty() && !(cell->Background && cell->Background->Image))
        cell->Background =
            std::make_unique<TBackground>(std::make_unique<TImageObj>(Root, row.BkImageName), row.BkPos);
      if (cell->SpecWd >= 1 && !cell->SpecWdIsPercent) HasPixelWidths = true;
      if (BkGnd && !cell->Cell->BkGnd) {
        cell->Cell->BkGnd = true;
        cell->Cell->BkColor = BkColor;
      }
      cell->ColSpan = std::clamp(cell->ColSpan, 1, kMaxColSpan);
      cell->RowSpan = std::clamp(cell->RowSpan, 1, rowCount - j);
    }
    FitInGrid(j, room, spansBelow, reaching);
    reachingHere.clear();
    row.PlaceInGrid(spansBelow, rowCount - j, fillers_, reachingHere);
    for (int at : reachingHere) reaching.emplace_back(j, at);
    room = std::max<std::int64_t>(0, room - row.Count());
  }
  // Columns made only of fillers go, from the right up to the last column
  // in which some row has a real cell; the spans that reached into them
  // shrink.
  int keep = 0;
  for (const auto& row : Rows) keep = std::max(keep, row->RealEnd());
  std::int64_t positions = 0;
  for (const auto& row : Rows) {
    row->DropFrom(keep);
    NumCols = std::max(NumCols, row->Count());
    positions += row->Count();
  }
  if (Root) Root->TableGridPositions = held + positions;
  if (ColInfo) {
    bool applied = false, pixels = false;
    for (const auto& row : Rows) {
      const int n = std::min(row->Count(), NumCols);
      for (int i = 0; i < n && i < static_cast<int>(ColInfo->size()); ++i) {
        const TColObj& col = (*ColInfo)[i];
        if (!(*row)[i] || col.ColWidth <= 0) continue;
        // A filler counts, but it is shared and its width never read.
        if (TCellObj* cell = row->Own(i)) {
          cell->SpecWd = col.ColWidth;
          cell->SpecWdIsPercent = col.ColAsPercent;
        }
        applied = true;
        if (!col.ColAsPercent) pixels = true;
      }
    }
    if (applied) HasPixelWidths = pixels;
    ColInfo.reset();
  }
  Widths.assign(NumCols, 0);
  MaxWidths.assign(NumCols, 0);
  MinWidths.assign(NumCols, 0);
  Percents.assign(NumCols, 0);
  Initialized = true;
}

void ThtmlTable::FitInGrid(int j, std::int64_t room, std::vector<int>& spansBelow,
                           std::vector<std::pair<int, int>>& reaching) {
  TCellList& row = *Rows[j];
  TCellList::GridNeed need = row.NeedInGrid(spansBelow);
  if (need.Length() <= room) return;
  if (std::max(need.Entries + need.Covered, need.CoveredEnd) > room) {
    for (const auto& [r, at] : reaching)
      if (const TCellObj* cell = Rows[r]->Own(at); cell && r + cell->RowSpan > j)
        Rows[r]->ShortenRowSpan(at, j - r, fillers_);
    // Every span above ends before this row now.
    reaching.clear();
    spansBelow.clear();
    need = row.NeedInGrid(spansBelow);
  }
  row.ShortenColumnSpans(room - need.Covered - need.Entries);
}

namespace {

std::vector<SpanCell> GatherSpanCells(platform::Canvas& canvas, ThtmlTable& table) {
  std::vector<SpanCell> cells;
  for (const auto& row : table.Rows) {
    for (int i = 0; i < row->Count() && i < table.NumCols; ++i) {
      TCellObj* cell = row->Real(i);
      if (!cell) continue;
      SpanCell s;
      s.Col = i;
      s.ColSpan = cell->ColSpan;
      cell->Cell->MinMaxWidth(canvas, s.Min, s.Max);
      s.Add = cell->HzSpace + table.CellSpacing;
      s.SpecWd = cell->SpecWd;
      s.SpecWdIsPercent = cell->SpecWdIsPercent;
      cells.push_back(s);
    }
  }
  return cells;
}

}  // namespace

void ThtmlTable::GetMinMaxAbs(platform::Canvas& canvas, int& totMin, int& totMax) {
  Initialize();
  const ColumnWidths cw = AbsoluteMinMax(NumCols, GatherSpanCells(canvas, *this));
  MinWidths = cw.Min;
  MaxWidths = cw.Max;
  totMin = cw.TotMin;
  totMax = cw.TotMax;
}

void ThtmlTable::GetWidthsAndPercents(platform::Canvas& canvas, int refWidth, int& totMin,
                                      int& totMax) {
  Initialize();
  const ColumnWidths cw = PercentMinMax(NumCols, GatherSpanCells(canvas, *this), refWidth);
  MinWidths = cw.Min;
  MaxWidths = cw.Max;
  Percents = cw.Percents;
  totMin = cw.TotMin;
  totMax = cw.TotMax;
}

void ThtmlTable::WidthRange(platform::Canvas& canvas, int& minWidth, int& maxWidth) {
  Initialize();
  if (!HasPixelWidths || SpecWidth > 0)
    GetWidthsAndPercents(canvas, SpecWidth, minWidth, maxWidth);
  else
    GetMinMaxAbs(canvas, minWidth, maxWidth);
  minWidth = std::max({0, minWidth + CellSpacing, SpecWidth});
  maxWidth = std::max({0, maxWidth + CellSpacing, SpecWidth});
}

int ThtmlTable::ColumnsWidth(int first, int span) const {
  long long w = 0;
  for (int k = first; k < first + span && k < NumCols; ++k)
    if (k >= 0 && k < static_cast<int>(Widths.size())) w += Widths[k];
  return LayoutSum(w);
}

int ThtmlTable::DoRowSpan(platform::Canvas& canvas, int j, int span, int tableHeight,
                          int& desired, bool& specified, int& curs) {
  TCellList& row = *Rows[j];
  const int hh = std::max(0, tableHeight - RowCount() * CellSpacing);
  int result = 0;
  desired = 0;
  specified = false;
  for (int i = 0; i < row.Count(); ++i) {
    TCellObj* cell = row.Real(i);
    if (!cell) continue;
    cell->Wd = ColumnsWidth(i, cell->ColSpan);
    if (cell->RowSpan != span) continue;
    int s = 0;
    if (cell->SpecHt >= 1)
      s = cell->SpecHt;
    else if (cell->SpecHtPct >= 1)
      s = MulDiv(cell->SpecHtPct, hh, 100);
    else if (RowCount() == 1)
      s = hh;
    int maxWidth = 0;
    cell->ContentHt = cell->Cell->Layout(canvas, 0, cell->Wd - cell->HzSpace - CellSpacing,
                                         std::max(0, s - cell->VrSpace), 0, maxWidth, curs);
    result = std::max(result, cell->ContentHt + cell->VrSpace);
    if (cell->SpecHt >= 1) {
      result = std::max({result, cell->ContentHt, cell->SpecHt});
      specified = true;
    } else if (cell->SpecHtPct > 0) {
      desired = std::max(desired, s);
      specified = true;
    }
  }
  desired = std::max(desired, result);
  return result;
}

void ThtmlTable::FindRowHeights(platform::Canvas& canvas, int aHeight, int& curs) {
  const int rowCount = RowCount();
  const int tableHeight = aHeight - CellSpacing;
  // Every row is measured for its own cells; a longer span only at the rows
  // where a cell starts with it (elsewhere it would measure nothing). Spans
  // may be long and tables long, so the spans present are collected, not
  // counted up to.
  std::vector<std::pair<int, int>> spanned;   // (span, row)
  for (int j = 0; j < rowCount; ++j) {
    const TCellList& row = *Rows[j];
    for (int i = 0; i < row.Count(); ++i) {
      const TCellObj* cell = row.Real(i);
      if (cell && cell->RowSpan > 1 && j + cell->RowSpan <= rowCount)
        spanned.emplace_back(cell->RowSpan, j);
    }
  }
  std::sort(spanned.begin(), spanned.end());
  spanned.erase(std::unique(spanned.begin(), spanned.end()), spanned.end());
  std::vector<RowSpanMeasure> measures;
  measures.reserve(static_cast<size_t>(rowCount) + spanned.size());
  auto measure = [&](int j, int span) {
    RowSpanMeasure m;
    m.Row = j;
    m.Span = span;
    m.Ht = DoRowSpan(canvas, j, span, tableHeight, m.Desired, m.Specified, curs);
    measures.push_back(m);
  };
  for (int j = 0; j < rowCount; ++j) measure(j, 1);
  for (const auto& [span, j] : spanned) measure(j, span);
  Heights = RowHeights(rowCount, aHeight, CellSpacing, measures);
}

void ThtmlTable::DoVertAlign(platform::Canvas& canvas, TCellList& row, int y, int& curs) {
  for (int i = 0; i < row.Count(); ++i) {
    TCellObj* cell = row.Real(i);
    if (!cell) continue;
    cell->YIndent = VerticalIndent(cell->VAlign, cell->Ht, cell->ContentHt, cell->VrSpace,
                                   CellSpacing);
    if (cell->Cell->Count() > 0) {
      int maxWidth = 0;
      cell->Cell->Layout(canvas, y + CellSpacing + cell->Padding[0] + cell->BorderWidths[0] + cell->YIndent,
                         cell->Wd - cell->HzSpace - CellSpacing,
                         cell->Ht - cell->VrSpace - CellSpacing, 0, maxWidth, curs);
    } else {
      cell->Cell->StartCurs = curs;
    }
    cell->PrepareBackground();
  }
}

int ThtmlTable::Layout(platform::Canvas& canvas, int x, int y, int xRef, int yRef, int aWidth,
                       int aHeight, int blHt, IndentManager& iMgr, int& maxWidth, int& curs) {
  TLayoutContext& context = Root->LayoutContext();
  TContextSetting depth(context.TableDepth, context.TableDepth + 1);
  SectionTop = ContentTop = DrawTop = y;
  LayoutX = x;
  StartCurs = curs;
  rowTops_.clear();

  const int avail = iMgr.RightSide(y) - iMgr.LeftIndent(y);
  const int newWidth = (SpecWidth >= 1 ? SpecWidth : avail) - CellSpacing;
  Initialize();
  if (HasPixelWidths && SpecWidth == 0) {
    int totMin = 0, totMax = 0;
    GetMinMaxAbs(canvas, totMin, totMax);
    ColumnWidths cw{MinWidths, MaxWidths, Percents, totMin, totMax};
    Widths = SimpleDistribution(cw, newWidth);
  } else {
    int totMin = 0, totMax = 0;
    GetWidthsAndPercents(canvas, newWidth, totMin, totMax);
    ColumnWidths cw{MinWidths, MaxWidths, Percents, totMin, totMax};
    if (newWidth <= totMin)
      Widths = MinWidths;
    else if (SpecWidth == 0)
      Widths = DistributeWithoutTableWidth(cw, newWidth);
    else
      Widths = DistributeWithTableWidth(cw, newWidth);
  }
  Widths.resize(NumCols, 0);
  // Collapsed borders make the spacing -1; a table without columns or rows
  // is still an empty box, not a negative one.
  long long tableWidth = CellSpacing;
  for (int w : Widths) tableWidth += w;
  TableWidth = std::max(0, LayoutSum(tableWidth));

  // Positions of the height pass are provisional; the placing pass below
  // numbers the cells in document order.
  int heightCurs = curs;
  const bool measure =
      Heights.size() != Rows.size() || (context.RelayoutCells && context.TableDepth < 6);
  if (measure) FindRowHeights(canvas, aHeight, heightCurs);
  Heights.resize(Rows.size(), 0);

  SectionHeight = 0;
  int rowY = y;
  int placeCurs = curs;
  bool placed = false;
  for (int j = 0; j < RowCount(); ++j) {
    TCellList& row = *Rows[j];
    row.RowHeight = Heights[j];
    row.RowSpanHeight = 0;
    for (int i = 0; i < row.Count(); ++i) {
      TCellObj* cell = row.Real(i);
      if (!cell) continue;
      cell->Wd = ColumnsWidth(i, cell->ColSpan);
      long long ht = 0;
      for (int k = j; k < j + cell->RowSpan && k < RowCount(); ++k) ht += Heights[k];
      cell->Ht = LayoutSum(ht);
      row.RowSpanHeight = std::max(row.RowSpanHeight, cell->Ht);
    }
    // The outermost table places its rows' cells, and the tables in them
    // place theirs with it.
    TContextSetting relayout(context.RelayoutCells,
                             context.RelayoutCells || context.TableDepth == 1);
    if (context.RelayoutCells) {
      DoVertAlign(canvas, row, rowY, placeCurs);
      placed = true;
    }
    rowY = LayoutAdd(rowY, row.RowHeight);
    SectionHeight = LayoutAdd(SectionHeight, row.RowHeight);
  }
  SectionHeight = std::max(0, LayoutAdd(SectionHeight, CellSpacing));
  curs = placed ? placeCurs : std::max(heightCurs, curs);
  Len = curs - StartCurs;
  maxWidth = TableWidth;
  DrawHeight = SectionHeight;
  SectionBottom = LayoutAdd(y, SectionHeight);
  ContentBot = LayoutAdd(y, DrawHeight);
  context.OfferFirstBaseline(LayoutAdd(y, SectionHeight));
  return SectionHeight;
}

int ThtmlTable::Draw(platform::Canvas& canvas, TDrawContext& context, const platform::Rect& aRect,
                     IndentManager& iMgr, int x, int xRef, int yRef) {
  const int yOff = YOffOf(Root);
  const int top = DrawTop;
  if (top - yOff >= aRect.bottom || top + DrawHeight - yOff < aRect.top) return top + SectionHeight;
  DrawX = x;
  DrawY = top;
  // Positioned blocks inside a table escape the cells' clipping by it.
  TContextSetting drawn(context.DrawnTableDepth, context.DrawnTableDepth + 1);
  const bool defaults = DefaultBorderColors();
  if (rowTops_.size() != Rows.size()) IndexRows();
  const int first = static_cast<int>(
      std::lower_bound(rowReach_.begin(), rowReach_.end(), aRect.top + yOff) - rowReach_.begin());
  for (size_t r = first; r < Rows.size(); ++r) {
    TCellList& row = *Rows[r];
    const int rowY = rowTops_[r];
    if (rowY - yOff >= aRect.bottom) break;
    if (row.RowSpanHeight + (rowY - yOff) < aRect.top) continue;
    int cx = x;
    for (int i = 0; i < row.Count(); ++i) {
      if (TCellObj* cell = row.Real(i))
        cell->Draw(canvas, context, aRect, cx, rowY, CellSpacing, BorderWidth > 0,
                   BorderColorLight, BorderColorDark, defaults);
      if (i < static_cast<int>(Widths.size())) cx = LayoutAdd(cx, Widths[i]);
    }
  }
  return top + SectionHeight;
}

void ThtmlTable::IndexRows() {
  rowTops_.resize(Rows.size());
  rowReach_.resize(Rows.size());
  int rowY = DrawTop, reach = std::numeric_limits<int>::min();
  for (size_t r = 0; r < Rows.size(); ++r) {
    rowTops_[r] = rowY;
    reach = std::max(reach, LayoutAdd(rowY, Rows[r]->RowSpanHeight));
    rowReach_[r] = reach;
    rowY = LayoutAdd(rowY, Rows[r]->RowHeight);
  }
}

TCellObj* ThtmlTable::CellAt(int x, int y) {
  if (y < DrawTop || y >= DrawTop + SectionHeight || x < DrawX || x >= DrawX + TableWidth)
    return nullptr;
  if (rowTops_.size() != Rows.size()) IndexRows();
  for (size_t r = 0; r < Rows.size(); ++r) {
    const auto& row = Rows[r];
    const int rowY = rowTops_[r];
    int cx = DrawX;
    for (int i = 0; i < row->Count(); ++i) {
      TCellObj* cell = row->Real(i);
      if (cell && x >= cx && x < cx + cell->Wd && rowY <= y &&
          y < rowY + cell->Ht)
        return cell;
      if (i < static_cast<int>(Widths.size())) cx = LayoutAdd(cx, Widths[i]);
    }
  }
  return nullptr;
}

unsigned ThtmlTable::HitLink(platform::Canvas& canvas, int x, int y,
                             std::unique_ptr<TUrlTarget>& url, TFormControlObj*& formControl,
                             std::string& title) {
  url.reset();
  formControl = nullptr;
  if (TCellObj* cell = CellAt(x, y)) return cell->Cell->GetURL(canvas, x, y, url, formControl, title);
  return 0;
}

bool ThtmlTable::HitObject(int x, int y, TFloatingObj*& obj, int& ix, int& iy) {
  obj = nullptr;
  if (TCellObj* cell = CellAt(x, y)) return cell->Cell->PtInObject(x, y, obj, ix, iy);
  return false;
}

int ThtmlTable::CursorAt(platform::Canvas& canvas, int x, int y, int& xr, int& yr, int& caretHt,
                         bool& inText) {
  if (TCellObj* cell = CellAt(x, y))
    return cell->Cell->FindCursor(canvas, x, y, xr, yr, caretHt, inText);
  return -1;
}

template <typename F>
static int FirstAnswer(const ThtmlTable& t, bool backward, F ask) {
  const int rows = t.RowCount();
  for (int jj = 0; jj < rows; ++jj) {
    const TCellList& row = *t.Rows[backward ? rows - 1 - jj : jj];
    for (int ii = 0; ii < row.Count(); ++ii) {
      TCellObj* cell = row.Real(backward ? row.Count() - 1 - ii : ii);
      if (!cell) continue;
      const int r = ask(*cell->Cell);
      if (r >= 0) return r;
    }
  }
  return -1;
}

int ThtmlTable::FindForward(int from, const std::u16string& text, bool matchCase) {
  return FirstAnswer(*this, false, [&](TCellObjCell& c) { return c.FindString(from, text, matchCase); });
}

int ThtmlTable::FindBackward(int from, const std::u16string& text, bool matchCase) {
  return FirstAnswer(*this, true, [&](TCellObjCell& c) { return c.FindStringR(from, text, matchCase); });
}

int ThtmlTable::SourcePosOf(int pos) {
  return FirstAnswer(*this, false, [&](TCellObjCell& c) { return c.FindSourcePos(pos); });
}

int ThtmlTable::DocPosOf(int sourcePos, bool prev) {
  return FirstAnswer(*this, prev, [&](TCellObjCell& c) { return c.FindDocPos(sourcePos, prev); });
}

bool ThtmlTable::CursorToXY(platform::Canvas* canvas, int cursor, int& x, int& y) {
  return FirstAnswer(*this, false, [&](TCellObjCell& c) {
           return c.CursorToXY(canvas, cursor, x, y) ? 1 : -1;
         }) >= 0;
}

bool ThtmlTable::CharAt(int pos, char16_t& ch, TSectionBase*& obj) {
  return FirstAnswer(*this, false, [&](TCellObjCell& c) {
           return c.GetChAtPos(pos, ch, obj) ? 1 : -1;
         }) >= 0;
}

void ThtmlTable::CopyText(SelTextCount& holder) {
  for (const auto& row : Rows)
    for (int i = 0; i < row->Count(); ++i)
      if (TCellObj* cell = row->Real(i)) cell->Cell->CopyToClipboard(holder);
}

void ThtmlTable::AddToPositionList() { TSectionBase::AddToPositionList(); }

}  // namespace htmlview

namespace htmlview {

// The table, its column widths, then each row and its real cells with
// their boxes (document coordinates, as drawn at the layout x) and their
// content (laid out in the cell's own coordinates).
void ThtmlTable::Dump(LayoutDumpWriter& writer) const {
  using W = LayoutDumpWriter;
  std::string line = "table " + W::Rect(LayoutX, SectionTop, TableWidth, SectionHeight) +
                     " cols=" + std::to_string(NumCols) + " spacing=" + std::to_string(CellSpacing) +
                     " padding=" + std::to_string(CellPadding) +
                     " border=" + std::to_string(BorderWidth) + " doc " +
                     W::Range(StartCurs, StartCurs + Len);
  writer.Line(line);
  W::Nested nested(writer);
  if (!Widths.empty()) {
    std::string widths = "widths";
    for (size_t i = 0; i < Widths.size(); ++i) widths += (i ? "," : " ") + std::to_string(Widths[i]);
    writer.Line(widths);
  }
  int rowY = SectionTop;
  for (const auto& row : Rows) {
    writer.Line("row y=" + std::to_string(rowY) + " h=" + std::to_string(row->RowHeight));
    W::Nested inRow(writer);
    int x = LayoutX;
    for (int i = 0; i < row->Count(); ++i) {
      if (const TCellObj* cell = row->Real(i)) {
        const int left = x + CellSpacing, top = rowY + CellSpacing;
        const int height = CellSpacing == -1 ? cell->Ht : cell->Ht - CellSpacing;
        std::string c = "cell " + std::to_string(i) + " " + W::Rect(left, top, cell->Wd - CellSpacing, height);
        if (cell->ColSpan > 1 || cell->RowSpan > 1)
          c += " span " + std::to_string(cell->ColSpan) + "x" + std::to_string(cell->RowSpan);
        c += " valign " + W::Align(cell->VAlign);
        if (cell->YIndent) c += " indent " + std::to_string(cell->YIndent);
        if (cell->Cell->BkGnd) c += " bg " + W::Colour(cell->Cell->BkColor);
        writer.Line(c);
        W::Nested inCell(writer);
        DumpCell(writer, *cell->Cell);
      }
      if (i < static_cast<int>(Widths.size())) x = LayoutAdd(x, Widths[i]);
    }
    rowY = LayoutAdd(rowY, row->RowHeight);
  }
}

}  // namespace htmlview
