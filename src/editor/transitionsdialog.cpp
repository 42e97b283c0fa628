#include "editor/transitionsdialog.h"

#include <limits>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "controls/commondialog.h"
#include "pictures/samplepictures.h"

namespace editor {

namespace {

std::function<int(TransitionsDialog&)> g_runHook;

constexpr QSize kPreviewSize(256, 192);
constexpr int kTickMs = 33;
constexpr int kHoldMs = 700; // the finished picture stays a moment before the loop restarts

QString familyTitle(const char* name)
{
    QString t = QString::fromLatin1(name);
    if (!t.isEmpty())
        t[0] = t[0].toUpper();
    return t;
}

QString colorButtonStyle(qint64 bgr)
{
    const QColor c = pictures::bgrToColor(bgr);
    return QStringLiteral("background-color: %1; min-width: 48px;").arg(c.name());
}

} // namespace

TransitionsDialog::TransitionsDialog(QWidget* parent)
    : QDialog(parent), m_tree(new QTreeWidget(this)), m_preview(new QLabel(this)),
      m_code(new QSpinBox(this)), m_grain(new QSpinBox(this)), m_delay(new QSpinBox(this)),
      m_passes(new QSpinBox(this)), m_wandSize(new QSpinBox(this)),
      m_wandColorButton(new QPushButton(this)), m_transparentButton(new QPushButton(this)),
      m_transparentNone(new QCheckBox(tr("None"), this)), m_timer(new QTimer(this))
{
    setObjectName("LTCommdlg");
    setWindowTitle(tr("Transitions"));

    m_tree->setObjectName("effectTree");
    m_tree->setHeaderHidden(true);
    m_tree->setMinimumWidth(220);
    m_preview->setObjectName("effectPreview");
    m_preview->setFixedSize(kPreviewSize);
    m_preview->setFrameShape(QFrame::StyledPanel);

    m_code->setObjectName("PaintEffect");
    // A code is a 32-bit number: one the tree does not list must come back
    // from OK as it went in.
    m_code->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    m_grain->setObjectName("EffectGrain");
    m_grain->setRange(1, 256);
    m_delay->setObjectName("EffectDelay");
    m_delay->setRange(0, 1000);
    m_delay->setSuffix(tr(" ms"));
    m_passes->setObjectName("PaintMaxPasses");
    m_passes->setRange(1, 1000);
    m_wandSize->setObjectName("WandSize");
    m_wandSize->setRange(0, 200);
    m_wandColorButton->setObjectName("WandColor");
    m_transparentButton->setObjectName("TransparentColor");

    auto* form = new QFormLayout;
    form->addRow(tr("Effect &code:"), m_code);
    form->addRow(tr("&Grain (pixels):"), m_grain);
    form->addRow(tr("&Delay per step:"), m_delay);
    form->addRow(tr("&Steps:"), m_passes);
    form->addRow(tr("&Wand size:"), m_wandSize);
    form->addRow(tr("Wand co&lour:"), m_wandColorButton);
    auto* transparentRow = new QHBoxLayout;
    transparentRow->addWidget(m_transparentButton);
    transparentRow->addWidget(m_transparentNone);
    auto* transparentLabel = new QLabel(tr("T&ransparent colour:"), this);
    transparentLabel->setBuddy(m_transparentButton);
    form->addRow(transparentLabel, transparentRow);

    auto* right = new QVBoxLayout;
    right->addWidget(m_preview, 0, Qt::AlignHCenter);
    right->addLayout(form);
    right->addStretch();

    auto* top = new QHBoxLayout;
    top->addWidget(m_tree, 1);
    top->addLayout(right);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    fillTree();
    setParams(pictures::EffectParams{});

    connect(m_tree, &QTreeWidget::itemSelectionChanged, this, &TransitionsDialog::onTreeSelection);
    connect(m_code, &QSpinBox::valueChanged, this, [this](int code) {
        if (!m_updating)
            selectCodeInTree(code);
        rebuildPreview();
    });
    for (QSpinBox* box : {m_grain, m_delay, m_passes, m_wandSize})
        connect(box, &QSpinBox::valueChanged, this, &TransitionsDialog::rebuildPreview);
    connect(m_wandColorButton, &QPushButton::clicked, this, [this] { pickColor(true); });
    connect(m_transparentButton, &QPushButton::clicked, this, [this] { pickColor(false); });
    connect(m_transparentNone, &QCheckBox::toggled, this, [this](bool none) {
        if (none) {
            if (m_transparentColor >= 0)
                m_lastTransparent = m_transparentColor;
            m_transparentColor = -1;
        } else {
            m_transparentColor = m_lastTransparent;
        }
        updateColorButtons();
        rebuildPreview();
    });
    m_timer->setInterval(kTickMs);
    connect(m_timer, &QTimer::timeout, this, &TransitionsDialog::tick);
}

TransitionsDialog::~TransitionsDialog() = default;

void TransitionsDialog::fillTree()
{
    auto* none = new QTreeWidgetItem(m_tree, {tr("None (paint at once)")});
    none->setData(0, Qt::UserRole, 0);
    // One branch per range of the pool, named after the families in it; each
    // code under it by its own family.
    for (const pictures::CodeRange& range : pictures::randomPoolRanges()) {
        QStringList names;
        for (int code = range.first; code <= range.last; ++code) {
            const QString name = QString::fromLatin1(pictures::effectInfo(code).familyName);
            if (!names.contains(name))
                names.push_back(name);
        }
        auto* family = new QTreeWidgetItem(
            m_tree, {QStringLiteral("%1 (%2)").arg(familyTitle(qPrintable(names.join(", "))))
                         .arg(range.last - range.first + 1)});
        family->setData(0, Qt::UserRole, -1);
        family->setFlags(Qt::ItemIsEnabled);
        for (int code = range.first; code <= range.last; ++code) {
            const pictures::EffectInfo info = pictures::effectInfo(code);
            auto* item = new QTreeWidgetItem(
                family, {QStringLiteral("%1 %2").arg(familyTitle(info.familyName)).arg(code)});
            item->setData(0, Qt::UserRole, code);
        }
    }
}

void TransitionsDialog::selectCodeInTree(int code)
{
    m_updating = true;
    m_tree->clearSelection();
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = m_tree->topLevelItem(i);
        if (top->data(0, Qt::UserRole).toInt() == code) {
            m_tree->setCurrentItem(top);
            break;
        }
        bool found = false;
        for (int j = 0; j < top->childCount(); ++j) {
            if (top->child(j)->data(0, Qt::UserRole).toInt() == code) {
                top->setExpanded(true);
                m_tree->setCurrentItem(top->child(j));
                m_tree->scrollToItem(top->child(j));
                found = true;
                break;
            }
        }
        if (found)
            break;
    }
    m_updating = false;
}

void TransitionsDialog::onTreeSelection()
{
    if (m_updating)
        return;
    const QList<QTreeWidgetItem*> items = m_tree->selectedItems();
    if (items.isEmpty())
        return;
    const int code = items.first()->data(0, Qt::UserRole).toInt();
    if (code < 0)
        return;
    m_updating = true;
    m_code->setValue(code);
    m_updating = false;
    rebuildPreview();
}

void TransitionsDialog::setSourceImage(const QImage& image)
{
    m_source = image;
    rebuildPreview();
}

int TransitionsDialog::PaintEffect() const { return m_code->value(); }
void TransitionsDialog::setPaintEffect(int code) { m_code->setValue(code); }
int TransitionsDialog::EffectGrain() const { return m_grain->value(); }
int TransitionsDialog::EffectDelay() const { return m_delay->value(); }
int TransitionsDialog::PaintMaxPasses() const { return m_passes->value(); }
int TransitionsDialog::WandSize() const { return m_wandSize->value(); }
qint64 TransitionsDialog::WandColor() const { return m_wandColor; }
qint64 TransitionsDialog::TransparentColor() const { return m_transparentColor; }

void TransitionsDialog::setParams(const pictures::EffectParams& params)
{
    m_grain->setValue(params.grain);
    m_delay->setValue(params.delayMs);
    m_passes->setValue(params.maxPasses);
    m_wandSize->setValue(params.wandSize);
    m_wandColor = pictures::colorToBgr(params.wandColor);
    if (m_wandColor < 0)
        m_wandColor = 0x00FFFFFF;
    m_transparentColor = pictures::colorToBgr(params.transparentColor);
    m_transparentNone->blockSignals(true);
    m_transparentNone->setChecked(m_transparentColor < 0);
    m_transparentNone->blockSignals(false);
    updateColorButtons();
    rebuildPreview();
}

pictures::EffectParams TransitionsDialog::params() const
{
    pictures::EffectParams p;
    p.grain = EffectGrain();
    p.delayMs = EffectDelay();
    p.maxPasses = PaintMaxPasses();
    p.wandSize = WandSize();
    p.wandColor = pictures::bgrToColor(m_wandColor);
    p.transparentColor = pictures::bgrToColor(m_transparentColor);
    return p;
}

void TransitionsDialog::updateColorButtons()
{
    m_wandColorButton->setStyleSheet(colorButtonStyle(m_wandColor));
    m_transparentButton->setEnabled(m_transparentColor >= 0);
    m_transparentButton->setStyleSheet(
        colorButtonStyle(m_transparentColor >= 0 ? m_transparentColor : m_lastTransparent));
}

void TransitionsDialog::pickColor(bool wand)
{
    controls::clsCommonDialog dlg;
    dlg.hwnd = this;
    dlg.DialogTitle = wand ? tr("Wand Colour") : tr("Transparent Colour");
    dlg.Color = std::uint32_t(wand ? m_wandColor
                                   : (m_transparentColor >= 0 ? m_transparentColor
                                                              : m_lastTransparent));
    dlg.CancelError = true;
    try {
        dlg.ShowColor();
    } catch (const controls::CancelPressed&) {
        return;
    }
    if (wand)
        m_wandColor = dlg.Color;
    else
        m_transparentColor = m_lastTransparent = dlg.Color;
    updateColorButtons();
    rebuildPreview();
}

void TransitionsDialog::rebuildPreview()
{
    const QSize size = kPreviewSize;
    QImage picture = m_source.isNull() ? pictures::sampleLandscape(size) : m_source;
    m_to = QImage(size, QImage::Format_RGB32);
    m_to.fill(Qt::black);
    {
        QPainter p(&m_to);
        const QImage scaled =
            picture.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        p.drawImage((size.width() - scaled.width()) / 2, (size.height() - scaled.height()) / 2,
                    scaled);
    }
    m_from = QImage(size, QImage::Format_RGB32);
    m_from.fill(QColor(24, 24, 32));
    m_transition =
        std::make_unique<pictures::Transition>(PaintEffect(), params(), m_from, m_to);
    m_elapsed = 0;
    renderPreview(0.0);
    if (isVisible() && !m_timer->isActive())
        m_timer->start();
}

void TransitionsDialog::renderPreview(double progress)
{
    if (!m_transition)
        return;
    m_transition->renderFrame(progress, m_frame);
    m_preview->setPixmap(QPixmap::fromImage(m_frame));
}

QImage TransitionsDialog::previewFrame() const { return m_frame; }

void TransitionsDialog::tick()
{
    // The preview plays the paint at its real speed, then holds the picture.
    const int duration = std::max(1, params().durationMs());
    m_elapsed += kTickMs;
    if (m_elapsed > duration + kHoldMs)
        m_elapsed = 0;
    renderPreview(std::min(1.0, double(m_elapsed) / duration));
}

int TransitionsDialog::run()
{
    selectCodeInTree(PaintEffect());
    rebuildPreview();
    m_timer->start();
    const int result = g_runHook ? g_runHook(*this) : exec();
    m_timer->stop();
    return result;
}

void TransitionsDialog::setRunHook(std::function<int(TransitionsDialog&)> hook)
{
    g_runHook = std::move(hook);
}

} // namespace editor
