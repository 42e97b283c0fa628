#pragma once
// The sample show of a first start: a few drawn pictures, a clip when one is
// at hand, a short tune and a caption, listed in "zem.ini" and
// "zem-sound.ini", so that the very first show is a real one. It is only
// ever made where the Windows folder holds no "zem.ini": whatever the person
// has chosen is never replaced.
//
// Files go to the folder "Sample Show" of the Windows folder. Settings are
// only written where they have never been set (the caption and its look,
// random effects, the interval), and "zem-sound.ini" only when there is
// none. "zem.ini" is written last, so a start that fails half-way tries
// again next time.

#include <QString>
#include <QStringList>

namespace editor {

inline constexpr const char* kSampleFolderName = "Sample Show";

struct SampleShowResult {
    enum class Status { Made, Kept, Failed };
    Status status = Status::Failed;
    QStringList media; // the paths "zem.ini" lists, in order
    QString tune;      // the tune's path
    QString error;     // what failed, for the person
};

// `clip`: a short video made at build time, copied into the sample folder;
// empty or missing leaves the clip out.
SampleShowResult makeSampleShow(const QString& windowsDir, const QString& clip);

// The sample tune: a Standard MIDI File of about twenty seconds.
QByteArray sampleTune();

} // namespace editor
