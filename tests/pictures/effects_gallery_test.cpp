// effect-gallery over the whole random pool: the sheet has the documented
// layout, and within every cell the moments shown differ from each other.

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
