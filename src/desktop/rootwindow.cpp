#include "desktop/rootwindow.h"

#include <bit>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include <QGuiApplication>
#include <QScreen>

#include <xcb/xcb.h>

namespace desktop {

namespace {

struct Connection {
    xcb_connection_t* c = nullptr;
    xcb_screen_t* screen = nullptr;
    xcb_atom_t xrootpmap = XCB_ATOM_NONE; // _XROOTPMAP_ID
    xcb_atom_t esetroot = XCB_ATOM_NONE;  // ESETROOT_PMAP_ID
    ~Connection()
    {
        if (c)
            xcb_disconnect(c);
    }
};

bool open(Connection& conn, QString* error)
{
    int screenNumber = 0;
    conn.c = xcb_connect(nullptr, &screenNumber);
    if (!conn.c || xcb_connection_has_error(conn.c)) {
        if (error)
            *error = QStringLiteral("cannot open the X display \"%1\"")
                         .arg(qEnvironmentVariable("DISPLAY"));
        return false;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(conn.c));
    for (int i = 0; it.rem && i < screenNumber; ++i)
        xcb_screen_next(&it);
    conn.screen = it.rem ? it.data : nullptr;
    if (!conn.screen && error)
        *error = QStringLiteral("the X display has no screen %1").arg(screenNumber);
    return conn.screen != nullptr;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

std::optional<xcb_pixmap_t> pixmapProperty(xcb_connection_t* c, xcb_window_t root,
                                           xcb_atom_t property)
{
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, root, property, XCB_ATOM_PIXMAP, 0, 1),
                               nullptr),
        &std::free);
    if (!reply || reply->type != XCB_ATOM_PIXMAP || reply->format != 32 ||
        xcb_get_property_value_length(reply.get()) != 4)
        return std::nullopt;
    xcb_pixmap_t id;
    std::memcpy(&id, xcb_get_property_value(reply.get()), 4);
    return id;
}

// The previous setter left its pixmap alive on purpose; when the root still
// shows it (both properties name it), it is ours to free now.
void freePreviousPixmap(xcb_connection_t* c, xcb_window_t root, xcb_atom_t xrootpmap,
                        xcb_atom_t esetroot)
{
    const std::optional<xcb_pixmap_t> current = pixmapProperty(c, root, xrootpmap);
    const std::optional<xcb_pixmap_t> eset = pixmapProperty(c, root, esetroot);
    if (current && eset && *current == *eset && *current != XCB_NONE)
        xcb_request_check(c, xcb_kill_client_checked(c, *eset)); // an error means: already gone
}

// How the root's pixels are laid out in memory.
struct PixelLayout {
    int bitsPerPixel = 0;
    int scanlinePad = 32;
    bool msbFirst = false;
    std::uint32_t masks[3] = {}; // red, green, blue
};

std::optional<PixelLayout> layoutOf(xcb_connection_t* c, const xcb_screen_t* screen)
{
    PixelLayout layout;
    const xcb_setup_t* setup = xcb_get_setup(c);
    layout.msbFirst = setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
    for (xcb_format_iterator_t f = xcb_setup_pixmap_formats_iterator(setup); f.rem;
         xcb_format_next(&f)) {
        if (f.data->depth == screen->root_depth) {
            layout.bitsPerPixel = f.data->bits_per_pixel;
            layout.scanlinePad = f.data->scanline_pad;
        }
    }
    for (xcb_depth_iterator_t d = xcb_screen_allowed_depths_iterator(screen); d.rem;
         xcb_depth_next(&d)) {
        for (xcb_visualtype_iterator_t v = xcb_depth_visuals_iterator(d.data); v.rem;
             xcb_visualtype_next(&v)) {
            if (v.data->visual_id == screen->root_visual &&
                v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR) {
                layout.masks[0] = v.data->red_mask;
                layout.masks[1] = v.data->green_mask;
                layout.masks[2] = v.data->blue_mask;
            }
        }
    }
    const bool supported = (layout.bitsPerPixel == 32 || layout.bitsPerPixel == 24 ||
                            layout.bitsPerPixel == 16) &&
                           layout.masks[0] && layout.masks[1] && layout.masks[2];
    if (!supported)
        return std::nullopt;
    return layout;
}

std::uint32_t pixelOf(const PixelLayout& layout, QRgb rgb)
{
    const int channel[3] = {qRed(rgb), qGreen(rgb), qBlue(rgb)};
    std::uint32_t pixel = 0;
    for (int i = 0; i < 3; ++i) {
        const std::uint32_t mask = layout.masks[i];
        const int shift = std::countr_zero(mask);
        const std::uint32_t top = mask >> shift;
        pixel |= ((std::uint32_t(channel[i]) * top + 127) / 255) << shift;
    }
    return pixel;
}

// Rows of the image in the server's format.
std::vector<std::uint8_t> packRows(const QImage& image, int firstRow, int rows,
                                   const PixelLayout& layout, int rowBytes)
{
    std::vector<std::uint8_t> data(std::size_t(rowBytes) * rows, 0);
    const int bytes = layout.bitsPerPixel / 8;
    for (int y = 0; y < rows; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(firstRow + y));
        std::uint8_t* out = data.data() + std::size_t(rowBytes) * y;
        for (int x = 0; x < image.width(); ++x, out += bytes) {
            const std::uint32_t p = pixelOf(layout, line[x]);
            for (int b = 0; b < bytes; ++b) {
                const int shift = layout.msbFirst ? 8 * (bytes - 1 - b) : 8 * b;
                out[b] = std::uint8_t(p >> shift);
            }
        }
    }
    return data;
}

// The monitors, in root coordinates, when Qt talks to the same X server.
QList<QRect> monitors()
{
    QList<QRect> out;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ||
        QGuiApplication::platformName() != QLatin1String("xcb"))
        return out;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        const qreal r = screen->devicePixelRatio();
        out << QRect(int(g.x() * r), int(g.y() * r), int(g.width() * r), int(g.height() * r));
    }
    return out;
}

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

// The display, its root's pixel layout and the two properties' atoms.
bool prepare(Connection& conn, std::optional<PixelLayout>& layout, QString* error)
{
    if (!open(conn, error))
        return false;
    layout = layoutOf(conn.c, conn.screen);
    conn.xrootpmap = atom(conn.c, "_XROOTPMAP_ID");
    conn.esetroot = atom(conn.c, "ESETROOT_PMAP_ID");
    return true;
}

} // namespace

bool setRootWindowPicture(const std::function<QImage(QSize, const QList<QRect>&)>& compose,
                          QString* error)
{
    Connection conn;
    std::optional<PixelLayout> layout;
    if (!prepare(conn, layout, error))
        return false;
    xcb_connection_t* c = conn.c;
    const xcb_screen_t* screen = conn.screen;
    if (!layout)
        return fail(error, QStringLiteral("the root window's pixel format is not supported"));

    const QSize size(screen->width_in_pixels, screen->height_in_pixels);
    QImage image = compose(size, monitors());
    if (image.size() != size)
        return fail(error, QStringLiteral("the picture does not fit the screen"));
    image = image.convertToFormat(QImage::Format_RGB32);

    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    if (xcb_generic_error_t* e = xcb_request_check(
            c, xcb_create_pixmap_checked(c, screen->root_depth, pixmap, screen->root,
                                         std::uint16_t(size.width()),
                                         std::uint16_t(size.height())))) {
        std::free(e);
        return fail(error, QStringLiteral("the X server cannot make a pixmap of the screen's size"));
    }
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, pixmap, 0, nullptr);
    const int rowBytes =
        ((size.width() * layout->bitsPerPixel + layout->scanlinePad - 1) / layout->scanlinePad) *
        layout->scanlinePad / 8;
    const std::uint32_t maxBytes = xcb_get_maximum_request_length(c) * 4;
    const int rowsPerRequest = std::max(1, int((maxBytes - 64) / std::uint32_t(rowBytes)));
    for (int y = 0; y < size.height(); y += rowsPerRequest) {
        const int rows = std::min(rowsPerRequest, size.height() - y);
        const std::vector<std::uint8_t> data = packRows(image, y, rows, *layout, rowBytes);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, std::uint16_t(size.width()),
                      std::uint16_t(rows), 0, std::int16_t(y), 0, screen->root_depth,
                      std::uint32_t(data.size()), data.data());
    }
    xcb_free_gc(c, gc);

    freePreviousPixmap(c, screen->root, conn.xrootpmap, conn.esetroot);
    if (xcb_generic_error_t* e = xcb_request_check(
            c, xcb_change_window_attributes_checked(c, screen->root, XCB_CW_BACK_PIXMAP,
                                                    &pixmap))) {
        std::free(e);
        xcb_free_pixmap(c, pixmap);
        return fail(error, QStringLiteral("the root window refused its new background"));
    }
    xcb_clear_area(c, 0, screen->root, 0, 0, 0, 0);
    for (xcb_atom_t property : {conn.xrootpmap, conn.esetroot})
        if (property != XCB_ATOM_NONE)
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, screen->root, property,
                                XCB_ATOM_PIXMAP, 32, 1, &pixmap);
    // The pixmap stays when this connection closes; the next setter frees it.
    xcb_generic_error_t* e = xcb_request_check(
        c, xcb_set_close_down_mode_checked(c, XCB_CLOSE_DOWN_RETAIN_PERMANENT));
    if (e) {
        std::free(e);
        return fail(error, QStringLiteral("the X server would not keep the wallpaper"));
    }
    return true;
}

bool clearRootWindowPicture(const QColor& color, QString* error)
{
    Connection conn;
    std::optional<PixelLayout> layout;
    if (!prepare(conn, layout, error))
        return false;
    xcb_connection_t* c = conn.c;
    const xcb_screen_t* screen = conn.screen;
    const std::uint32_t pixel = layout ? pixelOf(*layout, color.rgb()) : screen->black_pixel;
    freePreviousPixmap(c, screen->root, conn.xrootpmap, conn.esetroot);
    for (xcb_atom_t property : {conn.xrootpmap, conn.esetroot})
        if (property != XCB_ATOM_NONE)
            xcb_delete_property(c, screen->root, property);
    xcb_generic_error_t* e = xcb_request_check(
        c, xcb_change_window_attributes_checked(c, screen->root, XCB_CW_BACK_PIXEL, &pixel));
    if (e) {
        std::free(e);
        return fail(error, QStringLiteral("the root window refused its plain background"));
    }
    xcb_clear_area(c, 0, screen->root, 0, 0, 0, 0);
    // A round trip: the server has carried out everything before we go.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    return true;
}

} // namespace desktop
