#pragma once
// The clock, posted calls and the timer switch. Posted calls run after the
// current handler has returned (never inside it) and are dropped when their
// context object is gone. In test mode timers never fire by themselves: tests
// fire them (Control::FireTimer) and run posted calls with RunPosted().
#include <cstdint>
#include <functional>

class QObject;

namespace platform {

// Monotonic milliseconds; a test may inject its own clock (null: the real one).
int64_t TickCount();
void SetClock(std::function<int64_t()> clock);

void Post(QObject* context, std::function<void()> call);
// Runs every posted call now (tests only).
void RunPosted();

// Whether timers are driven by tests (default: on in test mode).
bool ManualTimers();
void SetManualTimers(bool manual);

}  // namespace platform
