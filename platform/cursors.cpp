#include "platform/cursors.h"

#include <QGuiApplication>

#include <map>
#include <vector>

namespace platform {

namespace {
std::map<int, QCursor>& Registered() {
  static std::map<int, QCursor> cursors;
  return cursors;
}
std::vector<int>& Stack() {
  static std::vector<int> stack;
  return stack;
}
}  // namespace

QCursor CursorFor(int id) {
  auto it = Registered().find(id);
  if (it != Registered().end()) return it->second;
  switch (id) {
    case crNone: return QCursor(Qt::BlankCursor);
    case crCross: return QCursor(Qt::CrossCursor);
    case crIBeam: return QCursor(Qt::IBeamCursor);
    case crSizeNESW: return QCursor(Qt::SizeBDiagCursor);
    case crSizeNS: return QCursor(Qt::SizeVerCursor);
    case crSizeNWSE: return QCursor(Qt::SizeFDiagCursor);
    case crSizeWE: return QCursor(Qt::SizeHorCursor);
    case crUpArrow: return QCursor(Qt::UpArrowCursor);
    case crHourGlass: return QCursor(Qt::WaitCursor);
    case crDrag: return QCursor(Qt::DragCopyCursor);
    case crMultiDrag: return QCursor(Qt::DragCopyCursor);
    case crNoDrop:
    case crNo: return QCursor(Qt::ForbiddenCursor);
    case crHSplit: return QCursor(Qt::SplitHCursor);
    case crVSplit: return QCursor(Qt::SplitVCursor);
    case crAppStart: return QCursor(Qt::BusyCursor);
    case crHelp: return QCursor(Qt::WhatsThisCursor);
    case crHandPoint: return QCursor(Qt::PointingHandCursor);
    case crSizeAll: return QCursor(Qt::SizeAllCursor);
    default: return QCursor(Qt::ArrowCursor);
  }
}

void RegisterCursor(int id, const QCursor& cursor) { Registered()[id] = cursor; }

void PushCursor(int id) {
  Stack().push_back(id);
  QGuiApplication::setOverrideCursor(CursorFor(id));
}

void PopCursor() {
  if (Stack().empty()) return;
  Stack().pop_back();
  QGuiApplication::restoreOverrideCursor();
}

int OverrideCursor() { return Stack().empty() ? crDefault : Stack().back(); }

}  // namespace platform
