#include "editor/medialistview.h"

#include <QApplication>
#include <QDrag>
#include <QStyledItemDelegate>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTimer>
#include <QUrl>

#include "pictures/thumbnailer.h"

namespace editor {

// --- model -------------------------------------------------------------------

int MediaListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_list.count();
}

QVariant MediaListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_list.count())
        return {};
    const MediaEntry& e = m_list.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return e.name;
    case Qt::ToolTipRole:
    case Qt::UserRole:
        return e.path;
    case Qt::DecorationRole:
        if (m_thumbnailer) {
            const QPixmap icon = m_thumbnailer->icon(e.path);
            // A blank of the same size keeps the names from jumping when
            // the thumbnail arrives.
            return icon.isNull() ? m_pendingIcon : icon;
        }
        return {};
    case Qt::SizeHintRole:
        if (m_extent > 0)
            return QSize(m_extent, m_rowHeight);
        return {};
    default:
        return {};
    }
}

Qt::ItemFlags MediaListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

Qt::DropActions MediaListModel::supportedDropActions() const
{
    return Qt::MoveAction | Qt::CopyAction;
}

void MediaListModel::insertEntries(int index, const QVector<MediaEntry>& entries)
{
    if (entries.isEmpty())
        return;
    const int at = std::clamp(index, 0, m_list.count());
    beginInsertRows({}, at, at + int(entries.size()) - 1);
    m_list.insert(at, entries);
    endInsertRows();
}

void MediaListModel::appendEntries(const QVector<MediaEntry>& entries)
{
    insertEntries(m_list.count(), entries);
}

void MediaListModel::removeAt(int index)
{
    if (index < 0 || index >= m_list.count())
        return;
    beginRemoveRows({}, index, index);
    m_list.removeAt(index);
    endRemoveRows();
}

void MediaListModel::clear()
{
    beginResetModel();
    m_list.clear();
    endResetModel();
}

int MediaListModel::removeSelected(const QVector<int>& rows)
{
    beginResetModel();
    const int next = m_list.removeSelected(rows);
    endResetModel();
    return next;
}

int MediaListModel::moveUp(int row)
{
    beginResetModel();
    const int target = m_list.moveUp(row);
    endResetModel();
    return target;
}

int MediaListModel::moveDown(int row)
{
    beginResetModel();
    const int target = m_list.moveDown(row);
    endResetModel();
    return target;
}

int MediaListModel::dropMove(const QVector<int>& rows, int dropRow)
{
    beginResetModel();
    const int first = m_list.dropMove(rows, dropRow);
    endResetModel();
    return first;
}

int MediaListModel::dropFiles(int dropRow, const QStringList& paths,
                              const std::function<bool(const QString&)>& isFile, int* firstIndex)
{
    beginResetModel();
    const int added = m_list.dropFiles(dropRow, paths, isFile, firstIndex);
    endResetModel();
    return added;
}

void MediaListModel::setThumbnailer(pictures::Thumbnailer* thumbnailer, QSize iconSize)
{
    Q_EMIT layoutAboutToBeChanged();
    m_thumbnailer = thumbnailer;
    if (m_thumbnailer)
        m_thumbnailer->setIconSize(iconSize);
    m_pendingIcon = QPixmap(iconSize);
    m_pendingIcon.fill(Qt::transparent);
    Q_EMIT layoutChanged();
}

void MediaListModel::setHorizontalExtent(int pixels)
{
    if (pixels == m_extent)
        return;
    // Every row's size hint changes; a layout change keeps the selection.
    Q_EMIT layoutAboutToBeChanged();
    m_extent = pixels;
    Q_EMIT layoutChanged();
}

// --- view --------------------------------------------------------------------

namespace {

// Lays rows out by their names alone: the style adds a margin around a
// row's picture that would make rows with pictures taller than before. The
// picture is sized to fit the row, so it is painted inside it all the same.
class ThumbnailRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QVariant hint = index.data(Qt::SizeHintRole);
        if (hint.isValid())
            return hint.toSize();
        QStyleOptionViewItem o = option;
        initStyleOption(&o, index);
        const int pictureWidth = (o.features & QStyleOptionViewItem::HasDecoration)
                                     ? o.decorationSize.width() + 4
                                     : 0;
        o.features &= ~QStyleOptionViewItem::HasDecoration;
        const QWidget* w = option.widget;
        QStyle* style = w ? w->style() : QApplication::style();
        const QSize s = style->sizeFromContents(QStyle::CT_ItemViewItem, &o, {}, w);
        return {s.width() + pictureWidth, s.height()};
    }
};

} // namespace

MediaListView::MediaListView(QWidget* parent)
    : QListView(parent), m_marker(new QWidget(viewport())), m_tmrUp(new QTimer(this)),
      m_tmrDown(new QTimer(this)), m_thumbRepaint(new QTimer(this))
{
    setObjectName("lstPics");
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(false); // our marker shows the place
    setAutoScroll(false);         // our timers scroll
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    setItemDelegate(new ThumbnailRowDelegate(this));

    m_marker->setObjectName("picDrop");
    m_marker->setAutoFillBackground(true);
    QPalette p = m_marker->palette();
    p.setColor(QPalette::Window, palette().color(QPalette::Highlight));
    m_marker->setPalette(p);
    m_marker->hide();

    m_tmrUp->setObjectName("tmrUp");
    m_tmrDown->setObjectName("tmrDown");
    m_tmrUp->setInterval(100);
    m_tmrDown->setInterval(100);
    connect(m_tmrUp, &QTimer::timeout, this, &MediaListView::tmrUp_Timer);
    connect(m_tmrDown, &QTimer::timeout, this, &MediaListView::tmrDown_Timer);

    // The first rows give the measure of a row (see setThumbnailer).
    // Thumbnails arrive one by one; the view repaints once for a batch.
    m_thumbRepaint->setSingleShot(true);
    m_thumbRepaint->setInterval(30);
    connect(m_thumbRepaint, &QTimer::timeout, viewport(), qOverload<>(&QWidget::update));
}

int MediaListView::thumbnailSide() const
{
    // The height a row has with its name alone, as the style lays it out.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features = QStyleOptionViewItem::HasDisplay;
    option.text = QStringLiteral("Ag");
    return style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, {}, this).height();
}

void MediaListView::rowsInserted(const QModelIndex& parent, int start, int end)
{
    QListView::rowsInserted(parent, start, end);
    if (m_thumbnailer && !m_sideMeasured)
        setThumbnailer(m_thumbnailer);
}

void MediaListView::reset()
{
    QListView::reset();
    if (m_thumbnailer && !m_sideMeasured && model() && model()->rowCount() > 0)
        setThumbnailer(m_thumbnailer);
}

void MediaListView::changeEvent(QEvent* event)
{
    QListView::changeEvent(event);
    // A new font or skin lays rows out anew: the pictures follow.
    if ((event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) &&
        m_thumbnailer) {
        m_sideMeasured = false;
        setThumbnailer(m_thumbnailer);
    }
}

void MediaListView::setThumbnailer(pictures::Thumbnailer* thumbnailer)
{
    auto* mediaModel = qobject_cast<MediaListModel*>(model());
    if (!mediaModel)
        return;
    if (m_thumbnailer && m_thumbnailer != thumbnailer)
        disconnect(m_thumbnailer, nullptr, m_thumbRepaint, nullptr);
    const bool connectNew = thumbnailer && thumbnailer != m_thumbnailer;
    m_thumbnailer = thumbnailer;
    // As high as the row allows; wider than high, since most pictures are.
    int plain = thumbnailSide();
    auto apply = [&](int h) {
        const QSize box(h * 3 / 2, h);
        setIconSize(box);
        mediaModel->setThumbnailer(thumbnailer, box);
    };
    if (thumbnailer && mediaModel->rowCount() > 0) {
        // Measured on a real row: the style's own answer may differ from
        // what its delegate lays out.
        mediaModel->setThumbnailer(nullptr, {});
        plain = sizeHintForRow(0);
        m_sideMeasured = true;
    }
    // A pixel of air above and below the picture.
    const int side = std::max(8, plain - 2);
    apply(side);
    if (connectNew)
        connect(thumbnailer, &pictures::Thumbnailer::ready, m_thumbRepaint, [this] {
            if (!m_thumbRepaint->isActive())
                m_thumbRepaint->start();
        });
}

void MediaListView::initDragMetrics()
{
    m_rowHeight = std::max(1, sizeHintForRow(0) > 0 ? sizeHintForRow(0)
                                                    : fontMetrics().height() + 2);
    m_marker->setGeometry(1, 0, viewport()->width(), 2);
}

int MediaListView::lastVisibleRow() const
{
    return std::max(0, viewport()->height() / std::max(1, m_rowHeight) - 1);
}

int MediaListView::dropRowAt(const QPoint& pos) const
{
    const QModelIndex index = indexAt(QPoint(1, pos.y()));
    if (index.isValid())
        return index.row();
    const int count = model() ? model()->rowCount() : 0;
    // Above the first row (only a margin) is row 0; anything else is past the end.
    if (count > 0 && pos.y() < visualRect(model()->index(0, 0)).top())
        return 0;
    return count;
}

QVector<int> MediaListView::selectedRows() const
{
    QVector<int> rows;
    if (!selectionModel())
        return rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

void MediaListView::selectOnly(int row)
{
    if (!model() || row < 0 || row >= model()->rowCount())
        return;
    const QModelIndex index = model()->index(row, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
}

void MediaListView::startDrag(Qt::DropActions)
{
    if (selectedRows().isEmpty())
        return;
    auto* data = new QMimeData;
    data->setText(dragText());
    m_markerRow = -1;
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(Qt::MoveAction, Qt::MoveAction);
    // A drag that ends outside the list leaves nothing behind.
    dragLeft();
}

void MediaListView::dragEnterEvent(QDragEnterEvent* event)
{
    const QMimeData* data = event->mimeData();
    if (data->hasUrls() || data->hasText()) {
        event->setDropAction(event->source() == this ? Qt::MoveAction : Qt::CopyAction);
        event->accept();
        dragOverAt(event->position().toPoint());
    } else {
        event->ignore();
    }
}

void MediaListView::dragMoveEvent(QDragMoveEvent* event)
{
    event->setDropAction(event->source() == this ? Qt::MoveAction : Qt::CopyAction);
    event->accept();
    dragOverAt(event->position().toPoint());
}

void MediaListView::dragLeaveEvent(QDragLeaveEvent* event)
{
    dragLeft();
    event->accept();
}

void MediaListView::dragOverAt(const QPoint& pos)
{
    m_marker->show();
    m_marker->raise();
    const int y = pos.y();
    const int downZoneTop = lastVisibleRow() * m_rowHeight;
    const int upZoneBottom = m_rowHeight - 1;
    if (y >= downZoneTop) {
        m_tmrDown->start();
    } else {
        m_tmrDown->stop();
        if (y <= upZoneBottom)
            m_tmrUp->start();
    }
    const int row = dropRowAt(pos);
    if (row != m_markerRow) {
        m_markerRow = row;
        const int count = model() ? model()->rowCount() : 0;
        int top = 0;
        if (row < count)
            top = visualRect(model()->index(row, 0)).top();
        else if (count > 0)
            top = visualRect(model()->index(count - 1, 0)).bottom() + 1;
        // The marker straddles the boundary above the row: a drop inserts there.
        m_marker->setGeometry(1, std::max(0, top - 1), viewport()->width() - 1, 2);
    }
}

void MediaListView::dragLeft()
{
    m_marker->hide();
    m_tmrUp->stop();
    // tmrDown stops by itself once everything fits or the cursor comes back.
}

void MediaListView::tmrDown_Timer()
{
    const int count = model() ? model()->rowCount() : 0;
    if (lastVisibleRow() + 1 >= count || !m_marker->isVisible()) {
        m_tmrDown->stop();
        return;
    }
    verticalScrollBar()->setValue(verticalScrollBar()->value() + verticalScrollBar()->singleStep());
}

void MediaListView::tmrUp_Timer()
{
    verticalScrollBar()->setValue(
        std::max(0, verticalScrollBar()->value() - verticalScrollBar()->singleStep()));
    m_tmrUp->stop();
}

void MediaListView::dropEvent(QDropEvent* event)
{
    m_marker->hide();
    m_tmrUp->stop();
    m_tmrDown->stop();
    const int row = dropRowAt(event->position().toPoint());
    const QMimeData* data = event->mimeData();
    if (data->hasText() && data->text() == dragText() && event->source() == this) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
        Q_EMIT itemsDropped(row);
        return;
    }
    if (data->hasUrls()) {
        QStringList paths;
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                paths << url.toLocalFile();
        event->setDropAction(Qt::CopyAction);
        event->accept();
        Q_EMIT filesDropped(row, paths);
        return;
    }
    event->ignore(); // any other text
}

void MediaListView::keyPressEvent(QKeyEvent* event)
{
    const QModelIndex before = currentIndex();
    QListView::keyPressEvent(event);
    if (currentIndex() != before)
        Q_EMIT keyboardCurrentChanged();
}

void MediaListView::resizeEvent(QResizeEvent* event)
{
    QListView::resizeEvent(event);
    m_marker->resize(viewport()->width() - 1, 2);
}

} // namespace editor
