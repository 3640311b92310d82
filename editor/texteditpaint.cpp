// Drawing the editor: the gutter and the visible rows of text, coloured by
// the highlighter's tokens, the selection, the caret line and special
// lines, every character in one cell of the text drawer.
#include <algorithm>
#include <climits>
#include <vector>

#include "editor/textedit.h"

namespace editor {

namespace {

constexpr char16_t kSpaceSymbol = 0x00B7;  // ·
constexpr char16_t kTabSymbol = 0x00BB;    // »
constexpr char16_t kEolSymbol = 0x00B6;    // ¶

// How one column is drawn.
struct Cell {
  char16_t ch = u' ';
  TColor fg = clBlack;
  TColor bg = clWhite;
  TFontStyles style = 0;
  friend bool SameLook(const Cell& a, const Cell& b) { return a.fg == b.fg && a.bg == b.bg && a.style == b.style; }
};

}  // namespace

TColor TCustomTextEdit::EditorBackground(int line) const {
  if (activeLineColor_ != clNone && line == caretY_) return activeLineColor_;
  if (highlighter_) {
    if (const TEdHighlighterAttributes* ws = highlighter_->GetDefaultAttribute(EDHL_ATTR_WHITESPACE))
      if (ws->Background() != clNone) return ws->Background();
  }
  return color_;
}

void TCustomTextEdit::Paint(platform::Canvas& canvas, const platform::Rect& clip) {
  const int cw = std::max(1, charWidth_);
  const int lh = std::max(1, textHeight_);
  const int firstCol = clip.left > gutterWidth_ + 2 ? leftChar_ + (clip.left - gutterWidth_ - 2) / cw : leftChar_;
  const int lastCol = leftChar_ + (clip.right - gutterWidth_ - 2 + cw - 1) / cw;
  const int firstRow = std::max(topLine_ + clip.top / lh, topLine_);
  const int lastRow = MinMax(topLine_ + (clip.bottom + lh - 1) / lh, 1, DisplayLineCount());

  HideEditorCaret();
  if (clip.left < gutterWidth_) {
    platform::Rect r = clip;
    r.right = std::min(r.right, gutterWidth_);
    PaintGutter(canvas, r, firstRow, lastRow);
  }
  if (clip.right > gutterWidth_) {
    platform::Rect r = clip;
    r.left = std::max(r.left, gutterWidth_);
    PaintTextLines(canvas, r, firstRow, lastRow, firstCol, lastCol);
  }
  if (OnPaint) {
    canvas.font = font_;
    canvas.brush.color = color_;
    canvas.brush.style = platform::BrushStyle::Solid;
    OnPaint(this, canvas);
  }
  // Inside a locked sequence only its closing call reaches the handler.
  if (OnPaintTransient && paintTransientLock_ == 0) OnPaintTransient(this, canvas, TTransientType::ttAfter);
  UpdateCaret();
}

void TCustomTextEdit::PaintGutter(platform::Canvas& canvas, const platform::Rect& clip, int firstRow, int lastRow) {
  const int lh = std::max(1, textHeight_);
  const int firstLine = RowToLine(firstRow);
  const int lastLine = RowToLine(lastRow);
  canvas.brush.style = platform::BrushStyle::Solid;
  canvas.brush.color = gutter_.Color();
  if (gutter_.Gradient())
    DrawGradient(canvas, gutter_.GradientStartColor(), gutter_.GradientEndColor(), true,
                 platform::Rect{0, 0, gutterWidth_, ClientHeight()}, gutter_.GradientSteps());
  if (gutter_.ShowLineNumbers()) {
    textDrawer_->BeginDrawing(&canvas);
    if (gutter_.UseFontStyle()) {
      textDrawer_->SetBaseFont(&gutter_.Font());
      textDrawer_->SetForeColor(gutter_.Font().color);
    } else {
      textDrawer_->SetStyle(0);
      textDrawer_->SetForeColor(font_.color);
    }
    textDrawer_->SetBackColor(gutter_.Color());
    canvas.bkMode = gutter_.Gradient() ? platform::BkMode::Transparent : platform::BkMode::Opaque;
    const bool gradient = gutter_.Gradient();
    int y = (firstRow - topLine_) * lh;
    for (int line = firstLine; line <= lastLine; ++line) {
      const int top = (LineToRow(line) - topLine_) * lh;
      // The rows that continued the line before show no number.
      if (WordWrap() && !gradient && top > y)
        canvas.FillRect(platform::Rect{clip.left, y, clip.right, top}, gutter_.Color());
      std::u16string text = gutter_.FormatLineNumber(line);
      if (OnGutterGetText) OnGutterGetText(this, line, text);
      const int width = static_cast<int>(text.size()) * textDrawer_->GetCharWidth();
      const platform::Rect rowRect{clip.left, top, clip.right, top + lh};
      const int x = gutterWidth_ - gutter_.RightOffset() - 2 - width;
      const int ty = top + (lh - textDrawer_->GetCharHeight()) / 2;
      textDrawer_->ExtTextOut(x, ty, gradient ? platform::ETO_CLIPPED : platform::ETO_OPAQUE | platform::ETO_CLIPPED,
                              rowRect, text);
      y = std::max(y, top + lh);
    }
    if (!gutter_.Gradient() && y < clip.bottom)
      canvas.FillRect(platform::Rect{clip.left, y, clip.right, clip.bottom}, gutter_.Color());
    textDrawer_->SetBaseFont(&font_);
    canvas.bkMode = platform::BkMode::Opaque;
    textDrawer_->EndDrawing();
  } else if (!gutter_.Gradient()) {
    canvas.FillRect(clip, gutter_.Color());
  }
  if (WordWrap() && wordWrapGlyph_.Visible()) PaintWrapGlyphs(canvas, firstRow, lastRow);
  if (gutter_.BorderStyle() != TEdGutterBorderStyle::gbsNone && clip.right >= gutterWidth_ - 2) {
    const int top = clip.top;
    const int bottom = clip.bottom;
    if (gutter_.BorderStyle() == TEdGutterBorderStyle::gbsMiddle) {
      canvas.FillRect(platform::Rect{gutterWidth_ - 2, top, gutterWidth_ - 1, bottom}, gutter_.BorderColor());
      canvas.FillRect(platform::Rect{gutterWidth_ - 1, top, gutterWidth_, bottom}, gutter_.Color());
    } else {
      canvas.FillRect(platform::Rect{gutterWidth_ - 1, top, gutterWidth_, bottom}, gutter_.BorderColor());
    }
  }
  const bool drawMarks = bookMarkOptions_.GlyphsVisible() && marks_->Count() > 0;
  if (drawMarks || OnGutterPaint) {
    for (int line = firstLine; line <= lastLine; ++line) {
      const int y = (LineToRow(line) - topLine_) * lh;
      const int offset = drawMarks ? PaintMarks(canvas, line, y) : 0;
      if (OnGutterPaint) OnGutterPaint(this, line, bookMarkOptions_.LeftMargin() + offset, y);
    }
  }
}

void TCustomTextEdit::PaintWrapGlyphs(platform::Canvas& canvas, int firstRow, int lastRow) {
  const int lh = std::max(1, textHeight_);
  const int x = gutterWidth_ - gutter_.RightOffset() - 2 - wordWrapGlyph_.Width();
  for (int row = std::max(firstRow, 2); row <= lastRow; ++row) {
    const int line = RowToLine(row);
    if (line < 1 || line > lines_->Count() || LineToRow(line) == row) continue;
    wordWrapGlyph_.Draw(canvas, x, (row - topLine_) * lh, lh);
  }
}

int TCustomTextEdit::PaintMarks(platform::Canvas& canvas, int line, int y) {
  const std::vector<TTextEditMark*> marks = marks_->GetMarksForLine(line);
  const bool bookmarksFirst = bookMarkOptions_.DrawBookmarksFirst();
  const std::shared_ptr<TEdImageList>& images = bookMarkOptions_.BookmarkImages();
  const int left = bookMarkOptions_.LeftMargin();
  const int step = bookMarkOptions_.Xoffset();
  int offset = 0;
  auto draw = [&](const TTextEditMark& m) {
    if (images && !m.InternalImage()) {
      if (m.ImageIndex() < 0 || m.ImageIndex() >= images->Count()) return;
      if (m.IsBookmark() == bookmarksFirst)
        offset = 0;
      else if (offset == 0)
        offset = step;
      images->Draw(canvas, left + offset, y, m.ImageIndex());
      offset += step;
    } else if (m.ImageIndex() >= 0 && m.ImageIndex() <= 9 && offset == 0) {
      // The ten bookmark images, shared by every editor, made when first drawn.
      if (!internalImages_) internalImages_ = std::make_unique<TEdInternalImage>("TextEditInternalImages", 10);
      internalImages_->Draw(canvas, m.ImageIndex(), left + offset, y, std::max(1, textHeight_));
      offset += step;
    }
  };
  for (const bool kind : {bookmarksFirst, !bookmarksFirst})
    for (const TTextEditMark* m : marks)
      if (m->Visible() && m->IsBookmark() == kind) draw(*m);
  return offset;
}

void TCustomTextEdit::PaintTextLines(platform::Canvas& canvas, const platform::Rect& clip, int firstRow, int lastRow,
                                     int firstCol, int lastCol) {
  const int cw = std::max(1, charWidth_);
  const int lh = std::max(1, textHeight_);
  const bool showSelection = SelAvail() && !(hideSelection_ && !Focused());
  TDisplayCoord selStart = BufferToDisplayPos(BlockBegin());
  TDisplayCoord selEnd = BufferToDisplayPos(BlockEnd());
  if (activeSelectionMode_ == TEdSelectionMode::smColumn && selStart.Column > selEnd.Column)
    SwapInt(selStart.Column, selEnd.Column);
  const bool useHighlighter = highlighter_ != nullptr && highlighter_->Enabled();
  const int rightEdgeX = rightEdge_ > 0 ? rightEdge_ * cw + textOffset_ : -1;
  const bool drawEdge = rightEdgeX >= clip.left && rightEdgeX < clip.right;

  textDrawer_->BeginDrawing(&canvas);
  const int count = std::max(0, lastCol - firstCol + 1);
  std::vector<Cell> cells(static_cast<size_t>(count));
  int y = (firstRow - topLine_) * lh;
  for (int row = firstRow; row <= lastRow && lines_->Count() > 0; ++row) {
    const int line = RowToLine(row);
    y = (row - topLine_) * lh;
    TColor rowBg = EditorBackground(line);
    TColor rowFg = font_.color;
    bool special = false;
    TColor specialFg = clNone, specialBg = clNone;
    if (OnSpecialLineColors) OnSpecialLineColors(this, line, special, specialFg, specialBg);
    TColor selFg = selectedColor_.Foreground(), selBg = selectedColor_.Background();
    if (special) {
      if (specialFg != clNone) rowFg = specialFg;
      if (specialBg != clNone) rowBg = specialBg;
      selFg = rowBg;
      selBg = rowFg;
    }
    // The row's selected columns [selA, selB).
    int selA = 0, selB = 0;
    if (showSelection && row >= selStart.Row && row <= selEnd.Row) {
      switch (activeSelectionMode_) {
        case TEdSelectionMode::smLine:
          selA = 1;
          selB = INT_MAX;
          break;
        case TEdSelectionMode::smColumn:
          selA = selStart.Column;
          selB = selEnd.Column;
          break;
        case TEdSelectionMode::smNormal:
          selA = row == selStart.Row ? selStart.Column : 1;
          selB = row == selEnd.Row ? selEnd.Column : INT_MAX;
          break;
      }
    }

    const std::u16string& raw = lines_->Get(line - 1);
    const std::u16string expanded = lines_->GetExpandedString(line - 1);
    const int expandedLength = static_cast<int>(expanded.size());
    // The part of the expanded line this row shows: columns rowStart + 1 ..
    // rowStart + rowLength; only the line's last row reaches its end.
    int rowStart = 0;
    int rowLength = expandedLength;
    bool lastRowOfLine = true;
    if (WordWrap()) {
      const int first = LineToRow(line);
      for (int r = first; r < row; ++r) rowStart += RowLength(r);
      rowLength = RowLength(row);
      lastRowOfLine = line >= lines_->Count() ? row >= DisplayLineCount() : row == LineToRow(line + 1) - 1;
    }
    // The display column of every character (and of the position after the last).
    std::vector<int> colOf(raw.size() + 1);
    {
      int x = 0;
      for (size_t i = 0; i < raw.size(); ++i) {
        colOf[i] = x + 1;
        x += raw[i] == u'\t' ? tabWidth_ - x % tabWidth_ : 1;
      }
      colOf[raw.size()] = x + 1;
    }
    // Base look of the columns: unhighlighted text, the editor's background after the line.
    for (int i = 0; i < count; ++i) {
      const int col = firstCol + i;
      Cell& c = cells[static_cast<size_t>(i)];
      c.fg = rowFg;
      c.bg = rowBg;
      c.style = static_cast<TFontStyles>(font_.Style());
      if (col <= rowLength) {
        const char16_t ch = expanded[static_cast<size_t>(rowStart + col - 1)];
        c.ch = ch == u'\t' ? u' ' : ch;
        if (showSpecialChars_ && ch == u' ') c.ch = kSpaceSymbol;
      } else {
        c.ch = showSpecialChars_ && lastRowOfLine && col == rowLength + 1 ? kEolSymbol : u' ';
      }
    }
    if (showSpecialChars_) {
      // The tab symbol sits in the middle of each tab's span.
      for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != u'\t') continue;
        const int mid = (colOf[i] + colOf[i + 1] - 1) / 2 - rowStart;
        if (mid >= firstCol && mid <= lastCol && mid <= rowLength) cells[static_cast<size_t>(mid - firstCol)].ch = kTabSymbol;
      }
    }
    if (useHighlighter) {
      if (line == 1)
        highlighter_->ResetRange();
      else
        highlighter_->SetRange(lines_->GetRange(line - 2));
      highlighter_->SetLine(raw, line - 1);
      int covered = 0;  // characters the tokens reached
      while (!highlighter_->GetEol()) {
        const int pos = highlighter_->GetTokenPos();
        const int len = static_cast<int>(highlighter_->GetToken().size());
        const int c1 = colOf[static_cast<size_t>(std::min(pos, static_cast<int>(raw.size())))] - rowStart;
        if (c1 > lastCol || c1 > rowLength) break;
        const int c2 = std::min(colOf[static_cast<size_t>(std::min(pos + len, static_cast<int>(raw.size())))] - rowStart,
                                rowLength + 1);
        const TEdHighlighterAttributes* attr = highlighter_->GetTokenAttribute();
        TColor fg = rowFg, bg = rowBg;
        TFontStyles style = static_cast<TFontStyles>(font_.Style());
        if (attr) {
          if (attr->Foreground() != clNone) fg = attr->Foreground();
          if (attr->Background() != clNone) bg = attr->Background();
          style = attr->Style();
        }
        if (activeLineColor_ != clNone && line == caretY_) bg = rowBg;
        if (special) {
          bg = rowBg;
          if (!HasOption(eoSpecialLineDefaultFg) || !attr || attr->Foreground() == clNone) fg = rowFg;
        }
        for (int col = std::max(c1, firstCol); col < c2 && col <= lastCol; ++col) {
          Cell& c = cells[static_cast<size_t>(col - firstCol)];
          c.fg = fg;
          c.bg = bg;
          c.style = style;
        }
        covered = pos + len;
        highlighter_->Next();
      }
      // What the highlighter did not reach takes the white-space colours.
      if (covered < static_cast<int>(raw.size())) {
        const TEdHighlighterAttributes* ws = highlighter_->GetDefaultAttribute(EDHL_ATTR_WHITESPACE);
        for (int col = std::max(colOf[static_cast<size_t>(covered)] - rowStart, firstCol);
             col < std::min(colOf[raw.size()] - rowStart, rowLength + 1) && col <= lastCol; ++col) {
          Cell& c = cells[static_cast<size_t>(col - firstCol)];
          if (ws && ws->Foreground() != clNone) c.fg = ws->Foreground();
          if (ws && ws->Background() != clNone && !(activeLineColor_ != clNone && line == caretY_))
            c.bg = ws->Background();
        }
      }
    }
    for (int i = 0; i < count; ++i) {
      const int col = firstCol + i;
      if (col >= selA && col < selB) {
        cells[static_cast<size_t>(i)].fg = selFg;
        cells[static_cast<size_t>(i)].bg = selBg;
      }
    }
    // The two-pixel margin right of the gutter.
    if (clip.left < gutterWidth_ + 2 && leftChar_ == firstCol)
      canvas.FillRect(platform::Rect{gutterWidth_, y, gutterWidth_ + 2, y + lh}, rowBg);
    // Runs of equal look, each one drawing call.
    int start = 0;
    int italicSpill = 0;  // how far the last drawn italic character reaches into the next cell
    while (start < count) {
      int end = start + 1;
      while (end < count && SameLook(cells[static_cast<size_t>(start)], cells[static_cast<size_t>(end)])) ++end;
      std::u16string text;
      text.reserve(static_cast<size_t>(end - start));
      for (int i = start; i < end; ++i) text.push_back(cells[static_cast<size_t>(i)].ch);
      const Cell& look = cells[static_cast<size_t>(start)];
      textDrawer_->SetStyle(look.style);
      textDrawer_->SetForeColor(look.fg);
      textDrawer_->SetBackColor(look.bg);
      const int x = (firstCol + start - 1) * cw + textOffset_;
      platform::Rect r{std::max(x, gutterWidth_ + 2), y, x + (end - start) * cw, y + lh};
      r.right = std::min(r.right, clip.right);
      // The fill after an italic token keeps the slant of its last character.
      if (firstCol + start > rowLength) r.left = std::min(r.right, r.left + italicSpill);
      if (!r.IsEmpty()) textDrawer_->ExtTextOut(x, y, platform::ETO_OPAQUE | platform::ETO_CLIPPED, r, text);
      italicSpill = 0;
      const int lastColOfRun = firstCol + end - 1;
      if ((look.style & fsItalic) && lastColOfRun >= 1 && lastColOfRun <= rowLength) {
        const platform::Font& f = textDrawer_->CurrentFont();
        const char16_t last = cells[static_cast<size_t>(end - 1)].ch;
        italicSpill = std::max(0, platform::CharAdvance(f, last) + platform::GetTextMetrics(f).overhang - cw);
      }
      start = end;
    }
    if (drawEdge) canvas.FillRect(platform::Rect{rightEdgeX, y, rightEdgeX + 1, y + lh}, rightEdgeColor_);
    y += lh;
  }
  textDrawer_->EndDrawing();
  if (lines_->Count() == 0) y = (firstRow - topLine_) * lh;
  if (y < clip.bottom) {
    canvas.FillRect(platform::Rect{clip.left, y, clip.right, clip.bottom}, EditorBackground(0));
    if (drawEdge) canvas.FillRect(platform::Rect{rightEdgeX, y, rightEdgeX + 1, clip.bottom}, rightEdgeColor_);
  }
}

}  // namespace editor
