// The personalized saver as the recipient has it: the runtime copied as
// "Sunset Beach.scr" beside its archive "Sunse.dat", started in each mode on
// the test display.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QThread>

#include "archive/bundle.h"
#include "archive/resultcode.h"
#include "archive/ziparchive.h"
#include "e2e/e2eutil.h"

namespace {

const QColor kRed(220, 0, 0);
const QColor kGreen(0, 200, 0);
const QColor kBlue(0, 0, 220);

bool near(const QColor& a, const QColor& b)
{
    return std::abs(a.red() - b.red()) < 12 && std::abs(a.green() - b.green()) < 12 &&
           std::abs(a.blue() - b.blue()) < 12;
}

// Pixels of `color` inside `area` of the screen.
int countColour(const QRect& area, const QColor& color, const QString& shot = {})
{
    const QImage image = e2e::screenshot(shot);
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); y += 2)
        for (int x = area.left(); x <= area.right(); x += 2)
            if (image.valid(x, y) && near(image.pixelColor(x, y), color))
                ++n;
    return n;
}

bool waitForColour(const QPoint& at, const QColor& color, int ms, const QString& shot)
{
    return e2e::waitForPixel(at, color, ms, shot, 11);
}

class RuntimeE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (e2e::display().isEmpty())
            GTEST_SKIP() << "no display";
        session = std::make_unique<e2e::Session>();
        windows = session->folders().windowsDir();
        saverDir = windows; // the installer puts the saver in the Windows folder
        program = saverDir + QStringLiteral("/Sunset Beach.scr");
        ASSERT_TRUE(QFile::copy(e2e::binary(QStringLiteral("vls")), program));
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QDir().mkpath(windows + QStringLiteral("/tmpFiles"));
        testutil::writeFile(windows + QStringLiteral("/tmpFiles/VLS.scr"), "the runtime");
        messages = windows + QStringLiteral("/messages.log");
    }

    // The author's pictures in these colours, packed as the creator does.
    void makeBundle(const QList<QColor>& colours, bool bySevenZip = false)
    {
        const QString author = windows + QStringLiteral("/author/My Pictures");
        QDir().mkpath(author);
        QStringList list;
        QStringList files;
        for (int i = 0; i < colours.size(); ++i) {
            QImage image(400, 300, QImage::Format_RGB32);
            image.fill(colours[i]);
            const QString path = author + QStringLiteral("/beach %1.png").arg(i + 1);
            ASSERT_TRUE(image.save(path));
            // The recipient does not have the author's folder.
            list << QStringLiteral("/home/author/My Pictures/beach %1.png").arg(i + 1);
            files << path;
        }
        const QString text = list.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
        testutil::writeFile(author + QStringLiteral("/iSunse.ini"), text.toUtf8());
        testutil::writeFile(author + QStringLiteral("/Sunse.ini"),
                            "[Screen Saver Properties]\nInterval Between Images=1\n"
                            "Paint Effect=0\nRandom Paint Effect=False\n");
        files << author + QStringLiteral("/iSunse.ini") << author + QStringLiteral("/Sunse.ini");
        const QString archivePath = saverDir + QStringLiteral("/Sunse.dat");
        QFile::remove(archivePath);
        if (bySevenZip) {
            const e2e::Result r = e2e::run(
                QStringLiteral("7z"),
                QStringList{QStringLiteral("a"), QStringLiteral("-tzip"),
                            QStringLiteral("-mem=AES256"),
                            QStringLiteral("-p") + QString::fromLatin1(archive::kBundlePassword),
                            archivePath} +
                    files,
                session->env());
            ASSERT_EQ(r.exitCode, 0) << r.out.toStdString();
            return;
        }
        archive::ZipArchive zip;
        for (const QString& f : files)
            zip.addFileToProcess(f);
        zip.setArchiveName(archivePath);
        zip.setPassword(QString::fromLatin1(archive::kBundlePassword));
        ASSERT_EQ(zip.pack(), archive::kSuccess);
    }

    QProcessEnvironment env() const
    {
        QProcessEnvironment e = session->env();
        e.insert(QStringLiteral("KELVRA_MESSAGE_LOG"), messages);
        // Boxes are answered without being shown.
        e.insert(QStringLiteral("KELVRA_MESSAGE_ANSWERS"), windows + QStringLiteral("/answers"));
        return e;
    }
    std::unique_ptr<e2e::Program> start(const QStringList& args)
    {
        return std::make_unique<e2e::Program>(program, args, env());
    }
    QStringList sessionFolders() const
    {
        return QDir(windows + QStringLiteral("/tmpFiles"))
            .entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    }

    std::unique_ptr<e2e::Session> session;
    QString windows, saverDir, program, messages;
};

TEST_F(RuntimeE2E, SunsetBeachShowsItsPicturesFullScreenAndCleansUp)
{
    makeBundle({kRed, kGreen});
    auto show = start({QStringLiteral("/s")});
    ASSERT_TRUE(waitForColour({640, 512}, kRed, 8000, QStringLiteral("runtime-first")));
    ASSERT_TRUE(waitForColour({640, 512}, kGreen, 8000, QStringLiteral("runtime-second")));
    EXPECT_EQ(sessionFolders().size(), 1);
    e2e::xdotool({QStringLiteral("key"), QStringLiteral("a")});
    ASSERT_TRUE(show->waitForExit(5000));
    EXPECT_TRUE(sessionFolders().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(windows + QStringLiteral("/tmpFiles/VLS.scr")));
    EXPECT_FALSE(QFileInfo::exists(messages));
}

TEST_F(RuntimeE2E, ABundleMadeBySevenZipWithTheFixedPasswordRuns)
{
    makeBundle({kBlue}, true);
    auto show = start({QStringLiteral("/s")});
    ASSERT_TRUE(waitForColour({640, 512}, kBlue, 8000, QStringLiteral("runtime-7z")));
    e2e::xdotool({QStringLiteral("key"), QStringLiteral("a")});
    EXPECT_TRUE(show->waitForExit(5000));
}

TEST_F(RuntimeE2E, APreviewKeepsShowingAfterTheShowBesideItHasEnded)
{
    makeBundle({kRed});
    e2e::HostWindow host(QRect(40, 40, 320, 240));
    ASSERT_NE(host.id(), 0u);
    auto preview = start({QStringLiteral("/p"), QString::number(host.id())});
    ASSERT_TRUE(waitForColour({200, 160}, kRed, 8000, QStringLiteral("runtime-preview")));

    auto show = start({QStringLiteral("/s")});
    ASSERT_TRUE(waitForColour({640, 512}, kRed, 8000, QStringLiteral("runtime-show-over-preview")));
    EXPECT_EQ(sessionFolders().size(), 2);
    e2e::xdotool({QStringLiteral("key"), QStringLiteral("a")});
    ASSERT_TRUE(show->waitForExit(5000));

    // The show took only its own files with it.
    EXPECT_TRUE(preview->running());
    EXPECT_EQ(sessionFolders().size(), 1);
    const QString folder = windows + QStringLiteral("/tmpFiles/") + sessionFolders().value(0);
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/beach 1.png")).isFile());
    EXPECT_TRUE(waitForColour({200, 160}, kRed, 3000, QStringLiteral("runtime-preview-after")));
    preview->terminate();
    EXPECT_TRUE(preview->waitForExit(5000));
    EXPECT_TRUE(sessionFolders().isEmpty());
}

TEST_F(RuntimeE2E, ADamagedArchiveEndsEveryStartWithTheMessageAndNoWindow)
{
    makeBundle({kRed, kGreen});
    {
        QFile f(saverDir + QStringLiteral("/Sunse.dat"));
        f.resize(f.size() - 40); // the directory at the end is gone
    }
    e2e::HostWindow host(QRect(40, 40, 320, 240));
    const QList<QStringList> starts = {{QStringLiteral("/s")},
                                       {QStringLiteral("/p"), QString::number(host.id())},
                                       {},
                                       {QStringLiteral("/c")}};
    for (const QStringList& args : starts) {
        QFile::remove(messages);
        const e2e::Result r = e2e::run(program, args, env(), 15000);
        EXPECT_TRUE(r.finished);
        EXPECT_EQ(r.exitCode, 1) << args.join(u' ').toStdString();
        EXPECT_EQ(testutil::readFile(messages).trimmed(),
                  QByteArray("information|Kelvra Saver|An error occurred while attempting to read "
                             "the source data files.  You will need to reinstall the screen saver "
                             "in order for the product to function properly.  Error Code:  602."));
        EXPECT_TRUE(e2e::findWindows(QStringLiteral("Kelvra Saver")).isEmpty());
        EXPECT_TRUE(e2e::findWindows(QStringLiteral("Screen Saver Settings...")).isEmpty());
    }
    EXPECT_TRUE(sessionFolders().isEmpty());
}

TEST_F(RuntimeE2E, TheSettingsDialogReordersAndTheShowFollows)
{
    makeBundle({kRed, kGreen, kBlue});
    auto dialog = start({});
    const quint32 id = e2e::waitForWindow(QStringLiteral("Screen Saver Settings..."), 8000);
    ASSERT_NE(id, 0u);
    const QRect frame = e2e::windowGeometry(id);
    e2e::screenshot(QStringLiteral("runtime-settings"));

    // Find the rows by what the preview shows when each is clicked.
    const QRect left(frame.x() + 4, frame.y(), frame.width() / 3, frame.height());
    const QRect right(frame.x() + frame.width() / 2, frame.y(), frame.width() / 2, frame.height());
    QMap<QRgb, int> rowY;
    // Below the menu bar, down the list.
    for (int y = frame.y() + 22; y < frame.y() + 260 && rowY.size() < 3; y += 2) {
        e2e::xdotool({QStringLiteral("mousemove"), QString::number(left.x() + 40), QString::number(y),
                      QStringLiteral("click"), QStringLiteral("1")});
        QThread::msleep(150);
        for (const QColor& c : {kRed, kGreen, kBlue}) {
            if (!rowY.contains(c.rgb()) && countColour(right, c) > 500)
                rowY.insert(c.rgb(), y);
        }
    }
    ASSERT_EQ(rowY.size(), 3);
    // Each row's top is found within 2 pixels. Drag the blue row into the
    // upper half of the red one: it lands above it.
    const int from = rowY.value(kBlue.rgb()) + 4;
    const int to = rowY.value(kRed.rgb()) + 1;
    e2e::xdotool({QStringLiteral("mousemove"), QString::number(left.x() + 40), QString::number(from),
                  QStringLiteral("mousedown"), QStringLiteral("1")});
    for (int y = from; y >= to; y -= 3) {
        e2e::xdotool({QStringLiteral("mousemove"), QString::number(left.x() + 40), QString::number(y)});
        QThread::msleep(15);
    }
    QThread::msleep(200);
    e2e::xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
    QThread::msleep(300);
    e2e::screenshot(QStringLiteral("runtime-settings-reordered"));
    e2e::xdotool({QStringLiteral("key"), QStringLiteral("alt+a")});
    ASSERT_TRUE(dialog->waitForExit(5000));

    const QString accepted = saverDir + QStringLiteral("/zem-Sunset Beach.ini");
    const QStringList lines = QString::fromUtf8(testutil::readFile(accepted)).split(QStringLiteral("\r\n"));
    ASSERT_GE(lines.size(), 5) << accepted.toStdString();
    EXPECT_EQ(lines[1], QStringLiteral("3"));
    EXPECT_TRUE(lines[2].endsWith(QLatin1String("beach 3.png"))) << lines[2].toStdString();
    EXPECT_TRUE(lines[3].endsWith(QLatin1String("beach 1.png")));

    // The show walks the accepted order: blue first.
    auto show = start({QStringLiteral("/s")});
    EXPECT_TRUE(waitForColour({640, 512}, kBlue, 8000, QStringLiteral("runtime-accepted-order")));
    e2e::xdotool({QStringLiteral("key"), QStringLiteral("a")});
    EXPECT_TRUE(show->waitForExit(5000));
}

} // namespace
