// Opening documents through the desktop's opener, with a stand-in xdg-open
// on PATH that records its argument and exits with a chosen status.
#include <optional>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QObject>

#include <gtest/gtest.h>

#include "common/testutil.h"
#include "messagelog.h"
#include "store/paths.h"

using namespace store;

namespace {

// PATH holds only a folder with the stand-in (or nothing, without one).
class StandInOpener {
public:
    StandInOpener(const QString& folder, std::optional<int> exitStatus)
        : m_record(folder + "/opened"), m_oldPath(qgetenv("PATH"))
    {
        const QString bin = folder + "/bin";
        if (exitStatus) {
            testutil::writeFile(bin + "/xdg-open",
                                "#!/bin/sh\nprintf '%s' \"$*\" > '" + m_record.toUtf8() +
                                    "'\nexit " + QByteArray::number(*exitStatus) + "\n");
            QFile::setPermissions(bin + "/xdg-open",
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("PATH", bin.toUtf8());
    }
    ~StandInOpener() { qputenv("PATH", m_oldPath); }
    QString opened() const { return QString::fromUtf8(testutil::readFile(m_record)); }

private:
    QString m_record;
    QByteArray m_oldPath;
};

template <typename Done>
bool waitFor(Done done)
{
    QDeadlineTimer ceiling(20000);
    while (!done() && !ceiling.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

struct ExitCase {
    const char* name;
    std::optional<int> exitStatus; // none: no opener on PATH
    int code;
};

void PrintTo(const ExitCase& c, std::ostream* os) { *os << c.name; }

class ShellExecute : public ::testing::TestWithParam<ExitCase> {};

TEST_P(ShellExecute, ReportsTheOpenersExitStatusAsAShellCode)
{
    testutil::IsolatedEnv env;
    StandInOpener opener(env.root(), GetParam().exitStatus);
    std::optional<int> code;
    QObject context;
    shellExecute("https://example.org/a b", &context, [&](int c) { code = c; });
    ASSERT_TRUE(waitFor([&] { return code.has_value(); }));
    EXPECT_EQ(*code, GetParam().code);
    if (GetParam().exitStatus)
        EXPECT_EQ(opener.opened(), "https://example.org/a b");
}

INSTANTIATE_TEST_SUITE_P(
    Exits, ShellExecute,
    ::testing::Values(ExitCase{"Opened", 0, kShellStarted},
                      ExitCase{"BadCommandLine", 1, 1},
                      ExitCase{"FileMissing", 2, kShellNotFound},
                      ExitCase{"NoProgramForTheType", 3, kShellNoAssociation},
                      ExitCase{"ProgramFailed", 4, kShellNoAssociation},
                      ExitCase{"OddStatus", 77, 32},
                      ExitCase{"NoOpenerAtAll", std::nullopt, kShellCallFailed}),
    [](const auto& info) { return std::string(info.param.name); });

struct FilerunCase {
    const char* name;
    std::optional<int> exitStatus;
    const char* message; // "@" stands for the target
};

void PrintTo(const FilerunCase& c, std::ostream* os) { *os << c.name; }

class Filerun : public ::testing::TestWithParam<FilerunCase> {};

TEST_P(Filerun, TellsWhatTheOpenerAnswered)
{
    testutil::IsolatedEnv env;
    storetest::MessageLog log(env.root());
    const QString file = env.root() + "/doc.odt";
    testutil::writeFile(file, "x");
    StandInOpener opener(env.root(), GetParam().exitStatus);
    filerun(file);
    ASSERT_TRUE(waitFor([&] { return !log.lines().isEmpty(); }));
    EXPECT_EQ(log.lines(), QStringList{QString::fromUtf8(GetParam().message).replace("@", file)});
}

INSTANTIATE_TEST_SUITE_P(
    Answers, Filerun,
    ::testing::Values(
        FilerunCase{"NoProgramForTheType", 3,
                    "exclamation|Kelvra Saver|No Association Found for HTTP Addresses. "
                    "A Web Browser Should be Installed or Reinstalled."},
        FilerunCase{"ProgramFailed", 4,
                    "exclamation|Kelvra Saver|No Association Found for HTTP Addresses. "
                    "A Web Browser Should be Installed or Reinstalled."},
        FilerunCase{"NoOpenerAtAll", std::nullopt,
                    "exclamation|Kelvra Saver|No Association Found for HTTP Addresses. "
                    "A Web Browser Should be Installed or Reinstalled."},
        FilerunCase{"GoneMeanwhile", 2,
                    "exclamation|Kelvra Saver|The '@' File or Path was Not Found."},
        FilerunCase{"OtherFailure", 1,
                    "critical|Kelvra Saver|An error occurred attempting to open '@' "
                    "(ShellExecute code 1)."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Filerun, MissingTargetIsToldWithoutAskingTheOpener)
{
    testutil::IsolatedEnv env;
    storetest::MessageLog log(env.root());
    StandInOpener opener(env.root(), 0);
    const QString missing = env.root() + "/gone.kvl";
    filerun(missing);
    EXPECT_EQ(log.lines(), QStringList({"exclamation|Kelvra Saver|The '" + missing +
                                        "' File or Path was Not Found."}));
    EXPECT_TRUE(opener.opened().isEmpty());
}

} // namespace
