#pragma once
// "Is such a window open?" across processes: one local server per window
// caption, named from the user, the X display and the caption. Holding the
// server means "this process has that window"; a second process that cannot
// take the name knows the window exists, and may send it one message.
//
// The name lives in the Linux abstract socket namespace: it disappears with
// the process that holds it (a killed process leaves nothing stale behind),
// and taking it is atomic, so two processes started together cannot both win.

#include <memory>

#include <QObject>
#include <QString>

class QLocalServer;

namespace app {

// The server name of a caption for this user and this display.
QString instanceName(const QString& caption);

class InstanceClaim : public QObject {
    Q_OBJECT
public:
    // Takes the name of `caption`; nullptr when another process holds it.
    static std::unique_ptr<InstanceClaim> take(const QString& caption);
    ~InstanceClaim() override;

Q_SIGNALS:
    // A second process sent a message (one line of text); it has been
    // acknowledged already.
    void messageReceived(const QString& message);

private:
    explicit InstanceClaim(QLocalServer* server);
    void acceptConnections();
    QLocalServer* m_server;
};

// Sends one line of text to the process holding `caption` and waits at most
// `timeoutMs` for its acknowledgement. False when nobody holds the name or
// the holder does not answer.
bool sendToInstance(const QString& caption, const QString& message, int timeoutMs = 3000);

} // namespace app
