#pragma once
// Acting on a modal dialog from inside its own event loop: the callback runs
// once the dialog of type W is the active modal window.

#include <functional>

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace testutil {

// Returns the waiting timer (gone once it has acted), so that a test
// expecting the dialog not to appear can stop it.
template <class W> QPointer<QTimer> whenModal(std::function<void(W*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        auto* w = qobject_cast<W*>(QApplication::activeModalWidget());
        if (!w || !w->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        act(w);
    });
    timer->start();
    return timer;
}

} // namespace testutil
