#pragma once
// The float manager of a cell: the margins that floating images and blocks
// reserve on either side, which narrow the text lines beside them. Layout
// opens a record when it places a float and closes its EndY when the float's
// bottom is known. Records carry the block that made them, so that a block
// laying out its own content sees its own floats and not those of blocks
// that are being laid out around it.
#include <limits>
#include <vector>

#include "platform/scopeguard.h"

namespace htmlview {

// EndY of a record not yet closed: below every position layout reaches, so
// that a block's edges hold for all of its content however far down a page.
constexpr int kIndentOpenEnd = std::numeric_limits<int>::max();
constexpr int kNoIndentOwner = 0;         // ID of a record no block owns

struct IndentRec {
  int X = 0;
  int StartY = 0;
  int EndY = kIndentOpenEnd;
  int ID = kNoIndentOwner;
};

class IndentManagerBasic {
 public:
  virtual ~IndentManagerBasic() = default;

  int Width = 0;
  int LfEdge = 0;
  int CurrentID = kNoIndentOwner;
  std::vector<IndentRec> L, R;

  // The origin and width of the lines; the records stay, and so does the
  // owner, whose turn only an owner scope gives and takes back.
  void Reset(int leftEdge, int width);
  void Clear();
  // A new open record of the current owner; the index is returned so that
  // the caller can close EndY.
  int AddLeft(int x, int startY);
  int AddRight(int x, int startY);
  void FreeLeftIndentRec(int index);
  void FreeRightIndentRec(int index);

  // The left edge of a line at Y.
  int LeftIndent(int y) const;
  // The right edge of a line at Y (Width when nothing floats on the right).
  int RightSide(int y) const;
  // The bottom of the lowest float no block owns (0 when none).
  int ImageBottom() const;
  // Where text cleared past the floats of each side starts (0 when none).
  void GetClearY(int& left, int& right) const;
  // The next Y below which a line may be wider: the first end of a float
  // below Y, or Y itself.
  int GetNextWiderY(int y) const;

 private:
  bool Applies(const IndentRec& r, int y) const;
};

// A block's or cell's turn as the manager's owner: from the start of the
// scope the records added belong to owner and lines see owner's edges; when
// it ends, by End() or however the scope is left (an exception too), the
// edges it opened are removed and the previous owner is back, so that a
// failed layout leaves the manager as it found it.
class IndentOwnerScope {
 public:
  IndentOwnerScope(IndentManagerBasic& mgr, int owner);
  IndentOwnerScope(const IndentOwnerScope&) = delete;
  IndentOwnerScope& operator=(const IndentOwnerScope&) = delete;

  // Opens the owner's left and right edges from y down: every line of the
  // owner's content lies between them until the scope ends.
  void OpenEdges(int left, int right, int y);
  // Ends the turn before the scope does (the manager is asked as the
  // previous owner right after); later calls do nothing.
  void End();

 private:
  struct Restore {
    IndentOwnerScope* scope;
    void operator()() const { scope->End(); }
  };

  IndentManagerBasic& mgr_;
  const int owner_;
  const int previous_;
  bool edgesOpen_ = false;
  bool ended_ = false;
  int left_ = 0, right_ = 0, top_ = 0;
  // Last, so that it runs while the members above are still there.
  platform::ScopeGuard<Restore> guard_{Restore{this}};
};

}  // namespace htmlview
