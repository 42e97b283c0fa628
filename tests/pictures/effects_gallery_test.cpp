// effect-gallery over the whole random pool: the sheet has the documented
// layout, and within every cell the moments shown differ from each other.

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "pictures/transitions.h"

namespace {

int differing(const QImage& sheet, QRect a, QRect b)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += sheet.pixel(a.x() + x, a.y() + y) != sheet.pixel(b.x() + x, b.y() + y);
    return n;
}

} // namespace

TEST(EffectGallery, ContactSheetOfThePoolShowsEveryEffectMoving)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("sheet.png");
    QProcess gallery;
    gallery.start(QStringLiteral(KELVRA_BIN_DIR "/effect-gallery"),
                  {"-o", out, "--thumb", "64x36", "--columns", "24", "--progress", "20,50,80"});
    ASSERT_TRUE(gallery.waitForFinished(120000));
    ASSERT_EQ(gallery.exitCode(), 0) << gallery.readAllStandardError().toStdString();

    const QImage sheet(out);
    ASSERT_FALSE(sheet.isNull());
    const int codes = int(pictures::randomPoolCodes().size());
    const int cellW = 6 + 3 * (64 + 2), cellH = 16 + 36 + 4;
    const int rows = (codes + 23) / 24;
    ASSERT_EQ(sheet.size(), QSize(24 * cellW, rows * cellH));

    int still = 0;
    for (int k = 0; k < codes; ++k) {
        const int x0 = (k % 24) * cellW + 3, y0 = (k / 24) * cellH + 16;
        const QRect t0(x0, y0, 64, 36), t1(x0 + 66, y0, 64, 36), t2(x0 + 132, y0, 64, 36);
        // At thumbnail size fine blinds can alias so that two neighbouring
        // moments coincide; the first and the last must always differ.
        if (differing(sheet, t0, t2) < 20 ||
            differing(sheet, t0, t1) + differing(sheet, t1, t2) < 40) {
            ADD_FAILURE() << "cell " << k << " (code " << pictures::randomPoolCodes()[size_t(k)]
                          << ") barely changes";
            if (++still > 10)
                return;
        }
    }
    // An out-of-range request is refused with a message, not a crash.
    QProcess bad;
    bad.start(QStringLiteral(KELVRA_BIN_DIR "/effect-gallery"), {"-o", out, "--codes", "9-1"});
    ASSERT_TRUE(bad.waitForFinished(30000));
    EXPECT_EQ(bad.exitCode(), 2);
}

// --frames writes each frame as CODE-PROGRESS.png: the first moment of a
// paint is the old picture, the last the new one, and codes differ.
TEST(EffectGallery, FramesAreWrittenOnePerCodeAndMoment)
{
    QTemporaryDir dir;
    const QString frames = dir.filePath("frames");
    QProcess gallery;
    gallery.start(QStringLiteral(KELVRA_BIN_DIR "/effect-gallery"),
                  {"--frames", frames, "--thumb", "48x32", "--codes", "2000,6190,8013",
                   "--progress", "0,50,100"});
    ASSERT_TRUE(gallery.waitForFinished(60000));
    ASSERT_EQ(gallery.exitCode(), 0) << gallery.readAllStandardError().toStdString();
    QStringList names = QDir(frames).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(names, QStringList({"2000-0.png", "2000-100.png", "2000-50.png", "6190-0.png",
                                  "6190-100.png", "6190-50.png", "8013-0.png", "8013-100.png",
                                  "8013-50.png"}));
    const QImage start(QDir(frames).filePath("2000-0.png"));
    ASSERT_EQ(start.size(), QSize(48, 32));
    EXPECT_EQ(start, QImage(QDir(frames).filePath("8013-0.png")));
    EXPECT_EQ(QImage(QDir(frames).filePath("2000-100.png")),
              QImage(QDir(frames).filePath("6190-100.png")));
    EXPECT_NE(QImage(QDir(frames).filePath("2000-50.png")),
              QImage(QDir(frames).filePath("6190-50.png")));

    // A bad moment is refused, not clamped into another file name.
    QProcess bad;
    bad.start(QStringLiteral(KELVRA_BIN_DIR "/effect-gallery"),
              {"--frames", frames, "--codes", "2000", "--progress", "50,150"});
    ASSERT_TRUE(bad.waitForFinished(30000));
    EXPECT_EQ(bad.exitCode(), 2);
}
