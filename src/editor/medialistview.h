#pragma once
// The visible media list: a model over editor::MediaList (the display names
// are what lstPics shows, the paths what lstHidden holds, index for index)
// and the list view with the editor's own drag handling: a drag within the
// list carries the text "[lstPics]", a thin marker shows where a drop
// inserts, and two 100 ms timers scroll while the cursor is near the top or
// the bottom row. Drops are reported to the window, which owns the list
// operations.
//
// With a thumbnailer each row also shows a small picture of its file left of
// its name, fitted into the height of the name's line so that rows keep their
// height. Only the rows that are painted ask for theirs; they are made on
// worker threads and the view repaints when they arrive.

#include <QAbstractListModel>
#include <QListView>
#include <QPixmap>
#include <QPointer>

#include "editor/medialist.h"

class QTimer;

namespace pictures {
class Thumbnailer;
}

namespace editor {

class MediaListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDropActions() const override;

    const MediaList& list() const { return m_list; }

    void insertEntries(int index, const QVector<MediaEntry>& entries);
    void appendEntries(const QVector<MediaEntry>& entries);
    void removeAt(int index);
    void clear();
    // The operations of MediaList; the model is reset around them.
    int removeSelected(const QVector<int>& rows);
    int moveUp(int row);
    int moveDown(int row);
    int dropMove(const QVector<int>& rows, int dropRow);
    int dropFiles(int dropRow, const QStringList& paths,
                  const std::function<bool(const QString&)>& isFile, int* firstIndex);

    // Width in pixels that every row claims (0: the view's own width), which
    // is what makes the view scroll sideways.
    void setHorizontalExtent(int pixels);
    int horizontalExtent() const { return m_extent; }
    void setRowHeight(int pixels) { m_rowHeight = pixels; }
    // Rows show thumbnails from `thumbnailer` (null: names only), fitted
    // into `iconSize`.
    void setThumbnailer(pictures::Thumbnailer* thumbnailer, QSize iconSize);

private:
    MediaList m_list;
    pictures::Thumbnailer* m_thumbnailer = nullptr;
    QPixmap m_pendingIcon; // what a row shows while its thumbnail is made
    int m_extent = 0;
    int m_rowHeight = 16;
};

class MediaListView : public QListView {
    Q_OBJECT
public:
    explicit MediaListView(QWidget* parent = nullptr);
    void reset() override;

    // The text a drag within this list carries.
    static QString dragText() { return QStringLiteral("[lstPics]"); }

    // The row a drop at `pos` (viewport coordinates) lands on: the row under
    // the point, or the row count when the point is below the last row.
    int dropRowAt(const QPoint& pos) const;
    // Selected rows in ascending order.
    QVector<int> selectedRows() const;
    // Clears the selection and makes `row` the current and only selected row.
    void selectOnly(int row);

    QWidget* dropMarker() const { return m_marker; } // picDrop
    int markerRow() const { return m_markerRow; }
    QTimer* upTimer() const { return m_tmrUp; }     // tmrUp
    QTimer* downTimer() const { return m_tmrDown; } // tmrDown
    // InitDragMetrics: the row height and the two scroll zones.
    void initDragMetrics();
    int rowHeight() const { return m_rowHeight; }
    // Shows thumbnails from `thumbnailer` (which outlives the view's use of
    // it) in the rows of this view's MediaListModel.
    void setThumbnailer(pictures::Thumbnailer* thumbnailer);

    // For tests and for the drop handlers: what a drag-over at `pos` does.
    void dragOverAt(const QPoint& pos);
    void dragLeft();

Q_SIGNALS:
    // The list's own items dropped at `row`.
    void itemsDropped(int row);
    // Files from a file manager dropped at `row` (local paths, in order).
    void filesDropped(int row, const QStringList& paths);
    // The current row changed through the keyboard (the preview follows).
    void keyboardCurrentChanged();

protected:
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void tmrUp_Timer();
    void tmrDown_Timer();
    int lastVisibleRow() const;
    int thumbnailSide() const;

    QWidget* m_marker;
    QTimer* m_tmrUp;
    QTimer* m_tmrDown;
    QTimer* m_thumbRepaint;
    QPointer<pictures::Thumbnailer> m_thumbnailer;
    bool m_sideMeasured = false;
    int m_rowHeight = 16;
    int m_markerRow = -1;
};

} // namespace editor
