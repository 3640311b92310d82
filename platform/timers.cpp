#include "platform/timers.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QMetaObject>
#include <QPointer>

#include <optional>

#include "platform/guard.h"

namespace platform {

namespace {
std::function<int64_t()>& Clock() {
  static std::function<int64_t()> clock;
  return clock;
}
std::optional<bool>& Manual() {
  static std::optional<bool> manual;
  return manual;
}
}  // namespace

int64_t TickCount() {
  if (Clock()) return Clock()();
  static QElapsedTimer timer = [] {
    QElapsedTimer t;
    t.start();
    return t;
  }();
  return timer.elapsed();
}

void SetClock(std::function<int64_t()> clock) { Clock() = std::move(clock); }

void Post(QObject* context, std::function<void()> call) {
  if (!context) context = QCoreApplication::instance();
  // The context object makes Qt drop the call when it is destroyed first.
  QMetaObject::invokeMethod(
      context, [call = std::move(call)] { guarded(call); }, Qt::QueuedConnection);
}

void RunPosted() { QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall); }

bool ManualTimers() { return Manual() ? *Manual() : InTestMode(); }
void SetManualTimers(bool manual) { Manual() = manual; }

}  // namespace platform
