// Screen-sized buffers kept between paints: given back only when nobody else
// holds them, only for their own size, and a paint's buffers serve the next.

#include <QWidget>

#include <gtest/gtest.h>

#include "pictures/pictureview.h"
#include "pictures/screenbuffers.h"

using namespace pictures;

namespace {

// Empties the store: a buffer of a new size replaces what is kept, and is
// then taken.
void drain()
{
    recycleScreenBuffer(QImage(QSize(1, 1), QImage::Format_RGB32));
    takeScreenBuffer(QSize(1, 1));
}

class ScreenBuffers : public ::testing::Test {
protected:
    void SetUp() override { drain(); }
    void TearDown() override { drain(); }
};

} // namespace

TEST_F(ScreenBuffers, ABufferLetGoComesBackForItsSizeOnly)
{
    QImage a = takeScreenBuffer(QSize(64, 32));
    ASSERT_EQ(a.format(), QImage::Format_RGB32);
    const uchar* bits = a.constBits();
    recycleScreenBuffer(std::move(a));
    EXPECT_EQ(recycledScreenBuffers(), 1);
    // Another size gets a new buffer and the kept one stays.
    const QImage other = takeScreenBuffer(QSize(32, 64));
    EXPECT_NE(other.constBits(), bits);
    EXPECT_EQ(recycledScreenBuffers(), 1);
    const QImage again = takeScreenBuffer(QSize(64, 32));
    EXPECT_EQ(again.constBits(), bits);
    EXPECT_EQ(recycledScreenBuffers(), 0);
}

TEST_F(ScreenBuffers, AnImageSomeoneStillHoldsIsNotKept)
{
    QImage shown(64, 32, QImage::Format_RGB32);
    shown.fill(Qt::red);
    recycleScreenBuffer(shown);
    EXPECT_EQ(recycledScreenBuffers(), 0);
    QImage taken = takeScreenBuffer(QSize(64, 32));
    taken.fill(Qt::green);
    EXPECT_EQ(shown.pixel(10, 10), QColor(Qt::red).rgb());
    // Nor one of another format: it is drawn into as RGB32.
    recycleScreenBuffer(QImage(64, 32, QImage::Format_ARGB32));
    EXPECT_EQ(recycledScreenBuffers(), 0);
}

TEST_F(ScreenBuffers, TwoAreKeptAndANewScreenSizeReplacesThem)
{
    for (int i = 0; i < 4; ++i)
        recycleScreenBuffer(QImage(64, 32, QImage::Format_RGB32));
    EXPECT_EQ(recycledScreenBuffers(), 2);
    recycleScreenBuffer(QImage(128, 64, QImage::Format_RGB32));
    EXPECT_EQ(recycledScreenBuffers(), 1);
    EXPECT_EQ(takeScreenBuffer(QSize(64, 32)).isNull(), false);
    EXPECT_EQ(recycledScreenBuffers(), 1);
}

TEST_F(ScreenBuffers, APaintsBuffersServeThePaintMadeAheadAfterIt)
{
    qint64 now = 1000;
    // Inside a window, so that the view keeps its place when shown.
    QWidget window;
    window.resize(200, 100);
    auto* view = new PictureView(&window);
    view->setGeometry(0, 0, 200, 100);
    view->setClock([&now] { return now; });
    view->setEffectDelay(10);
    view->setPaintMaxPasses(10);
    view->setPaintEffect(2000);
    QImage red(200, 100, QImage::Format_RGB32);
    red.fill(Qt::red);
    view->setImage(red);
    window.show();
    ASSERT_TRUE(view->isPainting());
    const uchar* drawnInto = view->currentFrame().constBits();
    now += 500;
    view->advanceFrame();
    ASSERT_FALSE(view->isPainting());
    // The frame the paint drew into and the screen it started from.
    EXPECT_EQ(recycledScreenBuffers(), 2);

    PaintPlan plan = view->planPaint(QImage(), QSize(), QRect(), 0, 2000);
    QImage green(200, 100, QImage::Format_RGB32);
    green.fill(Qt::green);
    plan.picture = green;
    plan.sourceSize = green.size();
    plan.geometry = view->geometry();
    preparePaint(plan);
    EXPECT_EQ(recycledScreenBuffers(), 0);
    EXPECT_TRUE(plan.target.constBits() == drawnInto || plan.firstFrame.constBits() == drawnInto);
    // Reused, they hold the right pixels: the first frame of a left-to-right
    // wipe from red to green, then green.
    view->setPlan(std::move(plan));
    view->setImage(green);
    ASSERT_EQ(view->plannedPaints(), 1);
    EXPECT_EQ(view->currentFrame().pixel(1, 50), QColor(Qt::green).rgb());
    EXPECT_EQ(view->currentFrame().pixel(198, 50), QColor(Qt::red).rgb());
    now += 500;
    view->advanceFrame();
    EXPECT_EQ(view->currentFrame().pixel(198, 50), QColor(Qt::green).rgb());
}
