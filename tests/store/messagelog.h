#pragma once
// Captures the message boxes shown during a test through KELVRA_MESSAGE_LOG,
// and answers them all with the default button (no box is ever shown).

#include <QFile>
#include <QString>
#include <QStringList>

namespace storetest {

class MessageLog {
public:
    explicit MessageLog(const QString& folder)
        : m_log(folder + QLatin1String("/messages.log")),
          m_answers(folder + QLatin1String("/answers.txt"))
    {
        qputenv("KELVRA_MESSAGE_LOG", m_log.toUtf8());
        qputenv("KELVRA_MESSAGE_ANSWERS", m_answers.toUtf8());
    }
    ~MessageLog()
    {
        qunsetenv("KELVRA_MESSAGE_LOG");
        qunsetenv("KELVRA_MESSAGE_ANSWERS");
    }
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    QStringList lines() const
    {
        QFile file(m_log);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    void clear() const { QFile::remove(m_log); }
    QString answersPath() const { return m_answers; }

private:
    QString m_log;
    QString m_answers;
};

} // namespace storetest
