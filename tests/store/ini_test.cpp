#include <gtest/gtest.h>

#include "qtprint.h"

#include <QDir>
#include <QFileInfo>

#include "common/testutil.h"
#include "store/ini.h"

using namespace store;

namespace {

struct IniFixture : ::testing::Test {
    testutil::IsolatedEnv env;
    QString path = env.root() + "/saver.ini";
    INI ini;
    IniFixture() { ini.setINIfile(path); }
};

} // namespace

using IniFile = IniFixture;

TEST_F(IniFile, WriteToAMissingFileCreatesItWithTheSectionAndKey)
{
    ini.WriteINI("Settings", "Paint Effect", "12");
    EXPECT_EQ(testutil::readFile(path), "[Settings]\nPaint Effect=12\n");
    EXPECT_EQ(ini.ReadINI("Settings", "Paint Effect", "x"), QVariant("12"));
}

TEST_F(IniFile, EmptyOrMissingGivesTheDefaultWithItsOwnType)
{
    testutil::writeFile(path, "[S]\nEmpty=\nBlank=   \nSet=7\n");
    const QVariant number = ini.ReadINI("S", "Empty", 42);
    EXPECT_EQ(number.typeId(), QMetaType::Int);
    EXPECT_EQ(number.toInt(), 42);
    EXPECT_EQ(ini.ReadINI("S", "Blank", 1.5).typeId(), QMetaType::Double);
    EXPECT_EQ(ini.ReadINI("S", "Missing", true), QVariant(true));
    EXPECT_EQ(ini.ReadINI("Nope", "Set", 3), QVariant(3));
    // A found value is text, whatever the default's type.
    EXPECT_EQ(ini.ReadINI("S", "Set", 3), QVariant(QStringLiteral("7")));

    INI unset;
    EXPECT_EQ(unset.ReadINI("S", "Set", 5), QVariant(5));
    unset.WriteINI("S", "Set", "8"); // no path: nothing happens
    INI missing;
    missing.setINIfile(env.root() + "/none.ini");
    EXPECT_EQ(missing.ReadINI("S", "Set", 5), QVariant(5));
}

TEST_F(IniFile, ReadsAreCutTo254Characters)
{
    const QString longValue = QString(300, 'a') + "tail";
    ini.WriteINI("S", "Long", longValue);
    EXPECT_TRUE(testutil::readFile(path).contains(longValue.toUtf8())) << "stored whole";
    EXPECT_EQ(ini.ReadINI("S", "Long", "").toString(), QString(254, 'a'));
    ini.WriteINI("S", "Exact", QString(254, 'b'));
    EXPECT_EQ(ini.ReadINI("S", "Exact", "").toString(), QString(254, 'b'));
}

TEST_F(IniFile, NamesCompareWithoutCaseAndWritesReplace)
{
    ini.WriteINI("Saver Settings", "Title", "One");
    ini.WriteINI("SAVER settings", "TITLE", "Two");
    ini.WriteINI(" saver settings ", "Other", "3");
    EXPECT_EQ(ini.ReadINI("saver SETTINGS", "title", "").toString(), "Two");
    EXPECT_EQ(testutil::readFile(path), "[Saver Settings]\nTITLE=Two\nOther=3\n");
}

TEST_F(IniFile, ValuesAreTrimmedAndBreaksCannotCorruptOtherKeys)
{
    ini.WriteINI("S", "A", "first\r\nB=injected\n[T]");
    ini.WriteINI("S", "B", "real");
    EXPECT_EQ(ini.ReadINI("S", "A", "").toString(), "first B=injected [T]");
    EXPECT_EQ(ini.ReadINI("S", "B", "").toString(), "real");
    EXPECT_EQ(ini.ReadINI("T", "B", "none").toString(), "none");

    // A name that could not be read back is not written at all.
    const QByteArray before = testutil::readFile(path);
    ini.WriteINI("S]", "k", "1");
    EXPECT_EQ(testutil::readFile(path), before);
}

TEST_F(IniFile, WritesLeaveOtherFilesOfTheFolderAlone)
{
    testutil::writeFile(path + ".backup", "the user's");
    ini.WriteINI("S", "K", "1");
    EXPECT_EQ(testutil::readFile(path + ".backup"), "the user's");
    EXPECT_FALSE(QFileInfo::exists(path + ".lock"));
}

TEST_F(IniFile, TargetThatIsAFolderIsNeverReadNorReplaced)
{
    ASSERT_TRUE(QDir().mkpath(path));
    ini.WriteINI("S", "K", "1");
    EXPECT_EQ(ini.ReadINI("S", "K", 0), QVariant(0));
    EXPECT_TRUE(QFileInfo(path).isDir());
}
