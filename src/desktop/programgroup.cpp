#include "desktop/programgroup.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

namespace desktop {

namespace {

QString dataHome()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QString configHome()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

// "Kelvra Screen Saver(s)" -> "kelvra-screen-savers"
QString slug(const QString& text)
{
    QString s = text.toLower();
    s.replace(QRegularExpression(QStringLiteral("[^a-z0-9]+")), QStringLiteral("-"));
    while (s.startsWith(u'-'))
        s.remove(0, 1);
    while (s.endsWith(u'-'))
        s.chop(1);
    return s.isEmpty() ? QStringLiteral("group") : s;
}

QString category(const QString& group) { return QStringLiteral("X-") + slug(group); }

QString directoryFile(const QString& group)
{
    return dataHome() + QStringLiteral("/desktop-directories/") + slug(group) +
           QStringLiteral(".directory");
}

QString menuFile(const QString& group)
{
    return configHome() + QStringLiteral("/menus/applications-merged/") + slug(group) +
           QStringLiteral(".menu");
}

bool writeText(const QString& path, const QString& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(text.toUtf8());
    return file.commit();
}

// A value of a desktop entry key: line breaks cannot be written.
QString entryValue(QString text)
{
    text.replace(u'\n', u' ').replace(u'\r', u' ');
    return text;
}

QString xmlEscaped(const QString& text) { return text.toHtmlEscaped(); }

} // namespace

QString desktopExecLine(const QString& program, const QStringList& args)
{
    auto quote = [](QString arg) {
        // Inside double quotes the desktop entry format reserves ", `, $ and \;
        // then the whole key is an escaped string, so backslashes double.
        QString q;
        for (const QChar c : arg) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                q += u'\\';
            q += c;
        }
        q.replace(QStringLiteral("\\"), QStringLiteral("\\\\"));
        q.replace(QStringLiteral("%"), QStringLiteral("%%"));
        return u'"' + q + u'"';
    };
    QStringList parts{quote(program)};
    for (const QString& a : args)
        parts << quote(a);
    return parts.join(u' ');
}

QStringList addProgramGroupItems(const QString& group, const QString& icon,
                                 const QList<ProgramGroupItem>& items)
{
    QStringList written;
    const QString dir = directoryFile(group);
    if (writeText(dir, QStringLiteral("[Desktop Entry]\nType=Directory\nName=%1\nIcon=%2\n")
                           .arg(entryValue(group), entryValue(icon))))
        written << dir;
    const QString menu = menuFile(group);
    const QString menuText =
        QStringLiteral("<!DOCTYPE Menu PUBLIC \"-//freedesktop//DTD Menu 1.0//EN\"\n"
                       " \"http://www.freedesktop.org/standards/menu-spec/1.0/menu.dtd\">\n"
                       "<Menu>\n  <Name>Applications</Name>\n  <Menu>\n    <Name>%1</Name>\n"
                       "    <Directory>%2</Directory>\n    <Include>\n"
                       "      <Category>%3</Category>\n    </Include>\n  </Menu>\n</Menu>\n")
            .arg(xmlEscaped(group), QFileInfo(dir).fileName(), category(group));
    if (writeText(menu, menuText))
        written << menu;

    for (const ProgramGroupItem& item : items) {
        const QString path = dataHome() + QStringLiteral("/applications/") + slug(group) +
                             u'-' + slug(item.title) + QStringLiteral(".desktop");
        const QString text = QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\n"
                                            "Exec=%2\nIcon=%3\nCategories=%4;\n"
                                            "Terminal=false\n")
                                 .arg(entryValue(item.title),
                                      desktopExecLine(item.program, item.args), entryValue(icon),
                                      category(group));
        if (writeText(path, text))
            written << path;
    }
    return written;
}

void removeProgramGroupItems(const QString& group, const QStringList& files)
{
    const QString dir = directoryFile(group);
    const QString menu = menuFile(group);
    for (const QString& f : files) {
        if (f != dir && f != menu)
            QFile::remove(f);
    }
    // The group stays while another entry of it is left.
    const QString prefix = slug(group) + u'-';
    const QDir apps(dataHome() + QStringLiteral("/applications"));
    if (!apps.entryList({prefix + QStringLiteral("*.desktop")}, QDir::Files).isEmpty())
        return;
    QFile::remove(dir);
    QFile::remove(menu);
}

} // namespace desktop
