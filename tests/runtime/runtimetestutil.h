#pragma once
// A personalized saver on disk for the runtime's tests: pictures, a clip,
// the list, the settings, a sound list and a sound, packed into
// "<folder>/Sunse.dat" beside the program "<folder>/Sunset Beach.scr".

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QString>
#include <QStringList>

#include "archive/bundle.h"
#include "archive/resultcode.h"
#include "archive/ziparchive.h"
#include "common/testutil.h"

namespace runtimetest {

struct Saver {
    QString folder;       // where the program and its archive lie
    QString program;      // folder + "/Sunset Beach.scr"
    QString archive;      // folder + "/Sunse.dat"
    QStringList pictures; // the author's paths, in list order
};

// Pictures of the given colours (solid, 320x240), packed in list order.
inline Saver makeSaver(const QString& root, const QList<QColor>& colours, int bigBytes = 0)
{
    Saver s;
    s.folder = root + QStringLiteral("/installed");
    s.program = s.folder + QStringLiteral("/Sunset Beach.scr");
    s.archive = s.folder + QStringLiteral("/Sunse.dat");
    const QString author = root + QStringLiteral("/author pictures");
    QDir().mkpath(s.folder);
    QDir().mkpath(author);
    testutil::writeFile(s.program, "the runtime");
    for (int i = 0; i < colours.size(); ++i) {
        QImage image(320, 240, QImage::Format_RGB32);
        image.fill(colours[i]);
        const QString path = author + QStringLiteral("/photo %1.jpg").arg(i + 1);
        image.save(path, "JPEG", 95);
        s.pictures << path;
    }
    if (bigBytes > 0) {
        QByteArray clip(bigBytes, '\0');
        for (int i = 0; i < clip.size(); ++i)
            clip[i] = char((i * 7919) >> 3);
        testutil::writeFile(author + QStringLiteral("/clip.mpg"), clip);
        s.pictures << author + QStringLiteral("/clip.mpg");
    }
    const QString work = root + QStringLiteral("/creator work/");
    QDir().mkpath(work);
    testutil::writeFile(root + QStringLiteral("/win/zem-sound.ini"), QByteArray());
    archive::BundleInput in;
    in.names = archive::bundleNames(QStringLiteral("Sunset Beach.scr"));
    in.workFolder = work;
    in.media = s.pictures;
    in.soundList = root + QStringLiteral("/win/zem-sound.ini");
    archive::BundleSettingsSource source;
    source.interval = QStringLiteral("2");
    in.settings = archive::bundleSettingValues(source, in.names.title);
    const archive::BundleFiles files = archive::writeBundleFiles(in);
    archive::ZipArchive zip;
    archive::packBundle(files, zip);
    QFile::rename(files.archive, s.archive);
    return s;
}

// Flips one byte of the archive at `fraction` of its length.
inline void flipByte(const QString& path, double fraction)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite))
        return;
    const qint64 at = qint64(double(f.size()) * fraction);
    f.seek(at);
    char c = 0;
    f.getChar(&c);
    f.seek(at);
    f.putChar(char(c ^ 0x40));
}

} // namespace runtimetest
