#pragma once
// Command strings for short sound previews, in the multimedia command
// language: "open \"PATH\" alias mp wait", "play mp", "stop mp",
// "close mp", "close all", "status mp mode|position|length|ready".
//
// Contract:
//  - send() returns 0 on success or an MciError; it never throws and never
//    shows anything to the user.
//  - "open" picks the player by the file's extension (see SoundPlayer) and
//    blocks until the file is ready; "wait" is accepted there. "play ...
//    wait" blocks until the end while the event loop keeps running.
//  - Words are matched without case; a path with blanks is quoted with
//    double quotes; an alias names the device afterwards, else the path does.
//  - Devices live until "close" or until the session is destroyed.
//  - GUI thread only.

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

#include "media/mcierror.h"

namespace media {

class SoundPlayer;

// One command string, taken apart; pure, no devices involved.
struct MciRequest {
    QString verb;   // lower case: "open", "play", "stop", "pause", "resume", "close", "status"
    QString device; // the element (path) for "open", else the alias or path
    QString alias;  // "open ... alias NAME"
    QString item;   // "status DEV ITEM", lower case
    qint64 from = -1;
    qint64 to = -1;
    bool wait = false;
    int error = MciOk; // a parse error; the other fields are then undefined
};
MciRequest parseMciCommand(const QString& command);

class MciSession : public QObject {
    Q_OBJECT
public:
    explicit MciSession(QObject* parent = nullptr);
    ~MciSession() override; // closes every device

    int send(const QString& command, QString* returnText = nullptr);

    QStringList aliases() const;

private:
    QHash<QString, SoundPlayer*> m_devices; // key: alias, lower case
};

// A process-wide session, made on first use and owned by the application.
int mciSendString(const QString& command, QString* returnText = nullptr);

} // namespace media
