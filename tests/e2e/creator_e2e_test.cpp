// A personalized saver made the way a script makes one (--create-saver from
// the saved list), looked at with 7-Zip, installed unattended into another
// user's Windows folder, shown, and removed again.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include "e2e/e2eutil.h"
#include "pictures/imageio.h"

namespace {

const QString kPassword = QStringLiteral("KMX27481635TorvaldQuinceMapleHarbours");

QImage scene(const QColor& sky, const QColor& ground, QSize size = {320, 200})
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(sky);
    QPainter p(&image);
    p.fillRect(0, size.height() * 2 / 3, size.width(), size.height() / 3, ground);
    return image;
}

// The saved list ("zem.ini") of a JPEG, a PNG and a clip, as the editor
// writes it.
QStringList writeSavedList(const QString& windows, const QString& media)
{
    QDir().mkpath(media);
    const QString jpeg = media + QStringLiteral("/Beach Day.jpg");
    const QString png = media + QStringLiteral("/sunset.png");
    const QString clip = media + QStringLiteral("/waves.mpg");
    EXPECT_TRUE(pictures::saveImage(scene(QColor(255, 140, 0), QColor(30, 90, 200)), jpeg,
                                    pictures::SaveFormat::Jpeg));
    EXPECT_TRUE(scene(QColor(200, 30, 160), QColor(20, 160, 40)).save(png));
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-f"),
                  QStringLiteral("lavfi"), QStringLiteral("-i"),
                  QStringLiteral("testsrc=size=160x120:rate=10:duration=1"), QStringLiteral("-y"),
                  clip});
    EXPECT_TRUE(ffmpeg.waitForFinished(60000));
    const QStringList items{jpeg, png, clip};
    QByteArray text = " 5 \r\n 3 \r\n";
    for (const QString& item : items)
        text += item.toUtf8() + "\r\n";
    QFile list(windows + QStringLiteral("/zem.ini"));
    EXPECT_TRUE(list.open(QIODevice::WriteOnly));
    list.write(text);
    return items;
}

QStringList sevenZipMembers(const QString& archive)
{
    QProcess p;
    p.start(QStringLiteral("7z"), {QStringLiteral("l"), QStringLiteral("-slt"), archive});
    p.waitForFinished(60000);
    QStringList names;
    bool listing = false;
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split(u'\n')) {
        if (line.startsWith(QLatin1String("----------")))
            listing = true;
        else if (listing && line.startsWith(QLatin1String("Path = ")))
            names << line.mid(7).trimmed();
    }
    return names;
}

int sevenZip(const QStringList& args, QString* output = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("7z"), args);
    p.waitForFinished(120000);
    if (output)
        *output = QString::fromUtf8(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

class CreatorE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("7z")).isEmpty())
            GTEST_SKIP() << "7z is missing (scripts/install-deps.sh installs it)";
        env = session.env();
        // The installer and the uninstaller are found in the System folder.
        env.insert(QStringLiteral("KELVRA_SYSTEM_DIR"),
                   QFileInfo(e2e::binary(QStringLiteral("kelvra-saver"))).absolutePath());
        windows = session.folders().windowsDir();
        out = session.folders().root() + QStringLiteral("/out");
        QDir().mkpath(out);
        const e2e::Result install =
            e2e::run(e2e::binary(QStringLiteral("kelvra-saver")), {QStringLiteral("--install")},
                     env, 60000);
        ASSERT_EQ(install.exitCode, 0) << qPrintable(install.err);
    }

    e2e::Result create(const QString& title, const QStringList& extra = {})
    {
        return e2e::run(e2e::binary(QStringLiteral("kelvra-saver")),
                        QStringList{QStringLiteral("--create-saver"), title,
                                    QStringLiteral("--out"), out} +
                            extra,
                        env, 180000);
    }

    // Another user's home: a Windows folder and desktop folders of its own.
    QProcessEnvironment recipient(const QString& home)
    {
        QProcessEnvironment e = env;
        e.insert(QStringLiteral("HOME"), home);
        e.insert(QStringLiteral("KELVRA_WINDOWS_DIR"), home + QStringLiteral("/windows"));
        e.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
        e.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
        return e;
    }

    e2e::Session session;
    QProcessEnvironment env;
    QString windows;
    QString out;
};

} // namespace

TEST_F(CreatorE2E, PackageFromTheSavedListInstallsAndUninstalls)
{
    const QStringList items = writeSavedList(windows, session.folders().root() + "/media");
    const e2e::Result made = create(QStringLiteral("Sunset Beach"));
    ASSERT_EQ(made.exitCode, 0) << qPrintable(made.err);
    const QString package = out + QStringLiteral("/Sunset Beach.exe");
    EXPECT_EQ(made.out.trimmed(), package);
    ASSERT_TRUE(QFileInfo(package).isExecutable());
    // The author's folder got no converted picture beside the PNG.
    EXPECT_FALSE(QFileInfo::exists(session.folders().root() + "/media/sunset.jpg"));
    // Nothing of the run is left in the work folder but the runtime.
    EXPECT_EQ(QDir(windows + QStringLiteral("/tmpFiles")).entryList(QDir::Files | QDir::Dirs |
                                                                    QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("VLS.scr")});

    // 7-Zip lists the package's members in their order...
    const QStringList members = sevenZipMembers(package);
    ASSERT_GE(members.size(), 4) << qPrintable(members.join(u','));
    EXPECT_EQ(members.mid(0, 4),
              (QStringList{QStringLiteral("Sunset Beach.scr"), QStringLiteral("Sunse.dat"),
                           QStringLiteral("Sunset Beach.exe"), QStringLiteral("VLS-Uninst.exe")}));
    // ...and tests the media archive with the fixed password, which a wrong
    // one does not open.
    const QString unpacked = session.folders().root() + QStringLiteral("/unpacked");
    ASSERT_EQ(sevenZip({QStringLiteral("x"), QStringLiteral("-o") + unpacked, package}), 0);
    const QString dat = unpacked + QStringLiteral("/Sunse.dat");
    QString listing;
    EXPECT_EQ(sevenZip({QStringLiteral("t"), QStringLiteral("-p") + kPassword, dat}, &listing), 0)
        << qPrintable(listing);
    EXPECT_NE(sevenZip({QStringLiteral("t"), QStringLiteral("-pwrong"), dat}), 0);
    const QStringList datMembers = sevenZipMembers(dat);
    EXPECT_EQ(datMembers.mid(0, 5),
              (QStringList{QStringLiteral("Beach Day.jpg"), QStringLiteral("sunset.jpg"),
                           QStringLiteral("waves.mpg"), QStringLiteral("iSunse.ini"),
                           QStringLiteral("Sunse.ini")}));

    // Installed unattended into an empty Windows folder of another home.
    const QString home = session.folders().root() + QStringLiteral("/friend");
    const QProcessEnvironment friendEnv = recipient(home);
    const e2e::Result installed =
        e2e::run(package, {QStringLiteral("--unattended")}, friendEnv, 120000);
    ASSERT_EQ(installed.exitCode, 0) << qPrintable(installed.err);
    const QString dest = home + QStringLiteral("/windows");
    EXPECT_EQ(installed.out.trimmed(), dest + QStringLiteral("/Sunset Beach.scr"));
    for (const char* name : {"Sunset Beach.scr", "Sunset Beach.exe", "Sunse.dat",
                             "VLS-Uninst.exe"})
        EXPECT_TRUE(QFileInfo(dest + u'/' + QString::fromLatin1(name)).isFile()) << name;
    EXPECT_TRUE(QFileInfo(dest + QStringLiteral("/Sunset Beach.scr")).isExecutable());
    const QString menu = home + QStringLiteral("/.local/share/applications");
    EXPECT_EQ(QDir(menu).entryList({QStringLiteral("kelvra-screen-saver-s-*.desktop")}).size(), 2);

    // A second saver whose short name clashes is refused.
    const e2e::Result other = create(QStringLiteral("Sunset Bay"));
    ASSERT_EQ(other.exitCode, 0) << qPrintable(other.err);
    const e2e::Result clash = e2e::run(out + QStringLiteral("/Sunset Bay.exe"),
                                       {QStringLiteral("--unattended")}, friendEnv, 120000);
    EXPECT_EQ(clash.exitCode, 3);
    EXPECT_TRUE(clash.err.contains(QStringLiteral("Sunse.dat (Sunset Beach)"))) << qPrintable(clash.err);
    EXPECT_TRUE(QFileInfo(dest + QStringLiteral("/Sunset Beach.scr")).isFile());

    // The uninstaller takes away everything the installation wrote.
    const e2e::Result removed =
        e2e::run(dest + QStringLiteral("/VLS-Uninst.exe"),
                 {QStringLiteral("--unattended"), QStringLiteral("Sunset Beach")}, friendEnv, 60000);
    ASSERT_EQ(removed.exitCode, 0) << qPrintable(removed.err);
    EXPECT_TRUE(QDir(dest).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty())
        << qPrintable(QDir(dest).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).join(u','));
    EXPECT_TRUE(QDir(menu).entryList({QStringLiteral("kelvra-screen-saver-s-*")}).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(home + QStringLiteral(
                     "/.config/menus/applications-merged/kelvra-screen-saver-s.menu")));
}

TEST_F(CreatorE2E, AnExistingPackageIsKeptWithoutForce)
{
    writeSavedList(windows, session.folders().root() + "/media");
    const QString package = out + QStringLiteral("/Sky.exe");
    QFile old(package);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an older package");
    old.close();

    const e2e::Result kept = create(QStringLiteral("Sky"));
    EXPECT_EQ(kept.exitCode, 2);
    EXPECT_TRUE(kept.err.contains(QStringLiteral("already exists"))) << qPrintable(kept.err);
    QFile check(package);
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), QByteArray("an older package"));
    check.close();

    const e2e::Result replaced = create(QStringLiteral("Sky"), {QStringLiteral("--force")});
    EXPECT_EQ(replaced.exitCode, 0) << qPrintable(replaced.err);
    EXPECT_GT(QFileInfo(package).size(), 1000);
}
