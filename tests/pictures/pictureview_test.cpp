// The picture view: paints driven by a fake clock, progress, stop, size modes.

#include <thread>

#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "pictures/pictureview.h"

using namespace pictures;

namespace {

QImage filled(QSize size, QColor color)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(color);
    return img;
}

QRgb at(const PictureView& view, int x, int y)
{
    return view.currentFrame().pixel(x, y) & 0xffffff;
}

constexpr QRgb kRed = 0xff0000, kBlue = 0x0000ff, kGreen = 0x00ff00;

struct FakeClock {
    qint64 now = 1000;
    std::function<qint64()> fn()
    {
        return [this] { return now; };
    }
};

class PictureViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        view.setClock(clock.fn());
        view.resize(200, 100);
        view.setBackColor(Qt::blue);
        view.setEffectDelay(10);
        view.setPaintMaxPasses(10); // a paint lasts 100 ms
    }
    FakeClock clock;
    PictureView view;
};

} // namespace

TEST_F(PictureViewTest, ShowingPaintsWithTheEffectFromTheBackColourToThePicture)
{
    view.setImage(filled(QSize(200, 100), Qt::red));
    view.setPaintEffect(2000); // left to right
    QSignalSpy progress(&view, &PictureView::progress);
    QSignalSpy finished(&view, &PictureView::paintFinished);
    view.show();
    ASSERT_TRUE(view.isPainting());
    // Frames are drawn for the moment they reach the screen, one frame
    // period on (see the next test).
    const int lead = view.frameInterval();
    ASSERT_LT(lead, 50);
    EXPECT_EQ(at(view, 195, 50), kBlue);

    clock.now += 50 - lead;
    view.advanceFrame();
    EXPECT_EQ(at(view, 5, 50), kRed);
    EXPECT_EQ(at(view, 95, 50), kRed);
    EXPECT_EQ(at(view, 105, 50), kBlue);
    EXPECT_EQ(view.paintProgress(), 50);

    clock.now += 50;
    view.advanceFrame();
    EXPECT_FALSE(view.isPainting());
    EXPECT_EQ(at(view, 195, 50), kRed);
    ASSERT_EQ(finished.count(), 1);
    ASSERT_EQ(progress.count(), 3);
    EXPECT_EQ(progress.at(1).at(0).toInt(), 50);
    EXPECT_EQ(progress.last().at(0).toInt(), 100);
}

TEST_F(PictureViewTest, TheFirstFrameIsDrawnWhenThePaintStartsWithoutWaitingForATick)
{
    view.setImage(filled(QSize(200, 100), Qt::red));
    view.setEffectDelay(4);
    view.setPaintMaxPasses(25); // a paint lasts 100 ms, in passes of 4 ms
    view.setPaintEffect(2000);  // left to right
    QSignalSpy progress(&view, &PictureView::progress);
    QSignalSpy finished(&view, &PictureView::paintFinished);
    view.show();
    // The clock has not moved, yet the frame for one frame period on is
    // drawn and reported.
    ASSERT_TRUE(view.isPainting());
    const int lead = view.frameInterval();
    ASSERT_GE(lead, 8);
    ASSERT_LE(lead, 40);
    ASSERT_EQ(progress.count(), 1);
    EXPECT_EQ(progress.at(0).at(0).toInt(), lead);
    EXPECT_EQ(at(view, 5, 50), kRed);
    EXPECT_EQ(at(view, 195, 50), kBlue);

    // The ticks carry on from there and the paint keeps its length.
    clock.now += 60 - lead;
    view.advanceFrame();
    EXPECT_EQ(view.paintProgress(), 60);
    clock.now += 39;
    view.advanceFrame();
    EXPECT_TRUE(view.isPainting());
    EXPECT_EQ(view.paintProgress(), 99);
    clock.now += 1;
    view.advanceFrame();
    EXPECT_FALSE(view.isPainting());
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(progress.last().at(0).toInt(), 100);
}

TEST_F(PictureViewTest, APaintNoLongerThanAFramePeriodEndsAtOnce)
{
    view.setImage(filled(QSize(200, 100), Qt::red));
    view.setEffectDelay(1);
    view.setPaintMaxPasses(2); // 2 ms
    view.setPaintEffect(2000);
    QSignalSpy progress(&view, &PictureView::progress);
    QSignalSpy finished(&view, &PictureView::paintFinished);
    view.show();
    EXPECT_FALSE(view.isPainting());
    ASSERT_EQ(progress.count(), 1);
    EXPECT_EQ(progress.at(0).at(0).toInt(), 100);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(at(view, 195, 50), kRed);
}

TEST_F(PictureViewTest, TheNextPictureTakesOverFromThePreviousOne)
{
    view.setImage(filled(QSize(200, 100), Qt::red));
    view.setPaintEffect(0); // at once
    view.show();
    EXPECT_FALSE(view.isPainting());
    EXPECT_EQ(at(view, 100, 50), kRed);

    view.setPaintEffect(16000); // cross-fade
    view.setImage(filled(QSize(200, 100), Qt::green));
    ASSERT_TRUE(view.isPainting());
    // Starts from what was on the screen: the first frame is mostly red.
    const QColor start = QColor::fromRgb(at(view, 100, 50));
    EXPECT_GT(start.red(), 150);
    EXPECT_LT(start.green(), 100);
    clock.now += 50;
    view.advanceFrame();
    const QRgb mid = at(view, 100, 50);
    EXPECT_NE(mid, kRed);
    EXPECT_NE(mid, kGreen);
    clock.now += 50;
    view.advanceFrame();
    EXPECT_EQ(at(view, 100, 50), kGreen);
}

// A magenta square in a green picture over a red one: the red stays visible
// through the square whether the picture comes with an effect or at once.
class TransparentColour : public PictureViewTest, public ::testing::WithParamInterface<int> {};

TEST_P(TransparentColour, LetsTheOldPictureThroughWithOrWithoutAnEffect)
{
    view.setImage(filled(QSize(200, 100), Qt::red));
    view.setPaintEffect(0);
    view.show();
    ASSERT_EQ(at(view, 100, 50), kRed);

    QImage next = filled(QSize(200, 100), Qt::green);
    {
        QPainter p(&next);
        p.fillRect(90, 40, 20, 20, Qt::magenta);
    }
    view.setTransparentColor(Qt::magenta);
    view.setPaintEffect(GetParam());
    view.setImage(next);
    view.stopPaint();
    EXPECT_EQ(at(view, 100, 50), kRed);
    EXPECT_EQ(at(view, 20, 20), kGreen);
}

INSTANTIATE_TEST_SUITE_P(Effects, TransparentColour, ::testing::Values(0, 2000, 16000),
                         [](const auto& info) {
                             return info.param == 0 ? std::string("AtOnce")
                                                    : "Effect" + std::to_string(info.param);
                         });

TEST_F(PictureViewTest, AnEffectDelayOfZeroStillPaintsTheEffect)
{
    view.setImage(filled(QSize(200, 100), Qt::red));
    view.setPaintEffect(0);
    view.show();
    view.setEffectDelay(0);
    view.setPaintMaxPasses(100);
    view.setPaintEffect(2000); // left to right
    view.setImage(filled(QSize(200, 100), Qt::green));
    ASSERT_TRUE(view.isPainting());
    EXPECT_EQ(at(view, 190, 50), kRed); // the first frame: the front has not got there
    clock.now += 100; // a hundred 1 ms steps: the fastest pace
    view.advanceFrame();
    EXPECT_FALSE(view.isPainting());
    EXPECT_EQ(at(view, 190, 50), kGreen);
}

TEST_F(PictureViewTest, HidingLoadingAndShowingAgainStartsANewPaint)
{
    view.setImage(filled(QSize(200, 100), Qt::red));
    view.show();
    clock.now += 200;
    view.advanceFrame();
    view.hide();
    view.setPaintEffect(5000);
    view.setImage(filled(QSize(200, 100), Qt::green));
    EXPECT_FALSE(view.isPainting()); // hidden: nothing painted yet
    view.show();
    EXPECT_TRUE(view.isPainting());
    // An iris opening from the centre over the red that was on the screen.
    EXPECT_EQ(at(view, 100, 50), kGreen);
    EXPECT_EQ(at(view, 2, 2), kRed);
}

TEST_F(PictureViewTest, StopShowsThePictureAndReportsTheEnd)
{
    view.setImage(filled(QSize(200, 100), Qt::red));
    view.setPaintEffect(6000);
    view.show();
    clock.now += 30;
    view.advanceFrame();
    QSignalSpy progress(&view, &PictureView::progress);
    view.stopPaint();
    EXPECT_FALSE(view.isPainting());
    EXPECT_EQ(at(view, 100, 50), kRed);
    ASSERT_EQ(progress.count(), 1);
    EXPECT_EQ(progress.at(0).at(0).toInt(), 100);
    view.stopPaint(); // nothing running: nothing reported
    EXPECT_EQ(progress.count(), 1);
}

TEST_F(PictureViewTest, StopFromInsideTheProgressHandlerIsSafe)
{
    view.setImage(filled(QSize(200, 100), Qt::red));
    view.setPaintEffect(7000);
    QObject::connect(&view, &PictureView::progress, &view, [this](int p) {
        if (p > 0 && p < 100)
            view.stopPaint();
    });
    view.show();
    clock.now += 40;
    view.advanceFrame();
    EXPECT_FALSE(view.isPainting());
    EXPECT_EQ(view.paintProgress(), 100);
}

TEST_F(PictureViewTest, TheFrameTimerDrivesAPaintWithTheRealClock)
{
    PictureView real;
    real.resize(64, 64);
    real.setEffectDelay(10);
    real.setPaintMaxPasses(10);
    real.setPaintEffect(4000);
    real.setImage(filled(QSize(64, 64), Qt::red));
    QSignalSpy finished(&real, &PictureView::paintFinished);
    real.show();
    EXPECT_TRUE(real.isPainting());
    EXPECT_TRUE(finished.wait(3000));
    EXPECT_EQ(real.currentFrame().pixel(10, 10) & 0xffffff, kRed);
}

TEST_F(PictureViewTest, SizeModesAndZoom)
{
    view.setImage(filled(QSize(40, 20), Qt::red));
    view.show();
    // 0: actual size from the top-left corner
    view.setPaintSizeMode(0);
    EXPECT_EQ(at(view, 10, 10), kRed);
    EXPECT_EQ(at(view, 50, 10), kBlue);
    view.setZoom(200);
    EXPECT_EQ(view.zoom(), 200);
    EXPECT_EQ(at(view, 70, 30), kRed);
    EXPECT_EQ(at(view, 90, 30), kBlue);
    view.setZoom(100);
    // 1: stretched to the rectangle
    view.setPaintSizeMode(1);
    EXPECT_EQ(at(view, 190, 90), kRed);
    // 3: fitted keeping the aspect ratio, centred
    view.resize(200, 200);
    view.setPaintSizeMode(3);
    EXPECT_EQ(at(view, 100, 100), kRed);
    EXPECT_EQ(at(view, 100, 20), kBlue);
    EXPECT_EQ(at(view, 100, 180), kBlue);
    EXPECT_EQ(at(view, 5, 100), kRed);
}

TEST_F(PictureViewTest, FailedLoadsKeepThePictureAndStillReportProgress)
{
    QTemporaryDir dir;
    view.setImage(filled(QSize(10, 10), Qt::red));
    QSignalSpy progress(&view, &PictureView::progress);
    EXPECT_EQ(view.loadImage(dir.filePath("missing.png")), LoadStatus::NotFound);
    EXPECT_TRUE(view.hasImage());
    EXPECT_EQ(view.image().pixel(1, 1) & 0xffffff, kRed);
    EXPECT_EQ(progress.count(), 1);
    view.dropImage();
    EXPECT_FALSE(view.hasImage());
    EXPECT_EQ(view.imageSize(), QSize(0, 0));
}

TEST_F(PictureViewTest, PicturesLargerThanTheDecodeBoundAreDecodedSmaller)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("big.jpg");
    ASSERT_TRUE(saveImage(filled(QSize(1200, 800), Qt::green), path, SaveFormat::Jpeg));
    view.setDecodeBound(QSize(300, 300));
    EXPECT_EQ(view.loadImage(path), LoadStatus::Ok);
    EXPECT_EQ(view.imageSize(), QSize(300, 200));
    EXPECT_EQ(view.sourceSize(), QSize(1200, 800));
    const ImageInfo info = view.queryInfo(path);
    EXPECT_TRUE(view.lastInfoOk());
    EXPECT_EQ(info.size, QSize(1200, 800));
    view.queryInfo(dir.filePath("none.jpg"));
    EXPECT_FALSE(view.lastInfoOk());
}

// A paint made ahead on another thread gives the very frames of one built
// when it starts, and is not used once anything it was made from changed.
namespace {

struct PlanCase {
    const char* name;
    int effect;
    QPoint move; // where the view goes for the new picture
};

void PrintTo(const PlanCase& c, std::ostream* os)
{
    *os << c.name;
}

class PaintPlanTest : public ::testing::TestWithParam<PlanCase> {};

// Shows red, then paints `next` with the case's effect, made ahead or not;
// returns the frames at a few moments.
std::vector<QImage> paintFrames(const PlanCase& c, bool ahead, int* planned)
{
    FakeClock clock;
    PictureView view;
    view.setClock(clock.fn());
    view.setGeometry(0, 0, 200, 100);
    view.setBackColor(Qt::blue);
    view.setEffectDelay(10);
    view.setPaintMaxPasses(10);
    view.setImage(filled(QSize(200, 100), Qt::red));
    view.show();
    clock.now += 500;
    view.advanceFrame();

    QImage next(160, 90, QImage::Format_RGB32);
    next.fill(Qt::green);
    QPainter(&next).fillRect(10, 10, 40, 40, Qt::yellow);
    const QRect geometry(QPoint(0, 0) + c.move, QSize(180, 100));
    view.hide();
    view.setPaintEffect(c.effect);
    view.setPaintSizeMode(3);
    if (ahead) {
        PaintPlan plan = view.planPaint(QImage(), QSize(), QRect(), 3, c.effect);
        plan.picture = next;
        plan.sourceSize = next.size();
        plan.geometry = geometry;
        std::thread worker([&] { preparePaint(plan); });
        worker.join();
        view.setPlan(std::move(plan));
    }
    view.setGeometry(geometry);
    view.setImage(next);
    view.show();
    std::vector<QImage> frames{view.currentFrame().copy()};
    for (int step = 0; step < 4; ++step) {
        clock.now += 23;
        view.advanceFrame();
        frames.push_back(view.currentFrame().copy());
    }
    *planned = view.plannedPaints();
    return frames;
}

} // namespace

TEST_P(PaintPlanTest, MadeAheadItPaintsTheSameFrames)
{
    int plannedAhead = 0, plannedNow = 0;
    const std::vector<QImage> ahead = paintFrames(GetParam(), true, &plannedAhead);
    const std::vector<QImage> now = paintFrames(GetParam(), false, &plannedNow);
    EXPECT_EQ(plannedAhead, 1);
    EXPECT_EQ(plannedNow, 0);
    ASSERT_EQ(ahead.size(), now.size());
    for (size_t i = 0; i < ahead.size(); ++i)
        EXPECT_TRUE(ahead[i] == now[i]) << GetParam().name << " frame " << i;
    // An effect ran: its first frame is not yet the picture.
    if (GetParam().effect != 0)
        EXPECT_TRUE(ahead.front() != ahead.back());
}

INSTANTIATE_TEST_SUITE_P(Effects, PaintPlanTest,
                         ::testing::Values(PlanCase{"wipe_in_place", 2000, {0, 0}},
                                           PlanCase{"iris_moved", 5000, {20, 0}},
                                           PlanCase{"push_moved", 8001, {10, 0}},
                                           PlanCase{"fade_in_place", 16000, {0, 0}},
                                           PlanCase{"at_once", 0, {0, 0}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PictureViewTest, APaintEndsOnTheScreenMadeAheadNotOnACopyOfIt)
{
    // A copy of the final screen is a fresh screen-sized buffer on the
    // window's thread at the last frame of every paint.
    view.setImage(filled(QSize(200, 100), Qt::red));
    view.show();
    clock.now += 500;
    view.advanceFrame();
    view.setPaintEffect(2000);
    PaintPlan plan = view.planPaint(QImage(), QSize(), QRect(), 0, 2000);
    plan.picture = filled(QSize(200, 100), Qt::green);
    plan.sourceSize = QSize(200, 100);
    plan.geometry = view.geometry();
    preparePaint(plan);
    const uchar* const made = plan.target.constBits();
    const QImage picture = plan.picture;
    view.setPlan(std::move(plan));
    view.setImage(picture);
    ASSERT_EQ(view.plannedPaints(), 1);
    ASSERT_TRUE(view.isPainting());
    clock.now += 500;
    view.advanceFrame();
    ASSERT_FALSE(view.isPainting());
    EXPECT_EQ(at(view, 195, 50), kGreen);
    EXPECT_EQ(view.currentFrame().constBits(), made);
}

TEST_F(PictureViewTest, APlanMadeForAnotherScreenIsNotUsed)
{
    view.setImage(filled(QSize(200, 100), Qt::red));
    view.show();
    view.setPaintEffect(2000);
    PaintPlan plan = view.planPaint(QImage(), QSize(), QRect(), 0, 2000);
    const QImage green = filled(QSize(200, 100), Qt::green);
    plan.picture = green;
    plan.sourceSize = green.size();
    plan.geometry = view.geometry();
    preparePaint(plan);
    // The screen changed after the plan was made: blue instead of red.
    view.setBackColor(Qt::white);
    view.setImage(filled(QSize(200, 100), Qt::blue));
    clock.now += 500;
    view.advanceFrame();
    view.setPlan(plan);
    view.setImage(green);
    EXPECT_EQ(view.plannedPaints(), 0);
    // The paint starts from the blue screen, not the red one of the plan.
    EXPECT_EQ(at(view, 195, 50), kBlue);
    // A picture other than the plan's is not painted from it either.
    clock.now += 500;
    view.advanceFrame();
    plan = view.planPaint(QImage(), QSize(), QRect(), 0, 2000);
    plan.picture = filled(QSize(200, 100), Qt::red);
    plan.sourceSize = QSize(200, 100);
    plan.geometry = view.geometry();
    preparePaint(plan);
    view.setPlan(plan);
    view.setImage(filled(QSize(200, 100), Qt::red));
    EXPECT_EQ(view.plannedPaints(), 0);
}
