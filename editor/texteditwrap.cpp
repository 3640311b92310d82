#include "editor/texteditwrap.h"

#include <algorithm>
#include <string>

#include "editor/textedit.h"
#include "platform/sysutils.h"

namespace editor {

using platform::IsLowSurrogate;

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }
constexpr int kMaxRow = 255;

}  // namespace

TEdWordWrapPlugin::TEdWordWrapPlugin(TCustomTextEdit* owner) : owner_(owner) {
  if (owner_ == nullptr) throw platform::Exception("TEdWordWrapPlugin must be owned by TCustomTextEdit");
  Reset();
}

void TEdWordWrapPlugin::GrowLines(int n) {
  if (static_cast<int>(lineOffsets_.capacity()) < n) lineOffsets_.reserve(static_cast<size_t>((n / 256 + 1) * 256));
}

void TEdWordWrapPlugin::GrowRows(int n) {
  if (static_cast<int>(rowLengths_.capacity()) < n) rowLengths_.reserve(static_cast<size_t>((n / 512 + 1) * 512));
}

void TEdWordWrapPlugin::Clear() {
  lineCount_ = 0;
  lineOffsets_.clear();
  rowLengths_.clear();
  lineOffsets_.shrink_to_fit();
  rowLengths_.shrink_to_fit();
}

bool TEdWordWrapPlugin::IsBreakChar(char16_t c) const {
  if (c < 256) return breakChars_[c];
  return !owner_->IsIdentChar(c);
}

void TEdWordWrapPlugin::Reset() {
  const int chars = owner_->CharsInWindow();
  maxRowLength_ = chars;
  minRowLength_ = std::max(1, chars - chars / 3);
  for (int c = 0; c < 256; ++c) breakChars_[static_cast<size_t>(c)] = !owner_->IsIdentChar(static_cast<char16_t>(c));
  WrapAll();
}

void TEdWordWrapPlugin::DisplayChanged() {
  if (owner_->CharsInWindow() != maxRowLength_) Reset();
}

void TEdWordWrapPlugin::WrapAll() {
  const TTextEditStringList& lines = owner_->Lines();
  const int count = lines.Count();
  if (count == 0 || maxRowLength_ <= 0) {
    Clear();
    return;
  }
  lineOffsets_.clear();
  rowLengths_.clear();
  GrowLines(count);
  for (int i = 0; i < count; ++i) {
    const std::vector<std::uint8_t> rows = SplitLine(lines.GetExpandedString(i));
    GrowRows(static_cast<int>(rowLengths_.size() + rows.size()));
    rowLengths_.insert(rowLengths_.end(), rows.begin(), rows.end());
    lineOffsets_.push_back(static_cast<std::int32_t>(rowLengths_.size()));
  }
  lineCount_ = count;
}

std::vector<std::uint8_t> TEdWordWrapPlugin::SplitLine(std::u16string_view s) const {
  std::vector<std::uint8_t> rows;
  const int n = static_cast<int>(s.size());
  const int tabWidth = std::max(1, owner_->TabWidth());
  const int maxLen = std::max(1, maxRowLength_);
  int b = 0;
  int r = b + maxLen;
  // A rest of the line that fits the width but not in a row's byte is cut too.
  while (r < n || n - b > kMaxRow) {
    const int plain = std::min(r, n);  // the cut before the adjustments below
    if (r >= n) {
      r = n;
    } else if (!IsBlank(s[static_cast<size_t>(r)])) {
      for (int p = r - 1; p >= b + minRowLength_ + 1; --p) {
        if (IsBreakChar(s[static_cast<size_t>(p)])) {
          r = p + 1;
          break;
        }
      }
    } else {
      // Blanks past a row's most are cut below anyway: looking further made
      // a long run of blanks cost its length for every row it fills.
      const int stop = std::min(n, b + kMaxRow + 1);
      while (r < stop && IsBlank(s[static_cast<size_t>(r)])) ++r;
    }
    if (r - b > kMaxRow) {
      r = b + kMaxRow;
      // A cut inside a tab's columns goes back to its first column when that is near.
      while (s[static_cast<size_t>(r)] == u'\t' && s[static_cast<size_t>(r - 1)] == u'\t' &&
             r > b + kMaxRow - (kMaxRow % tabWidth))
        --r;
    }
    // A surrogate pair stays on one row.
    if (r < n && r > b + 1 && IsLowSurrogate(s[static_cast<size_t>(r)])) --r;
    // Every row holds at least one column.
    if (r <= b) r = std::min(plain, b + kMaxRow);
    rows.push_back(static_cast<std::uint8_t>(r - b));
    b = r;
    r = b + maxLen;
  }
  if (b < n || n == 0) rows.push_back(static_cast<std::uint8_t>(n - b));
  return rows;
}

int TEdWordWrapPlugin::GetRowLength(int row) const {
  if (row < 1 || row > RowCount())
    throw platform::EListError("List index out of bounds (" + std::to_string(row) + ")");
  return rowLengths_[static_cast<size_t>(row - 1)];
}

int TEdWordWrapPlugin::WrapLine(int index) {
  const std::vector<std::uint8_t> rows = SplitLine(owner_->Lines().GetExpandedString(index));
  const int first = FirstRowOfLine(index) - 1;  // 0-based
  const int old = LastRowOfLine(index) - first;
  const int d = static_cast<int>(rows.size()) - old;
  if (d > 0) {
    GrowRows(static_cast<int>(rowLengths_.size()) + d);
    rowLengths_.insert(rowLengths_.begin() + first + old, static_cast<size_t>(d), std::uint8_t{0});
  } else if (d < 0) {
    rowLengths_.erase(rowLengths_.begin() + first + old + d, rowLengths_.begin() + first + old);
  }
  if (d != 0)
    for (int i = index; i < lineCount_; ++i) lineOffsets_[static_cast<size_t>(i)] += d;
  std::copy(rows.begin(), rows.end(), rowLengths_.begin() + first);
  return d;
}

int TEdWordWrapPlugin::LinesInserted(int index, int count) {
  if (maxRowLength_ == 0 || count <= 0) return 0;
  index = std::clamp(index, 0, lineCount_);
  GrowLines(lineCount_ + count);
  const std::int32_t before = index == 0 ? 0 : lineOffsets_[static_cast<size_t>(index - 1)];
  lineOffsets_.insert(lineOffsets_.begin() + index, static_cast<size_t>(count), before);
  lineCount_ += count;
  int added = 0;
  for (int i = index; i < index + count; ++i) added += WrapLine(i);
  return added;
}

int TEdWordWrapPlugin::LinesDeleted(int index, int count) {
  if (maxRowLength_ == 0 || count <= 0 || index < 0 || index >= lineCount_) return 0;
  count = std::min(count, lineCount_ - index);
  const int s = FirstRowOfLine(index) - 1;
  const int e = LastRowOfLine(index + count - 1);
  rowLengths_.erase(rowLengths_.begin() + s, rowLengths_.begin() + e);
  lineOffsets_.erase(lineOffsets_.begin() + index, lineOffsets_.begin() + index + count);
  lineCount_ -= count;
  for (int i = index; i < lineCount_; ++i) lineOffsets_[static_cast<size_t>(i)] -= e - s;
  return e - s;
}

int TEdWordWrapPlugin::LinesPut(int index, int count) {
  if (maxRowLength_ == 0) return 0;
  int d = 0;
  for (int i = index; i < index + count && i < lineCount_; ++i)
    if (i >= 0) d += WrapLine(i);
  return d;
}

TDisplayCoord TEdWordWrapPlugin::BufferToDisplayPos(const TBufferCoord& p) const {
  if (p.Line > lineCount_) return TDisplayCoord{p.Char, RowCount() + p.Line - lineCount_};
  if (p.Line < 1) return TDisplayCoord{p.Char, p.Line};
  const int first = FirstRowOfLine(p.Line - 1);
  const int last = LastRowOfLine(p.Line - 1);
  int sum = 0;
  for (int row = first; row <= last; ++row) {
    const int len = rowLengths_[static_cast<size_t>(row - 1)];
    sum += len;
    if (sum >= p.Char) return TDisplayCoord{len + p.Char - sum, row};
  }
  return TDisplayCoord{rowLengths_[static_cast<size_t>(last - 1)] + p.Char - sum, last};
}

TBufferCoord TEdWordWrapPlugin::DisplayToBufferPos(const TDisplayCoord& p) const {
  const int rows = RowCount();
  if (p.Row > rows) return TBufferCoord{p.Column, lineCount_ + p.Row - rows};
  if (p.Row < 1) return TBufferCoord{p.Column, p.Row};
  // The line whose rows hold the row: the first whose last row is at or after it.
  const auto it = std::lower_bound(lineOffsets_.begin(), lineOffsets_.begin() + lineCount_, p.Row);
  const int index = static_cast<int>(it - lineOffsets_.begin());
  const int first = FirstRowOfLine(index);
  int c = p.Column;
  if (p.Row == LastRowOfLine(index))
    c = std::min(c, maxRowLength_ + 1);
  else
    c = std::min(c, rowLengths_[static_cast<size_t>(p.Row - 1)] + 1);
  for (int row = first; row < p.Row; ++row) c += rowLengths_[static_cast<size_t>(row - 1)];
  return TBufferCoord{c, index + 1};
}

}  // namespace editor
