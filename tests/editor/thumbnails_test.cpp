// Thumbnails in the editor's list and the preview that starts from them:
// the real window on the offscreen platform, real files, the thumbnail cache
// in a private folder.
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "common/testutil.h"
#include "editor/frmsettings.h"
#include "editor/medialistview.h"
#include "editor/projectfiles.h"
#include "editor/thumbnails.h"
#include "pictures/pictureview.h"
#include "pictures/thumbnailcache.h"

namespace {

class EditorThumbnails : public ::testing::Test {
protected:
    QString picture(const QString& name, QSize size, QColor colour)
    {
        const QString path = media.filePath(name);
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        image.save(path);
        return path;
    }
    std::unique_ptr<editor::frmSettings> open(const QStringList& paths)
    {
        testutil::writeFile(env.windowsDir() + "/zem.ini", editor::formatCurrentConfig(5, paths));
        auto w = std::make_unique<editor::frmSettings>();
        w->show();
        return w;
    }
    // Paints the list until every visible row has its thumbnail.
    static void waitForThumbnails(editor::frmSettings& w)
    {
        auto* thumbs = w.thumbnailer();
        auto* view = w.lstPics();
        QSignalSpy idle(thumbs, &pictures::Thumbnailer::idle);
        for (int round = 0; round < 50; ++round) {
            view->viewport()->repaint();
            if (thumbs->pending() == 0) {
                bool all = true;
                for (int r = 0; r < view->model()->rowCount(); ++r)
                    all = all &&
                          !thumbs->icon(view->model()->index(r, 0).data(Qt::UserRole).toString())
                               .isNull();
                if (all)
                    return;
            }
            idle.wait(200);
        }
        ADD_FAILURE() << "thumbnails did not arrive";
    }
    static QImage decoration(editor::frmSettings& w, int row)
    {
        const QVariant v = w.lstPics()->model()->index(row, 0).data(Qt::DecorationRole);
        return v.value<QPixmap>().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }

    testutil::IsolatedEnv env;
    QTemporaryDir media;
};

TEST_F(EditorThumbnails, RowsShowTheirPictureSymbolOrMarkAtTheSameHeight)
{
    const QString red = picture("red.png", {300, 200}, QColor(220, 30, 30));
    const QString tune = media.filePath("tune.mid");
    testutil::writeFile(tune, "MThd");
    const QString gone = picture("gone.png", {40, 40}, Qt::blue);
    const QString junk = media.filePath("junk.jpg");
    testutil::writeFile(junk, "no picture");
    auto w = open({red, tune, gone, junk});
    QFile::remove(gone); // vanishes after loading
    auto* view = w->lstPics();
    ASSERT_EQ(view->model()->rowCount(), 4);

    waitForThumbnails(*w);
    const int withThumbnails = view->sizeHintForRow(0);

    const QImage icon = decoration(*w, 0);
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.size(), view->iconSize()); // every row the same: names stay in line
    EXPECT_EQ(icon.pixelColor(icon.width() / 2, icon.height() / 2), QColor(220, 30, 30));
    const QSize side = view->iconSize();
    auto symbol = [&](pictures::ThumbSymbol s) { return pictures::thumbnailSymbol(s, side); };
    EXPECT_EQ(decoration(*w, 1), symbol(pictures::ThumbSymbol::Note));
    EXPECT_EQ(decoration(*w, 2), symbol(pictures::ThumbSymbol::Missing));
    EXPECT_EQ(decoration(*w, 3), symbol(pictures::ThumbSymbol::Unreadable));

    // The thumbnail is on the screen, left of the name.
    const QImage shot = view->viewport()->grab().toImage();
    const QRect row0 = view->visualRect(view->model()->index(0, 0));
    bool seen = false;
    for (int x = row0.left(); x < row0.left() + side.width() + 8 && !seen; ++x)
        seen = shot.pixelColor(x, row0.center().y()) == QColor(220, 30, 30);
    EXPECT_TRUE(seen);

    // The shared cache got the picture at both sizes.
    const pictures::ThumbnailCache cache(env.cacheDir() + "/thumbnails");
    EXPECT_TRUE(QFileInfo::exists(cache.cacheFile(pictures::ThumbSize::Normal, red)));
    EXPECT_TRUE(QFileInfo::exists(cache.cacheFile(pictures::ThumbSize::Large, red)));

    // Without thumbnails a row is exactly as high.
    view->setThumbnailer(nullptr);
    view->doItemsLayout();
    EXPECT_EQ(view->sizeHintForRow(0), withThumbnails);
    view->setThumbnailer(w->thumbnailer());
}

TEST_F(EditorThumbnails, PreviewShowsTheThumbnailAtOnceAndThenTheFullPicture)
{
    const QString photo = picture("photo.png", {2400, 1200}, QColor(30, 160, 60));
    auto w = open({photo});
    waitForThumbnails(*w);
    auto* preview = w->LEAD1();
    preview->dropImage();

    w->lstPics()->selectOnly(0);
    w->lstPics_Click();
    // Before anything else happens: the large thumbnail.
    ASSERT_TRUE(preview->hasImage());
    EXPECT_EQ(preview->imageSize(), QSize(256, 128));
    EXPECT_TRUE(preview->isLoading());
    // Then the picture decoded for the preview's size.
    QSignalSpy loaded(preview, &pictures::PictureView::loaded);
    QTRY_VERIFY_WITH_TIMEOUT(!preview->isLoading(), 10000);
    ASSERT_EQ(loaded.count(), 1);
    EXPECT_TRUE(loaded.at(0).at(0).toBool());
    EXPECT_EQ(preview->sourceSize(), QSize(2400, 1200));
    EXPECT_GT(preview->imageSize().width(), 256);
}

TEST_F(EditorThumbnails, APreviewOvertakenByAnotherIsDropped)
{
    const QString a = picture("a.png", {1600, 1200}, Qt::red);
    const QString b = picture("b.png", {1200, 1600}, Qt::blue);
    auto w = open({a, b});
    auto* preview = w->LEAD1();
    w->lstPics()->selectOnly(0);
    w->lstPics_Click();
    w->lstPics()->selectOnly(1);
    w->lstPics_Click();
    QTRY_VERIFY_WITH_TIMEOUT(!preview->isLoading(), 10000);
    QTest::qWait(50); // a late result of the first would arrive now
    EXPECT_EQ(preview->sourceSize(), QSize(1200, 1600));
    EXPECT_EQ(preview->image().pixelColor(5, 5), QColor(Qt::blue));
}

TEST(MediaKind, FollowsTheExtension)
{
    using K = pictures::Thumbnailer::Kind;
    EXPECT_EQ(editor::mediaKind("/a/b.MPG"), K::Clip);
    EXPECT_EQ(editor::mediaKind("/a/b.mov"), K::Clip);
    EXPECT_EQ(editor::mediaKind("/a/b.mid"), K::Sound);
    EXPECT_EQ(editor::mediaKind("/a/b.Mp3"), K::Sound);
    EXPECT_EQ(editor::mediaKind("/a/Track02.cda"), K::Sound);
    EXPECT_EQ(editor::mediaKind("/a/b.jpg"), K::Picture);
    EXPECT_EQ(editor::mediaKind("/a/no extension"), K::Picture);
}

} // namespace
