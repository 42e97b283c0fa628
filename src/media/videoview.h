#pragma once
// A widget that plays one video clip at a time, drawn by us (libmpv's
// software renderer into a frame buffer that paintEvent() draws), so that
// input and painting stay in the widget tree.
//
// Contract, for the show:
//  - Nothing of the video machinery starts before the first open(): a show
//    of pictures only never loads a decoder.
//  - All calls and all signals are on the GUI thread.
//  - A clip that cannot be opened shows nothing; open() returns false and
//    nothing is reported to the user.
//  - Geometry is the widget's own (move(), resize(), setGeometry()): the
//    frame is drawn scaled to the widget, keeping its aspect ratio and
//    centred unless setKeepAspect(false); the part of the widget that the
//    frame does not cover is left unpainted, so the parent shows through.
//  - Input is never eaten: key, mouse and wheel events are reported through
//    the signals below and then ignored, so they propagate to the parent.
//    Mouse tracking is on, so plain mouse moves are reported too. The view
//    takes no keyboard focus by itself.
//  - With no sound card (or KELVRA_AUDIO=null), clips play silently.

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>

namespace media {

class VideoView : public QWidget {
    Q_OBJECT
public:
    explicit VideoView(QWidget* parent = nullptr);
    ~VideoView() override;

    // Opens `path`, closing whatever was open, and waits (a few seconds at
    // most) until its first frame is decoded, so that frameSize() is known
    // when it returns. The clip stays paused at its start until play().
    // Returns false, and leaves the view empty, when the file cannot be
    // played.
    bool open(const QString& path);

    // Starts the open clip. After the clip has ended, or after stop(), it
    // starts again from its beginning. Does nothing when nothing is open.
    void play();

    // Stops playback; the current frame stays on the view.
    void stop();

    // Stops and forgets the clip; the view then draws nothing.
    void close();

    bool isOpen() const;
    bool isPlaying() const;
    // The video control's playing state: -1 while a clip plays, 0 otherwise.
    int playingState() const { return isPlaying() ? -1 : 0; }

    QString fileName() const;
    // The clip's frame size in pixels (display aspect applied); empty when
    // nothing is open.
    QSize frameSize() const;
    int frameWidth() const { return frameSize().width(); }
    int frameHeight() const { return frameSize().height(); }

    // Keep the frame's aspect ratio inside the widget (default) or stretch it.
    void setKeepAspect(bool keep);
    bool keepAspect() const;

    // The last frame drawn, at the size it is painted (null when none), and
    // the rectangle it occupies inside the widget.
    QImage currentFrame() const;
    QRect frameRect() const;
    // Frames drawn since the view was made; a moving clip makes it grow.
    quint64 renderedFrames() const;

Q_SIGNALS:
    // The state changed: a clip was opened, started, stopped, ended or closed.
    // Emitted from the event loop, never from inside a call to this view.
    void statusChanged();
    // The clip played to its end (also followed by statusChanged()).
    void ended();
    // A new frame was drawn into the frame buffer.
    void frameRendered();
    // Input over the view; the event itself then goes on to the parent.
    void keyPressed(int key);
    void mousePressed(Qt::MouseButton button);
    void mouseMoved(const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace media
