#include "editor/undolist.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace editor {
namespace {

using R = TUndoReason;

const std::vector<R> kAllReasons = {R::urInsert, R::urPaste, R::urDropInsert, R::urDeleteAfterCaret, R::urDelete,
                                    R::urLineBreak, R::urIndent, R::urUnindent, R::urQuietDelete,
                                    R::urQuietDeleteAfterCaret, R::urPasteBegin, R::urPasteEnd, R::urCaret,
                                    R::urSelection, R::urGroupBreak, R::urFillSpaces};

void Add(TTextEditUndoList& list, R reason, const char16_t* text = u"") {
  list.AddChange(reason, BufferCoord(1, 1), BufferCoord(2, 1), text, TEdSelectionMode::smNormal);
}

// ---------------------------------------------------------------------------
// The list

TEST(UndoList, EveryReasonIsRecordedAndAnnouncedExceptTheGroupBreak) {
  for (R reason : kAllReasons) {
    SCOPED_TRACE(static_cast<int>(reason));
    TTextEditUndoList list;
    int added = 0;
    list.OnAddedUndo = [&added](TTextEditUndoList*) { ++added; };
    list.AddChange(reason, BufferCoord(3, 4), BufferCoord(5, 6), u"text", TEdSelectionMode::smColumn);
    ASSERT_EQ(list.ItemCount(), 1);
    const TTextEditUndoItem& item = *list.PeekItem();
    EXPECT_EQ(item.ChangeReason, reason);
    EXPECT_EQ(item.ChangeStartPos, BufferCoord(3, 4));
    EXPECT_EQ(item.ChangeEndPos, BufferCoord(5, 6));
    EXPECT_EQ(item.ChangeStr, u"text");
    EXPECT_EQ(item.ChangeSelMode, TEdSelectionMode::smColumn);
    EXPECT_EQ(item.ChangeNumber, 1);
    EXPECT_EQ(list.LastChangeReason(), reason);
    EXPECT_EQ(added, reason == R::urGroupBreak ? 0 : 1);
  }
}

TEST(UndoList, ChangeNumbersBlocksAndLocks) {
  TTextEditUndoList list;
  int added = 0;
  list.OnAddedUndo = [&added](TTextEditUndoList*) { ++added; };
  Add(list, R::urInsert);
  Add(list, R::urInsert);
  EXPECT_EQ(list.Item(0).ChangeNumber, 1);
  EXPECT_EQ(list.Item(1).ChangeNumber, 2);

  list.BeginBlock();
  list.BeginBlock();   // nested blocks share the outer number
  Add(list, R::urDelete);
  list.EndBlock();
  Add(list, R::urInsert);
  list.EndBlock();
  EXPECT_EQ(list.Item(2).ChangeNumber, 3);
  EXPECT_EQ(list.Item(3).ChangeNumber, 3);
  EXPECT_EQ(added, 5);   // two records, two in the block, one at its end
  EXPECT_EQ(list.NextChangeNumber(), 4);

  // An empty block uses up a number but tells nobody.
  added = 0;
  list.BeginBlock();
  list.EndBlock();
  EXPECT_EQ(added, 0);
  list.EndBlock();   // no block open: nothing
  Add(list, R::urInsert);
  EXPECT_EQ(list.PeekItem()->ChangeNumber, 5);

  list.Lock();
  list.Lock();
  Add(list, R::urInsert);
  list.Unlock();
  Add(list, R::urInsert);
  EXPECT_EQ(list.ItemCount(), 5);
  list.Unlock();
  list.Unlock();   // not below 0
  Add(list, R::urInsert);
  EXPECT_EQ(list.ItemCount(), 6);
}

TEST(UndoList, GroupBreaksAreNotDoubled) {
  TTextEditUndoList list;
  list.AddGroupBreak();
  list.AddGroupBreak();
  Add(list, R::urInsert);
  list.AddGroupBreak();
  list.AddGroupBreak();
  EXPECT_EQ(list.ItemCount(), 3);
  EXPECT_EQ(list.LastChangeReason(), R::urGroupBreak);
}

TEST(UndoList, MaxEntriesDropsTheOldest) {
  TTextEditUndoList list;
  for (int i = 0; i < 1030; ++i) Add(list, R::urInsert);
  EXPECT_EQ(list.ItemCount(), 1024);
  EXPECT_TRUE(list.FullUndoImpossible());
  EXPECT_EQ(list.Item(0).ChangeNumber, 7);
  list.SetMaxUndoActions(10);
  EXPECT_EQ(list.ItemCount(), 10);
  EXPECT_EQ(list.Item(0).ChangeNumber, 1021);
  list.SetMaxUndoActions(-5);
  EXPECT_EQ(list.MaxUndoActions(), 0);
  EXPECT_EQ(list.ItemCount(), 0);
  list.Clear();
  EXPECT_FALSE(list.FullUndoImpossible());
  EXPECT_EQ(list.PopItem(), nullptr);
  EXPECT_EQ(list.PeekItem(), nullptr);
  EXPECT_EQ(list.LastChangeReason(), R::urNothing);
}

TEST(UndoList, InitialState) {
  TTextEditUndoList list;
  EXPECT_TRUE(list.InitialState());   // empty list, number 0
  list.SetInitialState(false);
  EXPECT_EQ(list.InitialChangeNumber(), -1);
  EXPECT_FALSE(list.InitialState());
  list.SetInitialState(true);
  EXPECT_TRUE(list.InitialState());

  Add(list, R::urInsert);
  EXPECT_FALSE(list.InitialState());
  list.SetInitialState(true);
  EXPECT_EQ(list.InitialChangeNumber(), 1);
  EXPECT_TRUE(list.InitialState());
  Add(list, R::urInsert);
  EXPECT_FALSE(list.InitialState());
  list.SetInitialState(false);   // the newest is not the marked one: unchanged
  EXPECT_EQ(list.InitialChangeNumber(), 1);
  list.PopItem();
  EXPECT_TRUE(list.InitialState());
  list.SetInitialState(false);
  EXPECT_EQ(list.InitialChangeNumber(), -1);
}

TEST(UndoList, AssignCopiesRecordsAndCounters) {
  TTextEditUndoList a;
  Add(a, R::urInsert, u"x");
  a.BeginBlock();
  Add(a, R::urDelete, u"y");
  a.SetMaxUndoActions(50);
  a.SetInitialState(true);
  TTextEditUndoList b;
  b.Assign(a);
  ASSERT_EQ(b.ItemCount(), 2);
  EXPECT_EQ(b.Item(1).ChangeStr, u"y");
  EXPECT_EQ(b.BlockCount(), 1);
  EXPECT_EQ(b.BlockChangeNumber(), a.BlockChangeNumber());
  EXPECT_EQ(b.MaxUndoActions(), 50);
  EXPECT_EQ(b.InitialChangeNumber(), a.InitialChangeNumber());
  EXPECT_EQ(b.NextChangeNumber(), a.NextChangeNumber());
}

// ---------------------------------------------------------------------------
// Undo and redo of whole actions

// An editor stand-in: undoing a record adds its inverse to the other list and
// logs what was taken back, so the grouping rules can be read off the log.
class UndoHistoryTest : public ::testing::Test {
 protected:
  UndoHistoryTest() {
    history.UndoItem = [this](const TTextEditUndoItem& item) {
      log.push_back("undo " + Text(item));
      history.RedoList().AddChange(item.ChangeReason, item.ChangeStartPos, item.ChangeEndPos, item.ChangeStr,
                                   item.ChangeSelMode);
    };
    history.RedoItem = [this](const TTextEditUndoItem& item) {
      log.push_back("redo " + Text(item));
      history.UndoList().AddChange(item.ChangeReason, item.ChangeStartPos, item.ChangeEndPos, item.ChangeStr,
                                   item.ChangeSelMode);
    };
    history.OnChange = [this] { ++changes; };
  }
  static std::string Text(const TTextEditUndoItem& item) {
    std::string s;
    for (char16_t c : item.ChangeStr) s.push_back(static_cast<char>(c));
    return s;
  }
  void Record(R reason, const char16_t* text) {
    history.UndoList().AddChange(reason, BufferCoord(1, 1), BufferCoord(2, 1), text, TEdSelectionMode::smNormal);
  }
  std::vector<std::string> TakeLog() {
    auto out = log;
    log.clear();
    return out;
  }

  TEdUndoHistory history;
  std::vector<std::string> log;
  int changes = 0;
};

TEST_F(UndoHistoryTest, GroupUndoTakesBackARunOfTypedCharacters) {
  Record(R::urInsert, u"a");
  Record(R::urInsert, u"b");
  Record(R::urInsert, u"c");
  history.Undo();
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"undo c", "undo b", "undo a"}));
  EXPECT_FALSE(history.CanUndo());
  history.Redo();
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"redo a", "redo b", "redo c"}));
  EXPECT_EQ(history.UndoList().ItemCount(), 3);
}

TEST_F(UndoHistoryTest, AGroupBreakEndsTheRunAndTravelsWithUndoAndRedo) {
  Record(R::urInsert, u"a");
  Record(R::urInsert, u"b");
  history.UndoList().AddGroupBreak();   // the caret moved
  Record(R::urInsert, u"c");
  history.Undo();
  EXPECT_EQ(TakeLog(), std::vector<std::string>{"undo c"});
  history.Undo();
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"undo b", "undo a"}));
  EXPECT_EQ(history.RedoList().Item(1).ChangeReason, R::urGroupBreak);
  history.Redo();
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"redo a", "redo b"}));
  EXPECT_EQ(history.UndoList().LastChangeReason(), R::urGroupBreak);
  history.Redo();
  EXPECT_EQ(TakeLog(), std::vector<std::string>{"redo c"});
}

TEST_F(UndoHistoryTest, WithoutGroupUndoEachRecordButAllOfOneAction) {
  history.GroupUndo = false;
  Record(R::urInsert, u"a");
  Record(R::urInsert, u"b");
  history.BeginUndoBlock();   // one command: a line break with auto-indent
  Record(R::urLineBreak, u"");
  Record(R::urInsert, u"  ");
  history.EndUndoBlock();
  history.Undo();
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"undo   ", "undo "}));
  history.Undo();
  EXPECT_EQ(TakeLog(), std::vector<std::string>{"undo b"});
  history.Undo();
  EXPECT_EQ(TakeLog(), std::vector<std::string>{"undo a"});
  // The block's inverse records share one number, so they are redone together.
  history.Redo();
  history.Redo();
  history.Redo();
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"redo a", "redo b", "redo ", "redo   "}));
}

TEST_F(UndoHistoryTest, LikeReasonsGroupButIndentsAndOtherReasonsDoNot) {
  struct Case {
    R first;
    R second;
    bool together;
  };
  const std::vector<Case> cases = {
      {R::urInsert, R::urInsert, true},       {R::urDelete, R::urDelete, true},
      {R::urQuietDelete, R::urQuietDelete, true}, {R::urLineBreak, R::urLineBreak, true},
      {R::urIndent, R::urIndent, false},      {R::urUnindent, R::urUnindent, false},
      {R::urInsert, R::urDelete, false},      {R::urDeleteAfterCaret, R::urQuietDeleteAfterCaret, false},
      {R::urFillSpaces, R::urInsert, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << static_cast<int>(c.first) << " then " << static_cast<int>(c.second));
    history.ClearUndo();
    Record(c.first, u"1");
    Record(c.second, u"2");
    history.Undo();
    EXPECT_EQ(TakeLog().size(), c.together ? 2u : 1u);
  }
}

TEST_F(UndoHistoryTest, APasteIsUndoneFromItsEndToItsBegin) {
  history.GroupUndo = false;
  Record(R::urInsert, u"x");
  Record(R::urPasteBegin, u"");
  Record(R::urDelete, u"sel");
  Record(R::urPaste, u"p1");
  Record(R::urLineBreak, u"");
  Record(R::urPaste, u"p2");
  Record(R::urPasteEnd, u"");
  history.Undo();
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"undo ", "undo p2", "undo ", "undo p1", "undo sel", "undo "}));
  EXPECT_EQ(history.UndoList().ItemCount(), 1);
  history.Redo();
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"redo ", "redo sel", "redo p1", "redo ", "redo p2", "redo "}));
  EXPECT_EQ(history.UndoList().LastChangeReason(), R::urPasteEnd);
}

TEST_F(UndoHistoryTest, ModifiedFollowsTheSavedPoint) {
  int reports = 0;
  history.OnModifiedChanged = [&reports] { ++reports; };
  EXPECT_FALSE(history.Modified());
  Record(R::urInsert, u"a");
  EXPECT_TRUE(history.Modified());
  history.UndoList().AddGroupBreak();
  Record(R::urDelete, u"b");
  history.SetModified(false);   // saved
  EXPECT_FALSE(history.Modified());
  history.Undo();
  EXPECT_TRUE(history.Modified());
  history.Redo();
  EXPECT_FALSE(history.Modified());
  history.Undo();
  history.Undo();
  EXPECT_TRUE(history.Modified());
  EXPECT_FALSE(history.CanUndo());
  EXPECT_GE(reports, 4);
}

TEST_F(UndoHistoryTest, UndoingEverythingOfAFreshTextIsNotModified) {
  Record(R::urInsert, u"a");
  EXPECT_TRUE(history.Modified());
  history.Undo();
  EXPECT_FALSE(history.Modified());
}

TEST_F(UndoHistoryTest, ANewChangeEmptiesTheRedoListAGroupBreakDoesNot) {
  Record(R::urInsert, u"a");
  history.UndoList().AddGroupBreak();
  Record(R::urDelete, u"b");
  history.Undo();
  EXPECT_TRUE(history.CanRedo());
  history.UndoList().AddGroupBreak();
  EXPECT_TRUE(history.CanRedo());
  Record(R::urInsert, u"c");
  EXPECT_FALSE(history.CanRedo());
}

TEST_F(UndoHistoryTest, OnChangeFiresPerRecordOutsideBlocksAndOncePerBlock) {
  Record(R::urInsert, u"a");
  EXPECT_EQ(changes, 1);
  history.BeginUndoBlock();
  Record(R::urInsert, u"b");
  Record(R::urInsert, u"c");
  EXPECT_EQ(changes, 1);
  history.EndUndoBlock();
  EXPECT_EQ(changes, 2);
  history.Undo();   // redo records are added: each is a change
  EXPECT_GT(changes, 2);
}

TEST_F(UndoHistoryTest, ReadOnlyDoesNothing) {
  Record(R::urInsert, u"a");
  history.ReadOnly = true;
  EXPECT_FALSE(history.CanUndo());
  history.Undo();
  history.Redo();
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(history.UndoList().ItemCount(), 1);
}

TEST_F(UndoHistoryTest, MaxUndoAndLocks) {
  history.SetMaxUndo(3);
  history.SetMaxUndo(-1);   // ignored
  EXPECT_EQ(history.MaxUndo(), 3);
  EXPECT_EQ(history.RedoList().MaxUndoActions(), 3);
  history.LockUndo();
  Record(R::urInsert, u"a");
  history.UnlockUndo();
  EXPECT_FALSE(history.CanUndo());
  for (int i = 0; i < 5; ++i) Record(R::urDelete, u"d");
  EXPECT_EQ(history.UndoList().ItemCount(), 3);
}

}  // namespace
}  // namespace editor
