#pragma once
// The editor's media list without widgets: display names (lstPics) and full
// paths (lstHidden) kept index for index. Duplicates are allowed. Every
// operation that the editor offers is here, so that its index arithmetic is
// tested without a window; the window only maps selections and drop rows in
// and out.

#include <functional>

#include <QString>
#include <QStringList>
#include <QVector>

namespace editor {

struct MediaEntry {
    QString name; // display name: the file-name part of the path
    QString path; // full path as stored in list files
    bool operator==(const MediaEntry&) const = default;
};

// The file-name part of a path ("/" or "\" separated).
QString displayName(const QString& path);

class MediaList {
public:
    int count() const { return int(m_items.size()); }
    bool isEmpty() const { return m_items.isEmpty(); }
    const MediaEntry& at(int index) const { return m_items.at(index); }
    const QVector<MediaEntry>& entries() const { return m_items; }
    QStringList paths() const;
    QStringList names() const;

    // index is clamped into 0..count.
    void insert(int index, const MediaEntry& entry);
    void insert(int index, const QVector<MediaEntry>& entries);
    void append(const QVector<MediaEntry>& entries);
    void removeAt(int index);
    void clear() { m_items.clear(); }

    // Removes the selected indices (any order, duplicates ignored). Returns
    // the index to select afterwards: the smallest removed index, or the last
    // item when that lies past the new end, 0 when nothing was selected, and
    // -1 when the list is now empty.
    int removeSelected(const QVector<int>& selected);

    // Move the item at `index` one place, wrapping at both ends. Return the
    // item's new index (the one to select), or -1 for a bad index.
    int moveUp(int index);
    int moveDown(int index);

    // Drops the selected items (a drag within the list) at `dropRow`, the
    // row under the cursor when the drag ended. The items keep their order
    // and are inserted where the row stood after they were taken out; a drop
    // beyond the end appends them. Returns the index of the first moved item,
    // or -1 when nothing was selected.
    int dropMove(const QVector<int>& selected, int dropRow);

    // Drops files from a file manager at `dropRow`: an empty list or a row
    // past the last item inserts at the top. Paths for which `isFile` is
    // false (folders, missing files) are skipped. Returns how many were
    // inserted; they start at the returned `firstIndex`.
    int dropFiles(int dropRow, const QStringList& paths,
                  const std::function<bool(const QString&)>& isFile, int* firstIndex = nullptr);

private:
    QVector<MediaEntry> m_items;
};

} // namespace editor
