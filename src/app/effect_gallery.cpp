// effect-gallery: renders paint effects at a few moments into one PNG contact
// sheet, so that anyone can look at all the effects at once, and with
// --frames DIR also each frame as its own PNG, DIR/CODE-PROGRESS.png, so that
// frames can be compared with ordinary image tools.
//
// Layout (also relied on by its test): cells in rows of --columns; a cell is
// a 16-pixel caption band ("code family") above one thumbnail per progress
// value, each --thumb in size, 2 pixels apart, starting 3 pixels in. Cell k
// lies at ((k % columns) * cellWidth, (k / columns) * cellHeight) with
// cellWidth = 6 + n * (thumbWidth + 2) and cellHeight = 16 + thumbHeight + 4.

#include <cstdio>

#include <QCommandLineParser>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "pictures/imageio.h"
#include "pictures/samplepictures.h"
#include "pictures/transitions.h"

namespace {

std::vector<int> parseCodes(const QString& text)
{
    std::vector<int> codes;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList ends = part.split(QLatin1Char('-'));
        bool ok1 = false, ok2 = true;
        const int first = ends[0].trimmed().toInt(&ok1);
        const int last = ends.size() > 1 ? ends[1].trimmed().toInt(&ok2) : first;
        if (!ok1 || !ok2 || last < first || last - first > 100000)
            return {};
        for (int c = first; c <= last; ++c)
            codes.push_back(c);
    }
    return codes;
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Renders paint effects at a few moments into one PNG contact sheet."));
    parser.addHelpOption();
    parser.addOption({{"o", "output"}, "PNG file to write.", "file"});
    parser.addOption(
        {"frames", "Also write each frame as DIR/CODE-PROGRESS.png (creates DIR).", "dir"});
    parser.addOption(
        {"codes", "Codes or ranges, e.g. 2000-2010,5000 (default: the random pool).", "list"});
    parser.addOption({"progress", "Progress percentages (default 20,50,80).", "list", "20,50,80"});
    parser.addOption({"thumb", "Thumbnail size (default 128x72).", "WxH", "128x72"});
    parser.addOption({"columns", "Cells per row (default 6).", "n", "6"});
    parser.addOption({"from", "Picture for the old screen (default: a drawn landscape).", "file"});
    parser.addOption({"to", "Picture for the new screen (default: a drawn dusk).", "file"});
    parser.addOption({"grain", "EffectGrain.", "n", "1"});
    parser.addOption({"wand", "WandSize.", "n", "0"});
    parser.process(app);

    const QString output = parser.value("output");
    const QString framesDir = parser.value("frames");
    if (output.isEmpty() && framesDir.isEmpty()) {
        std::fprintf(stderr, "effect-gallery: give the output file with -o or a folder with "
                             "--frames\n");
        return 2;
    }
    if (!framesDir.isEmpty() && !QDir().mkpath(framesDir)) {
        std::fprintf(stderr, "effect-gallery: cannot create %s\n", qPrintable(framesDir));
        return 1;
    }
    const QStringList wh = parser.value("thumb").split(QLatin1Char('x'));
    const QSize thumb(wh.value(0).toInt(), wh.value(1).toInt());
    const int columns = parser.value("columns").toInt();
    std::vector<int> codes =
        parser.isSet("codes") ? parseCodes(parser.value("codes")) : pictures::randomPoolCodes();
    std::vector<double> moments;
    QStringList momentNames;
    for (const QString& p : parser.value("progress").split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const double percent = p.trimmed().toDouble(&ok);
        if (!ok || percent < 0 || percent > 100) {
            moments.clear();
            break;
        }
        moments.push_back(percent / 100.0);
        momentNames.push_back(p.trimmed());
    }
    if (thumb.width() < 8 || thumb.height() < 8 || thumb.width() > 4096 || thumb.height() > 4096 ||
        columns < 1 || columns > 1000 || codes.empty() || moments.empty()) {
        std::fprintf(stderr, "effect-gallery: bad --thumb, --columns, --codes or --progress\n");
        return 2;
    }

    auto picture = [&](const char* option, QImage (*fallback)(QSize)) {
        if (!parser.isSet(option))
            return fallback(thumb);
        pictures::LoadOptions options;
        options.fitInside = thumb;
        pictures::LoadResult r = pictures::loadImage(parser.value(option), options);
        if (!r.ok())
            return fallback(thumb);
        QImage framed(thumb, QImage::Format_RGB32);
        framed.fill(Qt::black);
        QPainter p(&framed);
        p.drawImage((thumb.width() - r.image.width()) / 2, (thumb.height() - r.image.height()) / 2,
                    r.image);
        return framed;
    };
    const QImage from = picture("from", pictures::sampleLandscape);
    const QImage to = picture("to", pictures::sampleDusk);

    pictures::EffectParams params;
    params.grain = parser.value("grain").toInt();
    params.wandSize = parser.value("wand").toInt();

    const int n = int(moments.size());
    const int cellW = 6 + n * (thumb.width() + 2);
    const int cellH = 16 + thumb.height() + 4;
    int rows = (int(codes.size()) + columns - 1) / columns;
    if (output.isEmpty())
        rows = 0; // frames only: no sheet
    if (qint64(cellW) * columns * qint64(cellH) * rows > 400LL * 1000 * 1000) {
        std::fprintf(stderr, "effect-gallery: the sheet would be too large; use a range\n");
        return 2;
    }
    QImage sheet(cellW * columns, std::max(1, cellH * rows), QImage::Format_RGB32);
    sheet.fill(QColor(24, 24, 28));
    QPainter painter(&sheet);
    QFont font = painter.font();
    font.setPixelSize(11);
    painter.setFont(font);
    painter.setPen(QColor(220, 220, 220));
    QImage frame;
    for (size_t k = 0; k < codes.size(); ++k) {
        const int x0 = int(k % size_t(columns)) * cellW;
        const int y0 = int(k / size_t(columns)) * cellH;
        const pictures::EffectInfo info = pictures::effectInfo(codes[k]);
        painter.drawText(QRect(x0 + 3, y0 + 1, cellW - 6, 14), Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("%1 %2").arg(codes[k]).arg(QLatin1String(info.familyName)));
        pictures::Transition t(codes[k], params, from, to);
        for (int i = 0; i < n; ++i) {
            t.renderFrame(moments[size_t(i)], frame);
            if (rows > 0)
                painter.drawImage(x0 + 3 + i * (thumb.width() + 2), y0 + 16, frame);
            if (!framesDir.isEmpty()) {
                const QString name = QDir(framesDir).filePath(
                    QStringLiteral("%1-%2.png").arg(codes[k]).arg(momentNames[i]));
                if (!frame.save(name, "PNG")) {
                    std::fprintf(stderr, "effect-gallery: cannot write %s\n", qPrintable(name));
                    return 1;
                }
            }
        }
    }
    painter.end();
    if (output.isEmpty()) {
        std::printf("%zu effects x %d moments written to %s\n", codes.size(), n,
                    qPrintable(framesDir));
        return 0;
    }
    if (!sheet.save(output, "PNG")) {
        std::fprintf(stderr, "effect-gallery: cannot write %s\n", qPrintable(output));
        return 1;
    }
    std::printf("%zu effects, %d per row, cell %dx%d, sheet %dx%d: %s\n", codes.size(), columns,
                cellW, cellH, sheet.width(), sheet.height(), qPrintable(output));
    return 0;
}
