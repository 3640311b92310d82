#pragma once
// Marks shown in the editor's gutter, among them the ten bookmarks, and the
// list the editor keeps them in. Marks move with the lines they stand on.
#include <functional>
#include <memory>
#include <vector>

#include "platform/sysutils.h"

namespace editor {

class TCustomTextEdit;
class TTextEditMarkList;

// The editor's own failures ("Clipboard copy operation failed", ...).
class ETextEditError : public platform::Exception {
 public:
  using platform::Exception::Exception;
};

class TTextEditMark {
 public:
  explicit TTextEditMark(TCustomTextEdit* owner);

  int Line() const { return line_; }
  // Repaints the gutter at the old line (when above 0) and the new one.
  void SetLine(int value);
  int Char() const { return char_; }
  void SetChar(int value) { char_ = value; }
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  bool InternalImage() const { return internalImage_; }
  void SetInternalImage(bool value);
  int BookmarkNumber() const { return bookmarkNumber_; }
  void SetBookmarkNumber(int value) { bookmarkNumber_ = value; }
  bool IsBookmark() const { return bookmarkNumber_ >= 0; }
  // The editor whose mark list holds the mark; null once it left the list.
  TCustomTextEdit* Edit() const;

 private:
  void RepaintLine(int line) const;
  TCustomTextEdit* owner_;
  int line_ = 0;
  int char_ = 0;
  int imageIndex_ = 0;
  int bookmarkNumber_ = -1;
  bool visible_ = false;
  bool internalImage_ = false;
};

// The editor's marks; it owns them (a mark deleted from it is freed).
class TTextEditMarkList {
 public:
  static constexpr int kMaxMarksPerLine = 16;

  explicit TTextEditMarkList(TCustomTextEdit* owner) : owner_(owner) {}
  TTextEditMarkList(const TTextEditMarkList&) = delete;
  TTextEditMarkList& operator=(const TTextEditMarkList&) = delete;

  int Count() const { return static_cast<int>(items_.size()); }
  TTextEditMark* Items(int index) const { return items_.at(static_cast<size_t>(index)).get(); }
  int IndexOf(const TTextEditMark* mark) const;
  void Add(std::unique_ptr<TTextEditMark> mark);
  // Takes the mark out without freeing it; null when it is not in the list.
  std::unique_ptr<TTextEditMark> Remove(TTextEditMark* mark);
  void Delete(int index);
  void Clear();
  // The marks of a line, at most kMaxMarksPerLine, in list order.
  std::vector<TTextEditMark*> GetMarksForLine(int line) const;
  TCustomTextEdit* Owner() const { return owner_; }

  // After every change (the editor repaints its gutter).
  std::function<void()> OnChange;

 private:
  void Changed() const {
    if (OnChange) OnChange();
  }
  TCustomTextEdit* owner_;
  std::vector<std::unique_ptr<TTextEditMark>> items_;
};

}  // namespace editor
