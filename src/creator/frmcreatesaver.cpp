#include "creator/frmcreatesaver.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "store/paths.h"

namespace creator {

namespace {

const char* const kExplanation =
    "If the recipient of this screen saver has installed a screen saver created with Kelvra "
    "Saver before, select the \"Without Runtimes\" button below.  Otherwise, if the recipient "
    "does not have a screen saver created with Kelvra Saver installed or you are not certain, "
    "select the \"With Runtimes\" option.\n\n"
    "Please note that if the recipient has received a screen saver created with Kelvra Saver, "
    "but uninstalled afterwards, you will need to select the \"With Runtimes\" option unless "
    "the user has another Kelvra Saver screen saver installed.\n\n"
    "For smaller file sizes and download time, you can also select the \"Without Runtimes\" "
    "option and instruct the recipient to download and install the runtimes separately from "
    "the Kelvra Saver homepage.  Please remember that the runtime installation must be "
    "installed before the screen saver created will function.";

} // namespace

QString frmCreateSaver::homepage() { return QStringLiteral("https://kelvra.example/saver"); }

frmCreateSaver::frmCreateSaver(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmCreateSaver"));
    setWindowTitle(QStringLiteral("Kelvra Saver Runtimes..."));
    setModal(true);
    // No Close command in the title bar: only the buttons answer.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    m_label1 = new QLabel(QString::fromLatin1(kExplanation));
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setWordWrap(true);
    m_label1->setMinimumWidth(420);
    m_label2 = new QLabel(QStringLiteral("<a href=\"%1\">Kelvra Saver Homepage</a>")
                              .arg(homepage()));
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label2->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(m_label2, &QLabel::linkActivated, this,
            [](const QString& link) { store::filerun(link); });

    m_with = new QPushButton(QStringLiteral("&With Runtimes"));
    m_with->setObjectName(QStringLiteral("cmdWithRuntimes"));
    m_without = new QPushButton(QStringLiteral("With&out Runtimes"));
    m_without->setObjectName(QStringLiteral("cmdWithoutRuntimes"));
    m_cancel = new QPushButton(QStringLiteral("&Cancel"));
    m_cancel->setObjectName(QStringLiteral("cmdCancel"));
    m_with->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_label2);
    buttons->addStretch();
    buttons->addWidget(m_with);
    buttons->addWidget(m_without);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label1);
    layout->addLayout(buttons);

    connect(m_with, &QPushButton::clicked, this, [this] { choose(WithRuntimes); });
    connect(m_without, &QPushButton::clicked, this, [this] { choose(WithoutRuntimes); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { choose(CancelledChoice); });
}

void frmCreateSaver::choose(RuntimeChoice choice)
{
    m_choice = choice;
    m_chosen = true;
    done(choice == CancelledChoice ? QDialog::Rejected : QDialog::Accepted);
}

void frmCreateSaver::reject()
{
    // Esc lands here; only the Cancel button may cancel.
    if (m_chosen)
        QDialog::reject();
}

void frmCreateSaver::closeEvent(QCloseEvent* event)
{
    if (!m_chosen)
        event->ignore();
}

RuntimeChoice frmCreateSaver::ask(QWidget* owner)
{
    frmCreateSaver dialog(owner);
    dialog.exec();
    return dialog.choice();
}

} // namespace creator
