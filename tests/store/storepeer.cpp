// A second process sharing the settings store with the tests.
//
//   store_peer get NAME              prints the value's UTF-8 bytes in hex
//   store_peer set NAME HEX          saves the value given as UTF-8 hex
//   store_peer save-limited NAME HEX BYTES
//       saves (not quiet) with files limited to BYTES, so the write fails
//       part way; exit 0 when saved, 1 when not
//   store_peer hammer ID N OWN SHARED
//       N rounds: save own key (round % OWN), save shared key
//       (round % SHARED), read back one own and one shared key and check
//       them. Exit 3 on a malformed value, 4 on a failed save.

#include <csignal>
#include <cstdio>

#include <sys/resource.h>

#include <QCoreApplication>
#include <QStringList>

#include "stressvalue.h"
#include "store/settings.h"

using namespace storetest;

namespace {

int hammer(const QString& id, int rounds, int own, int shared)
{
    for (int i = 0; i < rounds; ++i) {
        if (!store::saveSetting(ownKey(id, i % own), stressValue(id, i), true) ||
            !store::saveSetting(sharedKey(i % shared), stressValue(id, i), true))
            return 4;
        const QString mine = store::getSetting(ownKey(id, (i * 7) % own), QString(), true);
        const QString theirs = store::getSetting(sharedKey((i * 5) % shared), QString(), true);
        QString writer;
        if (!mine.isEmpty() && (stressIteration(mine, &writer) < 0 || writer != id))
            return 3;
        if (!theirs.isEmpty() && stressIteration(theirs) < 0)
            return 3;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 2 && args[0] == QLatin1String("get")) {
        const QString value = store::getSetting(args[1], QStringLiteral("<missing>"), true);
        std::printf("%s\n", value.toUtf8().toHex().constData());
        return 0;
    }
    if (args.size() == 3 && args[0] == QLatin1String("set")) {
        const QString value = QString::fromUtf8(QByteArray::fromHex(args[2].toLatin1()));
        return store::saveSetting(args[1], value, true) ? 0 : 1;
    }
    if (args.size() == 4 && args[0] == QLatin1String("save-limited")) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{rlim_t(args[3].toLongLong()), rlim_t(args[3].toLongLong())};
        setrlimit(RLIMIT_FSIZE, &limit);
        const QString value = QString::fromUtf8(QByteArray::fromHex(args[2].toLatin1()));
        return store::saveSetting(args[1], value, false) ? 0 : 1;
    }
    if (args.size() == 5 && args[0] == QLatin1String("hammer"))
        return hammer(args[1], args[2].toInt(), args[3].toInt(), args[4].toInt());
    std::fprintf(stderr, "usage: store_peer get NAME | set NAME HEX | save-limited NAME HEX BYTES |"
                         " hammer ID N OWN SHARED\n");
    return 2;
}
