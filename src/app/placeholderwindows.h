#pragma once
// A minimal stand-in for a configuration window, so that the configuration
// mode opens a real window until the program plugs in its own through the
// dispatcher's factories.

#include <QWidget>

#include "app/commandline.h"

class QListWidget;

namespace app {

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
