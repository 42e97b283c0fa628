#include "runtime/bundlesession.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include "archive/resultcode.h"
#include "store/listfile.h"

namespace runtime {

QString readErrorMessage(int code)
{
    return QStringLiteral("An error occurred while attempting to read the source data files.  "
                          "You will need to reinstall the screen saver in order for the product "
                          "to function properly.  Error Code:  ") +
           QString::number(code) + u'.';
}

BundleSession::BundleSession(const QString& programPath, const QString& workRoot)
    : m_names(archive::runtimeNames(programPath)),
      m_programFolder(QFileInfo(programPath).absolutePath()),
      m_archive(QDir(m_programFolder).filePath(m_names.archiveFile())),
      m_folder(workRoot)
{
}

BundleSession::~BundleSession()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    if (m_worker.joinable())
        m_worker.join();
}

int BundleSession::start(const QString& programPath, const QString& workRoot,
                         std::unique_ptr<BundleSession>* session)
{
    std::unique_ptr<BundleSession> s(new BundleSession(programPath, workRoot));
    if (!s->m_folder.ok())
        return archive::kNoDestination;
    const int code = s->open();
    if (!archive::unzipSucceeded(code))
        return code;
    *session = std::move(s);
    return code;
}

int BundleSession::open()
{
    int code = m_reader.open(m_archive, QByteArray(archive::kBundlePassword));
    if (code != archive::kSuccess)
        return code;
    const auto& members = m_reader.members();
    if (members.empty())
        return archive::kNothingToUnpack;
    code = m_reader.checkSpace(folder(), m_reader.totalSize());
    if (code != archive::kSuccess)
        return code;

    m_state.assign(members.size(), Queued);
    bool folders = false;
    for (std::size_t i = 0; i < members.size(); ++i) {
        QString name = members[i].name;
        if (members[i].folder) {
            folders = true;
            name.chop(name.endsWith(u'/') ? 1 : 0);
        }
        m_byPath.insert(folder() + name, int(i));
    }

    // The files that decide what the show does come out before it starts;
    // the first of them also proves the password.
    bool passwordChecked = false;
    for (const QString& name :
         {m_names.listFile(), m_names.settingsFile(), m_names.soundListFile()}) {
        const int i = m_reader.find(name);
        if (i < 0)
            continue;
        code = m_reader.extract(i, folder());
        if (code != archive::kSuccess)
            return code;
        m_state[std::size_t(i)] = Done;
        passwordChecked = true;
    }
    if (!passwordChecked) {
        for (std::size_t i = 0; i < members.size(); ++i) {
            if (members[i].folder)
                continue;
            code = m_reader.checkPassword(int(i));
            if (code != archive::kSuccess)
                return code;
            break;
        }
    }
    queueInShowOrder();
    m_worker = std::thread([this] { work(); });
    return folders ? archive::kSkippedEntries : archive::kSuccess;
}

void BundleSession::queueInShowOrder()
{
    const auto& members = m_reader.members();
    QSet<int> queued;
    auto add = [&](int i) {
        if (i >= 0 && m_state[std::size_t(i)] == Queued && !queued.contains(i)) {
            queued.insert(i);
            m_queue.push_back(i);
        }
    };
    const QStringList items = archive::readListLines(
        archive::showListFile(m_programFolder, m_names, folder()));
    const QStringList sounds =
        archive::readListLines(folder() + m_names.soundListFile());
    // The first item, then the first sound, then the rest in list order.
    if (!items.isEmpty())
        add(m_reader.find(store::listEntryName(items.first())));
    if (!sounds.isEmpty())
        add(m_reader.find(store::listEntryName(sounds.first())));
    for (const QString& line : items)
        add(m_reader.find(store::listEntryName(line)));
    for (const QString& line : sounds)
        add(m_reader.find(store::listEntryName(line)));
    for (std::size_t i = 0; i < members.size(); ++i)
        add(int(i));
}

void BundleSession::work()
{
    for (;;) {
        int i;
        {
            std::lock_guard lock(m_mutex);
            if (m_stop || m_queue.empty())
                break;
            i = m_queue.front();
            m_queue.pop_front();
            m_state[std::size_t(i)] = Working;
        }
        const int code = m_reader.extract(i, folder(), [this](qint64) { return !m_stop; });
        {
            std::lock_guard lock(m_mutex);
            m_state[std::size_t(i)] = code == archive::kSuccess ? Done : Failed;
            if (code != archive::kSuccess && code != archive::kCancelled && m_failure == 0)
                m_failure = code;
        }
        m_changed.notify_all();
    }
    // Whatever was never started will not come: wake every waiter.
    {
        std::lock_guard lock(m_mutex);
        for (int i : m_queue)
            m_state[std::size_t(i)] = Failed;
        m_queue.clear();
    }
    m_changed.notify_all();
}

int BundleSession::memberFor(const QString& path) const
{
    return m_byPath.value(QDir::cleanPath(path), -1);
}

bool BundleSession::pending(const QString& path) const
{
    const int i = memberFor(path);
    if (i < 0)
        return false;
    std::lock_guard lock(m_mutex);
    return m_state[std::size_t(i)] == Queued || m_state[std::size_t(i)] == Working;
}

bool BundleSession::await(const QString& path)
{
    const int i = memberFor(path);
    if (i >= 0) {
        std::unique_lock lock(m_mutex);
        if (m_state[std::size_t(i)] == Queued) {
            // Its turn has come: next in line.
            const auto at = std::find(m_queue.begin(), m_queue.end(), i);
            if (at != m_queue.end()) {
                m_queue.erase(at);
                m_queue.push_front(i);
            }
        }
        m_changed.wait(lock, [&] {
            return m_state[std::size_t(i)] == Done || m_state[std::size_t(i)] == Failed;
        });
    }
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

int BundleSession::finishAll()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] {
        return std::all_of(m_state.begin(), m_state.end(),
                           [](State s) { return s == Done || s == Failed; });
    });
    return m_failure;
}

int BundleSession::backgroundResult() const
{
    std::lock_guard lock(m_mutex);
    return m_failure;
}

} // namespace runtime
