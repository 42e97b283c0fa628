#include "desktop/x11embed.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <cstdlib>

#include <xcb/xcb.h>

namespace desktop {

namespace {

xcb_connection_t* qtConnection()
{
    if (!x11Available())
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// Follows one foreign parent: resizes the embedded widget with it and
// reports its destruction. Owned by the widget.
class ParentFollower : public QObject, public QAbstractNativeEventFilter {
public:
    ParentFollower(QWidget* widget, std::uint32_t parent, std::function<void()> gone)
        : QObject(widget), m_widget(widget), m_parent(parent), m_gone(std::move(gone))
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~ParentFollower() override
    {
        if (QCoreApplication::instance())
            QCoreApplication::instance()->removeNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "xcb_generic_event_t")
            return false;
        auto* ev = static_cast<xcb_generic_event_t*>(message);
        switch (ev->response_type & ~0x80) {
        case XCB_CONFIGURE_NOTIFY: {
            auto* cn = reinterpret_cast<xcb_configure_notify_event_t*>(ev);
            if (cn->window == m_parent && cn->event == m_parent && m_widget)
                m_widget->setGeometry(0, 0, cn->width, cn->height);
            break;
        }
        case XCB_DESTROY_NOTIFY: {
            auto* dn = reinterpret_cast<xcb_destroy_notify_event_t*>(ev);
            if (dn->window == m_parent)
                reportGone();
            break;
        }
        default:
            break;
        }
        return false;
    }

    void reportGone()
    {
        if (m_reported)
            return;
        m_reported = true;
        // Not from inside the event filter: the callback may delete the widget
        // and with it this object.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_gone)
                    m_gone();
            },
            Qt::QueuedConnection);
    }

private:
    QPointer<QWidget> m_widget;
    std::uint32_t m_parent;
    std::function<void()> m_gone;
    bool m_reported = false;
};

} // namespace

QString x11DisplayProblem(const QByteArray& displayName)
{
    const QByteArray name = displayName.isEmpty() ? qgetenv("DISPLAY") : displayName;
    if (name.isEmpty())
        return QStringLiteral(
            "no graphical display is available (the DISPLAY variable is not set)");
    xcb_connection_t* c = xcb_connect(name.constData(), nullptr);
    const int error = xcb_connection_has_error(c);
    xcb_disconnect(c);
    if (error)
        return QStringLiteral("cannot open the X display \"%1\"").arg(QString::fromLocal8Bit(name));
    return {};
}

bool x11Available()
{
    return qGuiApp && QGuiApplication::platformName() == QLatin1String("xcb");
}

std::uint32_t x11RootWindow()
{
    xcb_connection_t* c = qtConnection();
    if (!c)
        return 0;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    return it.rem ? it.data->root : 0;
}

std::optional<QSize> x11WindowSize(std::uint32_t window)
{
    xcb_connection_t* c = qtConnection();
    if (!c || window == 0)
        return std::nullopt;
    xcb_generic_error_t* error = nullptr;
    xcb_get_geometry_reply_t* reply =
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), &error);
    std::free(error);
    if (!reply)
        return std::nullopt;
    const QSize size(reply->width, reply->height);
    std::free(reply);
    return size;
}

bool embedIntoForeignWindow(QWidget* widget, std::uint32_t parent, std::function<void()> parentGone)
{
    xcb_connection_t* c = qtConnection();
    if (!c || !widget || !x11WindowSize(parent))
        return false;

    // Our own event mask on the parent (each client has its own), so that
    // resizes and the destruction reach Qt's event loop and our filter.
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, parent, XCB_CW_EVENT_MASK, &mask);
    auto* follower = new ParentFollower(widget, parent, std::move(parentGone));

    // Read the size after selecting the events: a resize in between is then
    // either in this answer or in a later event.
    const std::optional<QSize> size = x11WindowSize(parent);
    if (!size) {
        delete follower;
        return false;
    }
    QWindow* foreign = QWindow::fromWinId(parent);
    foreign->setParent(nullptr);
    widget->setAttribute(Qt::WA_NativeWindow);
    widget->winId();
    widget->windowHandle()->setParent(foreign);
    // The wrapper belongs to the widget's lifetime, not to Qt's top-level list.
    QObject::connect(widget, &QObject::destroyed, foreign, &QObject::deleteLater);
    widget->setGeometry(0, 0, size->width(), size->height());
    return true;
}

} // namespace desktop
