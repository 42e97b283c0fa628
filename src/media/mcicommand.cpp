#include "media/mcicommand.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include "media/soundplayer.h"

namespace media {

namespace {

// Splits on blanks; a double-quoted part is one word without its quotes.
bool tokenize(const QString& command, QStringList& words)
{
    QString word;
    bool inWord = false;
    for (qsizetype i = 0; i < command.size(); ++i) {
        const QChar c = command[i];
        if (c == QLatin1Char('"')) {
            const qsizetype close = command.indexOf(QLatin1Char('"'), i + 1);
            if (close < 0)
                return false;
            word += command.mid(i + 1, close - i - 1);
            inWord = true;
            i = close;
        } else if (c.isSpace()) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words << word;
    return true;
}

bool readNumber(const QStringList& words, qsizetype& i, qint64& value, int& error)
{
    if (i + 1 >= words.size()) {
        error = MciMissingParameter;
        return false;
    }
    bool ok = false;
    value = words[++i].toLongLong(&ok);
    if (!ok || value < 0) {
        error = MciBadInteger;
        return false;
    }
    return true;
}

} // namespace

MciRequest parseMciCommand(const QString& command)
{
    MciRequest r;
    QStringList words;
    if (!tokenize(command, words)) {
        r.error = MciNoClosingQuote;
        return r;
    }
    if (words.isEmpty()) {
        r.error = MciMissingCommandString;
        return r;
    }
    r.verb = words[0].toLower();
    static const QStringList verbs{QStringLiteral("open"),   QStringLiteral("play"),
                                   QStringLiteral("stop"),   QStringLiteral("pause"),
                                   QStringLiteral("resume"), QStringLiteral("close"),
                                   QStringLiteral("status")};
    if (!verbs.contains(r.verb)) {
        r.error = MciUnrecognizedCommand;
        return r;
    }
    if (words.size() < 2) {
        r.error = MciMissingParameter;
        return r;
    }
    r.device = words[1];
    for (qsizetype i = 2; i < words.size(); ++i) {
        const QString w = words[i].toLower();
        if (w == QLatin1String("wait") || w == QLatin1String("notify")) {
            r.wait = r.wait || w == QLatin1String("wait");
        } else if (r.verb == QLatin1String("open") &&
                   (w == QLatin1String("alias") || w == QLatin1String("type"))) {
            if (i + 1 >= words.size()) {
                r.error = MciMissingParameter;
                return r;
            }
            ++i;
            if (w == QLatin1String("alias"))
                r.alias = words[i];
            // "type" names a device kind; the player goes by the file's extension.
        } else if (r.verb == QLatin1String("open") && w == QLatin1String("shareable")) {
        } else if (r.verb == QLatin1String("play") &&
                   (w == QLatin1String("from") || w == QLatin1String("to"))) {
            if (!readNumber(words, i, w == QLatin1String("from") ? r.from : r.to, r.error))
                return r;
        } else if (r.verb == QLatin1String("status") && r.item.isEmpty()) {
            r.item = w;
        } else {
            r.error = MciUnrecognizedKeyword;
            return r;
        }
    }
    if (r.verb == QLatin1String("status") && r.item.isEmpty())
        r.error = MciMissingParameter;
    return r;
}

MciSession::MciSession(QObject* parent) : QObject(parent) {}

MciSession::~MciSession()
{
    for (SoundPlayer* p : std::as_const(m_devices))
        delete p;
}

QStringList MciSession::aliases() const
{
    return m_devices.keys();
}

int MciSession::send(const QString& command, QString* returnText)
{
    if (returnText)
        returnText->clear();
    const MciRequest r = parseMciCommand(command);
    if (r.error != MciOk)
        return r.error;
    const QString key =
        (r.verb == QLatin1String("open") && !r.alias.isEmpty() ? r.alias : r.device).toLower();

    if (r.verb == QLatin1String("close") && key == QLatin1String("all")) {
        for (SoundPlayer* p : std::as_const(m_devices))
            delete p;
        m_devices.clear();
        return MciOk;
    }
    if (r.verb == QLatin1String("open")) {
        if (m_devices.contains(key))
            return MciDuplicateAlias;
        auto* player = new SoundPlayer(this);
        player->setFileName(r.device);
        player->open();
        if (player->error() != MciOk) {
            const int error = player->error();
            delete player;
            return error;
        }
        m_devices.insert(key, player);
        return MciOk;
    }

    SoundPlayer* player = m_devices.value(key);
    if (!player)
        return MciInvalidDeviceId;

    if (r.verb == QLatin1String("close")) {
        m_devices.remove(key);
        delete player;
        return MciOk;
    }
    if (r.verb == QLatin1String("stop") || r.verb == QLatin1String("pause")) {
        player->stop();
        return player->error();
    }
    if (r.verb == QLatin1String("play") || r.verb == QLatin1String("resume")) {
        player->setFrom(r.from);
        player->setTo(r.to);
        player->play();
        const int error = player->error();
        if (error != MciOk || !r.wait)
            return error;
        // Block the caller, not the application: the event loop runs on
        // until the sound has stopped or its device was closed.
        QPointer<SoundPlayer> guard(player);
        QEventLoop loop;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &loop, [&] {
            if (!guard || !guard->isPlaying())
                loop.quit();
        });
        poll.start(20);
        loop.exec();
        return MciOk;
    }
    // status
    QString answer;
    if (r.item == QLatin1String("mode"))
        answer = player->isPlaying() ? QStringLiteral("playing") : QStringLiteral("stopped");
    else if (r.item == QLatin1String("position"))
        answer = QString::number(player->position());
    else if (r.item == QLatin1String("length"))
        answer = QString::number(player->length());
    else if (r.item == QLatin1String("ready"))
        answer = QStringLiteral("true");
    else
        return MciUnrecognizedKeyword;
    if (returnText)
        *returnText = answer;
    return MciOk;
}

int mciSendString(const QString& command, QString* returnText)
{
    static QPointer<MciSession> session;
    if (!session)
        session = new MciSession(QCoreApplication::instance());
    return session->send(command, returnText);
}

} // namespace media
