// The display-text dialog inside the editor: what its OK and Cancel store,
// Clear Text, and the live preview drawn by the show's overlay.
#include "editor/textdialog.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QImage>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "common/testutil.h"
#include "editor/frmsettings.h"
#include "editor/modalhelper.h"
#include "pictures/pictureview.h"
#include "show/overlay.h"
#include "store/settings.h"

using editor::frmSettings;
using editor::TextDialog;

namespace {

QString stored(const QString& key) { return store::getSetting(key, "<none>", true); }

std::map<QString, QString> storedDisplayText()
{
    std::map<QString, QString> out;
    for (const QString& key : editor::displayTextKeys())
        out[key] = stored(key);
    return out;
}

class TextDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("KELVRA_MESSAGE_LOG", (env.root() + "/messages.log").toUtf8());
        // The editor program plugs the show's overlay in; so do these tests.
        editor::setTextOverlayPainter([](const QImage& picture, const QString& text,
                                         const pictures::TextStyle& style, int alignment) {
            QPointF place;
            return show::drawOverlay(picture, text, style, QString::number(alignment), 1.0,
                                        place);
        });
    }
    void TearDown() override
    {
        qunsetenv("KELVRA_MESSAGE_LOG");
        editor::setTextOverlayPainter(nullptr);
    }
    QStringList messages() const
    {
        return QString::fromUtf8(testutil::readFile(env.root() + "/messages.log"))
            .split('\n', Qt::SkipEmptyParts);
    }

    // Runs Display Text; `act` works on the open dialog and closes it.
    void displayText(frmSettings& w, std::function<void(TextDialog*)> act)
    {
        testutil::whenModal<TextDialog>(std::move(act));
        w.menuItem("mnuText")->trigger();
    }

    testutil::IsolatedEnv env;
};

TEST_F(TextDialogTest, CancelAfterChangingTheFontStoresNothing)
{
    store::saveSetting("Display Text", "Happy Birthday, Anna!", true);
    store::saveSetting("Display Text Font Size", "30", true);
    store::saveSetting("Display Text Bold", "False", true);
    const auto before = storedDisplayText();
    frmSettings w;
    displayText(w, [](TextDialog* d) {
        d->findChild<QDoubleSpinBox*>("spnSize")->setValue(55);
        d->findChild<QCheckBox*>("chkBold")->setChecked(true);
        d->findChild<QFontComboBox*>("cboFont")->setCurrentFont(QFont("DejaVu Serif"));
        d->findChild<QPlainTextEdit*>("txtText")->setPlainText("Changed");
        d->findChild<QPushButton*>("cmdCancel")->click();
    });
    EXPECT_EQ(storedDisplayText(), before);
}

TEST_F(TextDialogTest, OkWithAnEmptyTextStoresAllSeventeenInTheirForms)
{
    frmSettings w;
    displayText(w, [](TextDialog* d) {
        d->findChild<QDoubleSpinBox*>("spnSize")->setValue(18.5);
        d->findChild<QCheckBox*>("chkItalic")->setChecked(true);
        d->findChild<QComboBox*>("cboAlign")->setCurrentIndex(
            d->findChild<QComboBox*>("cboAlign")->findData(8));
        d->findChild<QDoubleSpinBox*>("spnAngle")->setValue(-12.5);
        d->findChild<QPushButton*>("cmdOK")->click();
    });
    const auto s = storedDisplayText();
    for (const auto& [key, value] : s)
        EXPECT_NE(value, "<none>") << key.toStdString();
    EXPECT_EQ(s.at("Display Text"), "");
    EXPECT_EQ(s.at("Display Text Font Size"), "18.5");
    EXPECT_EQ(s.at("Display Text Italic"), "True");
    EXPECT_EQ(s.at("Display Text Bold"), "False");
    EXPECT_EQ(s.at("Display Text Align"), "8");
    EXPECT_EQ(s.at("Display Text Angle"), "-125");
    EXPECT_EQ(s.at("Display Text Forecolor"), "16777215"); // white, 0x00BBGGRR
}

TEST_F(TextDialogTest, ClearTextKeepsTheAttributesAndTheNextDialogShowsThem)
{
    frmSettings w;
    displayText(w, [](TextDialog* d) {
        d->findChild<QPlainTextEdit*>("txtText")->setPlainText("Merry Christmas");
        d->findChild<QDoubleSpinBox*>("spnSize")->setValue(40);
        d->findChild<QCheckBox*>("chkUnderline")->setChecked(true);
        d->findChild<QFontComboBox*>("cboFont")->setCurrentFont(QFont("DejaVu Serif"));
        d->findChild<QPushButton*>("cmdOK")->click();
    });
    ASSERT_EQ(stored("Display Text"), "Merry Christmas");
    const auto attributes = storedDisplayText();

    // Clear Text is offered while a text is stored.
    w.mnuOptions_Click();
    ASSERT_TRUE(w.menuItem("mnuClearText")->isEnabled());
    w.menuItem("mnuClearText")->trigger();
    EXPECT_EQ(stored("Display Text"), "");
    EXPECT_TRUE(messages().join('\n').contains("Display text has been successfully removed."));
    w.mnuOptions_Click();
    EXPECT_FALSE(w.menuItem("mnuClearText")->isEnabled());
    for (const auto& [key, value] : storedDisplayText())
        if (key != "Display Text")
            EXPECT_EQ(value, attributes.at(key)) << key.toStdString();

    // A new editor (a new dialog) reads them back from the store.
    frmSettings again;
    editor::DisplayTextValues shown;
    displayText(again, [&shown](TextDialog* d) {
        shown = d->values();
        d->findChild<QPushButton*>("cmdCancel")->click();
    });
    EXPECT_EQ(shown.text, "");
    EXPECT_EQ(shown.fontName, "DejaVu Serif");
    EXPECT_DOUBLE_EQ(shown.fontSize, 40);
    EXPECT_TRUE(shown.underline);
}

TEST_F(TextDialogTest, FlagsAndImageFollowThePreviewPicture)
{
    QTemporaryDir media;
    const QString path = media.filePath("blue sky.png");
    QImage picture(400, 300, QImage::Format_RGB32);
    picture.fill(QColor(30, 90, 200));
    ASSERT_TRUE(picture.save(path));

    frmSettings w;
    int flags = 0;
    bool hadImage = true;
    displayText(w, [&](TextDialog* d) {
        flags = d->Flags();
        hadImage = d->hasImage();
        d->reject();
    });
    EXPECT_EQ(flags, editor::kTextFlagsNoImage);
    EXPECT_FALSE(hadImage);

    w.LEAD1()->loadImage(path);
    ASSERT_TRUE(w.LEAD1()->hasImage());
    QRgb centre = 0;
    displayText(w, [&](TextDialog* d) {
        flags = d->Flags();
        hadImage = d->hasImage();
        const QImage shown = d->previewImage();
        centre = shown.pixel(shown.width() / 2, shown.height() / 2);
        d->reject();
    });
    EXPECT_EQ(flags, editor::kTextFlagsWithImage);
    EXPECT_TRUE(hadImage);
    EXPECT_EQ(QColor(centre), QColor(30, 90, 200));
}

// The preview is the show's overlay over the picture: it changes with the
// text, the alignment and the angle, and its text lies where the show puts it.
class TextPreview : public TextDialogTest {
protected:
    void SetUp() override
    {
        TextDialogTest::SetUp();
        dialog = std::make_unique<TextDialog>();
        QImage picture(640, 360, QImage::Format_RGB32);
        picture.fill(QColor(20, 120, 60));
        dialog->setImage(picture, picture.size());
        editor::DisplayTextValues v = editor::defaultDisplayText();
        v.text = "Happy Birthday";
        v.alignment = 4;
        dialog->setValues(v);
    }
    // Rows and columns holding pixels other than the picture's colour.
    static QRect inkBounds(const QImage& image)
    {
        QRect bounds;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (QColor(image.pixel(x, y)) != QColor(20, 120, 60))
                    bounds |= QRect(x, y, 1, 1);
        return bounds;
    }
    std::unique_ptr<TextDialog> dialog;
};

TEST_F(TextPreview, ChangesWithTheText)
{
    const QImage before = dialog->previewImage();
    QTest::keyClicks(dialog->findChild<QPlainTextEdit*>("txtText"), "!");
    EXPECT_NE(dialog->previewImage(), before);
    EXPECT_FALSE(inkBounds(dialog->previewImage()).isEmpty());
}

TEST_F(TextPreview, ChangesWithTheAlignmentToWhereTheShowPutsIt)
{
    const QRect middle = inkBounds(dialog->previewImage());
    auto* align = dialog->findChild<QComboBox*>("cboAlign");
    align->setCurrentIndex(align->findData(5)); // centre, bottom
    const QRect bottom = inkBounds(dialog->previewImage());
    ASSERT_FALSE(middle.isEmpty());
    ASSERT_FALSE(bottom.isEmpty());
    EXPECT_GT(bottom.top(), middle.bottom());
    EXPECT_GE(bottom.bottom(), 360 - 12);

    // Exactly the show's own drawing of the same values.
    editor::DisplayTextValues v = dialog->values();
    QImage picture(640, 360, QImage::Format_RGB32);
    picture.fill(QColor(20, 120, 60));
    QPointF place;
    EXPECT_EQ(dialog->previewImage(),
              show::drawOverlay(picture, v.text, editor::textStyleOf(v), "5", 1.0, place));
}

TEST_F(TextPreview, ChangesWithTheAngle)
{
    const QRect level = inkBounds(dialog->previewImage());
    dialog->findChild<QDoubleSpinBox*>("spnAngle")->setValue(90);
    const QRect upright = inkBounds(dialog->previewImage());
    // Turned a quarter: a tall block instead of a wide one.
    EXPECT_GT(level.width(), level.height());
    EXPECT_GT(upright.height(), upright.width());
}

TEST_F(TextPreview, ShowsTheTextAtTheSizeTheShowDrawsIt)
{
    // A small preview picture shown full-screen: the text is drawn on the
    // picture scaled to the show's size, so it covers less of it.
    QImage small(160, 90, QImage::Format_RGB32);
    small.fill(QColor(20, 120, 60));
    dialog->setImage(small, small.size());
    const double atOwnSize = inkBounds(dialog->previewImage()).width() / 160.0;
    dialog->setImage(small, QSize(1280, 720));
    EXPECT_EQ(dialog->previewImage().size(), QSize(1280, 720));
    const double atShowSize = inkBounds(dialog->previewImage()).width() / 1280.0;
    EXPECT_LT(atShowSize, atOwnSize / 2);
}

} // namespace
