#include "pictures/decodepool.h"

#include <sys/resource.h>
#include <unistd.h>

#include <QThreadPool>

namespace pictures {

QThreadPool* decodePool()
{
    // Leaked on purpose: the destructor of a pool waits for its jobs.
    static QThreadPool* const pool = [] {
        auto* p = new QThreadPool;
        p->setObjectName(QStringLiteral("picture decoding"));
        p->setMaxThreadCount(4);
        return p;
    }();
    return pool;
}

void lowerDecodePriority()
{
    // On Linux a nice value belongs to a thread: PRIO_PROCESS with the
    // thread's id changes this thread only (with the process id it would
    // change the window's thread, whose id that is). Raising one's own nice
    // value needs no privilege; a failure only leaves the decode as fast.
    constexpr int kDecodeNice = 10;
    const id_t self = id_t(gettid());
    if (getpriority(PRIO_PROCESS, self) < kDecodeNice)
        setpriority(PRIO_PROCESS, self, kDecodeNice);
}

bool decodesRunning()
{
    return decodePool()->activeThreadCount() > 0;
}

} // namespace pictures
