#pragma once
// The runtime's start: unpacking the saver's media archive into this
// process's own folder. What the show needs first (the list, the settings,
// the sound list) is unpacked before the start returns; the media follow on
// a worker thread, the first item of the list first, while the show runs.
// Before anything is unpacked the whole archive is checked (names, kinds,
// sizes, free space, the password), so a bad archive is reported before any
// window opens. A member that fails its check later is left out (the show
// treats it as a missing file) and its code is kept for backgroundResult().

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <QHash>
#include <QString>

#include "archive/bundle.h"
#include "archive/zipreader.h"
#include "runtime/sessionfolder.h"
#include "show/pendingfiles.h"

namespace runtime {

class BundleSession final : public show::PendingFiles {
public:
    // Opens the archive of the program at `programPath` ({short}.dat in its
    // folder) and unpacks into a new folder below `workRoot`. Returns a
    // result code; on success (or an accepted note) `*session` is set.
    static int start(const QString& programPath, const QString& workRoot,
                     std::unique_ptr<BundleSession>* session);
    // Stops the worker and removes the folder.
    ~BundleSession() override;

    // This process's folder, ending in "/".
    QString folder() const { return m_folder.path(); }
    const archive::BundleNames& names() const { return m_names; }
    QString programFolder() const { return m_programFolder; }

    bool pending(const QString& path) const override;
    bool await(const QString& path) override;
    // Waits for the whole archive; the background result.
    int finishAll();
    // kSuccess, or the code of the first member that failed while the
    // show ran.
    int backgroundResult() const;

private:
    BundleSession(const QString& programPath, const QString& workRoot);
    int open();
    void queueInShowOrder();
    void work();
    int memberFor(const QString& path) const;

    enum State : char { Queued, Working, Done, Failed };

    archive::BundleNames m_names;
    QString m_programFolder;
    QString m_archive;
    SessionFolder m_folder;
    archive::ZipReader m_reader;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<int> m_queue;
    std::vector<State> m_state;
    QHash<QString, int> m_byPath; // absolute target path -> member
    int m_failure = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_worker;
};

// The message of a failed start, with its code.
QString readErrorMessage(int code);

} // namespace runtime
