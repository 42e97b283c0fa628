#pragma once
// The installer's window: the welcome text, the destination folder, the
// file being installed and the overall progress, with Install and Cancel.

#include <QDialog>

#include "sfx/packageinstaller.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace sfx {

class InstallerWindow : public QDialog {
    Q_OBJECT
public:
    InstallerWindow(PackageInstaller& installer, const QString& iconPath,
                    QWidget* parent = nullptr);

    QLineEdit* destination() const { return m_destination; }
    QPushButton* installButton() const { return m_install; }
    QProgressBar* progressBar() const { return m_bar; }
    bool installed() const { return m_installed; }

public Q_SLOTS:
    void reject() override;

private:
    void install();
    bool confirmAbort();

    PackageInstaller& m_installer;
    QLineEdit* m_destination = nullptr;
    QLabel* m_file = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_install = nullptr;
    QPushButton* m_cancel = nullptr;
    bool m_running = false;
    bool m_abort = false;
    bool m_installed = false;
};

} // namespace sfx
