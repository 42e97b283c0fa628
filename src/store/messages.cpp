#include "store/messages.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPointer>

#include "store/atomicfile.h"

namespace store {

namespace {

struct ButtonInfo {
    MsgAnswer answer;
    const char* word;
    QMessageBox::StandardButton button;
};

constexpr ButtonInfo kButtons[] = {
    {MsgAnswer::Ok, "ok", QMessageBox::Ok},
    {MsgAnswer::Cancel, "cancel", QMessageBox::Cancel},
    {MsgAnswer::Yes, "yes", QMessageBox::Yes},
    {MsgAnswer::No, "no", QMessageBox::No},
    {MsgAnswer::Abort, "abort", QMessageBox::Abort},
    {MsgAnswer::Retry, "retry", QMessageBox::Retry},
    {MsgAnswer::Ignore, "ignore", QMessageBox::Ignore},
};

// The box's buttons in their order on the box.
QList<MsgAnswer> answersOf(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::Ok:
        return {MsgAnswer::Ok};
    case MsgButtons::OkCancel:
        return {MsgAnswer::Ok, MsgAnswer::Cancel};
    case MsgButtons::YesNo:
        return {MsgAnswer::Yes, MsgAnswer::No};
    case MsgButtons::YesNoCancel:
        return {MsgAnswer::Yes, MsgAnswer::No, MsgAnswer::Cancel};
    case MsgButtons::AbortRetryIgnore:
        return {MsgAnswer::Abort, MsgAnswer::Retry, MsgAnswer::Ignore};
    case MsgButtons::RetryCancel:
        return {MsgAnswer::Retry, MsgAnswer::Cancel};
    }
    return {MsgAnswer::Ok};
}

// The button the options make the default.
MsgAnswer defaultOf(const MsgOptions& options, const QList<MsgAnswer>& allowed)
{
    const auto index = static_cast<qsizetype>(options.defaultButton);
    return index < allowed.size() ? allowed.at(index) : allowed.first();
}

const ButtonInfo& infoOf(MsgAnswer answer)
{
    for (const ButtonInfo& info : kButtons) {
        if (info.answer == answer)
            return info;
    }
    return kButtons[0];
}

const char* iconWord(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::None:
        return "none";
    case MsgIcon::Information:
        return "information";
    case MsgIcon::Exclamation:
        return "exclamation";
    case MsgIcon::Critical:
        return "critical";
    case MsgIcon::Question:
        return "question";
    }
    return "none";
}

QMessageBox::Icon boxIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::None:
        return QMessageBox::NoIcon;
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Exclamation:
        return QMessageBox::Warning;
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    case MsgIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

void appendToLog(const QString& logPath, const QString& title, const QString& text,
                 MsgIcon icon)
{
    QString flat = text;
    flat.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    flat.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    const QByteArray line = QByteArray(iconWord(icon)) + '|' + title.toUtf8() + '|' +
                            flat.toUtf8() + '\n';
    QFile log(logPath);
    // One write of the whole line in append mode, so that the lines of
    // several processes do not interleave.
    if (log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        log.write(line);
}

// Takes the first answer off the script; empty when there is none left.
QString takeScriptedAnswer(const QString& scriptPath)
{
    // An exhausted, missing or special script (/dev/null) is never locked
    // nor rewritten.
    QByteArray peek;
    if (readWholeFile(scriptPath, &peek) != ReadStatus::Ok || peek.trimmed().isEmpty())
        return QString();
    QString answer;
    updateFileLocked(scriptPath, [&](QByteArray& data) {
        if (data.isEmpty())
            return false;
        QList<QByteArray> lines = data.split('\n');
        while (!lines.isEmpty() && answer.isEmpty())
            answer = QString::fromUtf8(lines.takeFirst()).trimmed().toLower();
        data = lines.join('\n');
        return true;
    });
    return answer;
}

MsgAnswer askPerson(const QString& title, const QString& text, const MsgOptions& options,
                    const QList<MsgAnswer>& allowed)
{
    QMessageBox box(boxIcon(options.icon), title, text);
    QMessageBox::StandardButtons buttons;
    for (MsgAnswer a : allowed)
        buttons |= infoOf(a).button;
    box.setStandardButtons(buttons);
    box.setDefaultButton(infoOf(defaultOf(options, allowed)).button);
    box.setWindowModality(Qt::ApplicationModal);
    if (options.foreground) {
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
        QPointer<QMessageBox> guard(&box);
        QMetaObject::invokeMethod(
            &box,
            [guard] {
                if (guard) {
                    guard->raise();
                    guard->activateWindow();
                }
            },
            Qt::QueuedConnection);
    }
    const int result = box.exec();
    for (MsgAnswer a : allowed) {
        if (result == infoOf(a).button)
            return a;
    }
    // Closed without a button (Escape or the window's close box).
    if (allowed.contains(MsgAnswer::Cancel))
        return MsgAnswer::Cancel;
    if (allowed.contains(MsgAnswer::No))
        return MsgAnswer::No;
    return allowed.first();
}

} // namespace

MsgAnswer messageBox(const QString& text, const MsgOptions& options)
{
    const QString title = options.title.isEmpty() ? QString::fromLatin1(kProgramTitle)
                                                  : options.title;
    const QList<MsgAnswer> allowed = answersOf(options.buttons);

    const QString logPath = qEnvironmentVariable("KELVRA_MESSAGE_LOG");
    if (!logPath.isEmpty())
        appendToLog(logPath, title, text, options.icon);

    if (qEnvironmentVariableIsSet("KELVRA_MESSAGE_ANSWERS")) {
        const QString word = takeScriptedAnswer(qEnvironmentVariable("KELVRA_MESSAGE_ANSWERS"));
        for (MsgAnswer a : allowed) {
            if (word == QLatin1String(infoOf(a).word))
                return a;
        }
        return defaultOf(options, allowed);
    }

    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return defaultOf(options, allowed);
    return askPerson(title, text, options, allowed);
}

} // namespace store
