#include "runtime/startup.h"

#include <cstdio>

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

#include "archive/resultcode.h"
#include "store/messages.h"
#include "store/paths.h"

namespace runtime {

namespace {

void showReadError(int code)
{
    store::messageBox(readErrorMessage(code),
                      {store::MsgButtons::Ok, store::MsgIcon::Information, {}, true});
}

} // namespace

QString programPath()
{
    const QStringList args = QCoreApplication::arguments();
    const QString first = args.isEmpty() ? QString() : args.first();
    if (first.contains(u'/'))
        return QFileInfo(first).absoluteFilePath();
    if (!first.isEmpty()) {
        const QString found = QStandardPaths::findExecutable(first);
        if (!found.isEmpty())
            return found;
    }
    return QCoreApplication::applicationFilePath();
}

std::unique_ptr<BundleSession> startUp(const QString& program)
{
    std::unique_ptr<BundleSession> session;
    const int code = BundleSession::start(program, store::workDir(), &session);
    if (!session) {
        std::fprintf(stderr, "%s: %s (%d)\n", qPrintable(QFileInfo(program).fileName()),
                     qPrintable(archive::resultDescription(code)), code);
        showReadError(code);
    }
    return session;
}

void reportLateFailure(const BundleSession& session)
{
    const int code = session.backgroundResult();
    if (code != 0) {
        std::fprintf(stderr, "%s\n", qPrintable(archive::resultDescription(code)));
        showReadError(code);
    }
}

} // namespace runtime
