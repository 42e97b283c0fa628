#pragma once
// The show's four timers as plain data, so that the show runs on a clock
// given from outside (a real one in the window, a fake one in tests).
//
//   item   the "Screen Saver Timeout" interval   one show step per tick
//   sound  100 ms                                starts the next sound
//   end    500 ms                                carries out an end request
//   mouse  250 ms                                turns mouse movement into an end
//
// A timer that fell behind fires once and is rescheduled from the time it
// fired, like a window-system timer: never a burst of missed ticks.

#include <array>
#include <optional>
#include <vector>

#include <QtGlobal>

namespace show {

enum class TimerId { Item = 0, Sound = 1, End = 2, Mouse = 3 };

class TimerBank {
public:
    // Starts (or restarts) the timer: its first tick comes `intervalMs` after
    // `now`. An interval of 0 or less leaves the timer off.
    void start(TimerId id, int intervalMs, qint64 now);
    // Starts the timer unless it already runs (then its phase is kept).
    void ensureRunning(TimerId id, int intervalMs, qint64 now);
    void stop(TimerId id);
    bool isActive(TimerId id) const;
    int interval(TimerId id) const;
    void stopAll();

    // The earliest deadline of the running timers, or nothing when all are off.
    std::optional<qint64> nextDeadline() const;

    // The timer due first at `now` (earliest deadline, ties in TimerId order),
    // rescheduled to now + interval; nothing when none is due.
    std::optional<TimerId> takeDue(qint64 now);

private:
    struct Slot {
        bool active = false;
        int interval = 0;
        qint64 deadline = 0;
    };
    std::array<Slot, 4> m_slots;
};

} // namespace show
