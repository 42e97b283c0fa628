#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include "app/installer.h"
#include "common/testutil.h"
#include "editor/helpmanual.h"
#include "store/settings.h"

namespace {

class Install : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        const QString bin = m_dir.filePath(QStringLiteral("bin"));
        QDir().mkpath(bin);
        m_plan.editorProgram = bin + QStringLiteral("/kelvra-saver");
        m_plan.runtimeProgram = bin + QStringLiteral("/vls");
        for (const QString& p : {m_plan.editorProgram, m_plan.runtimeProgram}) {
            testutil::writeFile(p, "#!/bin/sh\n");
            QFile::setPermissions(p, QFile::permissions(p) | QFile::ExeOwner);
        }
        m_plan.windowsDir = m_dir.filePath(QStringLiteral("my windows")) + u'/';
        m_plan.workDir = m_plan.windowsDir + QStringLiteral("tmpFiles/");
        m_plan.dataHome = m_dir.filePath(QStringLiteral("data"));
        m_plan.helpManual = editor::installHelpManual;
        m_plan.helpManualName = QString::fromUtf8(editor::kHelpFileName);
    }
    QString editorPlace() const { return m_plan.windowsDir + QStringLiteral("Kelvra Saver.scr"); }
    QString runtimePlace() const { return m_plan.workDir + QStringLiteral("VLS.scr"); }
    QString desktopFile() const
    {
        return m_plan.dataHome + QStringLiteral("/applications/kelvra-saver.desktop");
    }
    QString manualFile() const
    {
        return m_plan.windowsDir + QStringLiteral("KelvraSaver-help.html");
    }
    QString mimeFile() const
    {
        return m_plan.dataHome + QStringLiteral("/mime/packages/kelvra-saver.xml");
    }

    testutil::IsolatedEnv m_env; // the store's file-type keys go here
    QTemporaryDir m_dir;
    app::InstallPlan m_plan;
};

TEST_F(Install, PlacesLinksAndEntries)
{
    const app::InstallResult result = app::install(m_plan);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(QFileInfo(editorPlace()).symLinkTarget(), m_plan.editorProgram);
    EXPECT_EQ(QFileInfo(runtimePlace()).symLinkTarget(), m_plan.runtimeProgram);

    const QByteArray entry = testutil::readFile(desktopFile());
    EXPECT_TRUE(entry.contains("Exec=\"" + editorPlace().toUtf8() + "\" %f\n")) << entry.data();
    EXPECT_TRUE(entry.contains("MimeType=application/x-kelvra-saver-project;\n"));
    EXPECT_TRUE(entry.contains("Icon=kelvra-saver\n"));
    // The store's ".kvl" keys, as the editor's registration call writes them.
    EXPECT_EQ(store::readValue(store::RootKey::ClassesRoot, ".kvl", "", "", true), "Kelvra Saver");
    const QByteArray mime = testutil::readFile(mimeFile());
    EXPECT_TRUE(mime.contains("<glob pattern=\"*.kvl\"/>"));
    // Help opens the manual from the Windows folder.
    EXPECT_TRUE(testutil::readFile(manualFile()).contains("<h1>"));
    EXPECT_TRUE(result.lines.contains(manualFile() + QStringLiteral(": written")));
}

TEST_F(Install, SecondRunChangesNothing)
{
    ASSERT_TRUE(app::install(m_plan).ok);
    const QDateTime entryTime = QFileInfo(desktopFile()).lastModified();
    const QDateTime linkTime = QFileInfo(editorPlace()).lastModified(); // of the target
    const QDateTime manualTime = QFileInfo(manualFile()).lastModified();
    const app::InstallResult again = app::install(m_plan);
    ASSERT_TRUE(again.ok) << again.error.toStdString();
    for (const QString& line : again.lines)
        EXPECT_TRUE(line.endsWith(QLatin1String("in place"))) << line.toStdString();
    EXPECT_EQ(QFileInfo(desktopFile()).lastModified(), entryTime);
    EXPECT_EQ(QFileInfo(editorPlace()).lastModified(), linkTime);
    EXPECT_EQ(QFileInfo(manualFile()).lastModified(), manualTime);
    EXPECT_EQ(QDir(m_plan.workDir).entryList(QDir::Files | QDir::System).size(), 1);
}

TEST_F(Install, ReplacesStaleLinksAndCopies)
{
    QDir().mkpath(m_plan.workDir);
    testutil::writeFile(editorPlace(), "an old copy");
    QFile::link(m_dir.filePath(QStringLiteral("gone")), runtimePlace());
    testutil::writeFile(manualFile(), "an older manual");
    const app::InstallResult result = app::install(m_plan);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_TRUE(testutil::readFile(manualFile()).contains("<h1>"));
    EXPECT_EQ(QFileInfo(editorPlace()).symLinkTarget(), m_plan.editorProgram);
    EXPECT_EQ(QFileInfo(runtimePlace()).symLinkTarget(), m_plan.runtimeProgram);
}

TEST_F(Install, FailsClearly)
{
    QFile::remove(m_plan.runtimeProgram);
    app::InstallResult result = app::install(m_plan);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.contains(m_plan.runtimeProgram)) << result.error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(editorPlace()));

    SetUp();
    QDir().mkpath(editorPlace()); // a folder in the way is left alone
    result = app::install(m_plan);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(QFileInfo(editorPlace()).isDir());
    EXPECT_TRUE(result.error.contains(QLatin1String("is a folder")));

    QDir(editorPlace()).removeRecursively();
    QDir().mkpath(manualFile()); // the manual cannot be written
    result = app::install(m_plan);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.contains(manualFile())) << result.error.toStdString();
    EXPECT_TRUE(QFileInfo(manualFile()).isDir());
}

} // namespace
