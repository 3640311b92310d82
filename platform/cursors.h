#pragma once
// Cursors by the platform's numeric ids. Controls set theirs by id; users
// register their own drawn cursors under positive ids. An override stack
// (the wait cursor while loading) sits above every control's cursor.
#include <QCursor>

namespace platform {

enum : int {
  crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6,
  crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11,
  crDrag = -12, crNoDrop = -13, crHSplit = -14, crVSplit = -15, crMultiDrag = -16,
  crNo = -18, crAppStart = -19, crHelp = -20, crHandPoint = -21, crSizeAll = -22,
};

QCursor CursorFor(int id);
void RegisterCursor(int id, const QCursor& cursor);
// The override stack; each push needs a pop.
void PushCursor(int id);
void PopCursor();
// Id on top of the override stack, or crDefault when empty.
int OverrideCursor();

}  // namespace platform
