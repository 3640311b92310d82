#pragma once
// Word wrap: every buffer line split into display rows no wider than the
// text area. The editor reaches the splitter only through the buffer
// plug-in interface and tells it about every change of its lines and of
// the window's width in characters.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "editor/edtypes.h"

namespace editor {

class TCustomTextEdit;

// What the editor asks of a plug-in that maps buffer lines to display rows.
// Held by shared pointer: it lives while someone still refers to it.
class ITextEditBufferPlugin {
 public:
  virtual ~ITextEditBufferPlugin() = default;
  // (expanded column, line) -> (column, row), and back.
  virtual TDisplayCoord BufferToDisplayPos(const TBufferCoord& p) const = 0;
  virtual TBufferCoord DisplayToBufferPos(const TDisplayCoord& p) const = 0;
  virtual int RowCount() const = 0;
  // Rows counted from 1; a row that does not exist raises EListError.
  virtual int GetRowLength(int row) const = 0;
  // Each answers the change in the number of rows.
  virtual int LinesInserted(int index, int count) = 0;
  virtual int LinesDeleted(int index, int count) = 0;
  virtual int LinesPut(int index, int count) = 0;
  virtual void DisplayChanged() = 0;
  virtual void Reset() = 0;
};

class TEdWordWrapPlugin : public ITextEditBufferPlugin {
 public:
  // Raises Exception without an editor; wraps every line at once.
  explicit TEdWordWrapPlugin(TCustomTextEdit* owner);

  TDisplayCoord BufferToDisplayPos(const TBufferCoord& p) const override;
  TBufferCoord DisplayToBufferPos(const TDisplayCoord& p) const override;
  int RowCount() const override { return lineCount_ == 0 ? 0 : lineOffsets_[static_cast<size_t>(lineCount_ - 1)]; }
  int GetRowLength(int row) const override;
  int LinesInserted(int index, int count) override;
  int LinesDeleted(int index, int count) override;
  int LinesPut(int index, int count) override;
  void DisplayChanged() override;
  void Reset() override;

  int MaxRowLength() const { return maxRowLength_; }
  int MinRowLength() const { return minRowLength_; }
  int LineCount() const { return lineCount_; }
  // The first and last row (1-based) of a 0-based line that the plug-in holds.
  int FirstRowOfLine(int index) const { return (index == 0 ? 0 : lineOffsets_[static_cast<size_t>(index - 1)]) + 1; }
  int LastRowOfLine(int index) const { return lineOffsets_[static_cast<size_t>(index)]; }
  // Row lengths of one expanded line for a wrap width (also for tests).
  std::vector<std::uint8_t> SplitLine(std::u16string_view expanded) const;

 private:
  void WrapAll();
  void Clear();
  int WrapLine(int index);
  bool IsBreakChar(char16_t c) const;
  void GrowLines(int n);
  void GrowRows(int n);

  TCustomTextEdit* owner_;
  std::vector<std::int32_t> lineOffsets_;  // entry i: rows of lines 0..i
  std::vector<std::uint8_t> rowLengths_;   // one per row
  int lineCount_ = 0;
  int maxRowLength_ = 0;
  int minRowLength_ = 1;
  std::array<bool, 256> breakChars_{};
};

}  // namespace editor
