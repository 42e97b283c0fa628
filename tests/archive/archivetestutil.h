#pragma once
// Running the peers that make and check archives by hand: Python's zipfile
// and 7-Zip.

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace archivetest {

struct Run {
    int exitCode = -1;
    QString output;
};

inline Run run(const QString& program, const QStringList& args, const QString& dir = {})
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    if (!dir.isEmpty())
        p.setWorkingDirectory(dir);
    p.start(program, args);
    if (!p.waitForFinished(120000))
        return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAll())};
}

// Runs a Python script with the given arguments.
inline Run python(const QString& script, const QStringList& args = {})
{
    return run(QStringLiteral("python3"), QStringList{QStringLiteral("-c"), script} + args);
}

// Every file below `root`, relative, sorted; hidden ones too.
inline QStringList filesBelow(const QString& root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

} // namespace archivetest
