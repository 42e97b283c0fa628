#include <gtest/gtest.h>

#include "qtprint.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include "common/testutil.h"
#include "messagelog.h"
#include "store/settings.h"

using namespace store;
using storetest::MessageLog;

namespace {

const QString kReadMsg = QStringLiteral(
    "exclamation|Kelvra Saver|An error occurred attempting to read \\na setting from the "
    "Windows Registry.");
const QString kReadValueMsg = QStringLiteral(
    "exclamation|Kelvra Saver|An error occurred attempting to read a setting from the "
    "Windows Registry.");
const QString kSaveMsg = QStringLiteral(
    "exclamation|Kelvra Saver|An error occurred attempting to save a setting to the "
    "Windows Registry.");
const QString kDeleteValueMsg = QStringLiteral(
    "exclamation|Kelvra Saver|An error occurred attempting to delete a setting from the "
    "Windows Registry.");
const QString kDeleteKeyMsg = QStringLiteral(
    "exclamation|Kelvra Saver|An error occurred attempting to delete a key from the "
    "Windows Registry.");

QString userFile()
{
    return settingsDir() + "/HKEY_CURRENT_USER.ini";
}

QString runPeer(const QStringList& args)
{
    QProcess peer;
    peer.start(STORE_PEER, args);
    if (!peer.waitForFinished(20000) || peer.exitCode() != 0)
        return QStringLiteral("<peer failed>");
    return QString::fromUtf8(QByteArray::fromHex(peer.readAllStandardOutput().trimmed()));
}

} // namespace

TEST(Settings, MissingKeyGivesDefaultsAndTheReadMessageOnlyWhenNotQuiet)
{
    testutil::IsolatedEnv env;
    MessageLog log(env.root());
    EXPECT_EQ(getSetting("Paint Effect", "12", true), "12");
    EXPECT_EQ(readValue(RootKey::CurrentUser, "Control Panel\\Desktop", "SCRNSAVE.EXE", "d",
                        true),
              "d");
    EXPECT_TRUE(log.lines().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(settingsDir())) << "reads must not create the store";

    EXPECT_EQ(getSetting("Paint Effect", "12", false), "12");
    EXPECT_EQ(readValue(RootKey::ClassesRoot, ".kvl", "", "d", false), "d");
    EXPECT_EQ(log.lines(), QStringList({kReadMsg, kReadValueMsg}));
}

TEST(Settings, FirstSaveCreatesTheWholePathAsReadableText)
{
    testutil::IsolatedEnv env;
    EXPECT_EQ(settingsDir(), env.configDir() + "/kelvra-saver");
    ASSERT_TRUE(saveSetting("Screen Saver Timeout", "10", false));
    EXPECT_EQ(testutil::readFile(userFile()),
              "[Software\\ZEM Vazidorezod\\Kelvra Saver]\nScreen Saver Timeout=10\n");
    EXPECT_EQ(getSetting("screen saver TIMEOUT", "5", false), "10");
    EXPECT_EQ(readValue(RootKey::CurrentUser, "software\\zem vazidorezod\\kelvra saver\\",
                        "Screen Saver Timeout", "5", false),
              "10");
}

TEST(Settings, EmptyValueIsEmptyForGetSettingButTheDefaultForReadValue)
{
    testutil::IsolatedEnv env;
    MessageLog log(env.root());
    ASSERT_TRUE(saveSetting("Display Text", "", false));
    EXPECT_EQ(getSetting("Display Text", "default", false), "");
    EXPECT_EQ(readValue(RootKey::CurrentUser, programKeyPath(), "Display Text", "default", false),
              "default");
    EXPECT_TRUE(log.lines().isEmpty());
}

class SettingsRoundTrip : public ::testing::TestWithParam<QString> {};

TEST_P(SettingsRoundTrip, ValueReadsBackExactly)
{
    testutil::IsolatedEnv env;
    ASSERT_TRUE(saveSetting("Display Text", GetParam(), false));
    ASSERT_TRUE(saveSetting("After", "still here", false));
    EXPECT_EQ(getSetting("Display Text", "?", false), GetParam());
    EXPECT_EQ(getSetting("After", "?", false), "still here");
}

INSTANTIATE_TEST_SUITE_P(
    Values, SettingsRoundTrip,
    ::testing::Values(QStringLiteral("Line one\r\nLine two\r\n\r\nLast"),
                      QStringLiteral("\nAfter=injected\n[Other]"),
                      QStringLiteral("  padded  "), QStringLiteral(" "),
                      QStringLiteral("C:\\new\\x41\\"), QStringLiteral("tab\there"),
                      QStringLiteral("bell\a and del\x7f"), QStringLiteral("a=b=c"),
                      QStringLiteral("[not a section]"), QStringLiteral("; not a comment"),
                      QStringLiteral("Grüße, ☃"), QStringLiteral("\\x4")));

TEST(Settings, RootsAndKeysAreSeparate)
{
    testutil::IsolatedEnv env;
    ASSERT_TRUE(saveValue(RootKey::CurrentUser, "Control Panel\\Desktop", "WallpaperStyle", "2",
                          false));
    ASSERT_TRUE(saveValue(RootKey::ClassesRoot, ".kvl", "", "Kelvra Saver", false));
    ASSERT_TRUE(saveSetting("WallpaperStyle", "0", false));
    EXPECT_EQ(readValue(RootKey::CurrentUser, "Control Panel\\Desktop", "WallpaperStyle", "?",
                        true),
              "2");
    EXPECT_EQ(getSetting("WallpaperStyle", "?", true), "0");
    EXPECT_EQ(readValue(RootKey::ClassesRoot, ".kvl", "", "?", true), "Kelvra Saver");
    EXPECT_EQ(readValue(RootKey::CurrentUser, ".kvl", "", "?", true), "?");
    EXPECT_TRUE(QFileInfo(settingsDir() + "/HKEY_CLASSES_ROOT.ini").isFile());
}

TEST(Settings, SavingReplacesInPlaceAndKeepsOtherLines)
{
    testutil::IsolatedEnv env;
    testutil::writeFile(userFile(), "; kept comment\n[Software\\ZEM Vazidorezod\\Kelvra Saver]\n"
                                    "A=1\nB=2\n\n[Other]\nA=9\n");
    ASSERT_TRUE(saveSetting("a", "3", false));
    ASSERT_TRUE(saveSetting("C", "4", false));
    EXPECT_EQ(testutil::readFile(userFile()),
              "; kept comment\n[Software\\ZEM Vazidorezod\\Kelvra Saver]\n"
              "a=3\nB=2\nC=4\n\n[Other]\nA=9\n");
}

TEST(Settings, DeleteValue)
{
    testutil::IsolatedEnv env;
    MessageLog log(env.root());
    ASSERT_TRUE(saveSetting("Gone", "1", false));
    ASSERT_TRUE(saveSetting("Kept", "2", false));
    EXPECT_TRUE(deleteValue(RootKey::CurrentUser, programKeyPath(), "GONE", false));
    EXPECT_EQ(getSetting("Gone", "d", true), "d");
    EXPECT_EQ(getSetting("Kept", "d", true), "2");
    EXPECT_TRUE(log.lines().isEmpty());

    EXPECT_FALSE(deleteValue(RootKey::CurrentUser, programKeyPath(), "Gone", true));
    EXPECT_FALSE(deleteValue(RootKey::CurrentUser, "No\\Such\\Key", "Kept", false));
    EXPECT_EQ(log.lines(), QStringList({kDeleteValueMsg}));
}

TEST(Settings, DeleteKeyRemovesTheKeyAndEverySubkeyButNothingElse)
{
    testutil::IsolatedEnv env;
    MessageLog log(env.root());
    const RootKey root = RootKey::ClassesRoot;
    ASSERT_TRUE(saveValue(root, "Kelvra Saver\\shell\\open\\command", "", "open %1", false));
    ASSERT_TRUE(saveValue(root, "Kelvra Saver\\DefaultIcon", "", "icon,0", false));
    ASSERT_TRUE(saveValue(root, "Kelvra Saver", "", "Kelvra Saver Project", false));
    ASSERT_TRUE(saveValue(root, "Kelvra Saver Extra", "", "sibling", false));
    ASSERT_TRUE(saveValue(root, ".kvl", "", "Kelvra Saver", false));

    // "Kelvra Saver\shell" has no values of its own but exists as a parent.
    EXPECT_TRUE(deleteKey(root, "kelvra saver\\SHELL", false));
    EXPECT_EQ(readValue(root, "Kelvra Saver\\shell\\open\\command", "", "-", true), "-");
    EXPECT_EQ(readValue(root, "Kelvra Saver\\DefaultIcon", "", "-", true), "icon,0");

    EXPECT_TRUE(deleteKey(root, "Kelvra Saver", false));
    EXPECT_EQ(readValue(root, "Kelvra Saver", "", "-", true), "-");
    EXPECT_EQ(readValue(root, "Kelvra Saver\\DefaultIcon", "", "-", true), "-");
    EXPECT_EQ(readValue(root, "Kelvra Saver Extra", "", "-", true), "sibling");
    EXPECT_EQ(readValue(root, ".kvl", "", "-", true), "Kelvra Saver");
    EXPECT_TRUE(log.lines().isEmpty());

    EXPECT_FALSE(deleteKey(root, "Kelvra Saver", true));
    EXPECT_FALSE(deleteKey(root, "", false));
    EXPECT_EQ(log.lines(), QStringList({kDeleteKeyMsg}));
}

TEST(Settings, LeftoversOfAKilledWriterNeitherBlockNorLinger)
{
    testutil::IsolatedEnv env;
    testutil::writeFile(userFile() + ".lock", "4242\nkilled writer\n");
    testutil::writeFile(userFile() + ".AbqxZh", "half of a save");
    testutil::writeFile(userFile() + ".backup1", "not ours");
    // A lock nobody holds would otherwise make the save give up after its wait.
    ASSERT_TRUE(saveSetting("After", "1", true));
    EXPECT_FALSE(QFileInfo::exists(userFile() + ".lock"));
    EXPECT_FALSE(QFileInfo::exists(userFile() + ".AbqxZh"));
    EXPECT_TRUE(QFileInfo::exists(userFile() + ".backup1"));
    EXPECT_EQ(getSetting("After", "?", true), "1");
}

TEST(Settings, NamesThatCannotBeStoredFailTheSave)
{
    testutil::IsolatedEnv env;
    MessageLog log(env.root());
    EXPECT_FALSE(saveValue(RootKey::CurrentUser, "Bad]Key", "x", "1", true));
    EXPECT_TRUE(log.lines().isEmpty());
    EXPECT_FALSE(saveSetting("a=b", "1", false));
    EXPECT_EQ(log.lines(), QStringList({kSaveMsg}));
}

TEST(Settings, UnwritableStoreGivesTheSaveMessageAndKeepsOldValues)
{
    testutil::IsolatedEnv env;
    MessageLog log(env.root());
    ASSERT_TRUE(saveSetting("Old", "old value", false));
    const QByteArray before = testutil::readFile(userFile());

    // Root ignores permissions: block the lock beside the file instead.
    ASSERT_TRUE(QDir().mkpath(userFile() + ".lock"));
    EXPECT_FALSE(saveSetting("Old", "new value", true));
    EXPECT_FALSE(saveSetting("New", "x", true));
    EXPECT_TRUE(log.lines().isEmpty());
    EXPECT_FALSE(saveSetting("New", "x", false));
    EXPECT_FALSE(deleteValue(RootKey::CurrentUser, programKeyPath(), "Old", false));
    EXPECT_FALSE(deleteKey(RootKey::CurrentUser, programKeyPath(), false));
    EXPECT_EQ(log.lines(), QStringList({kSaveMsg, kDeleteValueMsg, kDeleteKeyMsg}));
    EXPECT_EQ(testutil::readFile(userFile()), before);
    EXPECT_EQ(getSetting("Old", "?", false), "old value");
}

TEST(Settings, WriteFailingPartWayKeepsTheOldFile)
{
    testutil::IsolatedEnv env;
    MessageLog log(env.root());
    ASSERT_TRUE(saveSetting("Old", QString(600, 'o'), false));
    const QByteArray before = testutil::readFile(userFile());

    QProcess peer;
    peer.start(STORE_PEER, {"save-limited", "New", QByteArray(200, 'n').toHex(),
                            QString::number(before.size() + 10)});
    ASSERT_TRUE(peer.waitForFinished(20000));
    EXPECT_EQ(peer.exitCode(), 1);
    EXPECT_EQ(log.lines(), QStringList({kSaveMsg}));
    EXPECT_EQ(testutil::readFile(userFile()), before);
    EXPECT_EQ(getSetting("New", "?", true), "?");
}

TEST(Settings, StoreFolderThatIsAFileGivesTheSaveMessage)
{
    testutil::IsolatedEnv env;
    MessageLog log(env.root());
    testutil::writeFile(settingsDir(), "not a folder");
    EXPECT_FALSE(saveSetting("X", "1", false));
    EXPECT_EQ(getSetting("X", "d", true), "d");
    EXPECT_EQ(log.lines(), QStringList({kSaveMsg}));
    EXPECT_EQ(testutil::readFile(settingsDir()), "not a folder");
}

TEST(Settings, StoreFileThatIsAFolderFailsSafely)
{
    testutil::IsolatedEnv env;
    MessageLog log(env.root());
    ASSERT_TRUE(QDir().mkpath(userFile()));
    EXPECT_FALSE(saveSetting("X", "1", false));
    EXPECT_EQ(getSetting("X", "d", false), "d");
    EXPECT_EQ(log.lines(), QStringList({kSaveMsg, kReadMsg}));
    EXPECT_TRUE(QFileInfo(userFile()).isDir());
}

TEST(Settings, AnotherProcessSeesSavedValuesAtItsNextRead)
{
    testutil::IsolatedEnv env;
    const QString text = QStringLiteral("Hello\r\nWorld ");
    ASSERT_TRUE(saveSetting("Display Text", text, true));
    EXPECT_EQ(runPeer({"get", "Display Text"}), text);

    const QString other = QStringLiteral("changed by the editor");
    ASSERT_EQ(runPeer({"set", "Display Text", other.toUtf8().toHex()}), "");
    EXPECT_EQ(getSetting("Display Text", "?", true), other);
}
