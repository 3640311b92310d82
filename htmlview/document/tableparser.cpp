// The table parser: reads a whole TABLE (caption, column descriptions, row
// groups, rows and cells) into a table block. Cell and caption content is
// read by the body loop with the cell current.
#include <algorithm>
#include <string>
#include <vector>

#include "htmlview/layout/blocks.h"
#include "htmlview/layout/docroot.h"
#include "htmlview/layout/tables.h"
#include "htmlview/layout/textsection.h"
#include "htmlview/document/parserstate.h"
#include "htmlview/style/styleprops.h"
#include "platform/sysutils.h"

namespace htmlview {

namespace {

// The grid positions taken by cells and by row spans from above, so that a
// column description reaches the cell standing in its column. One string
// per row, one character per described column: "o" free, "x" taken.
class TCellManager {
 public:
  explicit TCellManager(int columns) : columns_(std::max(columns, 0)) {}

  // The first free column of row (a new row when row is the next one); -1
  // when there is none.
  int FindColNum(int row) {
    if (row == static_cast<int>(rows_.size())) rows_.emplace_back(columns_, 'o');
    if (row < 0 || row >= static_cast<int>(rows_.size())) return -1;
    const size_t at = rows_[row].find('o');
    return at == std::string::npos ? -1 : static_cast<int>(at);
  }

  // Marks the positions the cell takes from the first free column of row;
  // a cell wider than the free positions loses the difference.
  void AddCell(int row, TCellObj& cell) {
    if (row < 0) return;
    // Rows are counted only as far as a description can still reach.
    const int span = std::clamp(cell.RowSpan, 1, kMaxRows);
    const int last = std::min(row + span, row + kMaxRows);
    while (static_cast<int>(rows_.size()) < last) rows_.emplace_back(columns_, 'o');
    const size_t first = rows_[row].find('o');
    if (first == std::string::npos) return;
    int shortfall = 0;
    for (int r = row; r < last; ++r) {
      int marked = 0;
      for (size_t c = first; c < rows_[r].size() && marked < cell.ColSpan; ++c) {
        if (rows_[r][c] != 'o') break;
        rows_[r][c] = 'x';
        ++marked;
      }
      if (r == row) shortfall = cell.ColSpan - marked;
    }
    if (shortfall > 0) cell.ColSpan = std::max(1, cell.ColSpan - shortfall);
  }

 private:
  static constexpr int kMaxRows = 1000;
  int columns_;
  std::vector<std::string> rows_;
};

int VAlignOf(const TAttribute* a, int fallback) {
  if (!a) return fallback;
  const std::string v = platform::LowerCase(platform::Trim(a->Name));
  if (v == "top" || v == "baseline") return ATop;
  if (v == "middle") return AMiddle;
  if (v == "bottom") return ABottom;
  return fallback;
}

bool HasPercent(const TAttribute& a) { return a.Name.find('%') != std::string::npos; }

// The tags that shape a table; those of an ignored table are skipped.
bool IsTableStructure(HtmlSymbol s) {
  using S = HtmlSymbol;
  switch (s) {
    case S::TR: case S::EndTR: case S::TD: case S::EndTD: case S::TH: case S::EndTH:
    case S::THead: case S::EndTHead: case S::TBody: case S::EndTBody: case S::TFoot:
    case S::EndTFoot: case S::Caption: case S::EndCaption: case S::Col: case S::ColGroup:
    case S::EndColGroup: case S::EndTable:
      return true;
    default:
      return false;
  }
}

}  // namespace

void HtmlParser::DoTable() {
  if (ParseTable() && Sy() == HtmlSymbol::EndTable) Next();
}

bool HtmlParser::ParseTable() {
  using S = HtmlSymbol;
  // Tables nested too deep are flattened: the tag is ignored, and so are
  // the table's own rows, cells and end tag (the innermost open table skips
  // them), so that its content joins the enclosing cell.
  if (tableLevel_ >= kMaxTableNesting || depth_ >= kMaxBlockNesting) {
    if (tableLevel_ > 0) ++ignoredTables_;
    Next();
    return false;
  }
  ++tableLevel_;
  const int savedIgnoredTables = ignoredTables_;
  ignoredTables_ = 0;
  DepthGuard guard(depth_);
  if (inLink_) CloseLink();
  AppendSection();
  TCellBasic* const enclosing = currentCell_;
  currentCell_ = nullptr;
  const bool savedNoBreak = noBreak_;
  const int savedListLevel = listLevel_;

  TPropStack& stack = PropStack();
  std::string inheritedAlign;
  if (const PropValue& v = Top()->Props[PropTextAlign]; v.IsText()) inheritedAlign = v.Text();
  TAttributeList* tableAttrs = KeepAttributes();
  TProperties* tableProp = Push("table", tableAttrs);
  auto tableObj = std::make_unique<ThtmlTable>(list_, tableAttrs, tableProp);
  ThtmlTable* const table = tableObj.get();
  auto tableBlock = std::make_unique<TTableBlock>(list_, *tableProp, enclosing, std::move(tableObj),
                                                  tableAttrs);
  bool ownAlignCentre = false;
  if (const TAttribute* a = tableAttrs->Find(S::Align))
    ownAlignCentre = platform::SameText(platform::Trim(a->Name), "center");
  if (!ownAlignCentre && !tableBlock->Floats()) {
    if (inheritedAlign == "center") tableBlock->Justification = TTextAlign::Center;
    else if (inheritedAlign == "right") tableBlock->Justification = TTextAlign::Right;
  }

  int partHeight = stack.Count();
  int rowHeight = stack.Count();
  std::unique_ptr<TCellList> row;
  int rowVAlign = AMiddle;
  std::unique_ptr<TCellObj> cell;   // the cell being built
  std::vector<std::unique_ptr<TCellList>> footRows;
  std::unique_ptr<TBlock> caption;
  bool captionTop = true;
  std::unique_ptr<TCellManager> manager;
  int part = 1;   // 0 head, 1 body, 2 foot
  int finishedRows = 0;
  bool sawCell = false;
  Next();

  auto finishCell = [&] {
    if (!currentCell_) return;
    AppendSection();
    if (cell && currentCell_ == cell->Cell.get()) {
      currentCell_->CheckLastBottomMargin();
      if (manager) manager->AddCell(finishedRows, *cell);
      if (row) row->Add(std::move(cell));
      cell.reset();
    }
    currentCell_ = nullptr;
  };
  auto finishRow = [&] {
    if (inLink_) CloseLink();
    finishCell();
    if (row) {
      if (part == 2) footRows.push_back(std::move(row));
      else table->AddRow(std::move(row));
      ++finishedRows;
    }
    row.reset();
    stack.CutTo(std::min(stack.Count(), std::max(rowHeight, 1)));
  };
  auto finishTable = [&] {
    if (inLink_) CloseLink();
    // An error inside a cell's content may leave a nested block's cell
    // current: what was read goes there, and the cell being built is
    // finished all the same.
    AppendSection();
    if (cell) currentCell_ = cell->Cell.get();
    finishCell();
    finishRow();
    stack.CutTo(std::min(stack.Count(), std::max(partHeight, 1)));
    for (auto& foot : footRows) table->AddRow(std::move(foot));
    footRows.clear();
    currentCell_ = enclosing;
    if (!caption) {
      AppendToCell(std::move(tableBlock));
    } else {
      tableBlock->HasCaption = true;
      auto pair = std::make_unique<TTableAndCaptionBlock>(list_, *tableProp, enclosing, tableAttrs,
                                                          tableBlock.get());
      TTableBlock* tb = tableBlock.get();
      TBlock* cb = caption.get();
      const int at = R().TagPos;
      if (captionTop) {
        pair->MyCell.Add(std::move(caption), at);
        pair->MyCell.Add(std::move(tableBlock), at);
      } else {
        pair->MyCell.Add(std::move(tableBlock), at);
        pair->MyCell.Add(std::move(caption), at);
      }
      tb->OwnerCell = &pair->MyCell;
      pair->SetCaptionBlock(cb, captionTop);
      AppendToCell(std::move(pair));
    }
    CloseElementProps("table");
    RefreshFont();
    noBreak_ = savedNoBreak;
    listLevel_ = savedListLevel;
    ignoredTables_ = savedIgnoredTables;
    --tableLevel_;
  };

  // The row groups end a cell too, so that a cell left open before TBODY or
  // TFOOT does not swallow the group's start.
  static const SymbolSet cellTerms{S::EndTable, S::TD,      S::EndTD,    S::TR,       S::EndTR,
                                   S::TH,       S::EndTH,   S::Caption,  S::EndCaption,
                                   S::Col,      S::ColGroup, S::THead,   S::TBody,    S::TFoot,
                                   S::EndTHead, S::EndTBody, S::EndTFoot};
  try {
    for (;;) {
      const HtmlSymbol sy = Sy();
      if (ignoredTables_ > 0 && IsTableStructure(sy)) {
        if (sy == S::EndTable) --ignoredTables_;
        Next();
        // The ignored table's content goes on in the cell it stands in.
        if (currentCell_) ParseBody(cellTerms);
        continue;
      }
      if (sy == S::EndTable || sy == S::EndOfText || sy == S::EndCaption) break;
      switch (sy) {
        case S::EndTD: case S::EndTH:
          finishCell();
          Next();
          break;
        case S::Caption: {
          if (inLink_) CloseLink();
          finishCell();
          noBreak_ = false;
          TAttributeList* attributes = KeepAttributes();
          const TAttribute* align = attributes->Find(S::Align);
          captionTop = !(align && platform::LowerCase(platform::Trim(align->Name)) == "bottom");
          Push("caption", attributes);
          if (!caption) caption = std::make_unique<TBlock>(list_, *Top(), enclosing, attributes);
          currentCell_ = &caption->MyCell;
          Next();
          ParseBody(cellTerms);
          AppendSection();
          CloseElementProps("caption");
          currentCell_ = nullptr;
          if (Sy() == S::EndCaption) Next();
          break;
        }
        case S::ColGroup: case S::Col: {
          int width = 0, span = 1, valign = 0;
          bool percent = false;
          std::string align;
          auto read = [&](const TAttributeList& attributes) {
            if (const TAttribute* a = attributes.Find(S::Align)) {
              const std::string v = platform::LowerCase(platform::Trim(a->Name));
              const int code = AlignmentFromString(v);
              if (code == AMiddle || code == ALeft || code == ARight || code == AJustify) align = v;
            }
            if (const TAttribute* a = attributes.Find(S::VAlign)) {
              const int code = AlignmentFromString(a->Name);
              if (code >= ATop && code <= ABottom) valign = code;
            }
            if (const TAttribute* a = attributes.Find(S::Width)) {
              if (HasPercent(*a)) {
                if (a->Value >= 1 && a->Value <= 100) {
                  width = a->Value * 10;
                  percent = true;
                }
              } else {
                width = a->Value;
                percent = false;
              }
            }
            if (const TAttribute* a = attributes.Find(S::Span)) span = std::max(a->Value, 1);
          };
          if (sy == S::ColGroup) {
            read(Attrs());
            Next();
          }
          const int groupWidth = width, groupSpan = span, groupVAlign = valign;
          const bool groupPercent = percent;
          const std::string groupAlign = align;
          for (;;) {
            if (Sy() == S::TextToken && R().Token->S() == u" ") {
              Next();
              continue;
            }
            if (Sy() != S::Col) break;
            width = groupWidth, span = groupSpan, valign = groupVAlign;
            percent = groupPercent;
            align = groupAlign;
            read(Attrs());
            if (!sawCell) {
              TColObj col;
              col.ColWidth = width;
              col.ColAsPercent = percent;
              col.ColAlign = align;
              col.ColVAlign = valign;
              const int have = table->ColInfo ? static_cast<int>(table->ColInfo->size()) : 0;
              const int n = std::min({span, 100, kMaxColSpan - have});
              for (int i = 0; i < n; ++i) table->AddColInfo(col);
            }
            Next();
          }
          if (Sy() == S::EndColGroup) Next();
          if (!manager && table->ColInfo && !table->ColInfo->empty())
            manager = std::make_unique<TCellManager>(static_cast<int>(table->ColInfo->size()));
          break;
        }
        case S::THead: case S::TBody: case S::TFoot:
        case S::EndTHead: case S::EndTBody: case S::EndTFoot:
          finishRow();
          stack.CutTo(std::min(stack.Count(), std::max(partHeight, 1)));
          partHeight = stack.Count();
          rowHeight = partHeight;
          if (sy == S::THead) {
            if (table->RowCount() == 0 && finishedRows == 0) {
              part = 0;
              Push("thead", &Attrs());
            } else {
              part = 1;
            }
          } else if (sy == S::TBody) {
            part = 1;
            Push("tbody", &Attrs());
          } else if (sy == S::TFoot) {
            part = 2;
            Push("tfoot", &Attrs());
          } else {
            part = 1;
          }
          Next();
          break;
        case S::TR: {
          finishRow();
          rowHeight = stack.Count();
          TAttributeList* attributes = KeepAttributes();
          TProperties* prop = Push("tr", attributes);
          if (prop != stack[0]) ApplyAlign(prop, attributes);
          row = std::make_unique<TCellList>(attributes, Top());
          rowVAlign = VAlignOf(attributes->Find(S::VAlign), AMiddle);
          Next();
          break;
        }
        case S::EndTR:
          finishRow();
          Next();
          break;
        case S::TD: case S::TH: {
          if (inLink_) CloseLink();
          listLevel_ = 0;
          TAttributeList* attributes = KeepAttributes();
          if (!row) {
            rowHeight = stack.Count();
            Push("tr", nullptr);
            row = std::make_unique<TCellList>(nullptr, Top());
            rowVAlign = AMiddle;
          } else {
            finishCell();
            stack.CutTo(std::min(stack.Count(), rowHeight + 1));
          }
          TProperties* prop = Push(sy == S::TH ? "th" : "td", attributes);
          int valign = VAlignOf(attributes->Find(S::VAlign), rowVAlign);
          if (manager && prop != stack[0]) {
            const int col = manager->FindColNum(finishedRows);
            if (col >= 0 && table->ColInfo && col < static_cast<int>(table->ColInfo->size())) {
              const TColObj& info = (*table->ColInfo)[col];
              if (!info.ColAlign.empty()) prop->Assign(PropValue(info.ColAlign), PropTextAlign);
              if (info.ColVAlign != ANone) valign = info.ColVAlign;
            }
          }
          if (prop != stack[0]) {
            ApplyAlign(prop, attributes);
            if (const PropValue& v = prop->Props[PropTextAlign]; v.IsText() && v.Text() == "none")
              prop->Assign(PropValue(sy == S::TH ? "center" : "left"), PropTextAlign);
          }
          cell = std::make_unique<TCellObj>(list_, valign, attributes, Top());
          currentCell_ = cell->Cell.get();
          sawCell = true;
          const TAttribute* width = attributes->Find(S::Width);
          noBreak_ = attributes->Find(S::NoWrap) && (!width || HasPercent(*width));
          SkipWhiteSpace();
          Next();
          ParseBody(cellTerms);
          break;
        }
        case S::TextToken:
          if (R().Token->S() == u" ") {
            Next();
          } else {
            // Content outside the cells stands before the table.
            TCellBasic* tableCell = currentCell_;
            currentCell_ = enclosing;
            ParseBody(cellTerms);
            AppendSection();
            currentCell_ = tableCell;
          }
          break;
        case S::UnknownTag:
          Next();
          break;
        default: {
          TCellBasic* tableCell = currentCell_;
          currentCell_ = enclosing;
          ParseBody(cellTerms);
          AppendSection();
          currentCell_ = tableCell;
          break;
        }
      }
    }
  } catch (...) {
    // What was read of the table stays in the document.
    try {
      AppendSection();
      finishTable();
    } catch (...) {
    }
    throw;
  }
  finishTable();
  return true;
}

}  // namespace htmlview
