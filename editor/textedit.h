#pragma once
// The editor control: a custom-drawn window that shows the lines of its
// line buffer in one fixed-pitch font, with a gutter on the left, colours
// from an optional highlighter, a caret and a selection in one of three
// modes. This header holds the control's state, coordinates, caret and
// selection rules, how it follows its lines, the selected text and
// scrolling; the sources are split by concern (textedit.cpp the core,
// texteditsel.cpp the selected text and undo steps, texteditscroll.cpp the
// view, texteditpaint.cpp the drawing, texteditcmds.cpp keys and the
// command dispatch, texteditexec.cpp what each command does,
// texteditclipboard.cpp the clipboard, texteditmouse.cpp the mouse and drags,
// texteditmarks.cpp marks and bookmarks; texteditwrap.h the row splitter
// behind word wrap).
#include <QVariant>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "editor/edmiscclasses.h"
#include "editor/edtypes.h"
#include "editor/highlighter.h"
#include "editor/keycmds.h"
#include "editor/textdrawer.h"
#include "editor/texteditmark.h"
#include "editor/texteditstringlist.h"
#include "editor/texteditwrap.h"
#include "editor/undolist.h"
#include "platform/control.h"

class QInputMethodEvent;
class QPoint;
class QWidget;

namespace editor {

// Options, stored as a 32-bit set with these bit numbers.
enum TTextEditorOption : int {
  eoAltSetsColumnMode = 0,
  eoAutoIndent = 1,
  eoAutoSizeMaxScrollWidth = 2,
  eoDisableScrollArrows = 3,
  eoDragDropEditing = 4,
  eoDropFiles = 5,
  eoEnhanceHomeKey = 6,
  eoEnhanceEndKey = 7,
  eoGroupUndo = 8,
  eoHalfPageScroll = 9,
  eoHideShowScrollbars = 10,
  eoKeepCaretX = 11,
  eoNoCaret = 12,
  eoNoSelection = 13,
  eoRightMouseMovesCursor = 14,
  eoScrollByOneLess = 15,
  eoScrollHintFollows = 16,
  eoScrollPastEof = 17,
  eoScrollPastEol = 18,
  eoShowScrollHint = 19,
  eoShowSpecialChars = 20,
  eoSmartTabDelete = 21,
  eoSmartTabs = 22,
  eoSpecialLineDefaultFg = 23,
  eoTabIndent = 24,
  eoTabsToSpaces = 25,
  eoTrimTrailingSpaces = 26,
};
using TTextEditorOptions = std::uint32_t;
constexpr TTextEditorOptions OptionBit(TTextEditorOption o) { return TTextEditorOptions{1} << o; }
constexpr TTextEditorOptions kDefaultTextEditorOptions = 0x026C0192;

enum TEdStatusChange : unsigned {
  scAll = 0x001,
  scCaretX = 0x002,
  scCaretY = 0x004,
  scLeftChar = 0x008,
  scTopLine = 0x010,
  scInsertMode = 0x020,
  scModified = 0x040,
  scSelection = 0x080,
  scReadOnly = 0x100,
};
using TEdStatusChanges = unsigned;

enum class TTextEditCaretType { ctVerticalLine, ctHorizontalLine, ctHalfBlock, ctBlock };
enum class TScrollHintFormat { shfTopLineOnly, shfTopToBottom };
enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum class TScrollBarKind { sbHorizontal, sbVertical };
enum class TBorderStyle { bsNone, bsSingle };
enum class TTransientType { ttBefore, ttAfter };

class TCustomTextEdit;
using TTextEditNotifyEvent = std::function<void(TCustomTextEdit* sender)>;
using TStatusChangeEvent = std::function<void(TCustomTextEdit* sender, TEdStatusChanges changes)>;
using TScrollEvent = std::function<void(TCustomTextEdit* sender, TScrollBarKind kind)>;
using TPaintEvent = std::function<void(TCustomTextEdit* sender, platform::Canvas& canvas)>;
using TPaintTransientEvent =
    std::function<void(TCustomTextEdit* sender, platform::Canvas& canvas, TTransientType type)>;
using TSpecialLineColorsEvent =
    std::function<void(TCustomTextEdit* sender, int line, bool& special, TColor& foreground, TColor& background)>;
using TGutterGetTextEvent = std::function<void(TCustomTextEdit* sender, int line, std::u16string& text)>;
using TGutterPaintEvent = std::function<void(TCustomTextEdit* sender, int line, int x, int y)>;
using TProcessCommandEvent =
    std::function<void(TCustomTextEdit* sender, TTextEditorCommand& command, char16_t& aChar, void* data)>;
using TContextHelpEvent = std::function<void(TCustomTextEdit* sender, const std::u16string& word)>;
// The handler may replace the offered mark or reset it (no bookmark then).
using TPlaceMarkEvent = std::function<void(TCustomTextEdit* sender, std::unique_ptr<TTextEditMark>& mark)>;
using TClearMarkEvent = std::function<void(TCustomTextEdit* sender, TTextEditMark* mark)>;
using TGutterClickEvent = std::function<void(TCustomTextEdit* sender, platform::MouseButton button, int x, int y,
                                             int line, TTextEditMark* mark)>;
using TMouseCursorEvent = std::function<void(TCustomTextEdit* sender, const TBufferCoord& position, int& cursor)>;

class TCustomTextEdit : public platform::Control {
 public:
  explicit TCustomTextEdit(QWidget* parent = nullptr);
  ~TCustomTextEdit() override;
  TCustomTextEdit(const TCustomTextEdit&) = delete;
  TCustomTextEdit& operator=(const TCustomTextEdit&) = delete;

  // --- Text and lines.
  TTextEditStringList& Lines() { return *lines_; }
  const TTextEditStringList& Lines() const { return *lines_; }
  void SetLines(const TTextEditStringList& value) { lines_->Assign(value); }
  std::u16string Text() const { return lines_->GetTextStr(); }
  void SetText(std::u16string_view value) { lines_->SetTextStr(value); }
  std::u16string LineText() const;
  void SetLineText(std::u16string_view value);
  std::u16string SelText() const;
  void SetSelText(std::u16string_view value) { SetSelTextEx(value, TUndoReason::urInsert); }
  // Replaces the selection (or inserts at the caret) in one undo block:
  // urDelete for a selection, then the insertion under the given reason.
  void SetSelTextEx(std::u16string_view value, TUndoReason reason);
  std::string SelTextUtf8() const;
  void SetSelTextUtf8(std::string_view value);
  bool SelAvail() const;
  void SelectAll();
  void ClearSelection();
  bool IsPointInSelection(const TBufferCoord& value) const;
  // The primitive behind every replacement of the selection: deletes the
  // selection by the active mode, inserts value by mode, and with
  // addToUndoList records the pieces that only it knows (column pieces and
  // the lines it adds).
  void SetSelTextPrimitiveEx(TEdSelectionMode mode, std::u16string_view value, bool addToUndoList);
  void SetSelTextPrimitive(std::u16string_view value) { SetSelTextPrimitiveEx(activeSelectionMode_, value, true); }

  // --- Positions.
  int CaretX() const { return caretX_; }
  int CaretY() const { return caretY_; }
  void SetCaretX(int value);
  void SetCaretY(int value);
  TBufferCoord CaretXY() const { return TBufferCoord{caretX_, caretY_}; }
  void SetCaretXY(const TBufferCoord& value);
  // Moves the caret and keeps the selection (what the commands use).
  void InternalSetCaretXY(const TBufferCoord& value) { SetCaretXYEx(true, value); }
  void InternalSetCaretX(int value) { InternalSetCaretXY(TBufferCoord{value, caretY_}); }
  void InternalSetCaretY(int value) { InternalSetCaretXY(TBufferCoord{caretX_, value}); }
  void SetCaretXYEx(bool ensureVisible, TBufferCoord value);
  TDisplayCoord DisplayXY() const;
  int DisplayX() const { return DisplayXY().Column; }
  int DisplayY() const { return DisplayXY().Row; }
  int LastCaretX() const { return lastCaretX_; }
  // Ordered (smaller, larger) and as stored.
  TBufferCoord BlockBegin() const;
  TBufferCoord BlockEnd() const;
  TBufferCoord StoredBlockBegin() const { return blockBegin_; }
  TBufferCoord StoredBlockEnd() const { return blockEnd_; }
  void SetBlockBegin(TBufferCoord value);
  void SetBlockEnd(TBufferCoord value);
  void SetCaretAndSelection(const TBufferCoord& caret, const TBufferCoord& blockBegin, const TBufferCoord& blockEnd);

  TDisplayCoord BufferToDisplayPos(const TBufferCoord& p) const;
  TBufferCoord DisplayToBufferPos(const TDisplayCoord& p) const;
  int LineToRow(int line) const;
  int RowToLine(int row) const;
  int DisplayLineCount() const;
  platform::Point RowColumnToPixels(const TDisplayCoord& p) const;
  TDisplayCoord PixelsToRowColumn(int x, int y) const;
  // While dragging a selection: the column rounded to the nearest boundary.
  TDisplayCoord PixelsToNearestRowColumn(int x, int y) const;
  int TextOffset() const { return textOffset_; }

  // --- View (texteditscroll.cpp).
  int TopLine() const { return topLine_; }
  void SetTopLine(int value);
  int LeftChar() const { return leftChar_; }
  void SetLeftChar(int value);
  int LinesInWindow() const { return linesInWindow_; }
  int CharsInWindow() const { return charsInWindow_; }
  int CharWidth() const { return charWidth_; }
  int LineHeight() const { return textHeight_; }
  void EnsureCursorPosVisible() { EnsureCursorPosVisibleEx(false); }
  void EnsureCursorPosVisibleEx(bool forceToMiddle);
  void UpdateScrollBars();
  int MaxScrollWidth() const { return maxScrollWidth_; }
  void SetMaxScrollWidth(int value);
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle value);
  TColor ScrollHintColor() const { return scrollHintColor_; }
  void SetScrollHintColor(TColor value) { scrollHintColor_ = value; }
  TScrollHintFormat ScrollHintFormat() const { return scrollHintFormat_; }
  void SetScrollHintFormat(TScrollHintFormat value) { scrollHintFormat_ = value; }
  // The scroll hint's text and whether it shows (one window for all editors).
  static QWidget* ScrollHintWindow();
  static std::string ScrollHintText();
  // The platform's scroll messages and wheel steps, also for tests.
  void HandleHScroll(int code, int position);
  void HandleVScroll(int code, int position);
  bool HandleMouseWheel(platform::ShiftState shift, int delta);

  // --- State.
  TTextEditorOptions Options() const { return options_; }
  void SetOptions(TTextEditorOptions value);
  bool HasOption(TTextEditorOption o) const { return (options_ & OptionBit(o)) != 0; }
  void SetOption(TTextEditorOption o, bool on) {
    SetOptions(on ? (options_ | OptionBit(o)) : (options_ & ~OptionBit(o)));
  }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value);
  bool InsertMode() const { return insertMode_; }
  void SetInsertMode(bool value);
  bool Modified() const { return history_.Modified(); }
  void SetModified(bool value) { history_.SetModified(value); }
  TEdSelectionMode SelectionMode() const { return selectionMode_; }
  void SetSelectionMode(TEdSelectionMode value);
  TEdSelectionMode ActiveSelectionMode() const { return activeSelectionMode_; }
  void SetActiveSelectionMode(TEdSelectionMode value);
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool value);
  TColor ActiveLineColor() const { return activeLineColor_; }
  void SetActiveLineColor(TColor value);
  int RightEdge() const { return rightEdge_; }
  void SetRightEdge(int value);
  TColor RightEdgeColor() const { return rightEdgeColor_; }
  void SetRightEdgeColor(TColor value);
  int ExtraLineSpacing() const { return extraLineSpacing_; }
  void SetExtraLineSpacing(int value);
  int TabWidth() const { return tabWidth_; }
  void SetTabWidth(int value);
  bool WantReturns() const { return wantReturns_; }
  void SetWantReturns(bool value) {
    wantReturns_ = value;
    wantReturns = value;
  }
  bool WantTabs() const { return wantTabs_; }
  void SetWantTabs(bool value) {
    wantTabs_ = value;
    wantTabs = value;
  }
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value) { borderStyle_ = value; }
  TTextEditCaretType InsertCaret() const { return insertCaret_; }
  void SetInsertCaret(TTextEditCaretType value);
  TTextEditCaretType OverwriteCaret() const { return overwriteCaret_; }
  void SetOverwriteCaret(TTextEditCaretType value);
  TColor Color() const { return color_; }
  void SetColor(TColor value);
  bool WordWrap() const { return wordWrap_ != nullptr; }
  void SetWordWrap(bool value);
  // The row splitter while word wrap is on (null otherwise).
  ITextEditBufferPlugin* WordWrapPlugin() const { return wordWrap_.get(); }
  // Whether the caret shows at the end of the row before its seam.
  bool CaretAtEndOfRow() const { return caretAtEndOfRow_; }
  // Places the caret by display position, keeping the selection.
  void InternalSetCaretDisplay(const TDisplayCoord& d);

  TTextEditKeyStrokes& Keystrokes() { return keystrokes_; }
  void SetKeystrokes(const TTextEditKeyStrokes* value);
  TEdGutter& Gutter() { return gutter_; }
  void SetGutter(const TEdGutter& value) { gutter_.Assign(value); }
  int GutterWidth() const { return gutterWidth_; }
  TEdSelectedColor& SelectedColor() { return selectedColor_; }
  void SetSelectedColor(const TEdSelectedColor& value) { selectedColor_.Assign(value); }
  TEdBookMarkOpt& BookMarkOptions() { return bookMarkOptions_; }
  void SetBookMarkOptions(const TEdBookMarkOpt& value) { bookMarkOptions_.Assign(value); }
  TEdGlyph& WordWrapGlyph() { return wordWrapGlyph_; }
  void SetWordWrapGlyph(const TEdGlyph& value) { wordWrapGlyph_.Assign(value); }

  TEdCustomHighlighter* Highlighter() const { return highlighter_; }
  // The editor does not own the highlighter; it lets go of one that is destroyed.
  void SetHighlighter(TEdCustomHighlighter* value);

  // A font of fixed pitch; a proportional one is replaced by a fixed-pitch
  // font of the same name, size and style.
  const platform::Font& Font() const { return font_; }
  void SetFont(const platform::Font& value);
  TTextDrawer& TextDrawer() { return *textDrawer_; }

  // --- Undo and redo.
  void Undo() { history_.Undo(); }
  void Redo() { history_.Redo(); }
  bool CanUndo() const { return history_.CanUndo(); }
  bool CanRedo() const { return history_.CanRedo(); }
  void ClearUndo() { history_.ClearUndo(); }
  void BeginUndoBlock() { history_.BeginUndoBlock(); }
  void EndUndoBlock() { history_.EndUndoBlock(); }
  void LockUndo() { history_.LockUndo(); }
  void UnlockUndo() { history_.UnlockUndo(); }
  int MaxUndo() const { return history_.MaxUndo(); }
  void SetMaxUndo(int value) { history_.SetMaxUndo(value); }
  TTextEditUndoList& UndoList() { return history_.UndoList(); }
  TTextEditUndoList& RedoList() { return history_.RedoList(); }

  // --- Paint lock and status.
  void BeginUpdate() { IncPaintLock(); }
  void EndUpdate() { DecPaintLock(); }
  int PaintLock() const { return paintLock_; }
  TEdStatusChanges PendingStatusChanges() const { return statusChanges_; }

  // --- Repainting (collected while the line buffer changes).
  void InvalidateLines(int firstLine, int lastLine);
  void InvalidateLine(int line);
  void InvalidateGutterLines(int firstLine, int lastLine);
  void InvalidateGutter();
  void InvalidateSelection();
  void InvalidateAll() { Invalidate(); }

  // The transient-paint event: with lock, ttBefore opens and ttAfter closes
  // a sequence of which only the outermost pair reaches the handler.
  void DoPaintTransientEx(TTransientType type, bool lock);
  int PaintTransientLock() const { return paintTransientLock_; }

  // Commands (the command set is carried out by ExecuteCommand, texteditcmds.cpp).
  virtual void ExecuteCommand(TTextEditorCommand command, char16_t aChar, void* data);
  // The processing events around one command; commands below ecUserFirst
  // are executed.
  void CommandProcessor(TTextEditorCommand command, char16_t aChar, void* data);
  // ecLineBreak (moveCaret) and ecInsertLine: splits the caret line, one undo block.
  void DoLineBreak(bool moveCaret);
  void ClearAll();

  // Key handling (texteditcmds.cpp): key-down through the key map, then
  // characters; public so that tests can call them directly.
  void KeyDown(int& key, platform::ShiftState shift) override;
  void KeyPress(char16_t& ch) override;
  bool WantsKey(int vk, platform::ShiftState shift) override;

  // --- Words (texteditexec.cpp). Identifier characters are the
  // highlighter's or letters, digits and the underscore; white characters
  // every other one.
  bool IsIdentChar(char16_t c) const;
  bool IsWhiteChar(char16_t c) const;
  bool IsWordBreakChar(char16_t c) const;
  TBufferCoord NextWordPosEx(const TBufferCoord& p) const;
  TBufferCoord PrevWordPosEx(const TBufferCoord& p) const;
  TBufferCoord WordStartEx(const TBufferCoord& p) const;
  TBufferCoord WordEndEx(const TBufferCoord& p) const;
  TBufferCoord NextWordPos() const { return NextWordPosEx(CaretXY()); }
  TBufferCoord PrevWordPos() const { return PrevWordPosEx(CaretXY()); }
  TBufferCoord WordStart() const { return WordStartEx(CaretXY()); }
  TBufferCoord WordEnd() const { return WordEndEx(CaretXY()); }
  std::u16string GetWordAtCursor() const { return GetWordAtRowCol(CaretXY()); }
  std::u16string GetWordAtRowCol(const TBufferCoord& p) const;
  // Selects the word at a position (double click, ecSelWord).
  void SetWordBlock(TBufferCoord p);
  void SelectWord() { SetWordBlock(CaretXY()); }
  // The matching bracket of the one at the caret; (0, 0) when none.
  TBufferCoord GetMatchingBracket() const;

  // --- Marks and bookmarks (texteditmarks.cpp).
  TTextEditMarkList& Marks() { return *marks_; }
  void SetBookMark(int bookmark, int x, int y);
  void ClearBookMark(int bookmark);
  void GotoBookMark(int bookmark);
  // Whether bookmark n is set, and where.
  bool GetBookMark(int bookmark, int& x, int& y) const;
  bool IsBookmark(int bookmark) const;
  // Marks follow inserted and deleted lines (1-based first line).
  void MarksLinesInserted(int firstLine, int count);
  void MarksLinesDeleted(int firstLine, int count);

  // --- Clipboard (texteditclipboard.cpp); failures raise ETextEditError.
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  bool CanPaste() const;

  // --- Mouse (texteditmouse.cpp).
  void MouseDown(platform::MouseButton button, platform::ShiftState shift, int x, int y) override;
  void MouseMove(platform::ShiftState shift, int x, int y) override;
  void MouseUp(platform::MouseButton button, platform::ShiftState shift, int x, int y) override;
  void DblClick() override;
  void Timer(int id) override;
  void CaptureLost() override;
  // The id of the selection-scroll timer (100 ms, runs while a delta is not 0).
  static constexpr int kScrollTimerId = 1;
  int ScrollDeltaX() const { return scrollDeltaX_; }
  int ScrollDeltaY() const { return scrollDeltaY_; }
  // The cursor id for a client point (text, selection or gutter).
  int MouseCursorAt(int x, int y) const;
  bool PopupMenu = false;  // a right release does nothing more when set

  // --- Drag and drop between editors (texteditmouse.cpp). The source keeps
  // the mouse and asks the editor under the pointer to accept and drop.
  bool Dragging() const { return dragging_; }
  TCustomTextEdit* DragTarget() const { return dragTarget_; }
  // A drag from source over this editor at a client point: accepted or not.
  bool DragOver(TCustomTextEdit* source, int x, int y, platform::ShiftState shift);
  void DragDrop(TCustomTextEdit* source, int x, int y, platform::ShiftState shift);
  void EndDrag();
  void CancelDrag();

  // --- Events.
  TTextEditNotifyEvent OnChange;
  TStatusChangeEvent OnStatusChange;
  TScrollEvent OnScroll;
  TPaintEvent OnPaint;
  TPaintTransientEvent OnPaintTransient;
  TSpecialLineColorsEvent OnSpecialLineColors;
  TGutterGetTextEvent OnGutterGetText;
  TGutterPaintEvent OnGutterPaint;
  TProcessCommandEvent OnProcessCommand;
  TProcessCommandEvent OnProcessUserCommand;
  TProcessCommandEvent OnCommandProcessed;
  TContextHelpEvent OnContextHelp;
  TPlaceMarkEvent OnPlaceBookmark;
  TClearMarkEvent OnClearBookmark;
  TGutterClickEvent OnGutterClick;
  TMouseCursorEvent OnMouseCursor;

  // The handlers, public so that tests can call them directly.
  void Paint(platform::Canvas& canvas, const platform::Rect& clip) override;
  void Resized() override;
  void FocusIn(Qt::FocusReason reason) override;
  void FocusOut(Qt::FocusReason reason) override;
  bool MouseWheel(platform::ShiftState shift, int delta, int x, int y) override;
  void Scroll(Qt::Orientation bar, int code, int position) override;

  // Input method: a finished composition becomes one ecImeStr command.
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
  void inputMethodEvent(QInputMethodEvent* event) override;

  // Painting's halves (texteditpaint.cpp).
  void PaintGutter(platform::Canvas& canvas, const platform::Rect& clip, int firstRow, int lastRow);
  void PaintTextLines(platform::Canvas& canvas, const platform::Rect& clip, int firstRow, int lastRow, int firstCol,
                      int lastCol);
  // The marks of a line in the gutter row at y; returns the offset after them.
  int PaintMarks(platform::Canvas& canvas, int line, int y);

  // Shared rules of the commands (texteditsel.cpp).
  // Stores a line, without trailing blanks under eoTrimTrailingSpaces.
  void ProperSetLine(int index, std::u16string_view text);
  // Records the blanks that the trimming rule took since the last call, so
  // that undo gives them back: each as an insertion of nothing over them at
  // its line's end, in the change of the newest record. The commands call it
  // when their own records are in; undo takes them back first.
  void FlushTrimmedBlanks();
  // Leading blanks of a text (0 without eoAutoIndent).
  int LeftSpaces(std::u16string_view line, bool wantTabs = false) const;
  // An indent of n columns: tabs and spaces, or spaces only.
  std::u16string GetLeftSpacing(int charCount, bool wantTabs) const;

 protected:
  void IncPaintLock() { ++paintLock_; }
  void DecPaintLock();
  void StatusChanged(TEdStatusChanges changes);
  void DoOnStatusChange(TEdStatusChanges changes);
  void UpdateCaret();
  void InitializeCaret();
  void HideEditorCaret();
  void RecalcCharExtent();
  void SizeOrFontChanged(bool fontChanged);
  void FontChanged();
  void GutterChanged(TEdObject* sender);
  void HighlighterAttrChanged(TEdObject* sender);
  void HighlighterFreed(TEdObject* sender);
  int ScanFrom(int index);
  void RescanAll();
  // Undo and redo of one record.
  void UndoItem(const TTextEditUndoItem& item);
  void RedoItem(const TTextEditUndoItem& item);
  void ScrollHintShow(bool show);

 private:
  // Line buffer callbacks.
  void LinesChanging();
  void LinesChanged();
  void ListCleared();
  void ListDeleted(int index, int count);
  void ListInserted(int index, int count);
  void ListPut(int index, int count);
  void InvalidateClientRect(const platform::Rect& r);
  void ClampCaretForMaxScroll(TBufferCoord& p) const;
  bool HandleAllocated() const { return true; }
  void UpdateScrollBarsNow();
  int MaxLeftChar() const;
  int MaxTopLine() const;
  void PositionScrollBars();
  void SelTextInsertNormal(std::u16string_view value);
  void SelTextInsertColumn(std::u16string_view value, bool addToUndoList);
  void SelTextInsertLine(std::u16string_view value);
  void SelTextDelete(TBufferCoord& begin, TBufferCoord& end);
  // The selected text; column pieces filled with spaces to the block's
  // width or as they stand in their lines (what undo must put back).
  std::u16string ReadSelection(bool fillColumns) const;
  // A column selection's display columns, the smaller first.
  void ColumnBounds(int& colFrom, int& colTo) const;
  // The characters [left, right) of a line that display columns
  // colFrom..colTo - 1 cover; a tab the left edge cuts into is covered.
  void ColumnSpan(int line, int colFrom, int colTo, int& left, int& right) const;
  // Records the deletion of the selection before it happens, in an open
  // undo block: one record with the selected text, or for a column block a
  // urSelection of the block and one record per line with that line's own
  // characters (over tabs they start at a different character on each line).
  void AddSelectionDeletion(TUndoReason reason);
  // The trimming rule on a line about to be stored: the text without its
  // trailing blanks, the blanks noted for FlushTrimmedBlanks.
  std::u16string TrimForStore(int index, std::u16string_view text);
  // Inside an undo block: the selection recorded and deleted; the text
  // inserted at the caret by mode and recorded.
  void DeleteSelectionRecorded(TUndoReason reason, bool textFollows);
  void InsertRecorded(TEdSelectionMode mode, std::u16string_view value, TUndoReason reason);
  TColor EditorBackground(int line) const;
  // After chars in window changed: the wrap follows the new width.
  void WrapWidthChanged();
  // The display position of a buffer position, ignoring the row-end flag.
  TDisplayCoord PlainDisplayXY() const { return BufferToDisplayPos(CaretXY()); }
  int RowLength(int row) const;
  void PaintWrapGlyphs(platform::Canvas& canvas, int firstRow, int lastRow);

  // Command steps (texteditexec.cpp).
  void MoveCaretAndSelection(const TBufferCoord& before, const TBufferCoord& after, bool selecting);
  void MoveCaretHorz(int dx, bool selecting);
  void MoveCaretVert(int dy, bool selecting);
  void MovePage(int command, bool selecting);
  void MoveDisplayRow(int row, bool selecting);
  void DoHome(bool selecting);
  void DoEnd(bool selecting);
  void DoScrollVert(int delta);
  void DoSetMarker(int bookmark, const TBufferCoord* at);
  void DoTypeChar(char16_t c);
  void DoImeStr(std::u16string_view s);
  void DoDeleteLastChar();
  void DoDeleteChar();
  void DoDeleteWordOrEol(bool word);
  void DoDeleteLastWordOrBol(bool word);
  void DoDeleteLine();
  void DeleteSelectionForKey();
  void DoTab();
  void DoShiftTab();
  void DoBlockIndent();
  void DoBlockUnindent();
  void DoCaseChange(TTextEditorCommand command);
  void DoMatchBracket();
  void DoPaintTransient(TTransientType type) { DoPaintTransientEx(type, false); }
  void ScrollForTyping();
  int LineLength(int line) const;
  // Mouse steps (texteditmouse.cpp).
  void ComputeScrollDeltas(int x, int y);
  void StopScrollTimer();
  void ReportGutterClick(platform::MouseButton button, int x, int y);
  void MoveCaretToMouse(int x, int y, bool keepColumn, bool keepRow);
  TBufferCoord MouseBufferPos(int x, int y, bool nearest) const;
  void StartDrag();
  void DragMoveTo(int x, int y, platform::ShiftState shift);
  TCustomTextEdit* EditorAtGlobal(const QPoint& global) const;
  void DragTrack(TCustomTextEdit* source, int x, int y);

  // Selection and caret.
  TBufferCoord blockBegin_{1, 1};
  TBufferCoord blockEnd_{1, 1};
  int caretX_ = 1;
  int caretY_ = 1;
  int lastCaretX_ = 1;
  int charsInWindow_ = 0;
  int charWidth_ = 0;
  bool insertMode_ = true;
  std::unique_ptr<TTextEditStringList> lines_;
  TEdUndoHistory history_;
  // Blanks the trimming rule took, by line index, not yet recorded.
  std::vector<std::pair<int, std::u16string>> trimmedBlanks_;
  int linesInWindow_ = 0;
  int leftChar_ = 1;
  int maxScrollWidth_ = 1024;
  int paintLock_ = 0;
  bool readOnly_ = false;
  int rightEdge_ = 80;
  TColor rightEdgeColor_ = clSilver;
  TColor scrollHintColor_ = clInfoBk;
  TScrollHintFormat scrollHintFormat_ = TScrollHintFormat::shfTopLineOnly;
  TScrollStyle scrollBars_ = TScrollStyle::ssBoth;
  int textHeight_ = 0;
  int textOffset_ = 0;
  int topLine_ = 1;
  TEdCustomHighlighter* highlighter_ = nullptr;
  TEdSelectedColor selectedColor_;
  TColor activeLineColor_ = clNone;
  TEdBookMarkOpt bookMarkOptions_;
  TBorderStyle borderStyle_ = TBorderStyle::bsSingle;
  bool hideSelection_ = false;
  int mouseWheelAccumulator_ = 0;
  TTextEditCaretType overwriteCaret_ = TTextEditCaretType::ctBlock;
  TTextEditCaretType insertCaret_ = TTextEditCaretType::ctVerticalLine;
  platform::Point caretOffset_;
  TTextEditKeyStrokes keystrokes_;
  int extraLineSpacing_ = 0;
  TEdSelectionMode selectionMode_ = TEdSelectionMode::smNormal;
  TEdSelectionMode activeSelectionMode_ = TEdSelectionMode::smNormal;
  bool wantReturns_ = true;
  bool wantTabs_ = false;
  TEdGlyph wordWrapGlyph_;
  std::shared_ptr<ITextEditBufferPlugin> wordWrap_;
  bool caretAtEndOfRow_ = false;
  int paintTransientLock_ = 0;
  TEdGutter gutter_;
  int tabWidth_ = 8;
  std::unique_ptr<TTextDrawer> textDrawer_;
  platform::Rect invalidateRect_;
  // State flags.
  bool caretChanged_ = false;
  bool scrollBarsChanged_ = false;
  bool linesChanging_ = false;
  bool caretShown_ = false;
  TTextEditorOptions options_ = kDefaultTextEditorOptions;
  TEdStatusChanges statusChanges_ = 0;
  int gutterWidth_ = 30;
  bool showSpecialChars_ = false;
  bool isScrolling_ = false;
  bool destroying_ = false;
  TColor color_ = clWindow;
  platform::Font font_;

  // Commands, keys, marks, mouse.
  TEdKeyTranslator keyTranslator_;
  bool ignoreNextChar_ = false;
  int imeCount_ = 0;
  std::unique_ptr<TTextEditMarkList> marks_;
  std::unique_ptr<TEdInternalImage> internalImages_;
  TTextEditMark* bookmarks_[10] = {};
  TBufferCoord mouseDownPos_;
  platform::Point mouseDownPixel_;
  int scrollDeltaX_ = 0;
  int scrollDeltaY_ = 0;
  bool waitForDragging_ = false;
  bool dblClicked_ = false;
  bool gutterClick_ = false;
  bool gutterDragging_ = false;
  bool dragging_ = false;
  bool dragCanceled_ = false;
  TCustomTextEdit* dragTarget_ = nullptr;
  TCustomTextEdit* dragSourceOver_ = nullptr;  // a drag of another editor over this one
};

// Keeps the list of live editors that drags look through (constructor and destructor).
void RegisterEditorForDrags(TCustomTextEdit* editor, bool add);

// Calls Begin now and End when the scope closes, also when an exception
// leaves it: paint locks, line-buffer updates and undo blocks.
template <typename T, void (T::*Begin)(), void (T::*End)()>
class TScopedBracket {
 public:
  explicit TScopedBracket(T& object) : object_(object) { (object_.*Begin)(); }
  ~TScopedBracket() { (object_.*End)(); }
  TScopedBracket(const TScopedBracket&) = delete;
  TScopedBracket& operator=(const TScopedBracket&) = delete;

 private:
  T& object_;
};
using TPaintLockScope = TScopedBracket<TCustomTextEdit, &TCustomTextEdit::BeginUpdate, &TCustomTextEdit::EndUpdate>;
using TUndoBlockScope =
    TScopedBracket<TCustomTextEdit, &TCustomTextEdit::BeginUndoBlock, &TCustomTextEdit::EndUndoBlock>;
using TLinesUpdateScope =
    TScopedBracket<TTextEditStringList, &TTextEditStringList::BeginUpdate, &TTextEditStringList::EndUpdate>;

// eoScrollPastEol on while the scope lasts (positions beyond a line's end
// are kept), restored afterwards.
class TPastEolScope {
 public:
  explicit TPastEolScope(TCustomTextEdit& editor) : editor_(editor), was_(editor.HasOption(eoScrollPastEol)) {
    if (!was_) editor_.SetOption(eoScrollPastEol, true);
  }
  ~TPastEolScope() {
    if (!was_) editor_.SetOption(eoScrollPastEol, false);
  }
  TPastEolScope(const TPastEolScope&) = delete;
  TPastEolScope& operator=(const TPastEolScope&) = delete;

 private:
  TCustomTextEdit& editor_;
  bool was_;
};

// The control with its properties published; the same class in this system.
class TTextEdit : public TCustomTextEdit {
 public:
  using TCustomTextEdit::TCustomTextEdit;
};

}  // namespace editor
