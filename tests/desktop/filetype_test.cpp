// The ".kvl" type: the store keys in their order, and the freedesktop files.
#include "desktop/filetype.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "common/testutil.h"
#include "store/settings.h"

namespace {

// Every call AssociateFileType makes, in order: "save|key|name|value",
// "deleteValue|key|name", "deleteKey|key", "read|key|name".
struct Recorder {
    QStringList calls;
    QMap<QString, QString> existing; // "key|name" -> value, for reads
    bool failSaves = false;
    desktop::RegistryWriter writer()
    {
        desktop::RegistryWriter w;
        w.read = [this](const QString& key, const QString& name) {
            calls << QStringLiteral("read|%1|%2").arg(key, name);
            return existing.value(key + u'|' + name);
        };
        w.save = [this](const QString& key, const QString& name, const QString& value) {
            calls << QStringLiteral("save|%1|%2|%3").arg(key, name, value);
            return !failSaves;
        };
        w.deleteValue = [this](const QString& key, const QString& name) {
            calls << QStringLiteral("deleteValue|%1|%2").arg(key, name);
            return true;
        };
        w.deleteKey = [this](const QString& key) {
            calls << QStringLiteral("deleteKey|%1").arg(key);
            return true;
        };
        return w;
    }
};

TEST(AssociateFileType, EditorCallWritesTheTableInOrder)
{
    Recorder r;
    ASSERT_TRUE(desktop::AssociateFileType(desktop::projectFileAssociation(), r.writer()));
    const QString program = QCoreApplication::applicationFilePath();
    ASSERT_FALSE(program.contains(u' ')); // the build folder; quoting is tested below
    const QStringList expected = {
        "save|Kelvra Saver||Kelvra Saver",
        "save|Kelvra Saver\\DefaultIcon||" + program.toLower() + ",0",
        "save|Kelvra Saver\\QuickView||*",
        "save|Kelvra Saver\\Shell\\Open\\Command||" + program + " \"%1\"",
        "save|Kelvra Saver\\Shell\\Open||Open with Kelvra Saver",
        "save|Kelvra Saver\\Shell\\Open\\ddeexec||\"%1\"",
        "save|Kelvra Saver\\Shell\\Open\\ddeexec\\Application||Kelvra Saver",
        "save|Kelvra Saver\\Shell\\Open\\ddeexec\\Topic||System",
        "save|.kvl||Kelvra Saver",
        "deleteValue|.kvl|Content Type",
    };
    EXPECT_EQ(r.calls, expected);
}

TEST(AssociateFileType, ExtensionRules)
{
    desktop::FileTypeAssociation a = desktop::projectFileAssociation();
    a.extension = QStringLiteral("kvl"); // no dot
    Recorder noDot;
    EXPECT_TRUE(desktop::AssociateFileType(a, noDot.writer()));
    EXPECT_EQ(noDot.calls.filter(QStringLiteral("|.kvl|")).size(), 2) << noDot.calls.join('\n').toStdString();

    for (const char* empty : {"", "   "}) {
        a.extension = QString::fromLatin1(empty);
        Recorder none;
        EXPECT_FALSE(desktop::AssociateFileType(a, none.writer()));
        EXPECT_TRUE(none.calls.isEmpty()) << none.calls.join('\n').toStdString();
    }
}

TEST(AssociateFileType, QuotingIconsVerbsAndFailures)
{
    desktop::FileTypeAssociation a;
    a.extension = QStringLiteral(".abc");
    a.fileType = QStringLiteral("Abc File");
    a.applicationPath = QStringLiteral("/opt/my app/abc");
    a.switches = QStringLiteral("-v");
    a.icon = QStringLiteral(" 1 ");
    a.contentType = QStringLiteral("text/x-abc");
    Recorder r;
    ASSERT_TRUE(desktop::AssociateFileType(a, r.writer()));
    EXPECT_TRUE(r.calls.contains("save|Abc File\\DefaultIcon||\"%1\""));
    // The switches are apart from the program (they would stick to it as
    // the original joined them).
    EXPECT_TRUE(r.calls.contains("save|Abc File\\Shell\\Open\\Command||\"/opt/my app/abc\" -v  \"%1\""))
        << r.calls.join(u'\n').toStdString();
    EXPECT_TRUE(r.calls.contains("deleteValue|Abc File\\Shell\\Open|"));
    EXPECT_TRUE(r.calls.contains("deleteKey|Abc File\\Shell\\Open\\ddeexec"));
    EXPECT_EQ(r.calls.last(), "save|.abc|Content Type|text/x-abc");

    // An icon file that does not exist has no short form: only ",<index>" stays.
    a.icon = QStringLiteral("/no/such/icon.ico");
    a.iconIndex = 3;
    Recorder missingIcon;
    desktop::AssociateFileType(a, missingIcon.writer());
    EXPECT_TRUE(missingIcon.calls.contains("save|Abc File\\DefaultIcon||,3"));

    // Adding a verb to a registered type: the type is read from the extension.
    a.addVerbOnly = true;
    a.verb = QStringLiteral("Print");
    Recorder verbOnly;
    verbOnly.existing.insert(QStringLiteral(".abc|"), QStringLiteral("Old Type"));
    ASSERT_TRUE(desktop::AssociateFileType(a, verbOnly.writer()));
    EXPECT_EQ(verbOnly.calls.first(), "read|.abc|");
    EXPECT_EQ(verbOnly.calls[1], "save|Old Type\\Shell\\Print\\Command||\"/opt/my app/abc\" -v  \"%1\"");
    EXPECT_TRUE(verbOnly.calls.filter(QStringLiteral("save|.abc|")).isEmpty());
    a.verb = QStringLiteral("OPEN");
    Recorder open;
    open.existing.insert(QStringLiteral(".abc|"), QStringLiteral("Old Type"));
    EXPECT_FALSE(desktop::AssociateFileType(a, open.writer()));

    // The type key cannot be written: nothing else is tried.
    a.addVerbOnly = false;
    Recorder failing;
    failing.failSaves = true;
    EXPECT_FALSE(desktop::AssociateFileType(a, failing.writer()));
    EXPECT_EQ(failing.calls.size(), 1);
}

TEST(AssociateFileType, ReachesTheStore)
{
    testutil::IsolatedEnv env;
    using store::RootKey;
    store::saveValue(RootKey::ClassesRoot, ".kvl", "Content Type", "text/old", true);
    ASSERT_TRUE(desktop::AssociateFileType(desktop::projectFileAssociation()));
    const auto read = [](const char* key, const char* name = "") {
        return store::readValue(RootKey::ClassesRoot, QString::fromLatin1(key),
                                QString::fromLatin1(name), "<none>", true);
    };
    EXPECT_EQ(read(".kvl"), "Kelvra Saver");
    EXPECT_EQ(read(".kvl", "Content Type"), "<none>");
    EXPECT_EQ(read("Kelvra Saver\\Shell\\Open\\ddeexec"), "\"%1\"");
    EXPECT_EQ(read("Kelvra Saver\\Shell\\Open\\Command"),
              QCoreApplication::applicationFilePath() + " \"%1\"");
    // A second registration leaves the store file as it was.
    const QString file = env.configDir() + "/kelvra-saver/HKEY_CLASSES_ROOT.ini";
    const QByteArray before = testutil::readFile(file);
    ASSERT_FALSE(before.isEmpty());
    ASSERT_TRUE(desktop::AssociateFileType(desktop::projectFileAssociation()));
    EXPECT_EQ(testutil::readFile(file), before);
}

TEST(RegisterProjectType, WritesOnceAndTheDesktopReadsIt)
{
    QTemporaryDir dir;
    const QString data = dir.filePath("data");
    const QString program = dir.filePath("win/Kelvra Saver.scr");
    desktop::Registration first = desktop::registerProjectType(data, program);
    ASSERT_TRUE(first.ok) << first.error.toStdString();
    const QString entry = data + "/applications/kelvra-saver.desktop";
    const QByteArray text = testutil::readFile(entry);
    EXPECT_TRUE(text.contains("Exec=\"" + program.toUtf8() + "\" %f\n")) << text.data();
    EXPECT_TRUE(text.contains("Icon=kelvra-saver\n"));
    EXPECT_TRUE(text.contains("MimeType=application/x-kelvra-saver-project;\n"));
    const QString icon = data + "/icons/hicolor/scalable/apps/kelvra-saver.svg";
    EXPECT_TRUE(testutil::readFile(icon).startsWith("<?xml"));
    EXPECT_EQ(first.lines.filter("written").size(), 3);

    const QDateTime entryTime = QFileInfo(entry).lastModified();
    const desktop::Registration second = desktop::registerProjectType(data, program);
    ASSERT_TRUE(second.ok);
    EXPECT_EQ(second.lines.filter("in place").size(), 3) << second.lines.join('\n').toStdString();
    EXPECT_EQ(QFileInfo(entry).lastModified(), entryTime);

    // shared-mime-info compiled our type: "*.kvl" maps to it.
    if (QStandardPaths::findExecutable("update-mime-database").isEmpty())
        GTEST_SKIP() << "update-mime-database is not installed";
    const QByteArray globs = testutil::readFile(data + "/mime/globs2");
    EXPECT_TRUE(globs.contains("application/x-kelvra-saver-project:*.kvl")) << globs.data();
    EXPECT_TRUE(testutil::readFile(data + "/mime/icons").contains(
        "application/x-kelvra-saver-project:kelvra-saver"));
}

} // namespace
