#include "show/showmachine.h"

#include <cstdlib>

namespace show {

ShowMachine::ShowMachine(Config config, ShowHost& host) : m_config(std::move(config)), m_host(host)
{
}

void ShowMachine::chooseEffect()
{
    const std::optional<EffectChoice> choice = m_host.effectChoice();
    if (!choice)
        return;
    m_effect = choice->random ? m_random.next() : choice->code;
}

int ShowMachine::upcomingEffect()
{
    const std::optional<EffectChoice> choice = m_host.effectChoice();
    if (!choice)
        return m_effect;
    if (!choice->random)
        return choice->code;
    RandomEffect ahead = m_random;
    return ahead.next();
}

void ShowMachine::start(qint64 now)
{
    m_now = now;
    const bool preview = m_config.mode == ShowMode::Preview;
    chooseEffect();

    // The mouse watch runs from the start (it ignores previews itself); the
    // sound timer runs unless this is a preview.
    m_timers.start(TimerId::Mouse, kMouseIntervalMs, now);
    if (!preview)
        m_timers.start(TimerId::Sound, kSoundIntervalMs, now);

    auto startSound = [this] {
        if (m_config.mode != ShowMode::Preview && !m_config.sounds.isEmpty()) {
            m_nextSound = 0;
            soundTick();
        }
    };

    if (m_config.program == Program::Editor)
        startSound();

    if (!m_config.images.isEmpty() || preview) {
        m_nextItem = 0;
        if (!m_config.images.isEmpty()) {
            const QString first = m_config.images.first();
            if (itemKind(first) == ItemKind::VideoClip) {
                if (preview || m_host.itemExists(first))
                    m_host.showClip(first, true);
            } else {
                // A preview loads without the existence test; a missing file
                // loads nothing either way.
                const bool exists = m_host.itemExists(first);
                if (exists || preview)
                    m_host.showPicture(first, exists, m_effect);
            }
        }
        m_nextItem += 1;
        m_timers.start(TimerId::Item, m_config.itemIntervalMs, now);
        announceNext();
    }

    if (m_config.program == Program::Runtime)
        startSound();
}

void ShowMachine::advance(qint64 now)
{
    m_now = now;
    while (!m_closed) {
        const std::optional<TimerId> due = m_timers.takeDue(now);
        if (!due)
            break;
        switch (*due) {
        case TimerId::Item:
            itemTick();
            break;
        case TimerId::Sound:
            soundTick();
            break;
        case TimerId::End:
            endTick();
            break;
        case TimerId::Mouse:
            mouseTick(now);
            break;
        }
    }
}

void ShowMachine::announceNext()
{
    const int count = static_cast<int>(m_config.images.size());
    if (count < 2) {
        m_host.prepareNext(QString());
        return;
    }
    m_host.prepareNext(m_config.images.at(wrapIndex(m_nextItem, count)));
}

void ShowMachine::itemTick()
{
    if (m_closed)
        return;
    const int count = static_cast<int>(m_config.images.size());
    if (count == 0) {
        m_timers.stop(TimerId::Item);
        return;
    }
    // A clip always plays to its end; the next item comes with the first
    // tick after it.
    if (m_host.isClipPlaying())
        return;
    m_nextItem = wrapIndex(m_nextItem, count);
    chooseEffect();

    const QString entry = m_config.images.at(m_nextItem);
    if (itemKind(entry) == ItemKind::Picture) {
        // A single picture stays on screen; it is never painted again.
        if (count == 1)
            return;
        // The picture before is still painting: this item comes next tick.
        if (m_host.isPainting())
            return;
        m_host.showPicture(entry, m_host.itemExists(entry), m_effect);
    } else {
        m_host.showClip(entry, count > 1);
    }
    m_nextItem += 1;
    announceNext();
}

void ShowMachine::soundTick()
{
    if (m_closed || m_config.mode == ShowMode::Preview || m_config.sounds.isEmpty())
        return;
    const int count = static_cast<int>(m_config.sounds.size());
    m_nextSound = wrapIndex(m_nextSound, count);
    if (m_host.isSoundPlaying())
        return;
    const QString entry = m_config.sounds.at(m_nextSound);
    const SoundKind kind = soundKind(entry);
    // An entry that is neither a sound file nor a CD track is passed over
    // when its turn comes, so the entries after it still play.
    if (kind != SoundKind::Other)
        m_host.playSound(entry, kind);
    m_nextSound += 1;
}

void ShowMachine::close()
{
    if (m_closed)
        return;
    m_closed = true;
    m_timers.stopAll();
    m_host.closeShow();
}

void ShowMachine::requestEnd(qint64 now)
{
    m_endRequest = true;
    // A running paint closes the show at its next progress report; the end
    // timer is the backstop. Anything else (a picture at rest, a clip, the
    // background) closes now: waiting for a paint that never comes would
    // leave a single picture or a long interval impossible to end.
    if (m_host.isPainting()) {
        m_timers.ensureRunning(TimerId::End, kEndIntervalMs, now);
        return;
    }
    close();
}

void ShowMachine::keyOrClick()
{
    if (m_closed || !inputEnds())
        return;
    if (m_config.program == Program::Runtime) {
        close();
        return;
    }
    if (m_config.images.isEmpty()) {
        m_endRequest = true;
        close();
        return;
    }
    requestEnd(m_now);
}

void ShowMachine::mouseMoved(QPoint pos)
{
    if (m_closed || m_config.mode == ShowMode::Hosted)
        return;
    const bool preview = m_config.mode == ShowMode::Preview;
    if (!m_config.images.isEmpty() && !preview) {
        const bool sampled = m_moveLast != QPoint(0, 0);
        if (sampled && (std::abs(m_moveLast.x() - pos.x()) >= kMoveThreshold ||
                        std::abs(m_moveLast.y() - pos.y()) >= kMoveThreshold)) {
            if (m_config.program == Program::Runtime)
                close();
            else
                requestEnd(m_now);
            return;
        }
        m_moveLast = pos;
        return;
    }
    // A show without items ends at any movement (the editor's, even a preview).
    if (m_config.program == Program::Editor && m_config.images.isEmpty()) {
        m_endRequest = true;
        close();
    }
}

void ShowMachine::paintProgress(int percent)
{
    m_progress = percent;
    if (m_closed || !m_endRequest)
        return;
    m_host.stopPaint();
    close();
}

void ShowMachine::videoStatus(qint64 now)
{
    if (m_closed || !m_endRequest || m_config.program == Program::Runtime)
        return;
    m_host.stopClip();
    m_timers.ensureRunning(TimerId::End, kEndIntervalMs, now);
}

void ShowMachine::endTick()
{
    if (m_closed)
        return;
    if (m_config.program == Program::Runtime) {
        close();
        return;
    }
    // By now a running paint has had a dozen frames to report progress; a
    // paint or a load that reports nothing must not keep the show open.
    m_endRequest = true;
    close();
}

void ShowMachine::mouseTick(qint64 now)
{
    if (m_closed || !inputEnds())
        return;
    // The runtime's show without items is ended by a key or a click only:
    // the watch keeps that rule of the movement handler, or it would end
    // the show the handler lets run.
    if (m_config.program == Program::Runtime && m_config.images.isEmpty())
        return;
    const QPoint pos = m_host.cursorPos();
    if (m_watchLast != QPoint(0, 0) && (std::abs(m_watchLast.x() - pos.x()) >= kMoveThreshold ||
                                        std::abs(m_watchLast.y() - pos.y()) >= kMoveThreshold)) {
        if (m_config.program == Program::Runtime) {
            close();
        } else {
            m_timers.ensureRunning(TimerId::End, kEndIntervalMs, now);
            requestEnd(now);
        }
        return;
    }
    m_watchLast = pos;
}

} // namespace show
