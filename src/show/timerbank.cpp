#include "show/timerbank.h"

namespace show {

void TimerBank::start(TimerId id, int intervalMs, qint64 now)
{
    Slot& slot = m_slots[static_cast<size_t>(id)];
    slot.interval = intervalMs;
    slot.active = intervalMs > 0;
    slot.deadline = now + intervalMs;
}

void TimerBank::ensureRunning(TimerId id, int intervalMs, qint64 now)
{
    if (!isActive(id))
        start(id, intervalMs, now);
}

void TimerBank::stop(TimerId id)
{
    m_slots[static_cast<size_t>(id)].active = false;
}

bool TimerBank::isActive(TimerId id) const
{
    return m_slots[static_cast<size_t>(id)].active;
}

int TimerBank::interval(TimerId id) const
{
    return m_slots[static_cast<size_t>(id)].interval;
}

void TimerBank::stopAll()
{
    for (Slot& slot : m_slots)
        slot.active = false;
}

std::optional<qint64> TimerBank::nextDeadline() const
{
    std::optional<qint64> best;
    for (const Slot& slot : m_slots) {
        if (slot.active && (!best || slot.deadline < *best))
            best = slot.deadline;
    }
    return best;
}

std::optional<TimerId> TimerBank::takeDue(qint64 now)
{
    int found = -1;
    for (size_t i = 0; i < m_slots.size(); ++i) {
        const Slot& slot = m_slots[i];
        if (slot.active && slot.deadline <= now &&
            (found < 0 || slot.deadline < m_slots[static_cast<size_t>(found)].deadline))
            found = static_cast<int>(i);
    }
    if (found < 0)
        return std::nullopt;
    Slot& slot = m_slots[static_cast<size_t>(found)];
    slot.deadline = now + slot.interval;
    return static_cast<TimerId>(found);
}

} // namespace show
