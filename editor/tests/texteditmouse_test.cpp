// The editor with the mouse, the clipboard, drags between editors and the
// marks in its gutter.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <memory>
#include <string>

#include "editor/editormodule.h"
#include "editor/tests/textedit_helpers.h"
#include "editor/textedit.h"
#include "platform/clipboard.h"
#include "platform/cursors.h"
#include "platform/keys.h"
#include "platform/render.h"

namespace editor {

namespace {

using testing::SetState;
using testing::State;
using testing::Text;

void Send(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons,
          Qt::KeyboardModifiers mods = {}) {
  QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), button, buttons, mods);
  QCoreApplication::sendEvent(w, &e);
}
void Press(QWidget* w, QPoint p, Qt::KeyboardModifiers mods = {}, Qt::MouseButton b = Qt::LeftButton) {
  Send(w, QEvent::MouseButtonPress, p, b, b, mods);
}
void MoveHeld(QWidget* w, QPoint p, Qt::KeyboardModifiers mods = {}) {
  Send(w, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton, mods);
}
void Release(QWidget* w, QPoint p, Qt::KeyboardModifiers mods = {}, Qt::MouseButton b = Qt::LeftButton) {
  Send(w, QEvent::MouseButtonRelease, p, b, Qt::NoButton, mods);
}

class TextEditMouseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetClipboardBackend(&clipboard);
    window = std::make_unique<QWidget>();
    window->resize(820, 300);
    ed = new TTextEdit(window.get());
    ed->setGeometry(0, 0, 400, 300);
    other = new TTextEdit(window.get());
    other->setGeometry(410, 0, 400, 300);
    window->show();
  }
  void TearDown() override {
    platform::SetClipboardBackend(nullptr);
    platform::SetShiftStateOverride(nullptr);
  }
  // A point inside the cell of a buffer position.
  static QPoint At(const TCustomTextEdit& e, TBufferCoord p) {
    const platform::Point px = e.RowColumnToPixels(e.BufferToDisplayPos(p));
    return QPoint(px.x + 1, px.y + 1);
  }
  // The same point in the coordinates of ed (for drags that leave it).
  QPoint InEd(const TCustomTextEdit& e, TBufferCoord p) const {
    return ed->mapFromGlobal(e.mapToGlobal(At(e, p)));
  }
  std::string Private() const {
    return clipboard.Data().at(platform::RegisterClipboardFormat(kTextEditClipboardFormatName));
  }

  platform::TestClipboardBackend clipboard;
  std::unique_ptr<QWidget> window;
  TTextEdit* ed = nullptr;
  TTextEdit* other = nullptr;
};

// ------------------------------------------------------------ selecting

TEST_F(TextEditMouseTest, ClickPlacesTheCaretAndDraggingSelects) {
  SetState(*ed, "|hello world\nsecond line");
  Press(ed, At(*ed, {3, 1}));
  Release(ed, At(*ed, {3, 1}));
  EXPECT_EQ(State(*ed), "he|llo world\nsecond line");
  // A click beyond the last line goes to the last line.
  Press(ed, QPoint(At(*ed, {3, 1}).x(), 250));
  Release(ed, QPoint(At(*ed, {3, 1}).x(), 250));
  EXPECT_EQ(ed->CaretY(), 2);

  Press(ed, At(*ed, {2, 1}));
  EXPECT_TRUE(ed->HasCapture());
  MoveHeld(ed, At(*ed, {5, 1}));
  MoveHeld(ed, At(*ed, {3, 2}));
  Release(ed, At(*ed, {3, 2}));
  EXPECT_FALSE(ed->HasCapture());
  EXPECT_EQ(State(*ed), "h[ello world\nse|cond line");

  // Shift+click extends the selection from its begin.
  Press(ed, At(*ed, {8, 2}), Qt::ShiftModifier);
  Release(ed, At(*ed, {8, 2}), Qt::ShiftModifier);
  EXPECT_EQ(State(*ed), "h[ello world\nsecond |line");
}

TEST_F(TextEditMouseTest, AltDraggingSelectsAColumnAndTheRightButtonMovesOnlyWhenAsked) {
  ed->SetOption(eoAltSetsColumnMode, true);
  SetState(*ed, "|abcd\nabcd\nabcd");
  Press(ed, At(*ed, {2, 1}), Qt::AltModifier);
  MoveHeld(ed, At(*ed, {4, 3}), Qt::AltModifier);
  Release(ed, At(*ed, {4, 3}), Qt::AltModifier);
  EXPECT_EQ(ed->SelectionMode(), TEdSelectionMode::smColumn);
  EXPECT_EQ(ed->SelText(), u"bc\r\nbc\r\nbc");
  Press(ed, At(*ed, {1, 1}));
  Release(ed, At(*ed, {1, 1}));
  EXPECT_EQ(ed->SelectionMode(), TEdSelectionMode::smNormal);

  SetState(*ed, "|abcd\nabcd");
  Press(ed, At(*ed, {3, 2}), {}, Qt::RightButton);
  Release(ed, At(*ed, {3, 2}), {}, Qt::RightButton);
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{1, 1}));
  ed->SetOption(eoRightMouseMovesCursor, true);
  Press(ed, At(*ed, {3, 2}), {}, Qt::RightButton);
  Release(ed, At(*ed, {3, 2}), {}, Qt::RightButton);
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{3, 2}));
  // Not inside a selection, though.
  SetState(*ed, "[abc|d\nabcd");
  Press(ed, At(*ed, {2, 1}), {}, Qt::RightButton);
  EXPECT_EQ(State(*ed), "[abc|d\nabcd");
}

TEST_F(TextEditMouseTest, DoubleClickSelectsTheWord) {
  SetState(*ed, "|one two_three, four");
  const QPoint p = At(*ed, {7, 1});
  Press(ed, p);
  Release(ed, p);
  Send(ed, QEvent::MouseButtonDblClick, p, Qt::LeftButton, Qt::LeftButton);
  Release(ed, p);
  EXPECT_EQ(State(*ed), "one [two_three|, four");
  // On a symbol right after a word, the word before it is taken.
  ed->SetWordBlock({14, 1});
  EXPECT_EQ(ed->SelText(), u"two_three");
  // Beyond the line's end nothing is selected.
  ed->SetWordBlock({40, 1});
  EXPECT_FALSE(ed->SelAvail());
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{20, 1}));
  // Far-east text groups by character type.
  ed->Lines().Put(0, u"\u65e5\u672c\u3072\u3089\u304c\u306a");
  ed->SetWordBlock({2, 1});
  EXPECT_EQ(ed->SelText(), u"\u65e5\u672c");
}

TEST_F(TextEditMouseTest, HoldingTheButtonBelowTheTextScrollsEveryTick) {
  std::string text;
  for (int i = 1; i <= 200; ++i) text += "line " + std::to_string(i) + "\n";
  SetState(*ed, "|" + text);
  const int lh = ed->LineHeight();
  const int bottom = ed->LinesInWindow() * lh;
  Press(ed, At(*ed, {2, 1}));
  MoveHeld(ed, QPoint(60, bottom + lh / 2));
  EXPECT_TRUE(ed->TimerActive(TCustomTextEdit::kScrollTimerId));
  EXPECT_EQ(ed->TimerInterval(TCustomTextEdit::kScrollTimerId), 100);
  EXPECT_EQ(ed->ScrollDeltaY(), 1);
  const int top = ed->TopLine();
  ASSERT_TRUE(ed->FireTimer(TCustomTextEdit::kScrollTimerId));
  EXPECT_EQ(ed->TopLine(), top + 1);
  EXPECT_EQ(ed->CaretY(), ed->TopLine() + ed->LinesInWindow() - 1);
  EXPECT_EQ(ed->BlockEnd(), ed->CaretXY());
  EXPECT_EQ(ed->BlockBegin(), (TBufferCoord{2, 1}));
  // Each further line height adds a line per tick.
  MoveHeld(ed, QPoint(60, bottom + lh + lh / 2));
  EXPECT_EQ(ed->ScrollDeltaY(), 2);
  ed->FireTimer(TCustomTextEdit::kScrollTimerId);
  EXPECT_EQ(ed->TopLine(), top + 3);
  // With Shift each tick scrolls pages.
  const platform::ShiftState shift = platform::ssShift;
  platform::SetShiftStateOverride(&shift);
  ed->FireTimer(TCustomTextEdit::kScrollTimerId);
  EXPECT_EQ(ed->TopLine(), top + 3 + 2 * ed->LinesInWindow());
  platform::SetShiftStateOverride(nullptr);
  // Back in the text the scrolling stops; so it does on release.
  MoveHeld(ed, QPoint(60, lh));
  EXPECT_FALSE(ed->TimerActive(TCustomTextEdit::kScrollTimerId));
  MoveHeld(ed, QPoint(60, -lh));
  EXPECT_EQ(ed->ScrollDeltaY(), -2);
  EXPECT_TRUE(ed->TimerActive(TCustomTextEdit::kScrollTimerId));
  Release(ed, QPoint(60, -lh));
  EXPECT_FALSE(ed->TimerActive(TCustomTextEdit::kScrollTimerId));
  // Without the button held nothing scrolls.
  ed->MouseMove(0, 60, bottom + lh);
  EXPECT_FALSE(ed->TimerActive(TCustomTextEdit::kScrollTimerId));
}

TEST_F(TextEditMouseTest, ClickInsideTheSelectionKeepsItUntilReleasedWithoutDragging) {
  SetState(*ed, "ab[cdef|gh");
  Press(ed, At(*ed, {4, 1}));
  EXPECT_EQ(ed->SelText(), u"cdef");
  EXPECT_EQ(ed->MouseCursorAt(At(*ed, {4, 1}).x(), 2), platform::crIBeam);  // the button is held
  Release(ed, At(*ed, {4, 1}));
  EXPECT_EQ(State(*ed), "abc|defgh");
  // Over a selection with no button held the cursor is the arrow.
  SetState(*ed, "ab[cdef|gh");
  EXPECT_EQ(ed->MouseCursorAt(At(*ed, {4, 1}).x(), 2), platform::crArrow);
  EXPECT_EQ(ed->MouseCursorAt(At(*ed, {9, 1}).x(), 2), platform::crIBeam);
  EXPECT_EQ(ed->MouseCursorAt(2, 2), ed->Gutter().Cursor());
  ed->OnMouseCursor = [](TCustomTextEdit*, const TBufferCoord&, int& cursor) { cursor = platform::crHandPoint; };
  EXPECT_EQ(ed->MouseCursorAt(At(*ed, {9, 1}).x(), 2), platform::crHandPoint);
}

TEST_F(TextEditMouseTest, GutterClicksReportTheLineAndTheMark) {
  SetState(*ed, "|a\nb\nc");
  ed->SetBookMark(2, 1, 2);
  int line = 0;
  TTextEditMark* mark = nullptr;
  int calls = 0;
  ed->OnGutterClick = [&](TCustomTextEdit*, platform::MouseButton, int, int, int l, TTextEditMark* m) {
    ++calls;
    line = l;
    mark = m;
  };
  const int y = ed->LineHeight() + 2;
  Press(ed, QPoint(3, y));
  EXPECT_EQ(calls, 0);  // reported on release
  Release(ed, QPoint(3, y));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(line, 2);
  ASSERT_NE(mark, nullptr);
  EXPECT_EQ(mark->BookmarkNumber(), 2);
  // Past the marks' room there is no mark.
  Press(ed, QPoint(20, y));
  Release(ed, QPoint(20, y));
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(mark, nullptr);
}

// ------------------------------------------------------------ clipboard

TEST_F(TextEditMouseTest, CopyAndPasteRoundTrip) {
  SetState(*ed, "a[bc\nde|f");
  ed->CommandProcessor(ecCopy, 0, nullptr);
  EXPECT_EQ(clipboard.Data().at(platform::kClipboardText), "bc\nde");
  EXPECT_EQ(Private(), std::string("\0bc\r\nde\0", 8));
  SetState(*other, "x|y");
  other->CommandProcessor(ecPaste, 0, nullptr);
  EXPECT_EQ(State(*other), "xbc\nde|y");
  other->Undo();
  EXPECT_EQ(State(*other), "x|y");
  other->Redo();
  EXPECT_EQ(Text(*other), "xbc\ndey");

  // A paste over a selection is undone in one step with the selection.
  SetState(*other, "1[23|4");
  other->PasteFromClipboard();
  EXPECT_EQ(Text(*other), "1bc\nde4");
  other->Undo();
  EXPECT_EQ(Text(*other), "1234");
  EXPECT_EQ(other->SelText(), u"23");

  // Cut takes the text away in one undo step.
  SetState(*ed, "a[bc|d");
  ed->CommandProcessor(ecCut, 0, nullptr);
  EXPECT_EQ(State(*ed), "a|d");
  EXPECT_EQ(clipboard.Data().at(platform::kClipboardText), "bc");
  ed->Undo();
  EXPECT_EQ(Text(*ed), "abcd");
}

TEST_F(TextEditMouseTest, ColumnBlocksTravelAsRectangles) {
  ed->SetOption(eoTrimTrailingSpaces, true);
  SetState(*ed, "ab\nabcdef\nabcd");
  ed->SetSelectionMode(TEdSelectionMode::smColumn);
  ed->SetCaretAndSelection({6, 3}, {2, 1}, {6, 3});
  ed->CopyToClipboard();
  EXPECT_EQ(Private(), std::string("\x02" "b   \r\nbcde\r\nbcd \0", 18));
  EXPECT_EQ(clipboard.Data().at(platform::kClipboardText), "b   \nbcde\nbcd ");
  SetState(*other, "12|34\n1234\n1234");
  other->PasteFromClipboard();
  EXPECT_EQ(Text(*other), "12b   34\n12bcde34\n12bcd 34");
  other->Undo();
  EXPECT_EQ(Text(*other), "1234\n1234\n1234");
}

TEST_F(TextEditMouseTest, PlainTextFromElsewhereUsesTheActiveMode) {
  clipboard.SetData({{platform::kClipboardText, "xy\nzw"}});
  SetState(*other, "12|34\n1234\n1234");
  other->PasteFromClipboard();
  EXPECT_EQ(Text(*other), "12xy\nzw34\n1234\n1234");
  other->Undo();
  EXPECT_EQ(Text(*other), "1234\n1234\n1234");
  other->SetSelectionMode(TEdSelectionMode::smColumn);
  SetState(*other, "12|34\n1234\n1234");
  other->PasteFromClipboard();
  EXPECT_EQ(Text(*other), "12xy34\n12zw34\n1234");
  // Line mode puts whole lines above the caret's line.
  other->SetSelectionMode(TEdSelectionMode::smLine);
  clipboard.SetData({{platform::kClipboardText, "new\n"}});
  SetState(*other, "ab\nc|d");
  other->PasteFromClipboard();
  EXPECT_EQ(Text(*other), "ab\nnew\ncd");
  other->Undo();
  EXPECT_EQ(Text(*other), "ab\ncd");
}

TEST_F(TextEditMouseTest, ClipboardFailuresRaiseTheEditorsErrors) {
  SetState(*ed, "a[bc|d");
  clipboard.failSet = true;
  try {
    ed->CopyToClipboard();
    FAIL() << "no error";
  } catch (const ETextEditError& e) {
    EXPECT_STREQ(e.what(), "Clipboard copy operation failed");
  }
  // A cut whose copy failed keeps the text.
  EXPECT_THROW(ed->CutToClipboard(), ETextEditError);
  EXPECT_EQ(Text(*ed), "abcd");
  clipboard.failSet = false;
  ed->CopyToClipboard();
  clipboard.failGet = true;
  try {
    other->PasteFromClipboard();
    FAIL() << "no error";
  } catch (const ETextEditError& e) {
    EXPECT_STREQ(e.what(), "Clipboard paste operation failed.");
  }
  EXPECT_EQ(Text(*other), "");
  EXPECT_FALSE(other->CanUndo());
  clipboard.failGet = false;
  // Nothing on the clipboard: nothing to paste.
  clipboard.SetData({});
  EXPECT_FALSE(other->CanPaste());
  other->PasteFromClipboard();
  EXPECT_FALSE(other->CanUndo());
  other->SetReadOnly(true);
  clipboard.SetData({{platform::kClipboardText, "x"}});
  EXPECT_FALSE(other->CanPaste());
}

TEST_F(TextEditMouseTest, ClipboardKeysRunThroughTheKeyMap) {
  SetState(*ed, "a[bc|d");
  QTest::keyClick(ed, Qt::Key_C, Qt::ControlModifier);
  QTest::keyClick(ed, Qt::Key_End);
  QTest::keyClick(ed, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(State(*ed), "abcdbc|");
  QTest::keyClick(ed, Qt::Key_Left, Qt::ShiftModifier);
  QTest::keyClick(ed, Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(State(*ed), "abcdb|");
  EXPECT_EQ(clipboard.Data().at(platform::kClipboardText), "c");
}

// --------------------------------------------------------- drag and drop

TEST_F(TextEditMouseTest, DraggingASelectionMovesIt) {
  SetState(*ed, "one [two|three");
  Press(ed, At(*ed, {6, 1}));
  MoveHeld(ed, At(*ed, {6, 1}) + QPoint(platform::DragDistance() - 1, 0));
  EXPECT_FALSE(ed->Dragging());  // not yet past the drag distance
  MoveHeld(ed, At(*ed, {7, 1}) + QPoint(platform::DragDistance(), 0));
  ASSERT_TRUE(ed->Dragging());
  MoveHeld(ed, At(*ed, {13, 1}));
  Release(ed, At(*ed, {13, 1}));
  EXPECT_FALSE(ed->Dragging());
  EXPECT_EQ(Text(*ed), "one threetwo");
  EXPECT_EQ(ed->SelText(), u"two");
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{10, 1}));
  // One undo step takes the whole move back.
  ed->Undo();
  EXPECT_EQ(Text(*ed), "one twothree");
}

TEST_F(TextEditMouseTest, DroppingOntoItselfDoesNothingAndACopyAtTheEndDuplicates) {
  SetState(*ed, "ab[cd|ef");
  Press(ed, At(*ed, {3, 1}));
  MoveHeld(ed, At(*ed, {4, 1}));
  ASSERT_TRUE(ed->Dragging());
  Release(ed, At(*ed, {4, 1}));
  EXPECT_EQ(Text(*ed), "abcdef");
  EXPECT_FALSE(ed->CanUndo());

  SetState(*ed, "ab[cd|ef");
  Press(ed, At(*ed, {3, 1}));
  MoveHeld(ed, At(*ed, {5, 1}), Qt::ControlModifier);
  Release(ed, At(*ed, {5, 1}), Qt::ControlModifier);
  EXPECT_EQ(Text(*ed), "abcdcdef");
  EXPECT_EQ(ed->SelText(), u"cd");
}

TEST_F(TextEditMouseTest, DraggingToAnotherEditorCopiesOrMoves) {
  SetState(*ed, "ab[cd|ef");
  SetState(*other, "|123");
  Press(ed, At(*ed, {3, 1}));
  MoveHeld(ed, InEd(*other, {2, 1}));
  EXPECT_EQ(ed->DragTarget(), other);
  EXPECT_EQ(other->CaretXY(), (TBufferCoord{2, 1}));
  Release(ed, InEd(*other, {2, 1}));
  EXPECT_EQ(Text(*other), "1cd23");
  EXPECT_EQ(Text(*ed), "abcdef");
  other->Undo();
  EXPECT_EQ(Text(*other), "123");

  // With Shift the text moves.
  SetState(*ed, "ab[cd|ef");
  Press(ed, At(*ed, {3, 1}));
  MoveHeld(ed, InEd(*other, {4, 1}), Qt::ShiftModifier);
  Release(ed, InEd(*other, {4, 1}), Qt::ShiftModifier);
  EXPECT_EQ(Text(*other), "123cd");
  EXPECT_EQ(Text(*ed), "abef");

  // A read-only editor refuses the drop; Escape cancels a drag.
  other->SetReadOnly(true);
  SetState(*ed, "ab[cd|ef");
  Press(ed, At(*ed, {3, 1}));
  MoveHeld(ed, InEd(*other, {1, 1}));
  Release(ed, InEd(*other, {1, 1}));
  EXPECT_EQ(Text(*ed), "abcdef");
  Press(ed, At(*ed, {3, 1}));
  MoveHeld(ed, At(*ed, {7, 1}));
  QTest::keyClick(ed, Qt::Key_Escape);
  EXPECT_FALSE(ed->Dragging());
  Release(ed, At(*ed, {7, 1}));
  EXPECT_EQ(Text(*ed), "abcdef");
}

// ------------------------------------------------------------------ marks

TEST_F(TextEditMouseTest, BookmarksFollowInsertedAndDeletedLines) {
  SetState(*ed, "|l1\nl2\nl3\nl4\nl5\nl6");
  ed->SetBookMark(1, 1, 2);
  ed->SetBookMark(3, 2, 4);
  ed->SetBookMark(6, 1, 6);
  auto lineOf = [&](int n) {
    int x = 0, y = 0;
    return ed->GetBookMark(n, x, y) ? y : 0;
  };
  // Enter at the start of line 1 pushes everything down.
  ed->SetCaretXY({1, 1});
  ed->CommandProcessor(ecLineBreak, 0, nullptr);
  EXPECT_EQ(lineOf(1), 3);
  EXPECT_EQ(lineOf(3), 5);
  EXPECT_EQ(lineOf(6), 7);
  // Undo takes the line away again.
  ed->Undo();
  EXPECT_EQ(lineOf(1), 2);
  EXPECT_EQ(lineOf(6), 6);
  // Deleting lines 3 to 4 (a selection): the mark on 4 goes to the first
  // line of the change, the one below moves up by two.
  ed->SetCaretAndSelection({1, 5}, {3, 2}, {1, 5});
  ed->CommandProcessor(ecDeleteChar, 0, nullptr);
  EXPECT_EQ(Text(*ed), "l1\nl2l5\nl6");
  EXPECT_EQ(lineOf(1), 2);
  EXPECT_EQ(lineOf(3), 2);
  EXPECT_EQ(lineOf(6), 3);
  // Ctrl+Y on line 2 and a Backspace join move them too.
  ed->SetCaretXY({1, 2});
  ed->CommandProcessor(ecDeleteLine, 0, nullptr);
  EXPECT_EQ(lineOf(6), 2);
  ed->SetCaretXY({1, 2});
  ed->CommandProcessor(ecDeleteLastChar, 0, nullptr);
  EXPECT_EQ(Text(*ed), "l1l6");
  EXPECT_EQ(lineOf(6), 1);
}

TEST_F(TextEditMouseTest, BookmarksStayPutWhenTextArrivesInAnEmptyBuffer) {
  ed->Lines().Clear();
  ed->SetBookMark(0, 1, 1);
  ed->CommandProcessor(ecChar, u'x', nullptr);
  int x = 0, y = 0;
  ASSERT_TRUE(ed->GetBookMark(0, x, y));
  EXPECT_EQ(y, 1);
  // Reloading the text keeps the line numbers of the marks.
  ed->SetBookMark(1, 1, 1);
  ed->Lines().SetTextUtf8("a\nb\nc");
  ed->SetBookMark(1, 1, 3);
  ed->Lines().SetTextUtf8("d\ne\nf\ng");
  ASSERT_TRUE(ed->GetBookMark(1, x, y));
  EXPECT_EQ(y, 3);
}

TEST_F(TextEditMouseTest, BookmarkEventsAndLimits) {
  SetState(*ed, "|a\nb\nc");
  int cleared = 0;
  ed->OnClearBookmark = [&](TCustomTextEdit*, TTextEditMark* m) {
    ++cleared;
    EXPECT_EQ(m->BookmarkNumber(), 3);
  };
  ed->SetBookMark(3, 1, 2);
  ed->CommandProcessor(ecSetMarker0 + 3, 0, &*std::make_unique<TBufferCoord>(TBufferCoord{1, 2}));
  EXPECT_FALSE(ed->IsBookmark(3));
  EXPECT_EQ(cleared, 1);
  EXPECT_EQ(ed->Marks().Count(), 0);
  // Out of range numbers and lines are ignored.
  ed->SetBookMark(10, 1, 1);
  ed->SetBookMark(-1, 1, 1);
  ed->SetBookMark(1, 1, 4);
  ed->SetBookMark(1, 1, 0);
  EXPECT_EQ(ed->Marks().Count(), 0);
  // The placing event may refuse or replace the mark.
  ed->OnPlaceBookmark = [](TCustomTextEdit*, std::unique_ptr<TTextEditMark>& m) {
    if (m->BookmarkNumber() == 4) m.reset();
  };
  ed->SetBookMark(4, 1, 1);
  EXPECT_FALSE(ed->IsBookmark(4));
  ed->SetBookMark(5, 2, 3);
  ASSERT_TRUE(ed->IsBookmark(5));
  TTextEditMark* m = ed->Marks().Items(0);
  EXPECT_EQ(m->Edit(), ed);
  EXPECT_TRUE(m->Visible());
  EXPECT_TRUE(m->InternalImage());
  EXPECT_EQ(m->ImageIndex(), 5);
  EXPECT_EQ(ed->Marks().GetMarksForLine(3).size(), 1u);
  ed->GotoBookMark(5);
  EXPECT_EQ(ed->CaretXY(), (TBufferCoord{2, 3}));
  // A mark taken out of the list no longer knows the editor.
  std::unique_ptr<TTextEditMark> taken = ed->Marks().Remove(m);
  EXPECT_EQ(taken->Edit(), nullptr);
  EXPECT_FALSE(ed->IsBookmark(5));
}

TEST_F(TextEditMouseTest, BookmarksShowInTheGutter) {
  SetState(*ed, "|a\nb\nc");
  const platform::Colour gutter = platform::ColourToRgb(ed->Gutter().Color());
  const int lh = ed->LineHeight();
  auto inkOnRow = [&](int row) {
    const QImage image = platform::RenderToImage(ed);
    return !platform::InkBounds(image, gutter, platform::Rect{0, (row - 1) * lh, ed->GutterWidth() - 2, row * lh})
                .IsEmpty();
  };
  EXPECT_FALSE(inkOnRow(2));
  ed->SetBookMark(7, 1, 2);
  EXPECT_TRUE(inkOnRow(2));
  EXPECT_FALSE(inkOnRow(1));
  ed->BookMarkOptions().SetGlyphsVisible(false);
  EXPECT_FALSE(inkOnRow(2));
}

}  // namespace
}  // namespace editor
