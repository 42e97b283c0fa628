// The sample show of a first start: made where there is no "zem.ini", with
// real files the show can play, and never over what the person has.

#include <QDir>
#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

#include "common/testutil.h"
#include "editor/projectfiles.h"
#include "editor/sampleshow.h"
#include "media/midifile.h"
#include "pictures/imageio.h"
#include "store/settings.h"

namespace {

using editor::SampleShowResult;

class SampleShow : public ::testing::Test {
protected:
    QString windows() const { return env.windowsDir(); }
    QString file(const QString& name) const { return QDir(windows()).filePath(name); }
    QString setting(const char* name) const
    {
        return store::getSetting(QString::fromLatin1(name), QStringLiteral("<unset>"), true);
    }
    testutil::IsolatedEnv env;
};

TEST_F(SampleShow, ListsDrawnPicturesATuneAndACaption)
{
    const QString clip = QDir(env.root()).filePath("clip.mpg");
    testutil::writeFile(clip, "stands for a clip");
    const SampleShowResult r = editor::makeSampleShow(windows(), clip);
    ASSERT_EQ(r.status, SampleShowResult::Status::Made) << r.error.toStdString();

    // "zem.ini" lists what was made, in order, and every entry exists.
    const editor::CurrentConfig config =
        editor::parseCurrentConfig(testutil::readFile(file("zem.ini")));
    const QStringList listed = editor::currentConfigEntries(
        config, [](const QString& p) { return QFileInfo(p).isFile(); });
    EXPECT_EQ(listed, r.media);
    ASSERT_EQ(listed.size(), 6);
    EXPECT_EQ(QFileInfo(listed[2]).fileName(), "Sample Clip.mpg");

    // The pictures decode, differ from each other, and one is portrait.
    int portrait = 0;
    QList<QColor> means;
    for (const QString& path : listed) {
        if (path.endsWith(".mpg"))
            continue;
        const pictures::LoadResult loaded = pictures::loadImage(path);
        ASSERT_TRUE(loaded.ok()) << path.toStdString();
        if (loaded.sourceSize.height() > loaded.sourceSize.width())
            ++portrait;
        const QImage one =
            loaded.image.scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        means << one.pixelColor(0, 0);
    }
    EXPECT_EQ(portrait, 1);
    for (int i = 0; i < means.size(); ++i)
        for (int j = i + 1; j < means.size(); ++j) {
            const int d = std::abs(means[i].red() - means[j].red()) +
                          std::abs(means[i].green() - means[j].green()) +
                          std::abs(means[i].blue() - means[j].blue());
            EXPECT_GT(d, 30) << "pictures " << i << " and " << j << " look alike";
        }

    // The sound list names the tune, a MIDI file of some twenty seconds.
    EXPECT_EQ(testutil::readFile(file("zem-sound.ini")), r.tune.toUtf8() + "\r\n");
    const auto timing = media::MidiTiming::parse(testutil::readFile(r.tune));
    ASSERT_TRUE(timing);
    EXPECT_GT(timing->lengthMs(), 10000);
    EXPECT_LT(timing->lengthMs(), 60000);

    // A caption and random effects, for a show that shows what it can.
    EXPECT_EQ(setting("Display Text"), "Welcome to Kelvra Saver");
    EXPECT_EQ(setting("Randomize Effects"), "True");
    EXPECT_EQ(setting("Screen Saver Timeout"), "5");
}

TEST_F(SampleShow, NeverTouchesAnExistingList)
{
    const QByteArray own = editor::formatCurrentConfig(3, {"/home/ann/cat.jpg"});
    testutil::writeFile(file("zem.ini"), own);
    const SampleShowResult r = editor::makeSampleShow(windows(), {});
    EXPECT_EQ(r.status, SampleShowResult::Status::Kept);
    EXPECT_EQ(testutil::readFile(file("zem.ini")), own);
    EXPECT_FALSE(QFileInfo::exists(file(editor::kSampleFolderName)));
    EXPECT_FALSE(QFileInfo::exists(file("zem-sound.ini")));
    EXPECT_EQ(setting("Display Text"), "<unset>");

    // A second start after a first one keeps the sample list as it is.
    QFile::remove(file("zem.ini"));
    ASSERT_EQ(editor::makeSampleShow(windows(), {}).status, SampleShowResult::Status::Made);
    const QByteArray sample = testutil::readFile(file("zem.ini"));
    EXPECT_EQ(editor::makeSampleShow(windows(), {}).status, SampleShowResult::Status::Kept);
    EXPECT_EQ(testutil::readFile(file("zem.ini")), sample);
}

TEST_F(SampleShow, KeepsTheSettingsAndSoundsAPersonChose)
{
    // No list yet, but a cleared caption, fixed effects and own sounds.
    store::saveSetting("Display Text", "", true);
    store::saveSetting("Randomize Effects", "False", true);
    store::saveSetting("Screen Saver Timeout", "12", true);
    testutil::writeFile(file("zem-sound.ini"), "/home/ann/song.mp3\r\n");

    const SampleShowResult r = editor::makeSampleShow(windows(), {});
    ASSERT_EQ(r.status, SampleShowResult::Status::Made);
    EXPECT_EQ(r.media.size(), 5); // no clip given
    EXPECT_EQ(setting("Display Text"), "");
    EXPECT_EQ(setting("Display Text Font Size"), "<unset>");
    EXPECT_EQ(setting("Randomize Effects"), "False");
    EXPECT_EQ(setting("Screen Saver Timeout"), "12");
    EXPECT_EQ(testutil::readFile(file("zem-sound.ini")), "/home/ann/song.mp3\r\n");
}

TEST_F(SampleShow, FailsWithoutAListWhenTheFolderCannotBeWritten)
{
    // The Windows folder is a file: nothing can go in it.
    const QString blocked = QDir(env.root()).filePath("blocked");
    testutil::writeFile(blocked, "x");
    const SampleShowResult r = editor::makeSampleShow(blocked, {});
    EXPECT_EQ(r.status, SampleShowResult::Status::Failed);
    EXPECT_FALSE(r.error.isEmpty());
}

} // namespace
