#include "app/singleinstance.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

namespace app {

namespace {

// ":0.0" and "unix:0" are the same display as ":0".
QString normalisedDisplay()
{
    QString d = qEnvironmentVariable("DISPLAY");
    if (d.startsWith(QLatin1String("unix:")))
        d.remove(0, 4);
    const qsizetype colon = d.lastIndexOf(u':');
    const qsizetype dot = d.lastIndexOf(u'.');
    if (colon >= 0 && dot > colon)
        d.truncate(dot);
    return d;
}

constexpr char kAck[] = "ok\n";

} // namespace

QString instanceName(const QString& caption)
{
    const QByteArray key = (normalisedDisplay() + u'\n' + caption).toUtf8();
    const QByteArray hash = QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex();
    return QStringLiteral("kelvra-%1-%2").arg(getuid()).arg(QString::fromLatin1(hash.left(24)));
}

std::unique_ptr<InstanceClaim> InstanceClaim::take(const QString& caption)
{
    auto* server = new QLocalServer;
    server->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    if (!server->listen(instanceName(caption))) {
        delete server;
        return nullptr;
    }
    return std::unique_ptr<InstanceClaim>(new InstanceClaim(server));
}

InstanceClaim::InstanceClaim(QLocalServer* server) : m_server(server)
{
    m_server->setParent(this);
    connect(m_server, &QLocalServer::newConnection, this, &InstanceClaim::acceptConnections);
}

InstanceClaim::~InstanceClaim() = default;

void InstanceClaim::acceptConnections()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                QByteArray line = socket->readLine();
                line.chop(1);
                socket->write(kAck);
                socket->flush();
                Q_EMIT messageReceived(QString::fromUtf8(line));
            }
            // A sender never needs more than a line; a peer that floods us
            // without a newline is cut off.
            if (socket->bytesAvailable() > 64 * 1024)
                socket->abort();
        });
    }
}

bool sendToInstance(const QString& caption, const QString& message, int timeoutMs)
{
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(instanceName(caption));
    if (!socket.waitForConnected(timeoutMs))
        return false;
    QString oneLine = message;
    oneLine.replace(u'\n', u' ');
    socket.write(oneLine.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    }
    return socket.readLine() == kAck;
}

} // namespace app
