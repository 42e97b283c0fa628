#include "pictures/decodepool.h"

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

bool decodesRunning()
{
    return decodePool()->activeThreadCount() > 0;
}

} // namespace pictures
