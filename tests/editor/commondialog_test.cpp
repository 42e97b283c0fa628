#include "controls/commondialog.h"

#include <gtest/gtest.h>

using namespace controls;

TEST(Filter, SplitsPairsAndPatterns)
{
    const auto pairs = parseFilter("Kelvra Saver Screen Saver|*.kvl");
    ASSERT_EQ(pairs.size(), 1);
    EXPECT_EQ(pairs[0].description, "Kelvra Saver Screen Saver");
    EXPECT_EQ(pairs[0].patterns, QStringList{"*.kvl"});
    EXPECT_EQ(qtNameFilter(pairs[0]), "Kelvra Saver Screen Saver (*.kvl)");

    const auto two = parseFilter("Media Files|*.avi;*.jpg|All|*.*");
    ASSERT_EQ(two.size(), 2);
    EXPECT_EQ(two[0].patterns, (QStringList{"*.avi", "*.jpg"}));
    EXPECT_EQ(qtNameFilter(two[1]), "All (*.*)");
    EXPECT_TRUE(parseFilter("").isEmpty());
}

TEST(ShowOpen, PassesPropertiesAndReturnsSinglePath)
{
    ScriptedDialogProvider provider;
    provider.queueFiles({"/home/u/My Pics/a b.kvl"});
    clsCommonDialog dlg;
    dlg.DialogTitle = "Select Kelvra Saver Input File...";
    dlg.Filter = "A|*.a|Kelvra Saver Screen Saver|*.kvl";
    dlg.FilterIndex = 2;
    dlg.InitDir = "/tmp";
    dlg.Flags = 2628108;
    dlg.ShowOpen();
    ASSERT_EQ(provider.fileRequests.size(), 1);
    const FileDialogRequest& r = provider.fileRequests[0];
    EXPECT_EQ(r.kind, FileDialogKind::Open);
    EXPECT_EQ(r.title, "Select Kelvra Saver Input File...");
    EXPECT_EQ(r.filterIndex, 1);
    EXPECT_EQ(r.initDir, "/tmp");
    EXPECT_TRUE(r.multiple);
    EXPECT_EQ(dlg.Action(), 1);
    EXPECT_EQ(dlg.APIReturn(), 1);
    EXPECT_EQ(dlg.FileName, "/home/u/My Pics/a b.kvl");
    EXPECT_EQ(dlg.FileTitle, "a b.kvl");
    EXPECT_EQ(clsCommonDialog::splitMultiSelection(dlg.FileName), QStringList{dlg.FileName});
}

TEST(ShowOpen, MultipleSelectionIsFolderAndNamesPadded)
{
    ScriptedDialogProvider provider;
    provider.queueFiles({"/d/x 1.jpg", "/d/y.png", "/d/z.gif"});
    clsCommonDialog dlg;
    dlg.Flags = OFN_ALLOWMULTISELECT | OFN_NOCHANGEDIR;
    dlg.ShowOpen();
    const QChar nul(0);
    const QString expected = QString("/d") + nul + "x 1.jpg" + nul + "y.png" + nul + "z.gif" + nul;
    EXPECT_EQ(dlg.FileName.size(), 257);
    EXPECT_TRUE(dlg.FileName.startsWith(expected));
    EXPECT_EQ(dlg.FileName.mid(expected.size()), QString(257 - expected.size(), nul));
    EXPECT_EQ(clsCommonDialog::splitMultiSelection(dlg.FileName),
              (QStringList{"/d/x 1.jpg", "/d/y.png", "/d/z.gif"}));
}

TEST(ShowOpen, LongSelectionIsNeverCut)
{
    ScriptedDialogProvider provider;
    QStringList many;
    for (int i = 0; i < 100; ++i)
        many << QString("/pics/picture number %1.jpg").arg(i);
    provider.queueFiles(many);
    clsCommonDialog dlg;
    dlg.Flags = OFN_ALLOWMULTISELECT;
    dlg.MaxFileSize = 10;
    dlg.ShowOpen();
    EXPECT_EQ(clsCommonDialog::splitMultiSelection(dlg.FileName), many);
}

TEST(ShowOpen, CancelKeepsFileNameOrThrowsWhenAsked)
{
    ScriptedDialogProvider provider;
    clsCommonDialog dlg;
    dlg.FileName = "before";
    dlg.ShowOpen();
    EXPECT_EQ(dlg.FileName, "before");
    EXPECT_EQ(dlg.APIReturn(), 0);

    dlg.CancelError = true;
    try {
        dlg.ShowSave();
        FAIL() << "no cancel error";
    } catch (const CancelPressed& e) {
        EXPECT_EQ(e.number(), 0x800407D1u);
        EXPECT_EQ(e.description(), "Cancel Pressed");
    }
    EXPECT_EQ(dlg.Action(), 2);
    EXPECT_EQ(dlg.FileName, "before");
}

TEST(ShowSave, PassesDefaultExtensionAndOverwritePrompt)
{
    ScriptedDialogProvider provider;
    provider.queueFiles({"/out/show.kvl"});
    clsCommonDialog dlg;
    dlg.DefaultExt = ".kvl";
    dlg.Flags = 1026;
    dlg.ShowSave();
    ASSERT_EQ(provider.fileRequests.size(), 1);
    EXPECT_EQ(provider.fileRequests[0].kind, FileDialogKind::Save);
    EXPECT_EQ(provider.fileRequests[0].defaultExt, "kvl");
    EXPECT_TRUE(provider.fileRequests[0].overwritePrompt);
    EXPECT_FALSE(provider.fileRequests[0].multiple);
    EXPECT_EQ(dlg.FileName, "/out/show.kvl");
}

TEST(ShowColor, ChoiceCancelAndCancelError)
{
    ScriptedDialogProvider provider;
    clsCommonDialog dlg;
    dlg.Color = colorRef(1, 2, 3);
    EXPECT_EQ(dlg.Color, 0x030201u);
    provider.queueColor(0x00FF8000);
    dlg.ShowColor();
    EXPECT_EQ(dlg.Action(), 3);
    EXPECT_EQ(dlg.Color, 0x00FF8000u);
    EXPECT_EQ(provider.colorRequests[0].color, 0x030201u);

    dlg.ShowColor(); // nothing queued: cancelled
    EXPECT_EQ(dlg.Color, 0x00FF8000u);

    dlg.CancelError = true;
    EXPECT_THROW(dlg.ShowColor(), CancelPressed);
    EXPECT_EQ(dlg.Color, 0x00FF8000u);
}
