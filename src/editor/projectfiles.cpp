#include "editor/projectfiles.h"

#include <QFile>
#include <QSaveFile>

#include "store/listfile.h"

namespace editor {

QByteArray formatNumber(long long value)
{
    QByteArray out = value < 0 ? QByteArray("-") : QByteArray(" ");
    out += QByteArray::number(value < 0 ? -value : value);
    out += ' ';
    return out;
}

QByteArray formatProject(const QStringList& paths)
{
    QByteArray out;
    for (const QString& path : paths) {
        out += path.toUtf8();
        out += "\r\n";
    }
    return out;
}

QByteArray formatCurrentConfig(int interval, const QStringList& paths)
{
    QByteArray out = formatNumber(interval) + "\r\n" + formatNumber(paths.size()) + "\r\n";
    out += formatProject(paths);
    return out;
}

CurrentConfig parseCurrentConfig(const QByteArray& bytes)
{
    const QStringList lines = store::splitListLines(bytes);
    CurrentConfig config;
    config.intervalLine = lines.value(0);
    bool ok = false;
    const int n = lines.value(1).trimmed().toInt(&ok);
    config.count = ok && n > 0 ? n : 0;
    config.pathLines = lines.mid(2, config.count);
    return config;
}

std::optional<QByteArray> readWholeFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

bool writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QStringList projectEntries(const QStringList& lines,
                           const std::function<bool(const QString&)>& isFile)
{
    QStringList out;
    for (const QString& line : lines) {
        const QString path = store::listEntryPath(line);
        if (!path.isEmpty() && isFile(path))
            out << path;
    }
    return out;
}

QStringList currentConfigEntries(const CurrentConfig& config,
                                 const std::function<bool(const QString&)>& isFile)
{
    QStringList out;
    for (const QString& line : config.pathLines) {
        const QString path = store::listEntryPath(line);
        if (!path.isEmpty() && isFile(path))
            out << path;
    }
    return out;
}

} // namespace editor
