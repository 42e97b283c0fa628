#pragma once
// The packaging adapter: what the creator and the runtime ask of a ZIP
// component. Set the files to process, the archive name, the password and
// the folder to unpack into, then pack() or unzip(); both return a result
// code (resultcode.h) and raise their notifications synchronously on the
// calling thread. abort() may be called from a notification or from another
// thread; the running operation then ends with kCancelled.
//
// Packing writes the archive under a temporary name and replaces the old one
// only when every member is in: a failed or cancelled pack leaves the old
// archive as it was. Members are stored under their file names; pictures and
// clips are stored as they are, text files deflated. With a password every
// member is WinZip AES-256 encrypted.
//
// Unpacking checks the whole archive before it writes anything, and every
// member as it writes it (zipreader.h).

#include <atomic>
#include <functional>

#include <QString>
#include <QStringList>

#include "archive/zipreader.h"
#include "archive/zipwriter.h"

namespace archive {

// Sent when a file starts and as its bytes go by.
struct FileStatus {
    QString fileName;  // the member's name
    int fileIndex = 0; // 1-based
    int fileCount = 0;
    qint64 bytesDone = 0;
    qint64 bytesTotal = 0;
    int percent = 0; // of this file
};

// Sent as the whole operation goes by.
struct GlobalStatus {
    int filesDone = 0;
    int fileCount = 0;
    qint64 bytesDone = 0;
    qint64 bytesTotal = 0;
    int percent = 0; // of all bytes
};

// Stored or deflated, by the file name's extension: text deflated, the
// rest (pictures, clips, sounds) stored.
ZipWriter::Method methodFor(const QString& fileName);

class ZipArchive {
public:
    // Replaces the files to process with `text` ("" empties the list; for
    // unzip, "*.*" or "*" mean every member, other texts are member names or
    // wildcards).
    void setFilesToProcess(const QString& text);
    void addFileToProcess(const QString& path);
    // Packs `path` as the member `memberName` (a relative name with "/"
    // between folders) instead of under its file name.
    void addFileToProcess(const QString& path, const QString& memberName);
    QStringList filesToProcess() const { return m_files; }

    void setArchiveName(const QString& path) { m_archive = path; }
    QString archiveName() const { return m_archive; }
    void setPassword(const QString& password) { m_password = password; }
    void setUnzipToFolder(const QString& folder) { m_unzipTo = folder; }
    QString unzipToFolder() const { return m_unzipTo; }
    void setLimits(const UnpackLimits& limits) { m_limits = limits; }
    // A program written before the archive: the result is a self-extracting
    // program that ZIP tools still read. Empty: none.
    void setSelfExtractorStub(const QString& path) { m_stub = path; }
    // The archive's comment, written last in the file.
    void setComment(const QByteArray& comment) { m_comment = comment; }

    int pack();
    int unzip();
    void abort() { m_abort = true; }

    std::function<void(const FileStatus&)> fileStatus;
    std::function<void(const GlobalStatus&)> globalStatus;

private:
    bool wanted(const QString& memberName) const;
    bool report(FileStatus& file, GlobalStatus& all, qint64 fileDone);

    QStringList m_files;
    QStringList m_memberNames; // index for index with m_files; empty: the file name
    QString m_stub;
    QByteArray m_comment;
    QString m_archive;
    QString m_password;
    QString m_unzipTo;
    UnpackLimits m_limits;
    std::atomic<bool> m_abort{false};
};

} // namespace archive
