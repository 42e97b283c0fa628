#include "editor/medialist.h"

#include <algorithm>

namespace editor {

QString displayName(const QString& path)
{
    const int cut = std::max(path.lastIndexOf('/'), path.lastIndexOf('\\'));
    return path.mid(cut + 1);
}

QStringList MediaList::paths() const
{
    QStringList out;
    out.reserve(m_items.size());
    for (const MediaEntry& e : m_items)
        out << e.path;
    return out;
}

QStringList MediaList::names() const
{
    QStringList out;
    out.reserve(m_items.size());
    for (const MediaEntry& e : m_items)
        out << e.name;
    return out;
}

void MediaList::insert(int index, const MediaEntry& entry)
{
    m_items.insert(std::clamp(index, 0, count()), entry);
}

void MediaList::insert(int index, const QVector<MediaEntry>& entries)
{
    const int at = std::clamp(index, 0, count());
    if (at == count()) {
        m_items += entries;
        return;
    }
    // One copy instead of one shift per entry: adding thousands stays linear.
    QVector<MediaEntry> merged;
    merged.reserve(count() + entries.size());
    merged += m_items.mid(0, at);
    merged += entries;
    merged += m_items.mid(at);
    m_items.swap(merged);
}

void MediaList::append(const QVector<MediaEntry>& entries) { m_items += entries; }

void MediaList::removeAt(int index)
{
    if (index >= 0 && index < count())
        m_items.removeAt(index);
}

int MediaList::removeSelected(const QVector<int>& selected)
{
    QVector<bool> marked(count(), false);
    int smallest = -1;
    for (int i : selected) {
        if (i >= 0 && i < count()) {
            marked[i] = true;
            if (smallest < 0 || i < smallest)
                smallest = i;
        }
    }
    // One pass keeps this linear for large selections.
    QVector<MediaEntry> kept;
    kept.reserve(count());
    for (int i = 0; i < count(); ++i)
        if (!marked[i])
            kept.push_back(m_items[i]);
    m_items.swap(kept);
    if (m_items.isEmpty())
        return -1;
    if (smallest < 0)
        return 0;
    return std::min(smallest, count() - 1);
}

int MediaList::moveUp(int index)
{
    if (index < 0 || index >= count())
        return -1;
    const MediaEntry entry = m_items.takeAt(index);
    const int target = index == 0 ? count() : index - 1;
    m_items.insert(target, entry);
    return target;
}

int MediaList::moveDown(int index)
{
    if (index < 0 || index >= count())
        return -1;
    const MediaEntry entry = m_items.takeAt(index);
    const int target = index == count() ? 0 : index + 1;
    m_items.insert(target, entry);
    return target;
}

int MediaList::dropMove(const QVector<int>& selected, int dropRow)
{
    QVector<bool> marked(count(), false);
    bool any = false;
    for (int i : selected)
        if (i >= 0 && i < count())
            marked[i] = any = true;
    if (!any)
        return -1;
    QVector<MediaEntry> moved;
    QVector<MediaEntry> kept;
    int drop = dropRow;
    for (int i = 0; i < count(); ++i) {
        if (marked[i]) {
            moved.push_back(m_items[i]);
            if (i < dropRow)
                --drop;
        } else {
            kept.push_back(m_items[i]);
        }
    }
    // A drop far below the last row appends instead of losing the items.
    drop = std::clamp(drop, 0, int(kept.size()));
    m_items.swap(kept);
    insert(drop, moved);
    return drop;
}

int MediaList::dropFiles(int dropRow, const QStringList& paths,
                         const std::function<bool(const QString&)>& isFile, int* firstIndex)
{
    int at = dropRow;
    if (isEmpty() || at > count() - 1 || at < 0)
        at = 0;
    QVector<MediaEntry> entries;
    for (const QString& path : paths)
        if (isFile(path))
            entries.push_back({displayName(path), path});
    insert(at, entries);
    if (firstIndex)
        *firstIndex = at;
    return int(entries.size());
}

} // namespace editor
