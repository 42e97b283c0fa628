#pragma once
// The editor's display-text dialog: the seventeen values of the display text
// with a live preview of the text over the editor's preview picture, drawn
// by the show's own overlay code at the size the show draws it. The editor
// keeps one instance for its lifetime, so values chosen once are offered
// again until the program ends.

#include <functional>

#include <QDialog>
#include <QImage>
#include <QSize>

#include "editor/displaytext.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFontComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace editor {

// Draws `text` over `picture` the way the show does. The program plugs in
// the show's overlay (the editor room cannot reach the show); without one,
// the text is drawn over the whole picture with the shared drawing code.
using TextOverlayPainter = std::function<QImage(const QImage& picture, const QString& text,
                                                const pictures::TextStyle& style, int alignment)>;
void setTextOverlayPainter(TextOverlayPainter painter);

// Flag words handed to the dialog: with a picture to show the text over,
// and without one.
inline constexpr int kTextFlagsWithImage = 16383;
inline constexpr int kTextFlagsNoImage = 16382;

class TextDialog : public QDialog {
    Q_OBJECT
public:
    explicit TextDialog(QWidget* parent = nullptr);
    ~TextDialog() override;

    int Flags() const { return m_flags; }
    void setFlags(int flags) { m_flags = flags; }

    // The picture the text is shown over, and the size the show would draw
    // it at; a null image shows the text over the background colour.
    void setImage(const QImage& image, QSize showSize);
    void clearImage();
    bool hasImage() const { return !m_image.isNull(); }

    DisplayTextValues values() const;
    void setValues(const DisplayTextValues& values);

    // The picture with the text at the show's size, as the preview shows it
    // scaled down.
    QImage previewImage() const { return m_composite; }

Q_SIGNALS:
    void previewUpdated();

private:
    void buildControls();
    void pickColor(qint64& color, QPushButton* button, const QString& title);
    void updateSwatch(QPushButton* button, qint64 color);
    void rebuildBase();
    void renderPreview();
    void showPreview();
    void resizeEvent(QResizeEvent* event) override;

    QPlainTextEdit* m_text;
    QFontComboBox* m_font;
    QDoubleSpinBox* m_size;
    QCheckBox* m_bold;
    QCheckBox* m_italic;
    QCheckBox* m_underline;
    QCheckBox* m_strike;
    QComboBox* m_charset;
    QComboBox* m_style;
    QComboBox* m_align;
    QDoubleSpinBox* m_angle;
    QCheckBox* m_wrap;
    QSpinBox* m_shadowX;
    QSpinBox* m_shadowY;
    QPushButton* m_colorButton;
    QPushButton* m_hiliteButton;
    QPushButton* m_shadowButton;
    QLabel* m_preview;

    qint64 m_forecolor = 0;
    qint64 m_hilite = 0;
    qint64 m_shadowColor = 0;
    QString m_fontName; // kept as stored when the font is not installed
    int m_flags = kTextFlagsNoImage;
    QImage m_image;
    QSize m_showSize;
    QImage m_base;
    QImage m_composite;
    bool m_updating = false;
};

} // namespace editor
