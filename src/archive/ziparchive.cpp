#include "archive/ziparchive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QStorageInfo>

#include "archive/resultcode.h"

namespace archive {

namespace {

constexpr qint64 kChunk = 4 << 20;

int percentOf(qint64 done, qint64 total)
{
    if (total <= 0)
        return 100;
    return int(done * 100 / total);
}

} // namespace

ZipWriter::Method methodFor(const QString& fileName)
{
    static const QSet<QString> text = {
        QStringLiteral("ini"), QStringLiteral("txt"), QStringLiteral("kvl"),
        QStringLiteral("htm"), QStringLiteral("html"), QStringLiteral("xml"),
        QStringLiteral("csv"), QStringLiteral("log"), QStringLiteral("m3u")};
    return text.contains(QFileInfo(fileName).suffix().toLower()) ? ZipWriter::Method::Deflate
                                                                  : ZipWriter::Method::Store;
}

void ZipArchive::setFilesToProcess(const QString& text)
{
    m_files.clear();
    m_memberNames.clear();
    if (!text.isEmpty())
        addFileToProcess(text);
}

void ZipArchive::addFileToProcess(const QString& path)
{
    addFileToProcess(path, QString());
}

void ZipArchive::addFileToProcess(const QString& path, const QString& memberName)
{
    m_files << path;
    m_memberNames << memberName;
}

bool ZipArchive::report(FileStatus& file, GlobalStatus& all, qint64 fileDone)
{
    all.bytesDone += fileDone - file.bytesDone;
    file.bytesDone = fileDone;
    file.percent = percentOf(file.bytesDone, file.bytesTotal);
    all.percent = percentOf(all.bytesDone, all.bytesTotal);
    if (fileStatus)
        fileStatus(file);
    if (globalStatus)
        globalStatus(all);
    return !m_abort;
}

int ZipArchive::pack()
{
    m_abort = false;
    if (m_archive.isEmpty())
        return kNoArchiveName;
    if (m_files.isEmpty())
        return kNoFilesToProcess;

    // What goes in: each file once, under its file name.
    struct Input {
        QString path;
        QString name;
        qint64 size;
        QDateTime modified;
    };
    QList<Input> inputs;
    QSet<QString> names;
    int code = kSuccess;
    for (int i = 0; i < m_files.size(); ++i) {
        const QFileInfo info(m_files[i]);
        if (!info.isFile()) {
            code = kSkippedMissingFiles;
            continue;
        }
        const QString name = m_memberNames.value(i).isEmpty() ? info.fileName() : m_memberNames[i];
        // A name we were given must unpack safely; a file name is the
        // author's own and unpacks under its own name.
        if (!m_memberNames.value(i).isEmpty() && !safeMemberName(name))
            return kUnsafeName;
        if (names.contains(name)) {
            if (code == kSuccess)
                code = kSkippedEntries;
            continue;
        }
        names.insert(name);
        inputs.append({info.absoluteFilePath(), name, info.size(), info.lastModified()});
    }

    GlobalStatus all;
    all.fileCount = int(inputs.size());
    for (const Input& in : std::as_const(inputs))
        all.bytesTotal += in.size;

    const QFileInfo target(m_archive);
    QStorageInfo storage(target.absolutePath());
    if (storage.isValid() && storage.bytesAvailable() >= 0 &&
        storage.bytesAvailable() < all.bytesTotal + (qint64(1) << 20))
        return kDiskFull;

    QSaveFile out(m_archive);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly))
        return kWriteFailed;
    if (!m_stub.isEmpty()) {
        QFile stub(m_stub);
        if (!stub.open(QIODevice::ReadOnly)) {
            out.cancelWriting();
            return kReadFailed;
        }
        const QByteArray program = stub.readAll();
        if (program.isEmpty() || out.write(program) != program.size()) {
            out.cancelWriting();
            return program.isEmpty() ? kReadFailed : kWriteFailed;
        }
    }
    ZipWriter writer(&out);
    const QByteArray password = m_password.toUtf8();
    std::vector<char> buffer(static_cast<std::size_t>(kChunk));
    auto fail = [&](int failure) {
        out.cancelWriting();
        return failure;
    };

    for (int i = 0; i < inputs.size(); ++i) {
        const Input& in = inputs[i];
        FileStatus file{in.name, i + 1, all.fileCount, 0, in.size, 0};
        if (!report(file, all, 0))
            return fail(kCancelled);
        QFile source(in.path);
        if (!source.open(QIODevice::ReadOnly))
            return fail(kReadFailed);
        if (!writer.beginEntry(in.name, methodFor(in.name), in.modified, in.size, password))
            return fail(kWriteFailed);
        qint64 done = 0;
        for (;;) {
            const qint64 n = source.read(buffer.data(), qint64(buffer.size()));
            if (n < 0)
                return fail(kReadFailed);
            if (n == 0)
                break;
            if (!writer.write(buffer.data(), n))
                return fail(kWriteFailed);
            done += n;
            if (!report(file, all, std::min(done, in.size)))
                return fail(kCancelled);
        }
        if (!writer.endEntry())
            return fail(kWriteFailed);
        all.filesDone = i + 1;
        if (!report(file, all, std::min(done, in.size)))
            return fail(kCancelled);
    }
    if (!writer.finish(m_comment))
        return fail(kWriteFailed);
    if (!out.commit())
        return kWriteFailed;
    return code;
}

bool ZipArchive::wanted(const QString& memberName) const
{
    for (const QString& pattern : m_files) {
        if (pattern == QLatin1String("*.*") || pattern == QLatin1String("*"))
            return true;
        const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(
            pattern, QRegularExpression::UnanchoredWildcardConversion));
        if (QRegularExpression(QRegularExpression::anchoredPattern(re.pattern()))
                .match(memberName)
                .hasMatch())
            return true;
    }
    return false;
}

int ZipArchive::unzip()
{
    m_abort = false;
    if (m_archive.isEmpty())
        return kNoArchiveName;
    ZipReader reader;
    int code = reader.open(m_archive, m_password.toUtf8(), m_limits);
    if (code != kSuccess)
        return code;
    if (m_unzipTo.isEmpty() || !QDir().mkpath(m_unzipTo))
        return kNoDestination;

    std::vector<int> chosen;
    GlobalStatus all;
    bool folders = false;
    for (std::size_t i = 0; i < reader.members().size(); ++i) {
        const MemberInfo& m = reader.members()[i];
        if (!wanted(m.name))
            continue;
        if (m.folder)
            folders = true;
        chosen.push_back(int(i));
        all.bytesTotal += m.size;
    }
    if (chosen.empty())
        return kNothingToUnpack;
    all.fileCount = int(chosen.size());
    code = reader.checkSpace(m_unzipTo, all.bytesTotal);
    if (code != kSuccess)
        return code;

    for (std::size_t k = 0; k < chosen.size(); ++k) {
        const MemberInfo& m = reader.members()[std::size_t(chosen[k])];
        FileStatus file{m.name, int(k) + 1, all.fileCount, 0, m.size, 0};
        if (!report(file, all, 0))
            return kCancelled;
        code = reader.extract(chosen[k], m_unzipTo,
                              [&](qint64 done) { return report(file, all, done); });
        if (m_abort)
            return kCancelled;
        if (code != kSuccess)
            return code;
        all.filesDone = int(k) + 1;
        if (!report(file, all, m.size))
            return kCancelled;
    }
    return folders ? kSkippedEntries : kSuccess;
}

} // namespace archive
