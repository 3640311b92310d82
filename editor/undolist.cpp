#include "editor/undolist.h"

#include "platform/scopeguard.h"

namespace editor {

void TTextEditUndoList::AddChange(TUndoReason reason, const TBufferCoord& start, const TBufferCoord& end,
                                  std::u16string_view changeText, TEdSelectionMode selMode) {
  if (lockCount_ > 0) return;
  auto item = std::make_unique<TTextEditUndoItem>();
  item->ChangeReason = reason;
  item->ChangeSelMode = selMode;
  item->ChangeStartPos = start;
  item->ChangeEndPos = end;
  item->ChangeStr.assign(changeText);
  if (blockChangeNumber_ != 0) {
    item->ChangeNumber = blockChangeNumber_;
  } else {
    item->ChangeNumber = nextChangeNumber_;
    if (blockCount_ == 0) nextChangeNumber_ = Following(nextChangeNumber_);
  }
  PushAndNotify(std::move(item));
}

void TTextEditUndoList::PushAndNotify(std::unique_ptr<TTextEditUndoItem> item) {
  const TUndoReason reason = item->ChangeReason;
  items_.push_back(std::move(item));
  EnsureMaxEntries();
  if (reason != TUndoReason::urGroupBreak && OnAddedUndo) OnAddedUndo(this);
}

void TTextEditUndoList::PushItem(std::unique_ptr<TTextEditUndoItem> item) {
  if (item) PushAndNotify(std::move(item));
}

void TTextEditUndoList::EnsureMaxEntries() {
  if (static_cast<int>(items_.size()) > maxUndoActions_) {
    fullUndoImposible_ = true;
    const auto excess = items_.size() - static_cast<size_t>(maxUndoActions_);
    items_.erase(items_.begin(), items_.begin() + static_cast<std::ptrdiff_t>(excess));
  }
}

void TTextEditUndoList::BeginBlock() {
  ++blockCount_;
  blockChangeNumber_ = nextChangeNumber_;
}

void TTextEditUndoList::EndBlock() {
  if (blockCount_ <= 0) return;
  if (--blockCount_ == 0) {
    const std::int32_t number = blockChangeNumber_;
    blockChangeNumber_ = 0;
    nextChangeNumber_ = Following(nextChangeNumber_);
    // A block that recorded nothing tells nobody.
    if (!items_.empty() && items_.back()->ChangeNumber == number && OnAddedUndo) OnAddedUndo(this);
  }
}

void TTextEditUndoList::AddGroupBreak() {
  if (LastChangeReason() != TUndoReason::urGroupBreak)
    AddChange(TUndoReason::urGroupBreak, TBufferCoord{}, TBufferCoord{}, u"", TEdSelectionMode::smNormal);
}

void TTextEditUndoList::Clear() {
  items_.clear();
  fullUndoImposible_ = false;
}

const TTextEditUndoItem* TTextEditUndoList::PeekItem() const {
  return items_.empty() ? nullptr : items_.back().get();
}

std::unique_ptr<TTextEditUndoItem> TTextEditUndoList::PopItem() {
  if (items_.empty()) return nullptr;
  auto item = std::move(items_.back());
  items_.pop_back();
  return item;
}

TUndoReason TTextEditUndoList::LastChangeReason() const {
  return items_.empty() ? TUndoReason::urNothing : items_.back()->ChangeReason;
}

void TTextEditUndoList::SetMaxUndoActions(int value) {
  if (value < 0) value = 0;
  if (value == maxUndoActions_) return;
  maxUndoActions_ = value;
  EnsureMaxEntries();
}

bool TTextEditUndoList::InitialState() const {
  if (items_.empty()) return initialChangeNumber_ == 0;
  return items_.back()->ChangeNumber == initialChangeNumber_;
}

void TTextEditUndoList::SetInitialState(bool value) {
  if (value) {
    initialChangeNumber_ = items_.empty() ? 0 : items_.back()->ChangeNumber;
  } else if (items_.empty()) {
    if (initialChangeNumber_ == 0) initialChangeNumber_ = -1;
  } else if (items_.back()->ChangeNumber == initialChangeNumber_) {
    initialChangeNumber_ = -1;
  }
}

void TTextEditUndoList::Assign(const TTextEditUndoList& source) {
  if (&source == this) return;
  items_.clear();
  for (const auto& item : source.items_) items_.push_back(std::make_unique<TTextEditUndoItem>(*item));
  maxUndoActions_ = source.maxUndoActions_;
  fullUndoImposible_ = source.fullUndoImposible_;
  nextChangeNumber_ = source.nextChangeNumber_;
  blockChangeNumber_ = source.blockChangeNumber_;
  blockCount_ = source.blockCount_;
  lockCount_ = source.lockCount_;
  initialChangeNumber_ = source.initialChangeNumber_;
  insideRedo_ = source.insideRedo_;
}

// ---------------------------------------------------------------------------

TEdUndoHistory::TEdUndoHistory() {
  undoList_.OnAddedUndo = [this](TTextEditUndoList* sender) { AddedUndo(sender); };
  redoList_.OnAddedUndo = [this](TTextEditUndoList* sender) { AddedUndo(sender); };
}

void TEdUndoHistory::AddedUndo(TTextEditUndoList* sender) {
  SetModified(!undoList_.InitialState());
  if (sender == &undoList_ && !undoList_.InsideRedo() && undoList_.PeekItem() != nullptr &&
      undoList_.PeekItem()->ChangeReason != TUndoReason::urGroupBreak)
    redoList_.Clear();
  if (sender->BlockCount() == 0 && OnChange) OnChange();
}

void TEdUndoHistory::SetModified(bool value) {
  if (value == modified_) return;
  modified_ = value;
  if (!value && GroupUndo && undoList_.CanUndo()) undoList_.AddGroupBreak();
  undoList_.SetInitialState(!value);
  if (OnModifiedChanged) OnModifiedChanged();
}

void TEdUndoHistory::ClearUndo() {
  undoList_.Clear();
  redoList_.Clear();
}

void TEdUndoHistory::LockUndo() {
  undoList_.Lock();
  redoList_.Lock();
}

void TEdUndoHistory::UnlockUndo() {
  undoList_.Unlock();
  redoList_.Unlock();
}

void TEdUndoHistory::SetMaxUndo(int value) {
  if (value < 0) return;
  undoList_.SetMaxUndoActions(value);
  redoList_.SetMaxUndoActions(value);
}

void TEdUndoHistory::UndoOne() {
  auto item = undoList_.PopItem();
  if (item && UndoItem) UndoItem(*item);
}

void TEdUndoHistory::RedoOne() {
  auto item = redoList_.PopItem();
  if (!item) return;
  // The records this adds to the undo list must not empty the redo list.
  undoList_.SetInsideRedo(true);
  platform::ScopeGuard reset([this] { undoList_.SetInsideRedo(false); });
  if (RedoItem) RedoItem(*item);
}

bool TEdUndoHistory::Continues(const TTextEditUndoList& list, std::int32_t changeNumber, TUndoReason previous,
                               bool groupUndo) {
  const TTextEditUndoItem& next = *list.PeekItem();
  if (next.ChangeNumber == changeNumber) return true;
  // A like action joins the group; RunAction then takes it whole.
  return groupUndo && next.ChangeReason == previous && previous != TUndoReason::urIndent &&
         previous != TUndoReason::urUnindent;
}

namespace {

// Restores a list's block change number when a step ends, also by an exception.
class BlockNumberScope {
 public:
  BlockNumberScope(TTextEditUndoList& list, std::int32_t number) : list_(list), saved_(list.BlockChangeNumber()) {
    list_.SetBlockChangeNumber(number);
  }
  ~BlockNumberScope() { list_.SetBlockChangeNumber(saved_); }
  BlockNumberScope(const BlockNumberScope&) = delete;
  BlockNumberScope& operator=(const BlockNumberScope&) = delete;

 private:
  TTextEditUndoList& list_;
  std::int32_t saved_;
};

// Moves a group break at the top of one list onto the other, keeping its change number.
void MoveGroupBreak(TTextEditUndoList& from, TTextEditUndoList& to) {
  if (from.LastChangeReason() != TUndoReason::urGroupBreak) return;
  const auto item = from.PopItem();
  BlockNumberScope scope(to, item->ChangeNumber);
  to.AddGroupBreak();
}

}  // namespace

// One user action from `from` (the undo or the redo list), its inverse
// records going to `to` under the action's change number. A paste runs from
// the record that opens it as seen from this list (pasteFirst) to the one
// that closes it (pasteLast), whatever lies between. True when that closing
// record was taken too.
bool TEdUndoHistory::RunAction(TTextEditUndoList& from, TTextEditUndoList& to, void (TEdUndoHistory::*one)(),
                               TUndoReason pasteFirst, TUndoReason pasteLast) {
  const bool paste = from.LastChangeReason() == pasteFirst;
  const TTextEditUndoItem* item = from.PeekItem();
  if (item == nullptr) return false;
  std::int32_t changeNumber = item->ChangeNumber;
  BlockNumberScope scope(to, changeNumber);
  TUndoReason previous = item->ChangeReason;
  for (;;) {
    (this->*one)();
    const TTextEditUndoItem* next = from.PeekItem();
    if (next == nullptr) break;
    const bool more = paste ? next->ChangeReason != pasteLast : Continues(from, changeNumber, previous, GroupUndo);
    // An action that joins the group is taken whole: part of one would
    // leave a state that no command gave (typing over a character in
    // overwrite mode records an insertion and a deletion).
    if (more) changeNumber = next->ChangeNumber;
    previous = next->ChangeReason;
    if (!more) break;
  }
  if (paste && from.LastChangeReason() == pasteLast) {
    (this->*one)();
    return true;
  }
  return false;
}

void TEdUndoHistory::Undo() {
  if (ReadOnly) return;
  MoveGroupBreak(undoList_, redoList_);
  if (RunAction(undoList_, redoList_, &TEdUndoHistory::UndoOne, TUndoReason::urPasteEnd, TUndoReason::urPasteBegin))
    SetModified(!undoList_.InitialState());
}

void TEdUndoHistory::Redo() {
  if (ReadOnly) return;
  if (redoList_.PeekItem() == nullptr) return;
  RunAction(redoList_, undoList_, &TEdUndoHistory::RedoOne, TUndoReason::urPasteBegin, TUndoReason::urPasteEnd);
  if (redoList_.LastChangeReason() == TUndoReason::urGroupBreak) {
    MoveGroupBreak(redoList_, undoList_);
    SetModified(!undoList_.InitialState());
  }
}

}  // namespace editor
