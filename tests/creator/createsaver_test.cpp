// The create-saver job with a scripted host: what a cancel leaves behind,
// what "With Runtimes" adds, and what reaches the user.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "archive/package.h"
#include "archive/resultcode.h"
#include "archive/zipreader.h"
#include "common/testutil.h"
#include "creator/createsaver.h"
#include "pictures/imageio.h"

using namespace creator;

namespace {

// Answers the job like a person would, and cancels when told to.
class ScriptedHost : public CreateSaverHost {
public:
    std::function<bool(const ScriptedHost&)> cancelWhen = [](const ScriptedHost&) { return false; };
    QStringList messages;
    QString msg1, msg2;
    bool overwrite = true;

    void progressInit(const QString&, const QString& m1, const QString& m2, int, int) override
    {
        msg1 = m1;
        msg2 = m2;
    }
    void setCaption(const QString&) override {}
    void setMsg1(const QString& t) override { msg1 = t; }
    void setMsg2(const QString& t) override { msg2 = t; }
    void setRange(int, int) override {}
    void setValue(int) override {}
    bool canceled() override { return m_cancelled = m_cancelled || cancelWhen(*this); }
    void progressTerminate() override {}
    bool askOverwrite(const QString&) override { return overwrite; }
    void message(const QString& t) override { messages << t; }

private:
    bool m_cancelled = false;
};

class CreateSaverJob : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The installer program and the uninstaller of this build.
        qputenv("KELVRA_SYSTEM_DIR", KELVRA_BIN_DIR);
        work = env.windowsDir() + QStringLiteral("/tmpFiles/");
        QDir().mkpath(work);
        testutil::writeFile(work + QStringLiteral("VLS.scr"), QByteArray(4096, 'v'));
        out = env.root() + QStringLiteral("/out/");
        QDir().mkpath(out);
        // Photos large enough that packing reports progress many times.
        for (int i = 0; i < 3; ++i) {
            QImage photo(1200, 900, QImage::Format_RGB32);
            for (int y = 0; y < photo.height(); ++y)
                for (int x = 0; x < photo.width(); ++x)
                    photo.setPixel(x, y, qRgb((x * 7 + i * 50) & 255, (y * 3) & 255, (x ^ y) & 255));
            const QString path = env.root() + QStringLiteral("/photo %1.jpg").arg(i);
            ASSERT_TRUE(pictures::saveImage(photo, path, pictures::SaveFormat::Jpeg));
            media << path;
        }
    }

    CreateSaverRequest request(RuntimeChoice runtimes = WithoutRuntimes) const
    {
        CreateSaverRequest r;
        r.saverFileName = QStringLiteral("Ocean One.scr");
        r.outputFolder = out;
        r.runtimes = runtimes;
        r.media = media;
        r.interval = QStringLiteral("7");
        return r;
    }

    QStringList leftovers() const
    {
        return QDir(out).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot) +
               QDir(work).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    testutil::IsolatedEnv env;
    QString work, out;
    QStringList media;
};

} // namespace

TEST_F(CreateSaverJob, CancelWhilePackingLeavesNoPartialPackage)
{
    struct Moment {
        const char* label;
        const char* firstLine; // cancel once the first line reads this
    };
    for (const Moment& m : {Moment{"media archive", "Processing Dependencies..."},
                            Moment{"installer", "Packaging Personalized Screen Saver..."}}) {
        SCOPED_TRACE(m.label);
        ScriptedHost host;
        host.cancelWhen = [&m](const ScriptedHost& h) {
            return h.msg1 == QLatin1String(m.firstLine);
        };
        const CreateSaverResult result = createSaver(request(), host);
        EXPECT_EQ(result.outcome, CreateSaverResult::Outcome::Failed);
        ASSERT_EQ(host.messages.size(), 1);
        EXPECT_TRUE(host.messages[0].endsWith(QStringLiteral("Error Code:  ") +
                                              QString::number(archive::kCancelled)))
            << qPrintable(host.messages[0]);
        // Neither the package nor a temporary file of it; only the runtime
        // stays in the work folder.
        EXPECT_EQ(leftovers(), QStringList{QStringLiteral("VLS.scr")});
    }
}

TEST_F(CreateSaverJob, CancelWhileReadingTheListStopsQuietly)
{
    ScriptedHost host;
    host.cancelWhen = [](const ScriptedHost& h) {
        return h.msg2 == QLatin1String("Reading Object 1 of 2...");
    };
    const CreateSaverResult result = createSaver(request(), host);
    EXPECT_EQ(result.outcome, CreateSaverResult::Outcome::Stopped);
    EXPECT_TRUE(host.messages.isEmpty());
    EXPECT_EQ(leftovers(), QStringList{QStringLiteral("VLS.scr")});
}

TEST_F(CreateSaverJob, WithRuntimesCarriesTheListedLibraries)
{
    const QList<QPair<QString, QString>> runtime = runtimeFiles();
    ASSERT_FALSE(runtime.isEmpty()) << "the build lists the runtime's libraries";
    ScriptedHost host;
    const CreateSaverResult result = createSaver(request(WithRuntimes), host);
    ASSERT_EQ(result.outcome, CreateSaverResult::Outcome::Created)
        << qPrintable(host.messages.join(u'\n'));
    EXPECT_EQ(result.package, out + QStringLiteral("Ocean One.exe"));
    ASSERT_EQ(host.messages.size(), 1);
    EXPECT_TRUE(host.messages[0].startsWith(
        QStringLiteral("Your personalized screen saver has been successfully created and "
                       "packaged!  \r\n\r\nThe installation EXE to distribute can be found in "
                       "the following location:  ")));

    archive::ZipReader reader;
    ASSERT_EQ(reader.open(result.package, QByteArray()), archive::kSuccess);
    QStringList names;
    for (const archive::MemberInfo& m : reader.members())
        names << m.name;
    EXPECT_EQ(names.mid(0, 4),
              (QStringList{QStringLiteral("Ocean One.scr"), QStringLiteral("Ocean.dat"),
                           QStringLiteral("Ocean One.exe"), QStringLiteral("VLS-Uninst.exe")}));
    // Every listed library and plugin, in the list's order, after the
    // uninstaller; the installer's own files last.
    QStringList expected;
    for (const auto& [file, member] : runtime)
        expected << QString::fromLatin1(archive::kRuntimeFolder) + member;
    EXPECT_EQ(names.mid(4, int(expected.size())), expected);
    EXPECT_EQ(names.mid(4 + int(expected.size())),
              (QStringList{QStringLiteral("setup.json"), QStringLiteral("vls.ico")}));
}
