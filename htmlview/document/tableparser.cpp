// The table parser: reads a whole TABLE (caption, column descriptions, row
// groups, rows and cells) into a table block, one TableBuilder for each
// table. Cell and caption content is read by the body loop with the cell
// current.
#include <algorithm>
#include <memory>
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

// A row's or cell's VALIGN, or fallback where it names none.
TVAlign VAlignOf(const TAttribute* a, TVAlign fallback) {
  const TVAlign align = a ? VAlignOf(a->Name, TVAlignWords::Cell) : TVAlign::None;
  return align == TVAlign::None ? fallback : align;
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

// The tags that end a cell's content. The row groups are among them, so
// that a cell left open before TBODY or TFOOT does not swallow the group's
// start.
const SymbolSet& CellTerms() {
  using S = HtmlSymbol;
  static const SymbolSet terms{S::EndTable, S::TD,      S::EndTD,    S::TR,       S::EndTR,
                               S::TH,       S::EndTH,   S::Caption,  S::EndCaption,
                               S::Col,      S::ColGroup, S::THead,   S::TBody,    S::TFoot,
                               S::EndTHead, S::EndTBody, S::EndTFoot};
  return terms;
}

// What a COLGROUP or COL tag describes. A COL inside a group starts from
// the group's description and overrides what it gives itself.
struct ColumnDescription {
  int width = 0;   // tenths of a percent when percent
  bool percent = false;
  int span = 1;
  TVAlign valign = TVAlign::None;
  std::string align;

  void Read(const TAttributeList& attributes) {
    if (const TAttribute* a = attributes.Find(HtmlSymbol::Align)) {
      const std::string v = platform::LowerCase(platform::Trim(a->Name));
      const TVAlign code = VAlignOf(v, TVAlignWords::Column);
      if (code == TVAlign::Middle || code == TVAlign::Left || code == TVAlign::Right ||
          code == TVAlign::Justify)
        align = v;
    }
    if (const TAttribute* a = attributes.Find(HtmlSymbol::VAlign)) {
      const TVAlign code = VAlignOf(a->Name, TVAlignWords::Column);
      if (code >= TVAlign::Top && code <= TVAlign::Bottom) valign = code;
    }
    if (const TAttribute* a = attributes.Find(HtmlSymbol::Width)) {
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
    if (const TAttribute* a = attributes.Find(HtmlSymbol::Span)) span = std::max(a->Value, 1);
  }
};

}  // namespace

// Builds one table from its tokens: the TABLE tag is the reader's current
// token, and what ended the table (its end tag, the end of a caption, the
// end of the text) is left for the caller. The table and its caption join
// the enclosing cell when the table ends, also when reading it fails.
class TableBuilder {
 public:
  explicit TableBuilder(HtmlParser& parser) : p_(parser), stack_(PropStack()) {}
  void Build();

 private:
  using S = HtmlSymbol;
  enum class Part { Head, Body, Foot };

  // The parser's state around the table: saved, and the table block made.
  void Open();
  // One step for each kind of token, until what ends the table.
  void ReadContent();
  // A row, cell or end tag of a table nested too deep: skipped.
  void SkipIgnoredTag(HtmlSymbol sy);
  void ReadCaption();
  void ReadColumns(HtmlSymbol sy);
  void AddColumns(const ColumnDescription& description);
  void StartRowGroup(HtmlSymbol sy);
  void StartRow();
  // The cell's row when the cell stands outside any (a TR made up).
  void StartImplicitRow();
  void ReadCell(HtmlSymbol sy);
  // The vertical alignment of a cell whose properties are prop: the column
  // it stands in gives its alignment to prop and its vertical alignment
  // over valign.
  TVAlign ApplyColumn(TProperties* prop, TVAlign valign);
  // Content outside the cells stands before the table.
  void ReadOutsideCells();
  void FinishCell();
  void FinishRow();
  // Adds the rows kept back, puts the table (with its caption) into the
  // enclosing cell and gives the parser its state back.
  void Close();
  void AppendTableBlock();
  void EndLink();
  // The property stack back to height, never below its root set.
  void CutPropsTo(int height);

  HtmlParser& p_;
  TPropStack& stack_;
  TCellBasic* enclosing_ = nullptr;
  bool savedNoBreak_ = false;
  int savedListLevel_ = 0;
  int savedIgnoredTables_ = 0;

  TAttributeList* tableAttrs_ = nullptr;
  TProperties* tableProp_ = nullptr;
  ThtmlTable* table_ = nullptr;   // owned by tableBlock_ until it joins a cell
  std::unique_ptr<TTableBlock> tableBlock_;

  int partHeight_ = 0;   // the property stack's height at the row group
  int rowHeight_ = 0;    // and at the row
  std::unique_ptr<TCellList> row_;
  TVAlign rowVAlign_ = TVAlign::Middle;
  std::unique_ptr<TCellObj> cell_;   // the cell being built
  std::vector<std::unique_ptr<TCellList>> footRows_;   // added after the body
  std::unique_ptr<TBlock> caption_;
  bool captionTop_ = true;
  std::unique_ptr<TCellManager> manager_;   // once columns are described
  Part part_ = Part::Body;
  int finishedRows_ = 0;
  bool sawCell_ = false;
};

void TableBuilder::Build() {
  Open();
  try {
    ReadContent();
  } catch (...) {
    // What was read of the table stays in the document.
    try {
      p_.AppendSection();
      Close();
    } catch (...) {
    }
    throw;
  }
  Close();
}

void TableBuilder::Open() {
  ++p_.tableLevel_;
  savedIgnoredTables_ = p_.ignoredTables_;
  p_.ignoredTables_ = 0;
  EndLink();
  p_.AppendSection();
  enclosing_ = p_.currentCell_;
  p_.currentCell_ = nullptr;
  savedNoBreak_ = p_.noBreak_;
  savedListLevel_ = p_.listLevel_;

  std::optional<TTextAlign> inheritedAlign;
  if (const PropValue& v = p_.Top()->Props[PropTextAlign]; v.IsText())
    inheritedAlign = TextAlignOf(v.Text(), {});
  tableAttrs_ = p_.KeepAttributes();
  tableProp_ = p_.Push("table", tableAttrs_);
  auto tableObj = std::make_unique<ThtmlTable>(p_.list_, tableAttrs_, tableProp_);
  table_ = tableObj.get();
  tableBlock_ = std::make_unique<TTableBlock>(p_.list_, *tableProp_, enclosing_,
                                              std::move(tableObj), tableAttrs_);
  bool ownAlignCentre = false;
  if (const TAttribute* a = tableAttrs_->Find(S::Align))
    ownAlignCentre = TextAlignOf(a->Name, {.foldCase = true, .trim = true}) == TTextAlign::Center;
  if (!ownAlignCentre && !tableBlock_->Floats() &&
      (inheritedAlign == TTextAlign::Center || inheritedAlign == TTextAlign::Right))
    tableBlock_->Justification = *inheritedAlign;
  partHeight_ = stack_.Count();
  rowHeight_ = stack_.Count();
  p_.Next();
}

void TableBuilder::ReadContent() {
  for (;;) {
    const HtmlSymbol sy = p_.Sy();
    if (p_.ignoredTables_ > 0 && IsTableStructure(sy)) {
      SkipIgnoredTag(sy);
      continue;
    }
    if (sy == S::EndTable || sy == S::EndOfText || sy == S::EndCaption) return;
    switch (sy) {
      case S::Caption: ReadCaption(); break;
      case S::ColGroup: case S::Col: ReadColumns(sy); break;
      case S::THead: case S::TBody: case S::TFoot:
      case S::EndTHead: case S::EndTBody: case S::EndTFoot:
        StartRowGroup(sy);
        break;
      case S::TR: StartRow(); break;
      case S::TD: case S::TH: ReadCell(sy); break;
      case S::EndTD: case S::EndTH:
        FinishCell();
        p_.Next();
        break;
      case S::EndTR:
        FinishRow();
        p_.Next();
        break;
      case S::TextToken:
        if (p_.R().Token->S() == u" ") p_.Next();
        else ReadOutsideCells();
        break;
      case S::UnknownTag: p_.Next(); break;
      default: ReadOutsideCells(); break;
    }
  }
}

void TableBuilder::SkipIgnoredTag(HtmlSymbol sy) {
  if (sy == S::EndTable) --p_.ignoredTables_;
  p_.Next();
  // The ignored table's content goes on in the cell it stands in.
  if (p_.currentCell_) p_.ParseBody(CellTerms());
}

void TableBuilder::ReadCaption() {
  EndLink();
  FinishCell();
  p_.noBreak_ = false;
  TAttributeList* attributes = p_.KeepAttributes();
  const TAttribute* align = attributes->Find(S::Align);
  // Any word but bottom leaves the caption above the table.
  captionTop_ = !(align && VAlignOf(align->Name, TVAlignWords::Caption) == TVAlign::Bottom);
  p_.Push("caption", attributes);
  if (!caption_) caption_ = std::make_unique<TBlock>(p_.list_, *p_.Top(), enclosing_, attributes);
  p_.currentCell_ = &caption_->MyCell;
  p_.Next();
  p_.ParseBody(CellTerms());
  p_.AppendSection();
  p_.CloseElementProps("caption");
  p_.currentCell_ = nullptr;
  if (p_.Sy() == S::EndCaption) p_.Next();
}

void TableBuilder::ReadColumns(HtmlSymbol sy) {
  ColumnDescription group;
  if (sy == S::ColGroup) {
    group.Read(p_.Attrs());
    p_.Next();
  }
  for (;;) {
    if (p_.Sy() == S::TextToken && p_.R().Token->S() == u" ") {
      p_.Next();
      continue;
    }
    if (p_.Sy() != S::Col) break;
    ColumnDescription col = group;
    col.Read(p_.Attrs());
    if (!sawCell_) AddColumns(col);
    p_.Next();
  }
  if (p_.Sy() == S::EndColGroup) p_.Next();
  if (!manager_ && table_->ColInfo && !table_->ColInfo->empty())
    manager_ = std::make_unique<TCellManager>(static_cast<int>(table_->ColInfo->size()));
}

void TableBuilder::AddColumns(const ColumnDescription& description) {
  TColObj col;
  col.ColWidth = description.width;
  col.ColAsPercent = description.percent;
  col.ColAlign = description.align;
  col.ColVAlign = description.valign;
  const int have = table_->ColInfo ? static_cast<int>(table_->ColInfo->size()) : 0;
  const int n = std::min({description.span, 100, kMaxColSpan - have});
  for (int i = 0; i < n; ++i) table_->AddColInfo(col);
}

void TableBuilder::StartRowGroup(HtmlSymbol sy) {
  FinishRow();
  CutPropsTo(partHeight_);
  partHeight_ = stack_.Count();
  rowHeight_ = partHeight_;
  if (sy == S::THead) {
    // A head after the first row is read as body.
    if (table_->RowCount() == 0 && finishedRows_ == 0) {
      part_ = Part::Head;
      p_.Push("thead", &p_.Attrs());
    } else {
      part_ = Part::Body;
    }
  } else if (sy == S::TBody) {
    part_ = Part::Body;
    p_.Push("tbody", &p_.Attrs());
  } else if (sy == S::TFoot) {
    part_ = Part::Foot;
    p_.Push("tfoot", &p_.Attrs());
  } else {
    part_ = Part::Body;
  }
  p_.Next();
}

void TableBuilder::StartRow() {
  FinishRow();
  rowHeight_ = stack_.Count();
  TAttributeList* attributes = p_.KeepAttributes();
  TProperties* prop = p_.Push("tr", attributes);
  if (prop != stack_[0]) p_.ApplyAlign(prop, attributes);
  row_ = std::make_unique<TCellList>(attributes, p_.Top());
  rowVAlign_ = VAlignOf(attributes->Find(S::VAlign), TVAlign::Middle);
  p_.Next();
}

void TableBuilder::StartImplicitRow() {
  rowHeight_ = stack_.Count();
  p_.Push("tr", nullptr);
  row_ = std::make_unique<TCellList>(nullptr, p_.Top());
  rowVAlign_ = TVAlign::Middle;
}

void TableBuilder::ReadCell(HtmlSymbol sy) {
  EndLink();
  p_.listLevel_ = 0;
  TAttributeList* attributes = p_.KeepAttributes();
  if (!row_) {
    StartImplicitRow();
  } else {
    FinishCell();
    CutPropsTo(rowHeight_ + 1);
  }
  TProperties* prop = p_.Push(sy == S::TH ? "th" : "td", attributes);
  TVAlign valign = VAlignOf(attributes->Find(S::VAlign), rowVAlign_);
  if (manager_ && prop != stack_[0]) valign = ApplyColumn(prop, valign);
  if (prop != stack_[0]) {
    p_.ApplyAlign(prop, attributes);
    if (const PropValue& v = prop->Props[PropTextAlign]; v.IsText() && v.Text() == "none")
      prop->Assign(PropValue(sy == S::TH ? "center" : "left"), PropTextAlign);
  }
  cell_ = std::make_unique<TCellObj>(p_.list_, valign, attributes, p_.Top());
  p_.currentCell_ = cell_->Cell.get();
  sawCell_ = true;
  const TAttribute* width = attributes->Find(S::Width);
  p_.noBreak_ = attributes->Find(S::NoWrap) && (!width || HasPercent(*width));
  SkipWhiteSpace();
  p_.Next();
  p_.ParseBody(CellTerms());
}

TVAlign TableBuilder::ApplyColumn(TProperties* prop, TVAlign valign) {
  const int col = manager_->FindColNum(finishedRows_);
  if (col < 0 || !table_->ColInfo || col >= static_cast<int>(table_->ColInfo->size()))
    return valign;
  const TColObj& info = (*table_->ColInfo)[col];
  if (!info.ColAlign.empty()) prop->Assign(PropValue(info.ColAlign), PropTextAlign);
  return info.ColVAlign != TVAlign::None ? info.ColVAlign : valign;
}

void TableBuilder::ReadOutsideCells() {
  TCellBasic* tableCell = p_.currentCell_;
  p_.currentCell_ = enclosing_;
  p_.ParseBody(CellTerms());
  p_.AppendSection();
  p_.currentCell_ = tableCell;
}

void TableBuilder::FinishCell() {
  if (!p_.currentCell_) return;
  p_.AppendSection();
  if (cell_ && p_.currentCell_ == cell_->Cell.get()) {
    p_.currentCell_->CheckLastBottomMargin();
    if (manager_) manager_->AddCell(finishedRows_, *cell_);
    if (row_) row_->Add(std::move(cell_));
    cell_.reset();
  }
  p_.currentCell_ = nullptr;
}

void TableBuilder::FinishRow() {
  EndLink();
  FinishCell();
  if (row_) {
    if (part_ == Part::Foot) footRows_.push_back(std::move(row_));
    else table_->AddRow(std::move(row_));
    ++finishedRows_;
  }
  row_.reset();
  CutPropsTo(rowHeight_);
}

void TableBuilder::Close() {
  EndLink();
  // An error inside a cell's content may leave a nested block's cell
  // current: what was read goes there, and the cell being built is
  // finished all the same.
  p_.AppendSection();
  if (cell_) p_.currentCell_ = cell_->Cell.get();
  FinishCell();
  FinishRow();
  CutPropsTo(partHeight_);
  for (auto& foot : footRows_) table_->AddRow(std::move(foot));
  footRows_.clear();
  p_.currentCell_ = enclosing_;
  AppendTableBlock();
  p_.CloseElementProps("table");
  p_.RefreshFont();
  p_.noBreak_ = savedNoBreak_;
  p_.listLevel_ = savedListLevel_;
  p_.ignoredTables_ = savedIgnoredTables_;
  --p_.tableLevel_;
}

void TableBuilder::AppendTableBlock() {
  if (!caption_) {
    p_.AppendToCell(std::move(tableBlock_));
    return;
  }
  tableBlock_->HasCaption = true;
  auto pair = std::make_unique<TTableAndCaptionBlock>(p_.list_, *tableProp_, enclosing_,
                                                      tableAttrs_, tableBlock_.get());
  TTableBlock* tb = tableBlock_.get();
  TBlock* cb = caption_.get();
  const int at = p_.R().TagPos;
  if (captionTop_) {
    pair->MyCell.Add(std::move(caption_), at);
    pair->MyCell.Add(std::move(tableBlock_), at);
  } else {
    pair->MyCell.Add(std::move(tableBlock_), at);
    pair->MyCell.Add(std::move(caption_), at);
  }
  tb->OwnerCell = &pair->MyCell;
  pair->SetCaptionBlock(cb, captionTop_);
  p_.AppendToCell(std::move(pair));
}

void TableBuilder::EndLink() {
  if (p_.inLink_) p_.CloseLink();
}

void TableBuilder::CutPropsTo(int height) { stack_.CutTo(std::max(height, 1)); }

void HtmlParser::DoTable() {
  if (ParseTable() && Sy() == HtmlSymbol::EndTable) Next();
}

bool HtmlParser::ParseTable() {
  // Tables nested too deep are flattened: the tag is ignored, and so are
  // the table's own rows, cells and end tag (the innermost open table skips
  // them), so that its content joins the enclosing cell.
  if (tableLevel_ >= kMaxTableNesting || depth_ >= kMaxBlockNesting) {
    if (tableLevel_ > 0) ++ignoredTables_;
    Next();
    return false;
  }
  DepthGuard guard(depth_);
  TableBuilder(*this).Build();
  return true;
}

}  // namespace htmlview
