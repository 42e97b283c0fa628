#include "desktop/wallpaper.h"

#include <cstdio>
#include <utility>

#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "desktop/rootwindow.h"
#include "store/messages.h"
#include "store/paths.h"

namespace desktop {

namespace {

constexpr int kToolTimeoutMs = 15000;

// Runs a desktop tool found on PATH; true when it ran and exited with 0.
bool runTool(const QString& tool, const QStringList& args, QByteArray* out = nullptr)
{
    const QString exe = QStandardPaths::findExecutable(tool);
    if (exe.isEmpty())
        return false;
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(exe, args);
    if (!process.waitForFinished(kToolTimeoutMs)) {
        process.kill();
        process.waitForFinished(2000);
        std::fprintf(stderr, "Kelvra Saver: %s did not finish\n", qPrintable(tool));
        return false;
    }
    if (out)
        *out = process.readAllStandardOutput();
    const bool ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!ok)
        std::fprintf(stderr, "Kelvra Saver: %s %s: %s\n", qPrintable(tool),
                     qPrintable(args.join(u' ')),
                     process.readAllStandardError().trimmed().constData());
    return ok;
}

bool hasTool(const char* tool)
{
    return !QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty();
}

// A GVariant text string, as gsettings parses its value argument.
QString gvariantString(const QString& text)
{
    QString out = QStringLiteral("'");
    for (QChar c : text) {
        if (c == u'\'' || c == u'\\')
            out += u'\\';
        out += c;
    }
    return out + u'\'';
}

// A JavaScript string literal for the Plasma script.
QString jsString(const QString& text)
{
    QString out = QStringLiteral("\"");
    for (QChar c : text) {
        if (c == u'"' || c == u'\\')
            out += u'\\';
        if (c.unicode() < 0x20)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out + u'"';
}

// GNOME and its relatives keep the wallpaper in one gsettings schema.
class GSettingsBackend : public WallpaperBackend {
public:
    struct Flavour {
        const char* name;
        QStringList desktops;  // any of these names in the environment
        const char* schema;
        const char* pictureKey; // the picture as a URI, or a path (uriKey false)
        bool uriKey;
        const char* darkKey;   // the dark-style picture (GNOME 42 on), or null
    };
    explicit GSettingsBackend(Flavour f) : m_f(std::move(f)) {}

    QString name() const override { return QString::fromLatin1(m_f.name); }
    bool appliesTo(const DesktopEnvironment& env) const override
    {
        for (const QString& d : m_f.desktops)
            if (env.desktops.contains(d))
                return hasTool("gsettings");
        return false;
    }
    bool set(const WallpaperRequest& request) override
    {
        const QString picture = m_f.uriKey ? QUrl::fromLocalFile(request.file).toString(QUrl::FullyEncoded)
                                           : request.file;
        const bool ok = write(m_f.pictureKey, gvariantString(picture));
        if (m_f.darkKey)
            write(m_f.darkKey, gvariantString(picture)); // older schemas lack it
        return write("picture-options",
                     request.style == WallpaperStyle::Tiled ? QStringLiteral("'wallpaper'")
                                                            : QStringLiteral("'centered'")) &&
               ok;
    }
    bool clear(const QColor&) override
    {
        const bool ok = write(m_f.pictureKey, QStringLiteral("''"));
        if (m_f.darkKey)
            write(m_f.darkKey, QStringLiteral("''"));
        return write("picture-options", QStringLiteral("'none'")) && ok;
    }

private:
    bool write(const char* key, const QString& value)
    {
        return runTool(QStringLiteral("gsettings"),
                       {QStringLiteral("set"), QString::fromLatin1(m_f.schema),
                        QString::fromLatin1(key), value});
    }
    Flavour m_f;
};

// XFCE keeps one backdrop per screen, monitor and workspace; each gets it.
class XfceBackend : public WallpaperBackend {
public:
    QString name() const override { return QStringLiteral("XFCE"); }
    bool appliesTo(const DesktopEnvironment& env) const override
    {
        return env.is("XFCE") && hasTool("xfconf-query");
    }
    bool set(const WallpaperRequest& request) override
    {
        const QString style = request.style == WallpaperStyle::Tiled ? QStringLiteral("2")
                                                                     : QStringLiteral("1");
        bool ok = true;
        for (const QString& backdrop : backdrops()) {
            ok = property(backdrop + QStringLiteral("/last-image"), QStringLiteral("string"),
                          request.file) &&
                 ok;
            ok = property(backdrop + QStringLiteral("/image-style"), QStringLiteral("int"),
                          style) &&
                 ok;
        }
        return ok;
    }
    bool clear(const QColor&) override
    {
        bool ok = true;
        for (const QString& backdrop : backdrops()) // style 0: no picture, the colour only
            ok = property(backdrop + QStringLiteral("/image-style"), QStringLiteral("int"),
                          QStringLiteral("0")) &&
                 ok;
        return ok;
    }

private:
    static QStringList backdrops()
    {
        QByteArray list;
        QStringList out;
        if (runTool(QStringLiteral("xfconf-query"),
                    {QStringLiteral("-c"), QStringLiteral("xfce4-desktop"), QStringLiteral("-l")},
                    &list)) {
            for (const QByteArray& line : list.split('\n')) {
                const QString p = QString::fromUtf8(line.trimmed());
                if (p.startsWith(QLatin1String("/backdrop/")) &&
                    p.endsWith(QLatin1String("/last-image")))
                    out << p.chopped(int(qstrlen("/last-image")));
            }
        }
        // A desktop that never had a picture has no backdrop properties yet.
        if (out.isEmpty())
            out << QStringLiteral("/backdrop/screen0/monitor0/workspace0");
        return out;
    }
    static bool property(const QString& name, const QString& type, const QString& value)
    {
        return runTool(QStringLiteral("xfconf-query"),
                       {QStringLiteral("-c"), QStringLiteral("xfce4-desktop"),
                        QStringLiteral("-p"), name, QStringLiteral("-n"), QStringLiteral("-t"),
                        type, QStringLiteral("-s"), value});
    }
};

// Plasma's shell runs a desktop script; every desktop (one per screen and
// activity) gets the picture.
class PlasmaBackend : public WallpaperBackend {
public:
    QString name() const override { return QStringLiteral("KDE Plasma"); }
    bool appliesTo(const DesktopEnvironment& env) const override
    {
        return (env.is("KDE") || env.kdeSession) && hasTool("dbus-send");
    }
    bool set(const WallpaperRequest& request) override
    {
        // FillMode: 6 centres the picture, 3 tiles it.
        const int fill = request.style == WallpaperStyle::Tiled ? 3 : 6;
        return evaluate(
            QStringLiteral("var all = desktops();"
                           "for (var i = 0; i < all.length; i++) {"
                           " var d = all[i];"
                           " d.wallpaperPlugin = \"org.kde.image\";"
                           " d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];"
                           " d.writeConfig(\"Image\", %1);"
                           " d.writeConfig(\"FillMode\", %2);"
                           "}")
                .arg(jsString(QUrl::fromLocalFile(request.file).toString(QUrl::FullyEncoded)))
                .arg(fill));
    }
    bool clear(const QColor& background) override
    {
        return evaluate(
            QStringLiteral("var all = desktops();"
                           "for (var i = 0; i < all.length; i++) {"
                           " var d = all[i];"
                           " d.wallpaperPlugin = \"org.kde.color\";"
                           " d.currentConfigGroup = [\"Wallpaper\", \"org.kde.color\", \"General\"];"
                           " d.writeConfig(\"Color\", %1);"
                           "}")
                .arg(jsString(background.name())));
    }

private:
    static bool evaluate(const QString& script)
    {
        return runTool(QStringLiteral("dbus-send"),
                       {QStringLiteral("--session"), QStringLiteral("--dest=org.kde.plasmashell"),
                        QStringLiteral("--type=method_call"), QStringLiteral("--print-reply"),
                        QStringLiteral("/PlasmaShell"),
                        QStringLiteral("org.kde.PlasmaShell.evaluateScript"),
                        QStringLiteral("string:") + script});
    }
};

// Bare X (or a window manager that leaves the root alone).
class RootWindowBackend : public WallpaperBackend {
public:
    QString name() const override { return QStringLiteral("X root window"); }
    bool appliesTo(const DesktopEnvironment& env) const override { return env.x11; }
    bool set(const WallpaperRequest& request) override
    {
        const QImage picture(request.file);
        if (picture.isNull())
            return false;
        QString error;
        const bool ok = setRootWindowPicture(
            [&](QSize root, const QList<QRect>& monitors) {
                return composeWallpaper(picture, root, monitors, request.style,
                                        request.background);
            },
            &error);
        if (!ok)
            std::fprintf(stderr, "Kelvra Saver: wallpaper: %s\n", qPrintable(error));
        return ok;
    }
    bool clear(const QColor& background) override
    {
        return clearRootWindowPicture(background);
    }
};

std::vector<std::unique_ptr<WallpaperBackend>> makeBackends()
{
    std::vector<std::unique_ptr<WallpaperBackend>> table;
    table.push_back(std::make_unique<GSettingsBackend>(GSettingsBackend::Flavour{
        "GNOME",
        {QStringLiteral("GNOME"), QStringLiteral("UNITY"), QStringLiteral("BUDGIE"),
         QStringLiteral("GNOME-CLASSIC"), QStringLiteral("GNOME-FLASHBACK")},
        "org.gnome.desktop.background", "picture-uri", true, "picture-uri-dark"}));
    table.push_back(std::make_unique<GSettingsBackend>(GSettingsBackend::Flavour{
        "Cinnamon",
        {QStringLiteral("X-CINNAMON"), QStringLiteral("CINNAMON")},
        "org.cinnamon.desktop.background", "picture-uri", true, nullptr}));
    table.push_back(std::make_unique<GSettingsBackend>(GSettingsBackend::Flavour{
        "MATE", {QStringLiteral("MATE")}, "org.mate.background", "picture-filename", false,
        nullptr}));
    table.push_back(std::make_unique<XfceBackend>());
    table.push_back(std::make_unique<PlasmaBackend>());
    table.push_back(std::make_unique<RootWindowBackend>());
    return table;
}

} // namespace

DesktopEnvironment DesktopEnvironment::fromProcess()
{
    DesktopEnvironment env;
    for (const QString& d : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':'))
        if (!d.trimmed().isEmpty())
            env.desktops << d.trimmed().toUpper();
    const QString session = qEnvironmentVariable("DESKTOP_SESSION").trimmed().toUpper();
    if (!session.isEmpty())
        env.desktops << session;
    env.kdeSession =
        qEnvironmentVariable("KDE_FULL_SESSION").compare("true", Qt::CaseInsensitive) == 0;
    env.x11 = !qEnvironmentVariable("DISPLAY").isEmpty();
    return env;
}

bool DesktopEnvironment::is(const char* name) const
{
    return desktops.contains(QString::fromLatin1(name).toUpper());
}

const std::vector<std::unique_ptr<WallpaperBackend>>& wallpaperBackends()
{
    static const std::vector<std::unique_ptr<WallpaperBackend>> table = makeBackends();
    return table;
}

WallpaperBackend* chooseWallpaperBackend(const DesktopEnvironment& env)
{
    for (const auto& backend : wallpaperBackends())
        if (backend->appliesTo(env))
            return backend.get();
    return nullptr;
}

bool applyWallpaper(const WallpaperRequest& request)
{
    WallpaperBackend* backend = chooseWallpaperBackend(DesktopEnvironment::fromProcess());
    return backend && backend->set(request);
}

bool removeWallpaper(const QColor& background)
{
    WallpaperBackend* backend = chooseWallpaperBackend(DesktopEnvironment::fromProcess());
    return backend && backend->clear(background);
}

QImage composeWallpaper(const QImage& picture, QSize rootSize, const QList<QRect>& monitors,
                        WallpaperStyle style, const QColor& background)
{
    QImage out(rootSize, QImage::Format_RGB32);
    out.fill(background);
    if (picture.isNull() || rootSize.isEmpty())
        return out;
    QPainter painter(&out);
    if (style == WallpaperStyle::Tiled) {
        painter.fillRect(out.rect(), QBrush(picture.convertToFormat(QImage::Format_RGB32)));
        return out;
    }
    QList<QRect> areas;
    for (const QRect& m : monitors)
        if (!(m & out.rect()).isEmpty())
            areas << (m & out.rect());
    if (areas.isEmpty())
        areas << out.rect();
    for (const QRect& area : areas) {
        painter.setClipRect(area);
        painter.drawImage(area.x() + (area.width() - picture.width()) / 2,
                          area.y() + (area.height() - picture.height()) / 2, picture);
    }
    return out;
}

QString wallpaperFilePath() { return store::windowsDir(true) + QStringLiteral("zempaper.bmp"); }

bool setWallpaperCommand(const std::function<bool(const QString& file)>& save,
                         WallpaperStyle style, const QColor& background)
{
    const QString file = wallpaperFilePath();
    const bool ok = save(file) && applyWallpaper({file, style, background});
    const store::MsgOptions info{store::MsgButtons::Ok, store::MsgIcon::Information};
    if (ok)
        store::messageBox(QStringLiteral("Windows wallpaper successfully set."), info);
    else
        store::messageBox(QStringLiteral("An error occurred while attempting to set your Windows "
                                         "wallpaper. \r\n\r\nEnsure a valid image file is "
                                         "selected and retry the operation."),
                          info);
    return ok;
}

bool clearWallpaperCommand(const QColor& background)
{
    removeWallpaper(background);
    const QString file = wallpaperFilePath();
    QFile wallpaper(file);
    const store::MsgOptions info{store::MsgButtons::Ok, store::MsgIcon::Information};
    if (store::FileExists(file) && !wallpaper.remove()) {
        store::messageBox(QStringLiteral("An error occurred while attempting to clear the current "
                                         "Windows wallpaper.\r\n\r\nExtended Error Information:  ") +
                              wallpaper.errorString(),
                          info);
        return false;
    }
    store::messageBox(QStringLiteral("The Windows wallpaper has been successfully cleared."), info);
    return true;
}

} // namespace desktop
