#pragma once
// Minimal stand-ins for the show window and the configuration windows, so
// that every mode opens a real window until the show and the editor plug in
// their own through the dispatcher's factories.

#include <QColor>
#include <QWidget>

#include "app/commandline.h"

class QListWidget;

namespace app {

// A colour stored as decimal text of 0x00BBGGRR; anything unreadable is black.
QColor colorFromStored(const QString& text);

// The show: the background colour of "Background Color" and nothing else.
// Full-screen, a key or a click closes it; embedded, input belongs to the host.
class PlaceholderShowWindow : public QWidget {
public:
    explicit PlaceholderShowWindow(const Mode& mode);
    QColor background() const { return m_background; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QColor m_background;
    bool m_endsOnInput;
};

// The configuration window: its caption, and a list of the requests that
// later starts forwarded to it.
class PlaceholderConfigWindow : public QWidget {
public:
    PlaceholderConfigWindow(const QString& caption, const Mode& mode);
    // A forwarded "[Restore App]" or project path.
    void receive(const QString& message);
    QStringList received() const;

private:
    QListWidget* m_requests;
};

} // namespace app
