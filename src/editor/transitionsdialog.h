#pragma once
// The paint-effect dialog of the editor: the effects listed by family, a live
// preview of the selected effect on the editor's preview picture, and the
// effect code with its six parameters. The editor keeps one instance for its
// lifetime, so the six parameters start where the user left them last.

#include <functional>
#include <memory>

#include <QDialog>
#include <QImage>

#include "pictures/transitions.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace editor {

class TransitionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit TransitionsDialog(QWidget* parent = nullptr);
    ~TransitionsDialog() override;

    // The picture the effect is demonstrated on; a null image uses a sample.
    void setSourceImage(const QImage& image);
    void clearSourceImage() { setSourceImage(QImage()); }

    int PaintEffect() const;
    void setPaintEffect(int code);
    int EffectGrain() const;
    int EffectDelay() const;
    int PaintMaxPasses() const;
    int WandSize() const;
    qint64 WandColor() const;        // 0x00BBGGRR
    qint64 TransparentColor() const; // 0x00BBGGRR, -1 for none
    void setParams(const pictures::EffectParams& params);
    pictures::EffectParams params() const;

    // Shows the dialog modally; QDialog::Accepted or Rejected. Tests replace
    // the modal loop with a hook that edits the fields and answers.
    int run();
    static void setRunHook(std::function<int(TransitionsDialog&)> hook);

    // The frame the preview shows now (for tests and screenshots).
    QImage previewFrame() const;
    // Renders the preview at `progress` at once (0..1).
    void renderPreview(double progress);

private:
    void fillTree();
    void selectCodeInTree(int code);
    void onTreeSelection();
    void rebuildPreview();
    void tick();
    void pickColor(bool wand);
    void updateColorButtons();

    QTreeWidget* m_tree;
    QLabel* m_preview;
    QSpinBox* m_code;
    QSpinBox* m_grain;
    QSpinBox* m_delay;
    QSpinBox* m_passes;
    QSpinBox* m_wandSize;
    QPushButton* m_wandColorButton;
    QPushButton* m_transparentButton;
    QCheckBox* m_transparentNone;
    QTimer* m_timer;
    qint64 m_wandColor = 0x00FFFFFF;
    qint64 m_transparentColor = -1;
    qint64 m_lastTransparent = 0x00FF00FF;
    QImage m_source;
    QImage m_from, m_to;
    std::unique_ptr<pictures::Transition> m_transition;
    QImage m_frame;
    qint64 m_elapsed = 0;
    bool m_updating = false;
};

} // namespace editor
