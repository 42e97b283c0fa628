// The bundle's names, files and member order, against golden files for a
// sample project.

#include <ostream>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "archive/bundle.h"
#include "archive/resultcode.h"
#include "archive/ziparchive.h"
#include "archivetestutil.h"
#include "common/testutil.h"

using namespace archive;
using testutil::readFile;
using testutil::writeFile;

namespace {

struct NameCase {
    const char* label;
    const char* file;
    const char* title;
    const char* shortName;
};

// Names the case in ctest by its label, not by its bytes.
void PrintTo(const NameCase& c, std::ostream* os)
{
    *os << c.label;
}

class BundleNameRules : public ::testing::TestWithParam<NameCase> {};

TEST_P(BundleNameRules, TitleAndShortName)
{
    const BundleNames n = bundleNames(QString::fromUtf8(GetParam().file));
    EXPECT_EQ(n.title, QString::fromUtf8(GetParam().title));
    EXPECT_EQ(n.shortName, QString::fromUtf8(GetParam().shortName));
}

INSTANTIATE_TEST_SUITE_P(
    Archive, BundleNameRules,
    ::testing::Values(NameCase{"MySaver", "My Saver.scr", "My Saver", "MySav"},
                      NameCase{"Sky", "Sky.scr", "Sky", "Sky"},
                      NameCase{"OceanOne", "Ocean One.scr", "Ocean One", "Ocean"},
                      NameCase{"OceanTwo", "Ocean Two.scr", "Ocean Two", "Ocean"},
                      NameCase{"OnlyBlanks", "   .scr", "   ", ""},
                      NameCase{"Empty", ".scr", "", ""},
                      NameCase{"CaseKept", "aB cDeF.scr", "aB cDeF", "aBcDe"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(BundleNames, DataFilesOfMySaver)
{
    const BundleNames n = bundleNames(QStringLiteral("My Saver.scr"));
    EXPECT_EQ(n.settingsFile(), QStringLiteral("MySav.ini"));
    EXPECT_EQ(n.listFile(), QStringLiteral("iMySav.ini"));
    EXPECT_EQ(n.soundListFile(), QStringLiteral("sMySav.ini"));
    EXPECT_EQ(n.archiveFile(), QStringLiteral("MySav.dat"));
    EXPECT_EQ(n.launcherFile(), QStringLiteral("My Saver.exe"));
}

TEST(BundleNames, TheRuntimeDerivesTheSameNamesFromEitherProgram)
{
    for (const char* program : {"/opt/x/Sunset Beach.scr", "/opt/x/Sunset Beach.exe"}) {
        const BundleNames n = runtimeNames(QString::fromUtf8(program));
        EXPECT_EQ(n.title, QStringLiteral("Sunset Beach"));
        EXPECT_EQ(n.archiveFile(), QStringLiteral("Sunse.dat"));
        EXPECT_EQ(n.acceptedListFile(), QStringLiteral("zem-Sunset Beach.ini"));
    }
}

// A sample project: pictures (one PNG beside a JPEG of the same base name),
// a clip, a missing item, a sound list with a deleted file and an empty line.
class SampleBundle : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = m_dir.path();
        QImage red(32, 24, QImage::Format_RGB32);
        red.fill(Qt::red);
        QDir().mkpath(m_root + QStringLiteral("/pics"));
        ASSERT_TRUE(red.save(m_root + QStringLiteral("/pics/beach.png"), "PNG"));
        ASSERT_TRUE(red.save(m_root + QStringLiteral("/pics/beach.jpg"), "JPEG"));
        writeFile(m_root + QStringLiteral("/pics/surf clip.mpg"), QByteArray(4000, 'v'));
        writeFile(m_root + QStringLiteral("/sounds/wave.mp3"), QByteArray(3000, 's'));
        writeFile(m_root + QStringLiteral("/win/zem-sound.ini"),
                  (m_root + QStringLiteral("/sounds/wave.mp3\r\n\r\n") + m_root +
                   QStringLiteral("/sounds/deleted.mp3\r\n"))
                      .toUtf8());
        // The author's folder may not be ours to write.
        QFile::setPermissions(m_root + QStringLiteral("/pics"),
                              QFile::ReadOwner | QFile::ExeOwner);
        QDir().mkpath(m_root + QStringLiteral("/work"));
    }
    void TearDown() override
    {
        QFile::setPermissions(m_root + QStringLiteral("/pics"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    BundleInput input() const
    {
        BundleInput in;
        in.names = bundleNames(QStringLiteral("Sunset Beach.scr"));
        in.workFolder = m_root + QStringLiteral("/work/");
        in.media = {m_root + QStringLiteral("/pics/beach.png"),
                    m_root + QStringLiteral("/pics/beach.jpg"),
                    m_root + QStringLiteral("/pics/surf clip.mpg"),
                    m_root + QStringLiteral("/pics/gone.jpg")};
        in.soundList = m_root + QStringLiteral("/win/zem-sound.ini");
        BundleSettingsSource source;
        source.interval = QStringLiteral("7");
        const QHash<QString, QString> stored = {
            {QStringLiteral("Paint Effect"), QStringLiteral("1103")},
            {QStringLiteral("Display Text Font Size"), QStringLiteral("12.5")},
            {QStringLiteral("Display Text Bold"), QStringLiteral("True")}};
        source.setting = [stored](const QString& name, const QString& def) {
            return stored.value(name, def);
        };
        source.controlDefaults = {{QStringLiteral("EffectGrain"), QStringLiteral("1")},
                                  {QStringLiteral("WandColor"), QStringLiteral("16777215")},
                                  {QStringLiteral("Display Text Font Name"),
                                   QStringLiteral("DejaVu Sans")}};
        in.settings = bundleSettingValues(source, in.names.title);
        in.convert = [](const QString& from, const QString& to) {
            const QImage image(from);
            return !image.isNull() && image.save(to, "JPEG", 100);
        };
        return in;
    }

    // The file's text with the temporary folder written as "@DIR@".
    QByteArray portable(const QByteArray& bytes) const
    {
        QByteArray text = bytes;
        return text.replace(m_root.toUtf8(), "@DIR@");
    }
    static QByteArray golden(const char* name)
    {
        return readFile(QStringLiteral(KELVRA_SOURCE_DIR "/tests/archive/golden/") +
                        QString::fromLatin1(name));
    }

    QTemporaryDir m_dir;
    QString m_root;
};

TEST_F(SampleBundle, FilesMatchTheGoldenFilesByteForByte)
{
    const QStringList before = archivetest::filesBelow(m_root + QStringLiteral("/pics"));
    const BundleFiles files = writeBundleFiles(input());
    if (qEnvironmentVariableIsSet("KELVRA_UPDATE_GOLDEN")) {
        const QString dir = QStringLiteral(KELVRA_SOURCE_DIR "/tests/archive/golden/");
        writeFile(dir + QStringLiteral("Sunse.ini"), readFile(files.settingsFile));
        writeFile(dir + QStringLiteral("iSunse.ini"), portable(readFile(files.listFile)));
        writeFile(dir + QStringLiteral("members.txt"),
                  portable(files.members.join(u'\n').toUtf8() + '\n'));
    }

    EXPECT_EQ(readFile(files.settingsFile), golden("Sunse.ini"));
    EXPECT_EQ(portable(readFile(files.listFile)), golden("iSunse.ini"));
    EXPECT_EQ(readFile(files.soundListCopy), readFile(m_root + QStringLiteral("/win/zem-sound.ini")));
    EXPECT_EQ(portable(files.members.join(u'\n').toUtf8() + '\n'), golden("members.txt"));

    // The PNG became a JPEG in the work folder; the author's folder is as it was.
    EXPECT_EQ(archivetest::filesBelow(m_root + QStringLiteral("/pics")), before);
    ASSERT_EQ(files.conversions.size(), 1);
    EXPECT_FALSE(QImage(files.conversions.first()).isNull());
}

TEST_F(SampleBundle, PackedArchiveHoldsTheMembersInOrderAndUnpacks)
{
    const BundleFiles files = writeBundleFiles(input());
    ZipArchive zip;
    // The missing item is left out with the pack's note.
    EXPECT_EQ(packBundle(files, zip), kSkippedMissingFiles);
    const auto list = archivetest::run(
        QStringLiteral("7z"),
        {QStringLiteral("l"), QStringLiteral("-slt"), QStringLiteral("-p") + QString::fromLatin1(kBundlePassword),
         files.archive});
    QStringList names;
    for (const QString& line : list.output.split(u'\n')) {
        if (line.startsWith(QLatin1String("Path = ")) && !line.endsWith(QLatin1String(".dat")))
            names << line.mid(7).trimmed();
    }
    EXPECT_EQ(names, (QStringList{QStringLiteral("beach (2).jpg"), QStringLiteral("beach.jpg"),
                                  QStringLiteral("surf clip.mpg"), QStringLiteral("iSunse.ini"),
                                  QStringLiteral("Sunse.ini"), QStringLiteral("sSunse.ini"),
                                  QStringLiteral("wave.mp3")}));
}

TEST_F(SampleBundle, WithoutASoundListOnlyMediaListAndSettingsArePacked)
{
    BundleInput in = input();
    in.soundList = m_root + QStringLiteral("/win/none.ini");
    in.media = {m_root + QStringLiteral("/pics/beach.jpg")};
    const BundleFiles files = writeBundleFiles(in);
    EXPECT_TRUE(files.soundListCopy.isEmpty());
    EXPECT_EQ(files.members,
              (QStringList{m_root + QStringLiteral("/pics/beach.jpg"), files.listFile,
                           files.settingsFile}));
}

TEST(BundleEntryKinds, ClipsSoundsAndJpegsOfEveryAgeGoInAsTheyAre)
{
    for (const char* kept : {"/m/a.AVI", "/m/a.mov", "/m/a.mp4", "/m/a.mkv", "/m/a.webm",
                             "/m/a.ogv", "/m/a.m4v", "/m/a.wav", "/m/a.ogg", "/m/a.opus",
                             "/m/a.flac", "/m/a.m4a", "/m/a.aac", "/m/a.oga", "/m/a.mpa",
                             "/m/a.JPG", "/m/a.jpe"})
        EXPECT_TRUE(archive::keptAsIs(kept)) << kept;
    for (const char* converted : {"/m/a.png", "/m/a.bmp", "/m/a.tif", "/m/noext"})
        EXPECT_FALSE(archive::keptAsIs(converted)) << converted;
}

TEST(BundleSettings, NeverSetDisplayTextGivesAnEmptyValueInItsPlace)
{
    BundleSettingsSource source;
    source.interval = QStringLiteral("3");
    source.setting = [](const QString&, const QString& def) { return def; };
    const auto values = bundleSettingValues(source, QStringLiteral("Sky"));
    ASSERT_EQ(values.size(), 25);
    EXPECT_EQ(values[9], qMakePair(QStringLiteral("Display Text"), QString()));
    EXPECT_EQ(values[2], qMakePair(QStringLiteral("Random Paint Effect"), QStringLiteral("False")));
    EXPECT_EQ(values[8], qMakePair(QStringLiteral("Base Name"), QStringLiteral("Sky")));
}

} // namespace
