#include "editor/textdialog.h"

#include <cmath>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSpinBox>
#include <QVBoxLayout>

#include "controls/commondialog.h"
#include "pictures/transitions.h"

namespace editor {

namespace {

TextOverlayPainter& overlayPainter()
{
    static TextOverlayPainter painter;
    return painter;
}

QImage drawOverWholePicture(const QImage& picture, const QString& text,
                            const pictures::TextStyle& style, int alignment)
{
    QImage image = picture.copy();
    pictures::drawText(image, text, style, image.rect(), alignment);
    return image;
}

struct Named {
    int code;
    const char* name;
};

// Windows character-set numbers of the stored font, by script.
constexpr Named kCharsets[] = {
    {0, "Western"},        {1, "Default"},     {2, "Symbol"},          {238, "Central European"},
    {204, "Cyrillic"},     {161, "Greek"},     {162, "Turkish"},       {186, "Baltic"},
    {177, "Hebrew"},       {178, "Arabic"},    {163, "Vietnamese"},    {222, "Thai"},
    {128, "Japanese"},     {129, "Korean"},    {134, "Chinese (Simplified)"},
    {136, "Chinese (Traditional)"},
};

constexpr Named kStyles[] = {
    {0, "Plain"},    {1, "On a highlight box"}, {2, "Outlined"},
    {3, "Embossed"}, {4, "Engraved"},           {5, "Glowing"},
};

constexpr Named kAlignments[] = {
    {0, "Left, top"},     {1, "Left, middle"},   {2, "Left, bottom"},
    {3, "Centre, top"},   {4, "Centre, middle"}, {5, "Centre, bottom"},
    {6, "Right, top"},    {7, "Right, middle"},  {8, "Right, bottom"},
};

template <std::size_t N> void fillCombo(QComboBox* combo, const Named (&items)[N])
{
    for (const Named& item : items)
        combo->addItem(QString::fromUtf8(item.name), item.code);
}

// Selects the entry with `code`, adding one for a code the list lacks so
// that a stored value survives the dialog unchanged.
void selectCode(QComboBox* combo, int code)
{
    int index = combo->findData(code);
    if (index < 0) {
        combo->addItem(QStringLiteral("Code %1").arg(code), code);
        index = combo->count() - 1;
    }
    combo->setCurrentIndex(index);
}

// A row label whose mnemonic focuses the first control of its row.
QLabel* buddyLabel(const QString& text, QWidget* buddy)
{
    auto* label = new QLabel(text, buddy->parentWidget());
    label->setBuddy(buddy);
    return label;
}

QSize screenSize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize(1280, 1024);
}

} // namespace

void setTextOverlayPainter(TextOverlayPainter painter) { overlayPainter() = std::move(painter); }

TextDialog::TextDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName("TextDialog");
    setWindowTitle(QStringLiteral("Display Text"));
    buildControls();
    setValues(defaultDisplayText());
}

TextDialog::~TextDialog() = default;

void TextDialog::buildControls()
{
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName("txtText");
    m_text->setTabChangesFocus(true);
    m_text->setPlaceholderText(QStringLiteral("Type the text to show over your pictures"));
    m_text->setFixedHeight(m_text->fontMetrics().lineSpacing() * 3 + 14);

    m_font = new QFontComboBox(this);
    m_font->setObjectName("cboFont");
    m_size = new QDoubleSpinBox(this);
    m_size->setObjectName("spnSize");
    m_size->setRange(1, 500);
    m_size->setDecimals(2);
    m_size->setSuffix(QStringLiteral(" pt"));
    m_bold = new QCheckBox(QStringLiteral("&Bold"), this);
    m_bold->setObjectName("chkBold");
    m_italic = new QCheckBox(QStringLiteral("&Italic"), this);
    m_italic->setObjectName("chkItalic");
    m_underline = new QCheckBox(QStringLiteral("&Underline"), this);
    m_underline->setObjectName("chkUnderline");
    m_strike = new QCheckBox(QStringLiteral("Stri&kethrough"), this);
    m_strike->setObjectName("chkStrikethrough");
    m_charset = new QComboBox(this);
    m_charset->setObjectName("cboCharset");
    fillCombo(m_charset, kCharsets);
    m_colorButton = new QPushButton(QStringLiteral("&Colour..."), this);
    m_colorButton->setObjectName("cmdColor");

    m_style = new QComboBox(this);
    m_style->setObjectName("cboStyle");
    fillCombo(m_style, kStyles);
    m_hiliteButton = new QPushButton(QStringLiteral("&Highlight..."), this);
    m_hiliteButton->setObjectName("cmdHilite");
    m_align = new QComboBox(this);
    m_align->setObjectName("cboAlign");
    fillCombo(m_align, kAlignments);
    m_angle = new QDoubleSpinBox(this);
    m_angle->setObjectName("spnAngle");
    m_angle->setRange(-360, 360);
    m_angle->setDecimals(1);
    m_angle->setSuffix(QStringLiteral("\u00b0"));
    m_wrap = new QCheckBox(QStringLiteral("&Wrap long lines"), this);
    m_wrap->setObjectName("chkWordWrap");

    m_shadowX = new QSpinBox(this);
    m_shadowX->setObjectName("spnShadowX");
    m_shadowX->setRange(-100, 100);
    m_shadowX->setSuffix(QStringLiteral(" px"));
    m_shadowY = new QSpinBox(this);
    m_shadowY->setObjectName("spnShadowY");
    m_shadowY->setRange(-100, 100);
    m_shadowY->setSuffix(QStringLiteral(" px"));
    m_shadowButton = new QPushButton(QStringLiteral("Sh&adow..."), this);
    m_shadowButton->setObjectName("cmdShadowColor");

    m_preview = new QLabel(this);
    m_preview->setObjectName("picPreview");
    m_preview->setMinimumSize(360, 240);
    m_preview->setAlignment(Qt::AlignCenter);
    // Ignored: the pixmap shown must not make the label (and the dialog) grow.
    m_preview->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_preview->setStyleSheet(QStringLiteral("background: #0f141d;"));

    auto* fontBox = new QGroupBox(QStringLiteral("Font"), this);
    auto* fontForm = new QFormLayout(fontBox);
    fontForm->addRow(QStringLiteral("&Name:"), m_font);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(m_size);
    sizeRow->addWidget(m_colorButton);
    fontForm->addRow(buddyLabel(QStringLiteral("&Size:"), m_size), sizeRow);
    auto* faces = new QGridLayout;
    faces->addWidget(m_bold, 0, 0);
    faces->addWidget(m_italic, 0, 1);
    faces->addWidget(m_underline, 1, 0);
    faces->addWidget(m_strike, 1, 1);
    fontForm->addRow(faces);
    fontForm->addRow(QStringLiteral("Sc&ript:"), m_charset);

    auto* layoutBox = new QGroupBox(QStringLiteral("Layout"), this);
    auto* layoutForm = new QFormLayout(layoutBox);
    layoutForm->addRow(QStringLiteral("&Alignment:"), m_align);
    layoutForm->addRow(QStringLiteral("An&gle:"), m_angle);
    layoutForm->addRow(m_wrap);
    auto* styleRow = new QHBoxLayout;
    styleRow->addWidget(m_style, 1);
    styleRow->addWidget(m_hiliteButton);
    layoutForm->addRow(buddyLabel(QStringLiteral("S&tyle:"), m_style), styleRow);
    auto* shadowRow = new QHBoxLayout;
    shadowRow->addWidget(m_shadowX);
    shadowRow->addWidget(m_shadowY);
    shadowRow->addWidget(m_shadowButton);
    layoutForm->addRow(buddyLabel(QStringLiteral("Shad&ow:"), m_shadowX), shadowRow);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("cmdOK");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("cmdCancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Enter starts a new line of the text; Ctrl+Enter confirms from anywhere.
    for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_Return),
                                     QKeySequence(Qt::CTRL | Qt::Key_Enter)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QDialog::accept);

    auto* textLabel = new QLabel(QStringLiteral("&Text:"), this);
    textLabel->setBuddy(m_text);
    auto* left = new QVBoxLayout;
    left->addWidget(textLabel);
    left->addWidget(m_text);
    left->addWidget(m_preview, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(fontBox);
    right->addWidget(layoutBox);
    right->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addLayout(right);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(top, 1);
    outer->addWidget(buttons);
    resize(860, 520);

    auto changed = [this] {
        if (!m_updating)
            renderPreview();
    };
    connect(m_text, &QPlainTextEdit::textChanged, this, changed);
    connect(m_font, &QFontComboBox::currentFontChanged, this, [this, changed](const QFont& f) {
        if (m_updating)
            return;
        m_fontName = f.family();
        changed();
    });
    connect(m_size, &QDoubleSpinBox::valueChanged, this, changed);
    connect(m_angle, &QDoubleSpinBox::valueChanged, this, changed);
    connect(m_shadowX, &QSpinBox::valueChanged, this, changed);
    connect(m_shadowY, &QSpinBox::valueChanged, this, changed);
    for (QCheckBox* box : {m_bold, m_italic, m_underline, m_strike, m_wrap})
        connect(box, &QCheckBox::toggled, this, changed);
    for (QComboBox* combo : {m_charset, m_style, m_align})
        connect(combo, &QComboBox::currentIndexChanged, this, changed);
    connect(m_colorButton, &QPushButton::clicked, this, [this] {
        pickColor(m_forecolor, m_colorButton, QStringLiteral("Select Text Color"));
    });
    connect(m_hiliteButton, &QPushButton::clicked, this, [this] {
        pickColor(m_hilite, m_hiliteButton, QStringLiteral("Select Highlight Color"));
    });
    connect(m_shadowButton, &QPushButton::clicked, this, [this] {
        pickColor(m_shadowColor, m_shadowButton, QStringLiteral("Select Shadow Color"));
    });
}

void TextDialog::pickColor(qint64& color, QPushButton* button, const QString& title)
{
    controls::clsCommonDialog dlg;
    dlg.hwnd = this;
    dlg.DialogTitle = title;
    dlg.Color = std::uint32_t(color);
    dlg.CancelError = true;
    try {
        dlg.ShowColor();
    } catch (const controls::CancelPressed&) {
        return;
    }
    color = dlg.Color & 0xFFFFFF;
    updateSwatch(button, color);
    renderPreview();
}

void TextDialog::updateSwatch(QPushButton* button, qint64 color)
{
    QPixmap swatch(14, 14);
    swatch.fill(pictures::bgrToColor(color));
    QPainter(&swatch).drawRect(0, 0, 13, 13);
    button->setIcon(QIcon(swatch));
}

DisplayTextValues TextDialog::values() const
{
    DisplayTextValues v;
    QString text = m_text->toPlainText();
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    v.text = text;
    v.angle = int(std::lround(m_angle->value() * 10));
    v.fontName = m_fontName;
    v.fontSize = m_size->value();
    v.forecolor = m_forecolor;
    v.style = m_style->currentData().toInt();
    v.shadowXDepth = m_shadowX->value();
    v.shadowYDepth = m_shadowY->value();
    v.shadowColor = m_shadowColor;
    v.bold = m_bold->isChecked();
    v.charset = m_charset->currentData().toInt();
    v.italic = m_italic->isChecked();
    v.strikethrough = m_strike->isChecked();
    v.underline = m_underline->isChecked();
    v.alignment = m_align->currentData().toInt();
    v.hiliteColor = m_hilite;
    v.wordWrap = m_wrap->isChecked();
    return v;
}

void TextDialog::setValues(const DisplayTextValues& v)
{
    m_updating = true;
    QString text = v.text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    m_text->setPlainText(text);
    // Angles beyond a turn are kept as they are stored.
    if (std::abs(v.angle) > 3600)
        m_angle->setRange(-std::abs(v.angle) / 10.0, std::abs(v.angle) / 10.0);
    m_angle->setValue(v.angle / 10.0);
    m_fontName = v.fontName;
    m_font->setCurrentFont(QFont(v.fontName));
    if (v.fontSize > m_size->maximum())
        m_size->setMaximum(v.fontSize);
    m_size->setValue(v.fontSize);
    m_forecolor = v.forecolor;
    selectCode(m_style, v.style);
    m_shadowX->setRange(std::min(-100, v.shadowXDepth), std::max(100, v.shadowXDepth));
    m_shadowX->setValue(v.shadowXDepth);
    m_shadowY->setRange(std::min(-100, v.shadowYDepth), std::max(100, v.shadowYDepth));
    m_shadowY->setValue(v.shadowYDepth);
    m_shadowColor = v.shadowColor;
    m_bold->setChecked(v.bold);
    selectCode(m_charset, v.charset);
    m_italic->setChecked(v.italic);
    m_strike->setChecked(v.strikethrough);
    m_underline->setChecked(v.underline);
    selectCode(m_align, v.alignment);
    m_hilite = v.hiliteColor;
    m_wrap->setChecked(v.wordWrap);
    updateSwatch(m_colorButton, m_forecolor);
    updateSwatch(m_hiliteButton, m_hilite);
    updateSwatch(m_shadowButton, m_shadowColor);
    m_updating = false;
    renderPreview();
}

void TextDialog::setImage(const QImage& image, QSize showSize)
{
    m_image = image;
    m_showSize = showSize;
    rebuildBase();
    renderPreview();
}

void TextDialog::clearImage()
{
    m_image = QImage();
    m_showSize = QSize();
    rebuildBase();
    renderPreview();
}

void TextDialog::rebuildBase()
{
    if (m_image.isNull()) {
        m_base = QImage(screenSize(), QImage::Format_RGB32);
        m_base.fill(Qt::black);
        return;
    }
    const QSize size = m_showSize.isEmpty() ? m_image.size() : m_showSize;
    m_base = m_image.size() == size
                 ? m_image.convertToFormat(QImage::Format_RGB32)
                 : m_image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(QImage::Format_RGB32);
}

void TextDialog::renderPreview()
{
    if (m_base.isNull())
        rebuildBase();
    const DisplayTextValues v = values();
    if (v.text.isEmpty()) {
        m_composite = m_base;
    } else {
        const TextOverlayPainter& painter = overlayPainter();
        m_composite = painter ? painter(m_base, v.text, textStyleOf(v), v.alignment)
                              : drawOverWholePicture(m_base, v.text, textStyleOf(v), v.alignment);
    }
    showPreview();
    Q_EMIT previewUpdated();
}

void TextDialog::showPreview()
{
    const QSize room = m_preview->contentsRect().size();
    if (m_composite.isNull() || room.isEmpty())
        return;
    m_preview->setPixmap(QPixmap::fromImage(
        m_composite.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void TextDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    showPreview();
}

} // namespace editor
