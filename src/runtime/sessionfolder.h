#pragma once
// Each running saver process unpacks into a folder of its own below the
// work folder, so that a preview, a show and a settings dialog running at
// once never delete each other's files. The folder is removed when the
// process ends; folders left by processes that died are removed by the
// next start. "VLS.scr" stays in the work folder itself, where the creator
// copies it from.
//
// A live folder is held by an advisory lock on the folder itself; the lock
// dies with its process, so a folder whose lock can be taken, and whose
// process id is not running, belongs to nobody.

#include <QString>

namespace runtime {

class SessionFolder {
public:
    // Removes the dead processes' folders below `root` (created when
    // missing), then makes and locks this process's folder.
    explicit SessionFolder(const QString& root);
    ~SessionFolder();
    SessionFolder(const SessionFolder&) = delete;
    SessionFolder& operator=(const SessionFolder&) = delete;

    bool ok() const { return m_fd >= 0; }
    // Ends in "/".
    QString path() const { return m_path; }

    // Removes the folders of ended processes below `root`; the number removed.
    static int removeStale(const QString& root);
    // True when `name` is a session folder's name ("run-<pid>-<tag>"); its
    // process id through `pid`.
    static bool isSessionName(const QString& name, qint64* pid = nullptr);

private:
    int m_fd = -1;
    QString m_path;
};

} // namespace runtime
