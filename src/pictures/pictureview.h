#pragma once
// The picture view: the widget that stands for the show's and the editor's
// imaging control. It holds one picture, fits it into its rectangle by a size
// mode and a zoom percentage, and paints it with a paint effect when it is
// shown or given a new picture while visible.
//
// Painting is driven by a frame timer at the display's rate; nothing blocks.
// Each frame reads the clock (replaceable, so tests drive a paint with a fake
// clock and advanceFrame()), renders the transition and reports progress.
// Each frame is drawn for the moment it reaches the screen, one frame period
// (frameInterval()) after the clock's reading, and the first one as soon as
// the paint starts, without waiting for the timer: its progress is reported
// at once. A paint no longer than one frame period ends at once.
//
//   show() / load while visible
//        |  old screen = what this view last put on the screen, at its place
//        v  new screen = back colour + picture by size mode and zoom
//   [painting] first frame at once: progress(1..99)
//        |  --frame--> progress(1..99) ... --> progress(100), paintFinished()
//        |  stopPaint(): the new picture at once, progress(100), paintFinished()
//
// Progress is also reported (100) when a load ends, successful or not, so a
// caller that acts on progress events sees one for every load.
//
// Size modes:
//   0  actual size at the zoom percentage, from the top-left corner, clipped
//   1  stretched to the rectangle
//   3  fitted inside the rectangle keeping the aspect ratio (enlarged or
//      reduced), centred
//   other values draw as 0.

#include <functional>
#include <memory>
#include <optional>

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QWidget>

#include "pictures/imageio.h"
#include "pictures/textdraw.h"
#include "pictures/transitions.h"

class QThreadPool;
class QTimer;

namespace pictures {

// The costly part of a paint, made ahead of time on any thread: the new
// screen composed, the transition from the old screen built (its reveal
// field included) and its first frame drawn. PictureView::planPaint() fills
// in what the view knows, on the view's thread; preparePaint() does the work
// anywhere; PictureView::setPlan() hands it back. A paint that starts while
// everything it depends on is as the plan saw it only shows the plan's first
// frame; any difference (another picture, size, effect, old screen) and the
// view builds its paint as usual.
struct PaintPlan {
    // Inputs.
    QImage picture;
    QSize sourceSize;
    QRect geometry; // where the view will be, parent coordinates
    int effect = 0;
    EffectParams params;
    int sizeMode = 0;
    int zoom = 100;
    QColor backColor;
    qreal pixelRatio = 1;
    int frameInterval = 16;
    QImage oldFrame;  // the view's final screen when the plan was made
    QRect oldRect;    // and where it was
    quint64 oldSerial = 0;
    bool valid = false; // planPaint() filled in the view's side
    // Results of preparePaint().
    QImage target;
    std::shared_ptr<Transition> transition; // null: the paint is instant
    QImage firstFrame;
    bool prepared = false;
};

// Any thread: composes, builds and draws the first frame.
void preparePaint(PaintPlan& plan);

class PictureView : public QWidget {
    Q_OBJECT
public:
    explicit PictureView(QWidget* parent = nullptr);
    ~PictureView() override;

    // --- picture -------------------------------------------------------------
    // Loads the file's first image. On failure the previous picture stays.
    // The picture is decoded to fit the decode bound (default: the size of the
    // screen the view is on), so pictures larger than the screen never exist
    // at full size: it may come out up to twice the bound's size (the cheapest
    // DCT scale), since painting resamples it anyway. imageSize() is then the
    // decoded size and sourceSize() the file's own.
    LoadStatus loadImage(const QString& path);
    // The same without waiting: shows `quick` (a thumbnail of the file) at
    // once when it is not null, decodes the file on a worker thread and
    // shows it when it arrives, unless another picture was given meanwhile
    // (then the result is dropped). loaded() reports the outcome; on failure
    // what is shown stays. The sharp picture replaces the quick one without
    // a paint effect: it is the same picture.
    void loadImageAsync(const QString& path, const QImage& quick = {});
    // A decode started by loadImageAsync() has not arrived yet.
    bool isLoading() const { return m_loading; }
    void setImage(const QImage& image); // a null image drops the picture
    void dropImage();                   // the image handle written 0
    bool hasImage() const;
    QImage image() const;
    QSize imageSize() const;  // pixel size of the held picture; 0x0 without one
    QSize sourceSize() const; // the file's own pixel size (as imageSize() for setImage)
    bool saveImage(const QString& path, SaveFormat format, QString* error = nullptr) const;
    void setDecodeBound(const QSize& bound); // invalid = the screen's size
    QSize decodeBound() const;

    // Header-only information about a file; lastInfoOk() is the Boolean read
    // right after the query.
    ImageInfo queryInfo(const QString& path);
    bool lastInfoOk() const { return m_lastInfoOk; }

    // --- text on the picture -------------------------------------------------
    // Draws onto the held picture (picture pixels); no effect is run.
    void drawText(const QString& text, const TextStyle& style, const QRect& rect, int alignment);

    // --- paint properties (used by the next paint) ----------------------------
    void setPaintEffect(int code);
    int paintEffect() const { return m_effect; }
    void setEffectParams(const EffectParams& params);
    EffectParams effectParams() const { return m_params; }
    void setEffectGrain(int v) { m_params.grain = v; }
    int effectGrain() const { return m_params.grain; }
    void setEffectDelay(int v) { m_params.delayMs = v; }
    int effectDelay() const { return m_params.delayMs; }
    void setPaintMaxPasses(int v) { m_params.maxPasses = v; }
    int paintMaxPasses() const { return m_params.maxPasses; }
    void setWandSize(int v) { m_params.wandSize = v; }
    int wandSize() const { return m_params.wandSize; }
    void setWandColor(const QColor& c) { m_params.wandColor = c; }
    QColor wandColor() const { return m_params.wandColor; }
    void setTransparentColor(const QColor& c) { m_params.transparentColor = c; }
    QColor transparentColor() const { return m_params.transparentColor; }
    void setBackColor(const QColor& color);
    QColor backColor() const { return m_backColor; }

    // --- fitting --------------------------------------------------------------
    void setPaintSizeMode(int mode);
    int paintSizeMode() const { return m_sizeMode; }
    void setZoom(int percent); // 100 = actual size; clamped to 1..10000
    int zoom() const { return m_zoom; }

    // --- painting -------------------------------------------------------------
    bool isPainting() const;
    int paintProgress() const { return m_progress; }
    void stopPaint();
    // Milliseconds, monotonic. Default: a QElapsedTimer started with the view.
    void setClock(std::function<qint64()> clock);
    // One frame: what the frame timer calls. Public so tests can step a paint.
    void advanceFrame();
    // Milliseconds between two frames at the screen's refresh rate (of the
    // running paint, else of the last one); a frame shows the paint as it
    // stands this long after the clock's reading.
    int frameInterval() const { return m_frameInterval; }
    // What the view shows now (the current frame, at the view's size).
    QImage currentFrame() const;

    // --- paints made ahead (see PaintPlan) ------------------------------------
    // The view's side of a plan for `picture` shown at `geometry` with the
    // current paint properties and size mode, `effect` and the view's zoom.
    PaintPlan planPaint(const QImage& picture, QSize sourceSize, const QRect& geometry,
                        int sizeMode, int effect) const;
    // The next paint uses the plan when it still fits (once; dropped after).
    void setPlan(PaintPlan plan);
    // Paints that used a plan, for tests and benchmarks.
    int plannedPaints() const { return m_plannedPaints; }

Q_SIGNALS:
    void progress(int percent);
    void paintFinished();
    void loaded(bool ok);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    QImage composeScreen() const; // back colour + picture, at the view's size
    bool planFits(const PaintPlan& plan) const;
    void startPaint();
    void finishPaint();
    void refreshStill();
    void emitProgress(int percent);

    QImage m_image;
    QSize m_sourceSize;
    quint64 m_loadSerial = 0; // moves on with every picture given
    bool m_loading = false;
    bool m_quickShown = false;
    std::unique_ptr<QThreadPool> m_decoder; // made on the first asynchronous load
    QSize m_decodeBound;
    bool m_lastInfoOk = false;

    int m_effect = 0;
    EffectParams m_params;
    QColor m_backColor = QColor(0, 0, 0);
    int m_sizeMode = 0;
    int m_zoom = 100;

    QImage m_frame;    // what is on the screen
    QRect m_frameRect; // where (parent coordinates) m_frame was put
    bool m_frameValid = false;
    std::shared_ptr<Transition> m_transition;
    qint64 m_paintStart = 0;
    int m_frameInterval = 16; // ms between frames of the paint running or last run
    int m_progress = 0;
    QTimer* m_timer = nullptr;
    std::function<qint64()> m_clock;
    quint64 m_serial = 0; // changes whenever the final screen does
    std::optional<PaintPlan> m_plan;
    int m_plannedPaints = 0;
};

} // namespace pictures
