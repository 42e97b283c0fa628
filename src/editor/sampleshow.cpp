#include "editor/sampleshow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>

#include "editor/projectfiles.h"
#include "media/midifile.h"
#include "pictures/samplepictures.h"
#include "store/settings.h"

namespace editor {

namespace {

struct Scene {
    const char* fileName;
    QImage (*draw)(QSize);
    QSize size;
};

// A name no setting ever holds: tells "never set" from "set to empty".
const QString kUnset = QStringLiteral("\x01unset");

bool isUnset(const char* name)
{
    return store::getSetting(QString::fromLatin1(name), kUnset, true) == kUnset;
}

void setIfUnset(const char* name, const QString& value)
{
    if (isUnset(name))
        store::saveSetting(QString::fromLatin1(name), value, true);
}

bool saveJpeg(const QImage& image, const QString& path)
{
    QSaveFile out(path);
    return out.open(QIODevice::WriteOnly) && image.save(&out, "JPEG", 90) && out.commit();
}

} // namespace

QByteArray sampleTune()
{
    // Four chords (C, A minor, F, G), twice: a soft pad holds each chord
    // while the piano walks up and down through it.
    constexpr int q = 480; // ticks per quarter note
    const int chords[4][3] = {{48, 52, 55}, {45, 48, 52}, {41, 45, 48}, {43, 47, 50}};
    const int walk[8] = {0, 1, 2, 3, 2, 1, 2, 3};
    std::vector<media::MidiNote> notes;
    int tick = 0;
    for (int round = 0; round < 2; ++round) {
        for (const auto& chord : chords) {
            for (int k : chord)
                notes.push_back({tick, 4 * q, k, 55, 1});
            for (int i = 0; i < 8; ++i) {
                const int step = walk[i];
                const int key = step < 3 ? chord[step] + 24 : chord[0] + 36;
                notes.push_back({tick + i * q / 2, q / 2, key, i % 2 ? 70 : 90, 0});
            }
            tick += 4 * q;
        }
    }
    notes.push_back({tick, 4 * q, 60, 80, 0});
    notes.push_back({tick, 4 * q, 64, 70, 0});
    notes.push_back({tick, 4 * q, 67, 70, 0});
    // 100 beats per minute; piano and a string pad.
    return media::writeMidiFile(notes, q, 600000, {0, 48});
}

SampleShowResult makeSampleShow(const QString& windowsDir, const QString& clip)
{
    SampleShowResult result;
    const QDir windows(windowsDir);
    if (QFileInfo::exists(windows.filePath(QString::fromLatin1(kCurrentConfigName)))) {
        result.status = SampleShowResult::Status::Kept;
        return result;
    }
    const QString folder = windows.filePath(QString::fromLatin1(kSampleFolderName));
    if (!QDir().mkpath(folder)) {
        result.error = QStringLiteral("Cannot create the folder %1.").arg(folder);
        return result;
    }
    const QDir dir(folder);

    const Scene scenes[] = {
        {"Green Hills.jpg", pictures::sampleLandscape, {1920, 1080}},
        {"Sailing.jpg", pictures::sampleSea, {1920, 1080}},
        {"Meadow Tree.jpg", pictures::sampleMeadow, {1080, 1440}},
        {"Dusk.jpg", pictures::sampleDusk, {1920, 1080}},
        {"Moonlit Lake.jpg", pictures::sampleNight, {1920, 1080}},
    };
    QStringList pictures;
    for (const Scene& scene : scenes) {
        const QString path = dir.filePath(QString::fromLatin1(scene.fileName));
        if (!saveJpeg(scene.draw(scene.size), path)) {
            result.error = QStringLiteral("Cannot write %1.").arg(path);
            return result;
        }
        pictures << path;
    }
    result.media = pictures;
    if (!clip.isEmpty() && QFileInfo(clip).isFile()) {
        const QString copy =
            dir.filePath(QStringLiteral("Sample Clip.") + QFileInfo(clip).suffix());
        QFile::remove(copy);
        if (QFile::copy(clip, copy))
            result.media.insert(2, copy); // between the sea and the meadow
    }

    result.tune = dir.filePath(QStringLiteral("Sample Tune.mid"));
    if (!writeFileAtomically(result.tune, sampleTune())) {
        result.error = QStringLiteral("Cannot write %1.").arg(result.tune);
        return result;
    }
    const QString soundList = windows.filePath(QString::fromLatin1(kSoundListName));
    if (!QFileInfo::exists(soundList) &&
        !writeFileAtomically(soundList, formatProject({result.tune}))) {
        result.error = QStringLiteral("Cannot write %1.").arg(soundList);
        return result;
    }

    if (isUnset("Display Text")) {
        store::saveSetting(QStringLiteral("Display Text"),
                           QStringLiteral("Welcome to Kelvra Saver"), true);
        setIfUnset("Display Text Align", QStringLiteral("5")); // centred at the bottom
        setIfUnset("Display Text Font Name", QStringLiteral("DejaVu Sans"));
        setIfUnset("Display Text Font Size", QStringLiteral("30"));
        setIfUnset("Display Text Bold", QStringLiteral("True"));
        setIfUnset("Display Text Forecolor", QString::number(0xffffff));
        setIfUnset("Display Text ShadowXDepth", QStringLiteral("3"));
        setIfUnset("Display Text ShadowYDepth", QStringLiteral("3"));
        setIfUnset("Display Text Shadow Color", QStringLiteral("0"));
    }
    setIfUnset("Randomize Effects", QStringLiteral("True"));
    setIfUnset("Screen Saver Timeout", QStringLiteral("5"));
    setIfUnset("Background Sound Enabled", QStringLiteral("True"));

    if (!writeFileAtomically(windows.filePath(QString::fromLatin1(kCurrentConfigName)),
                             formatCurrentConfig(5, result.media))) {
        result.error = QStringLiteral("Cannot write %1 in %2.")
                           .arg(QString::fromLatin1(kCurrentConfigName), windowsDir);
        return result;
    }
    result.status = SampleShowResult::Status::Made;
    return result;
}

} // namespace editor
