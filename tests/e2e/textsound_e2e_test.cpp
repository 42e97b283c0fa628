// The display text and the background sound as a user sets them up: typed
// into the editor's dialogs under a real X server, then seen (and heard,
// through the null audio output) in the show.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include "common/testutil.h"
#include "e2e/e2eutil.h"
#include "editor/projectfiles.h"
#include "store/listfile.h"
#include "store/settings.h"

namespace {

const QString kEditorCaption = QStringLiteral("Kelvra Saver Settings");

// The fixture's screen is 1280x1024; a 640x360 picture is centred at
// (320, 332) to (960, 692).
const QRect kPicture(320, 332, 640, 360);
const QColor kPictureColor(30, 60, 160);

bool near(const QColor& a, const QColor& b, int tolerance = 40)
{
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// A PCM WAV of `seconds` of a quiet tone.
QByteArray wav(double seconds)
{
    const int rate = 22050;
    const int samples = int(rate * seconds);
    QByteArray data(samples * 2, '\0');
    for (int i = 0; i < samples; ++i) {
        const qint16 v = qint16((i / 25 % 2) ? 800 : -800);
        data[2 * i] = char(v & 0xff);
        data[2 * i + 1] = char((v >> 8) & 0xff);
    }
    auto le32 = [](quint32 v) {
        const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
        return QByteArray(b, 4);
    };
    auto le16 = [](quint16 v) {
        const char b[2] = {char(v), char(v >> 8)};
        return QByteArray(b, 2);
    };
    return QByteArray("RIFF") + le32(36 + data.size()) + "WAVEfmt " + le32(16) + le16(1) + le16(1) +
           le32(rate) + le32(rate * 2) + le16(2) + le16(16) + "data" + le32(data.size()) + data;
}

class TextSoundE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        E2E_REQUIRE_DISPLAY();
        m_session = std::make_unique<e2e::Session>();
        m_media = m_session->folders().root() + QStringLiteral("/my media");
        QDir().mkpath(m_media);
        e2e::xdotool({"mousemove", "1270", "1010"});
        store::saveSetting("Screen Saver Timeout", "30", true);
        store::saveSetting("Paint Effect", "0", true);
        store::saveSetting("Randomize Effects", "False", true);
        store::saveSetting("Zoom Setting", "0", true);
        store::saveSetting("Enable Previewing", "True", true);
    }

    QString picture()
    {
        const QString path = m_media + "/blue evening.png";
        QImage image(kPicture.size(), QImage::Format_RGB32);
        image.fill(kPictureColor);
        image.save(path);
        return path;
    }
    QString windowsDir() const { return m_session->folders().windowsDir(); }
    std::unique_ptr<e2e::Program> start(const QStringList& args,
                                        const QProcessEnvironment& env)
    {
        auto p = std::make_unique<e2e::Program>(e2e::binary("kelvra-saver"), args, env);
        EXPECT_TRUE(p->started());
        return p;
    }
    static void keys(quint32 window, const QStringList& sequence)
    {
        e2e::xdotool({"windowfocus", "--sync", QString::number(window)});
        for (const QString& k : sequence)
            e2e::xdotool({"key", "--clearmodifiers", k});
    }
    static void type(quint32 window, const QString& text)
    {
        e2e::xdotool({"windowfocus", "--sync", QString::number(window)});
        e2e::xdotool({"type", "--delay", "30", text});
    }

    std::unique_ptr<e2e::Session> m_session;
    QString m_media;
};

TEST_F(TextSoundE2E, TextTypedIntoTheDialogAppearsOverTheShowsPictureAtItsAlignment)
{
    testutil::writeFile(windowsDir() + "/zem.ini", editor::formatCurrentConfig(30, {picture()}));
    // Attributes chosen in an earlier session: white, bold, centred at the bottom.
    store::saveSetting("Display Text Align", "5", true);
    store::saveSetting("Display Text Bold", "True", true);
    store::saveSetting("Display Text Font Size", "28", true);
    store::saveSetting("Display Text Forecolor", "16777215", true);

    auto editor = start({}, m_session->env());
    const quint32 window = e2e::waitForWindow(kEditorCaption, 10000);
    ASSERT_NE(window, 0u) << editor->stdErr().toStdString();
    // Click the picture in the list, so that the dialog shows the text over it.
    const QRect g = e2e::windowGeometry(window);
    e2e::xdotool({"mousemove", QString::number(g.x() + 40), QString::number(g.y() + 36), "click",
                  "1"});
    e2e::xdotool({"mousemove", "1270", "1010"});
    keys(window, {"ctrl+y"});
    const quint32 dialog = e2e::waitForWindow("Display Text", 5000);
    ASSERT_NE(dialog, 0u) << editor->stdErr().toStdString();
    type(dialog, "Happy Birthday, Anna!");
    QThread::msleep(300);
    e2e::screenshot("text-dialog");
    keys(dialog, {"ctrl+Return"});
    // The settings are written once the dialog has gone.
    for (int i = 0; i < 100 && store::getSetting("Display Text", "", true).isEmpty(); ++i)
        QThread::msleep(100);
    EXPECT_EQ(store::getSetting("Display Text", "", true), "Happy Birthday, Anna!");
    keys(window, {"alt+a"}); // Accept: the list for the show, and close
    ASSERT_TRUE(editor->waitForExit(10000));

    auto show = start({"/s"}, m_session->env());
    QImage shot;
    QRect ink;
    QElapsedTimer timer;
    timer.start();
    // The text's pixels: white, anywhere on the screen.
    do {
        QThread::msleep(100);
        shot = e2e::screenshot();
        if (shot.isNull() || !near(shot.pixelColor(kPicture.center().x(), kPicture.top() + 20),
                                   kPictureColor))
            continue;
        ink = QRect();
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                if (near(shot.pixelColor(x, y), Qt::white, 60))
                    ink |= QRect(x, y, 1, 1);
    } while (ink.isEmpty() && timer.elapsed() < 15000);
    e2e::screenshot("text-in-show");
    ASSERT_FALSE(ink.isEmpty()) << "no text seen over the picture";
    // Every glyph row inside the picture, centred, in its lower part.
    EXPECT_TRUE(kPicture.contains(ink)) << ink.x() << "," << ink.y() << " " << ink.width() << "x"
                                         << ink.height();
    EXPECT_GT(ink.top(), kPicture.center().y());
    EXPECT_LT(std::abs(ink.center().x() - kPicture.center().x()), 12);
    EXPECT_GT(ink.width(), 200); // one line: the whole phrase side by side
    EXPECT_LT(ink.height(), 60);
    e2e::xdotool({"key", "Escape"});
    EXPECT_TRUE(show->waitForExit(5000));
}

TEST_F(TextSoundE2E, SoundListSavedInTheDialogPlaysBehindTheShowOneAfterTheOther)
{
    testutil::writeFile(windowsDir() + "/zem.ini", editor::formatCurrentConfig(30, {picture()}));
    const QString first = m_media + "/first tune.wav";
    const QString second = m_media + "/second tune.wav";
    testutil::writeFile(first, wav(1.5));
    testutil::writeFile(second, wav(1.0));
    store::saveSetting("Background Sound Add Dialog Path", m_media, true);

    auto editor = start({}, m_session->env());
    const quint32 window = e2e::waitForWindow(kEditorCaption, 10000);
    ASSERT_NE(window, 0u) << editor->stdErr().toStdString();
    keys(window, {"ctrl+b"});
    const quint32 list = e2e::waitForWindow("Background Sound Configuration", 5000);
    ASSERT_NE(list, 0u) << editor->stdErr().toStdString();
    keys(list, {"alt+a"});
    const quint32 files = e2e::waitForWindow("Select Background Sound File(s):", 5000);
    ASSERT_NE(files, 0u);
    type(files, "\"first tune.wav\" \"second tune.wav\"");
    keys(files, {"Return"});
    for (int i = 0; i < 50 && !e2e::findWindows("Select Background Sound File(s):").isEmpty(); ++i)
        QThread::msleep(100);
    QThread::msleep(300);
    e2e::screenshot("sound-dialog");
    keys(list, {"alt+o"});
    for (int i = 0; i < 50 && !e2e::findWindows("Background Sound Configuration").isEmpty(); ++i)
        QThread::msleep(100);
    // The setting is written once the dialog has gone.
    for (int i = 0; i < 100 && store::getSetting("Background Sound Enabled", "", true).isEmpty();
         ++i)
        QThread::msleep(100);
    const QString listFile = windowsDir() + "/zem-sound.ini";
    ASSERT_TRUE(QFile::exists(listFile));
    EXPECT_EQ(store::splitListLines(testutil::readFile(listFile)), (QStringList{first, second}));
    EXPECT_EQ(store::getSetting("Background Sound Enabled", "", true), "True");
    keys(window, {"alt+a"});
    ASSERT_TRUE(editor->waitForExit(10000));

    // The show, with the player's own log: each file it starts, with its time.
    QProcessEnvironment env = m_session->env();
    env.insert("KELVRA_AUDIO", "null");
    env.insert("KELVRA_MPV_LOG", "v");
    auto show = start({"/s"}, env);
    const QRegularExpression playing(
        QStringLiteral(R"(\[\s*([0-9.]+)\] \[cplayer\] Opening done: ([^\r\n]*))"));
    struct Start {
        double at;
        QString file;
    };
    std::vector<Start> starts;
    QElapsedTimer timer;
    timer.start();
    while (starts.size() < 3 && timer.elapsed() < 20000) {
        // The pipes are read while events are processed.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
        QThread::msleep(100);
        starts.clear();
        const QString log = show->stdOut() + show->stdErr();
        auto it = playing.globalMatch(log);
        while (it.hasNext()) {
            const auto m = it.next();
            starts.push_back({m.captured(1).toDouble(), m.captured(2).trimmed()});
        }
    }
    e2e::xdotool({"key", "Escape"});
    EXPECT_TRUE(show->waitForExit(5000));
    ASSERT_GE(starts.size(), 3u) << (show->stdOut() + show->stdErr()).left(3000).toStdString();
    EXPECT_EQ(starts[0].file, first);
    EXPECT_EQ(starts[1].file, second);
    EXPECT_EQ(starts[2].file, first); // the list starts over
    // The second starts only once the first has played through (its
    // position reached its 1.5 s length), the first again after the second.
    EXPECT_GE(starts[1].at - starts[0].at, 1.4);
    EXPECT_GE(starts[2].at - starts[1].at, 0.9);
}

} // namespace
