#pragma once
// frmSaver: the show window of both programs. It reads the settings and the
// lists at the start, and wires the show state machine to the picture view,
// the video view and the sound player. It does not decide where it lives:
// the dispatcher makes it full-screen, embeds it into a preview window or
// into an XScreenSaver host; the window only needs to know which of the
// three it is, because a preview plays no sound and draws no overlay, and a
// hosted or preview show leaves input to its host.
//
// Pictures are decoded on a worker thread at the size they are shown at,
// the next one while the current one is on screen, so a tick starts its
// paint at once; the paint runs from the view's frame timer. Memory holds at
// most the picture on screen and the next one.

#include <memory>
#include <optional>

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QImage>
#include <QPointer>
#include <QWidget>

#include "pictures/pictureview.h"
#include "pictures/textdraw.h"
#include "show/pendingfiles.h"
#include "show/placement.h"
#include "show/showmachine.h"

class QTimer;

namespace pictures {
class PictureView;
}
namespace media {
class VideoView;
class SoundPlayer;
} // namespace media

namespace show {

// What a picture is decoded for: the size depends on all of it.
struct DecodeFit {
    QSize window;
    QString zoomText;
    double zoomPercent = 100;
    bool preview = false;
    bool operator==(const DecodeFit&) const = default;
};

// The display text as it would be drawn on the next picture.
struct OverlayInputs {
    QString text; // empty: no text
    pictures::TextStyle style;
    QString alignText;
    double zoom = 1;
    QPointF position; // where the last block went
    bool operator==(const OverlayInputs&) const = default;
};

// Where and how a picture goes in the window.
struct PictureSpot {
    QRect rect;
    int sizeMode = 0;
};

// A decoded picture, ready to be painted.
struct DecodedPicture {
    QString path;
    QImage image;
    QSize sourceSize;
    bool ok = false;
    DecodeFit fit;
    // Made with the decode, off the window's thread, when the window could
    // say what the paint would be: the picture with its text, the text's
    // new place, and the paint itself. Used when nothing changed since.
    std::optional<OverlayInputs> overlay;
    QImage shown;
    QPointF textPosition;
    std::optional<pictures::PaintPlan> plan;
};

// Where the runtime's show finds its bundle: the folder it is unpacked
// into, and the files still on their way there (none when null).
struct BundleFolder {
    QString folder; // ends in "/"
    PendingFiles* pending = nullptr;
    // The program's path, whose name gives the bundle's names; empty: the
    // first argument of the process.
    QString programPath;
};

class frmSaver : public QWidget, private ShowHost {
    Q_OBJECT
public:
    // The runtime reads its bundle from the work folder.
    frmSaver(Program program, ShowMode mode, QWidget* parent = nullptr);
    // The runtime reads its bundle from `bundle`, which must outlive the window.
    frmSaver(Program program, ShowMode mode, const BundleFolder& bundle,
             QWidget* parent = nullptr);
    ~frmSaver() override;

    // The mode from the dispatcher's view: a preview, a host's window, or
    // else full screen.
    static ShowMode modeFor(bool preview, bool hosted)
    {
        return preview ? ShowMode::Preview : hosted ? ShowMode::Hosted : ShowMode::FullScreen;
    }

    Program program() const { return m_program; }
    ShowMode mode() const { return m_mode; }
    const ShowMachine& machine() const { return *m_machine; }
    QStringList images() const { return m_machine->config().images; }
    QStringList sounds() const { return m_machine->config().sounds; }
    QColor backColor() const { return m_backColor; }
    pictures::PictureView* pictureView() const { return m_picture; }
    const media::SoundPlayer* soundPlayer() const { return m_sound; }
    // A picture is being decoded on the worker thread.
    bool decoding() const { return !m_decoding.isEmpty(); }

    // Twips per pixel of the placement maths (96 dots per inch).
    static constexpr double kTwipsPerPixel = 15.0;
    // Where a picture goes in a window of `window` pixels (pure maths over
    // the settings' values); `imageSize` is the decoded size.
    static PictureSpot spotFor(const QString& zoomText, int zoomPercent, QSize sourceSize,
                               QSize imageSize, QSize window, int currentMode);
    // Paints that started from a paint made ahead with the decode.
    int plannedPaints() const;

Q_SIGNALS:
    // The first item is on the screen (its paint has started), or the show
    // has nothing to present. For benchmarks and tests.
    void firstItemShown();
    // A tick asked for this picture to be painted.
    void pictureRequested(const QString& path);
    // The picture asked for last is on its way to the screen: its paint runs.
    void paintStarted();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // ShowHost
    std::optional<EffectChoice> effectChoice() override;
    bool isPainting() const override;
    bool isClipPlaying() const override;
    bool isClipVisible() const override;
    void showPicture(const QString& path, bool exists, int effect) override;
    void showClip(const QString& path, bool reopen) override;
    void prepareNext(const QString& path) override;
    bool itemExists(const QString& path) override;
    bool isSoundPlaying() const override;
    void playSound(const QString& path, SoundKind kind) override;
    QPoint cursorPos() const override;
    void stopPaint() override;
    void stopClip() override;
    void closeShow() override;

    // Settings of the show, from the program key or (runtime) the bundle's
    // settings file with the program key overriding it.
    QString setting(const QString& name, const QString& fileKey, const QString& def) const;
    QString fileSetting(const QString& key, const QString& def) const;
    bool settingsFileExists() const;
    void readPaintSettings();
    void loadLists(ShowMachine::Config& config);

    void startShow();
    void schedule();
    void pump();
    qint64 now() const { return m_clock.elapsed(); }

    // Pictures
    QSize decodeSizeFor(const QSize& sourceSize) const;
    // Decodes `path` on the worker for a window of `window` (default: this
    // window's size as it is now).
    void startDecode(const QString& path, QSize window = {});
    DecodeFit currentFit(QSize window) const;
    void decodeDone();
    void finishDecode(DecodedPicture result);
    void decodeStuck();
    void presentPicture(DecodedPicture picture, int effect);
    OverlayInputs overlayInputs();
    void placeCurrentPicture();
    void coverOtherScreens();
    void screensChanged();

    void placeClip();
    void soundStatus();
    void unload();

    const Program m_program;
    const ShowMode m_mode;
    QColor m_backColor;
    QString m_displayText; // editor: read once at the start
    QString m_workFolder;  // runtime
    PendingFiles* m_pending = nullptr; // runtime
    QString m_programPath;             // runtime
    QString m_settingsFile;

    pictures::PictureView* m_picture = nullptr;
    media::VideoView* m_video = nullptr;
    media::SoundPlayer* m_sound = nullptr;
    QTimer* m_tick = nullptr;
    QElapsedTimer m_clock;
    std::unique_ptr<ShowMachine> m_machine;
    bool m_started = false;
    bool m_unloaded = false;
    bool m_firstShown = false;
    bool m_clipUnplaced = false;

    // Decoding: one job at a time; `m_ready` is the newest finished one.
    QFutureWatcher<DecodedPicture>* m_decoder = nullptr;
    QTimer* m_decodeWatch = nullptr; // a decode taking longer is given up
    static constexpr int kDecodePatienceMs = 15000;
    QString m_decoding;
    std::optional<DecodedPicture> m_ready;
    QString m_waitingFor; // a tick asked for this picture before it was decoded
    int m_waitingEffect = 0;
    QString m_queued; // to decode when the running job ends

    DecodedPicture m_current; // the picture on screen, without the overlay
    pictures::TextStyle m_textStyle;
    QPointF m_textPos;
    QList<QPointer<QWidget>> m_covers;
    QTimer* m_coverAgain = nullptr;
};

} // namespace show
