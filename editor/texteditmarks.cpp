// Marks in the gutter and the ten bookmarks: placing, clearing, going to
// them, and keeping them on their lines while lines come and go.
#include <algorithm>

#include "editor/textedit.h"
#include "editor/texteditmark.h"

namespace editor {

// ------------------------------------------------------------------- mark

TTextEditMark::TTextEditMark(TCustomTextEdit* owner) : owner_(owner) {}

TCustomTextEdit* TTextEditMark::Edit() const {
  if (owner_ == nullptr || owner_->Marks().IndexOf(this) < 0) return nullptr;
  return owner_;
}

void TTextEditMark::RepaintLine(int line) const {
  if (TCustomTextEdit* edit = Edit(); edit != nullptr && line > 0) edit->InvalidateGutterLines(line, line);
}

void TTextEditMark::SetLine(int value) {
  if (value == line_) return;
  if (visible_) RepaintLine(line_);
  line_ = value;
  if (visible_) RepaintLine(line_);
}

void TTextEditMark::SetImageIndex(int value) {
  imageIndex_ = value;
  if (visible_) RepaintLine(line_);
}

void TTextEditMark::SetInternalImage(bool value) {
  internalImage_ = value;
  if (visible_) RepaintLine(line_);
}

void TTextEditMark::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  RepaintLine(line_);
}

// -------------------------------------------------------------- mark list

int TTextEditMarkList::IndexOf(const TTextEditMark* mark) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == mark) return static_cast<int>(i);
  return -1;
}

void TTextEditMarkList::Add(std::unique_ptr<TTextEditMark> mark) {
  if (!mark) return;
  items_.push_back(std::move(mark));
  Changed();
}

std::unique_ptr<TTextEditMark> TTextEditMarkList::Remove(TTextEditMark* mark) {
  const int i = IndexOf(mark);
  if (i < 0) return nullptr;
  std::unique_ptr<TTextEditMark> out = std::move(items_[static_cast<size_t>(i)]);
  items_.erase(items_.begin() + i);
  Changed();
  return out;
}

void TTextEditMarkList::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  items_.erase(items_.begin() + index);
  Changed();
}

void TTextEditMarkList::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Changed();
}

std::vector<TTextEditMark*> TTextEditMarkList::GetMarksForLine(int line) const {
  std::vector<TTextEditMark*> out;
  for (const auto& m : items_) {
    if (m->Line() != line) continue;
    out.push_back(m.get());
    if (static_cast<int>(out.size()) == kMaxMarksPerLine) break;
  }
  return out;
}

// -------------------------------------------------------------- bookmarks

namespace {
bool ValidBookmark(int n) { return n >= 0 && n <= 9; }
}  // namespace

bool TCustomTextEdit::IsBookmark(int bookmark) const {
  int x = 0, y = 0;
  return GetBookMark(bookmark, x, y);
}

bool TCustomTextEdit::GetBookMark(int bookmark, int& x, int& y) const {
  if (!ValidBookmark(bookmark)) return false;
  // A slot whose mark left the list (deleted through Marks()) is empty.
  const TTextEditMark* m = bookmarks_[bookmark];
  if (m == nullptr || marks_->IndexOf(m) < 0 || m->BookmarkNumber() != bookmark) return false;
  x = m->Char();
  y = m->Line();
  return true;
}

void TCustomTextEdit::SetBookMark(int bookmark, int x, int y) {
  if (!ValidBookmark(bookmark) || y < 1 || y > std::max(1, lines_->Count())) return;
  auto mark = std::make_unique<TTextEditMark>(this);
  mark->SetLine(y);
  mark->SetChar(x);
  mark->SetImageIndex(bookmark);
  mark->SetBookmarkNumber(bookmark);
  mark->SetVisible(true);
  mark->SetInternalImage(bookMarkOptions_.BookmarkImages() == nullptr);
  if (OnPlaceBookmark) OnPlaceBookmark(this, mark);
  if (!mark) return;
  if (IsBookmark(bookmark)) ClearBookMark(bookmark);
  bookmarks_[bookmark] = mark.get();
  marks_->Add(std::move(mark));
}

void TCustomTextEdit::ClearBookMark(int bookmark) {
  if (!IsBookmark(bookmark)) {
    if (ValidBookmark(bookmark)) bookmarks_[bookmark] = nullptr;
    return;
  }
  TTextEditMark* m = bookmarks_[bookmark];
  if (OnClearBookmark) OnClearBookmark(this, m);
  bookmarks_[bookmark] = nullptr;
  marks_->Remove(m);  // freed here
}

void TCustomTextEdit::GotoBookMark(int bookmark) {
  int x = 0, y = 0;
  if (!GetBookMark(bookmark, x, y) || y > lines_->Count()) return;
  TPaintLockScope lock(*this);
  SetCaretXYEx(false, TBufferCoord{x, y});
  EnsureCursorPosVisibleEx(true);
  if (SelAvail()) InvalidateSelection();
  SetBlockBegin(CaretXY());
}

void TCustomTextEdit::MarksLinesInserted(int firstLine, int count) {
  for (int i = 0; i < marks_->Count(); ++i) {
    TTextEditMark* m = marks_->Items(i);
    if (m->Line() >= firstLine) m->SetLine(m->Line() + count);
  }
}

void TCustomTextEdit::MarksLinesDeleted(int firstLine, int count) {
  for (int i = 0; i < marks_->Count(); ++i) {
    TTextEditMark* m = marks_->Items(i);
    if (m->Line() >= firstLine + count)
      m->SetLine(std::max(1, m->Line() - count));
    else if (m->Line() > firstLine)
      m->SetLine(std::max(1, firstLine));
  }
}

}  // namespace editor
