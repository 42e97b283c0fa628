#include "creator/frmnamess.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "creator/namerules.h"
#include "store/messages.h"

namespace creator {

frmNameSS::frmNameSS(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmNameSS"));
    setWindowTitle(QStringLiteral("Screen Saver Filename..."));
    setModal(true);

    auto* label = new QLabel(QStringLiteral("Enter the Base Filename for Your Screen Saver Below:"));
    m_text = new QLineEdit;
    m_text->setObjectName(QStringLiteral("Text1"));
    m_ok = new QPushButton(QStringLiteral("OK"));
    m_ok->setObjectName(QStringLiteral("Command1"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"));
    m_cancel->setObjectName(QStringLiteral("Command2"));

    auto* buttons = new QDialogButtonBox;
    buttons->addButton(m_ok, QDialogButtonBox::AcceptRole);
    buttons->addButton(m_cancel, QDialogButtonBox::RejectRole);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_text);
    layout->addWidget(buttons);

    connect(m_text, &QLineEdit::textEdited, this, &frmNameSS::Text1_Edited);
    // The buttons are wired by hand: the box's accept would close the dialog
    // even when OK has to keep it open.
    connect(m_ok, &QPushButton::clicked, this, &frmNameSS::Command1_Click);
    connect(m_cancel, &QPushButton::clicked, this, &frmNameSS::Command2_Click);
}

void frmNameSS::Text1_Edited(const QString& text)
{
    const QString kept = withoutDigits(text);
    if (kept == text)
        return;
    // Keep the caret where the user was typing, less the digits before it.
    const int caret = m_text->cursorPosition();
    const int removedBefore = int(text.left(caret).size() - withoutDigits(text.left(caret)).size());
    m_text->setText(kept);
    m_text->setCursorPosition(caret - removedBefore);
}

void frmNameSS::Command1_Click()
{
    const std::optional<QString> name = normalisedSaverFileName(m_text->text());
    if (!name) {
        store::messageBox(QStringLiteral("Please do not enter a full path in this dialog.  Enter "
                                         "only the base filename.  Example:  MyScreensaver.scr"),
                          {store::MsgButtons::Ok, store::MsgIcon::Information});
        return;
    }
    m_saverFileName = *name;
    accept();
}

void frmNameSS::Command2_Click()
{
    m_saverFileName.clear();
    reject();
}

QString frmNameSS::ask(QWidget* owner)
{
    frmNameSS dialog(owner);
    // Closing the window any other way counts as Cancel: the name of an
    // earlier run must not be reused behind the user's back.
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.SaverFileName();
}

} // namespace creator
