// The runtime's settings dialog on a real unpacked bundle (offscreen).

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "runtime/bundlesession.h"
#include "runtime/frmsettings.h"
#include "runtime/settingsrules.h"
#include "runtime/runtimetestutil.h"
#include "store/settings.h"
#include "store/messagelog.h"
#include "store/qtprint.h"

using namespace runtime;

namespace {

class SettingsDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saver = runtimetest::makeSaver(m_env.root(), {Qt::red, Qt::green, Qt::blue});
        // The recipient has the bundle, not the author's folder.
        QDir(QFileInfo(m_saver.pictures.first()).absolutePath()).removeRecursively();
        ASSERT_EQ(BundleSession::start(m_saver.program, m_env.windowsDir() + "/tmpFiles",
                                       &m_session),
                  archive::kSuccess);
        m_dialog = std::make_unique<frmSettings>(
            SettingsContext{m_session->folder(), m_session.get(), m_saver.program});
        m_list = m_dialog->findChild<QListWidget*>(QStringLiteral("lstPics"));
        m_text1 = m_dialog->findChild<QLineEdit*>(QStringLiteral("Text1"));
        ASSERT_TRUE(m_list && m_text1);
        m_dialog->show();
    }
    void TearDown() override
    {
        m_dialog.reset();
        m_session.reset();
    }
    void click(const char* button)
    {
        m_dialog->findChild<QPushButton*>(QString::fromLatin1(button))->click();
    }

    testutil::IsolatedEnv m_env;
    storetest::MessageLog m_log{m_env.root()};
    runtimetest::Saver m_saver;
    std::unique_ptr<BundleSession> m_session;
    std::unique_ptr<frmSettings> m_dialog;
    QListWidget* m_list = nullptr;
    QLineEdit* m_text1 = nullptr;
};

TEST_F(SettingsDialog, ShowsTheBundleListCaptionsAndMenus)
{
    EXPECT_EQ(m_dialog->windowTitle(), QStringLiteral("Screen Saver Settings..."));
    ASSERT_EQ(m_list->count(), 3);
    EXPECT_EQ(m_list->item(0)->text(), QStringLiteral("photo 1.jpg"));
    EXPECT_EQ(m_dialog->lstHidden(), m_saver.pictures);
    EXPECT_EQ(m_text1->text(), QStringLiteral("1"));
    EXPECT_TRUE(m_dialog->findChild<QCheckBox*>(QStringLiteral("Check1"))->isChecked());
    EXPECT_EQ(m_dialog->findChild<QAction*>(QStringLiteral("mnuExit"))->text(),
              QStringLiteral("E&xit\tAlt+F4"));
    EXPECT_FALSE(m_dialog->findChild<QAction*>(QStringLiteral("mnuTransitions"))->isVisible());
    EXPECT_EQ(m_dialog->findChild<QAction*>(QStringLiteral("mnuSetSS"))->shortcut(),
              QKeySequence(Qt::CTRL | Qt::Key_A));
}

TEST_F(SettingsDialog, ClickingPreviewsTheUnpackedPictureUnlessPreviewIsOff)
{
    m_list->setCurrentRow(1);
    QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {},
                      m_list->visualItemRect(m_list->item(1)).center());
    EXPECT_EQ(m_dialog->previewPath(), m_session->folder() + QStringLiteral("photo 2.jpg"));
    const QPixmap shown = m_dialog->findChild<QLabel*>(QStringLiteral("LEAD1"))->pixmap();
    ASSERT_FALSE(shown.isNull());
    const QColor centre = shown.toImage().pixelColor(shown.width() / 2, shown.height() / 2);
    EXPECT_GT(centre.green(), 200);
    EXPECT_LT(centre.red(), 60);

    m_dialog->findChild<QCheckBox*>(QStringLiteral("Check1"))->setChecked(false);
    QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {},
                      m_list->visualItemRect(m_list->item(2)).center());
    EXPECT_EQ(m_dialog->previewPath(), m_session->folder() + QStringLiteral("photo 2.jpg"));
}

TEST_F(SettingsDialog, LettersTypedIntoTheIntervalDoNotAppear)
{
    m_text1->clear();
    m_text1->setFocus();
    QTest::keyClicks(m_text1, QStringLiteral("1a2.b5"));
    EXPECT_EQ(m_text1->text(), QStringLiteral("12.5"));
}

TEST_F(SettingsDialog, TooLongAnIntervalKeepsTheWindowOpenWithTheMessage)
{
    m_text1->setText(QStringLiteral("66"));
    click("cmdAccept");
    EXPECT_TRUE(m_dialog->isVisible());
    ASSERT_EQ(m_log.lines().size(), 1);
    EXPECT_EQ(m_log.lines().first(),
              QStringLiteral("information|Kelvra Saver|") + QString::fromLatin1(kIntervalMessage));
    EXPECT_FALSE(QFileInfo::exists(m_dialog->acceptedListPath()));
}

TEST_F(SettingsDialog, AcceptWritesTheReorderedListTheShowWalks)
{
    // The last picture moved to the top, as a drag within the list does.
    QListWidgetItem* last = m_list->takeItem(2);
    m_list->insertItem(0, last);
    m_text1->setText(QStringLiteral("65"));
    const QString listPath = m_dialog->acceptedListPath();
    ASSERT_EQ(m_session->finishAll(), archive::kSuccess);
    click("cmdAccept");
    EXPECT_FALSE(m_dialog->isVisible());
    const QStringList expected = {m_saver.pictures[2], m_saver.pictures[0], m_saver.pictures[1]};
    EXPECT_EQ(testutil::readFile(listPath),
              QByteArray("65\r\n3\r\n") + expected.join(QStringLiteral("\r\n")).toUtf8() + "\r\n");
    // The show's list is now this one.
    EXPECT_EQ(archive::showListFile(m_saver.folder, archive::runtimeNames(m_saver.program),
                                    m_session->folder()),
              listPath);
    EXPECT_EQ(store::getSetting(QStringLiteral("Screen Saver Timeout"), QString(), true),
              QStringLiteral("65"));
    // Closing emptied this process's folder.
    EXPECT_EQ(QDir(m_session->folder()).entryList(QDir::Files), QStringList());
}

TEST_F(SettingsDialog, CancelStoresTheIntervalAsTypedEvenEmpty)
{
    m_text1->clear();
    click("cmdCancel");
    EXPECT_EQ(store::getSetting(QStringLiteral("Screen Saver Timeout"), QStringLiteral("x"), true),
              QString());
    EXPECT_FALSE(QFileInfo::exists(m_dialog->acceptedListPath()));
}

TEST_F(SettingsDialog, SetAsActiveScreenSaverTellsXScreenSaver)
{
    // The user's XScreenSaver file lives in $HOME: a temporary one here.
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", m_env.root().toUtf8());
    m_dialog->findChild<QAction*>(QStringLiteral("mnuSetSS"))->trigger();
    const QByteArray file = testutil::readFile(m_env.root() + "/.xscreensaver");
    qputenv("HOME", oldHome);
    ASSERT_EQ(m_log.lines().size(), 1);
    EXPECT_TRUE(m_log.lines().first().contains("successfully set as the active screen saver"))
        << m_log.lines().first().toStdString();
    EXPECT_TRUE(file.contains("mode:") && file.contains("selected:")) << file.constData();
    EXPECT_TRUE(file.contains(QFileInfo(m_saver.program).fileName().toUtf8())) << file.constData();
}

} // namespace
