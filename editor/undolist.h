#pragma once
// Undo and redo lists: change records with reasons, change numbers that tie
// the records of one user action together, blocks, group breaks, and the
// change number that marks the text as not modified.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/edtypes.h"

namespace editor {

enum class TUndoReason : std::uint8_t {
  urInsert = 0,
  urPaste = 1,
  urDropInsert = 2,
  urDeleteAfterCaret = 3,
  urDelete = 4,
  urLineBreak = 5,
  urIndent = 6,
  urUnindent = 7,
  urQuietDelete = 8,
  urQuietDeleteAfterCaret = 9,
  urPasteBegin = 12,
  urPasteEnd = 13,
  urCaret = 18,
  urSelection = 19,
  urNothing = 20,
  urGroupBreak = 21,
  urFillSpaces = 23,
};

class TTextEditUndoItem {
 public:
  TUndoReason ChangeReason = TUndoReason::urNothing;
  TEdSelectionMode ChangeSelMode = TEdSelectionMode::smNormal;
  TBufferCoord ChangeStartPos;
  TBufferCoord ChangeEndPos;
  std::u16string ChangeStr;
  std::int32_t ChangeNumber = 0;

  void Assign(const TTextEditUndoItem& source) { *this = source; }
};

class TTextEditUndoList;
using TUndoListNotify = std::function<void(TTextEditUndoList* sender)>;

class TTextEditUndoList {
 public:
  TTextEditUndoList() = default;
  TTextEditUndoList(const TTextEditUndoList&) = delete;
  TTextEditUndoList& operator=(const TTextEditUndoList&) = delete;

  void AddChange(TUndoReason reason, const TBufferCoord& start, const TBufferCoord& end,
                 std::u16string_view changeText, TEdSelectionMode selMode);
  void BeginBlock();
  void EndBlock();
  void AddGroupBreak();
  void Lock() { ++lockCount_; }
  void Unlock() { if (lockCount_ > 0) --lockCount_; }
  bool IsLocked() const { return lockCount_ > 0; }
  void Clear();

  const TTextEditUndoItem* PeekItem() const;
  // Removes and returns the newest record; null when empty.
  std::unique_ptr<TTextEditUndoItem> PopItem();
  // Appends a record as it is (the change number it carries is kept).
  void PushItem(std::unique_ptr<TTextEditUndoItem> item);
  bool CanUndo() const { return !items_.empty(); }
  int ItemCount() const { return static_cast<int>(items_.size()); }
  const TTextEditUndoItem& Item(int index) const { return *items_.at(static_cast<size_t>(index)); }
  TUndoReason LastChangeReason() const;

  int MaxUndoActions() const { return maxUndoActions_; }
  void SetMaxUndoActions(int value);
  bool FullUndoImpossible() const { return fullUndoImposible_; }
  std::int32_t NextChangeNumber() const { return nextChangeNumber_; }
  std::int32_t BlockChangeNumber() const { return blockChangeNumber_; }
  void SetBlockChangeNumber(std::int32_t value) { blockChangeNumber_ = value; }
  int BlockCount() const { return blockCount_; }
  std::int32_t InitialChangeNumber() const { return initialChangeNumber_; }
  bool InsideRedo() const { return insideRedo_; }
  void SetInsideRedo(bool value) { insideRedo_ = value; }
  // Whether the current state is the not-modified one, and marking it so.
  bool InitialState() const;
  void SetInitialState(bool value);

  void Assign(const TTextEditUndoList& source);

  TUndoListNotify OnAddedUndo;

 private:
  void PushAndNotify(std::unique_ptr<TTextEditUndoItem> item);
  void EnsureMaxEntries();
  // Wraps to 1 past the largest number instead of overflowing.
  static std::int32_t Following(std::int32_t number) {
    return number == -1 || number == INT32_MAX ? 1 : number + 1;
  }

  std::vector<std::unique_ptr<TTextEditUndoItem>> items_;
  int maxUndoActions_ = 1024;
  bool fullUndoImposible_ = false;
  std::int32_t nextChangeNumber_ = 1;
  std::int32_t blockChangeNumber_ = 0;
  int blockCount_ = 0;
  int lockCount_ = 0;
  std::int32_t initialChangeNumber_ = 0;
  bool insideRedo_ = false;
};

// The editor's pair of lists with the rules that join them: a new change
// empties the redo list, the modified state follows the lists, and Undo and
// Redo take back or repeat whole user actions (records of one change number,
// a paste from its end to its begin record, and with group undo runs of
// like records). What one record does to the text is the editor's: it is
// given each popped record and records the inverse itself.
class TEdUndoHistory {
 public:
  TEdUndoHistory();
  TEdUndoHistory(const TEdUndoHistory&) = delete;
  TEdUndoHistory& operator=(const TEdUndoHistory&) = delete;

  TTextEditUndoList& UndoList() { return undoList_; }
  TTextEditUndoList& RedoList() { return redoList_; }

  bool GroupUndo = true;   // eoGroupUndo
  bool ReadOnly = false;

  void Undo();
  void Redo();
  bool CanUndo() const { return !ReadOnly && undoList_.CanUndo(); }
  bool CanRedo() const { return !ReadOnly && redoList_.CanUndo(); }
  void ClearUndo();
  void BeginUndoBlock() { undoList_.BeginBlock(); }
  void EndUndoBlock() { undoList_.EndBlock(); }
  void LockUndo();
  void UnlockUndo();
  int MaxUndo() const { return undoList_.MaxUndoActions(); }
  void SetMaxUndo(int value);

  bool Modified() const { return modified_; }
  void SetModified(bool value);

  // Undo or redo one record: the record has been popped; the handler changes
  // the text and adds the inverse record to the other list.
  std::function<void(const TTextEditUndoItem& item)> UndoItem;
  std::function<void(const TTextEditUndoItem& item)> RedoItem;
  // The editor's OnChange: after each recorded change outside a block, and at
  // the end of a block that recorded something.
  std::function<void()> OnChange;
  // The modified state changed (the editor reports scModified).
  std::function<void()> OnModifiedChanged;

 private:
  void AddedUndo(TTextEditUndoList* sender);
  void UndoOne();
  void RedoOne();
  bool RunAction(TTextEditUndoList& from, TTextEditUndoList& to, void (TEdUndoHistory::*one)(),
                 TUndoReason pasteFirst, TUndoReason pasteLast);
  // Whether the newest record of the list belongs to the step: the same
  // change number, or with group undo the like reason.
  static bool Continues(const TTextEditUndoList& list, std::int32_t changeNumber, TUndoReason previous, bool groupUndo);

  TTextEditUndoList undoList_;
  TTextEditUndoList redoList_;
  bool modified_ = false;
};

}  // namespace editor
