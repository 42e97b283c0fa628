// Two processes hammer the store while one of them is killed at random
// moments: every value read back must be one that was written, and no
// completed save may be lost.

#include <gtest/gtest.h>

#include "qtprint.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include "common/testutil.h"
#include "store/inidocument.h"
#include "store/settings.h"
#include "stressvalue.h"

using namespace store;
using namespace storetest;

namespace {

constexpr int kOwn = 6;
constexpr int kShared = 4;

void startHammer(QProcess& p, const QString& id, int rounds)
{
    p.start(STORE_PEER, {"hammer", id, QString::number(rounds), QString::number(kOwn),
                         QString::number(kShared)});
    ASSERT_TRUE(p.waitForStarted(10000));
}

// Checks every key the writers use; returns the number of keys found.
int checkAllValues(const char* when)
{
    int found = 0;
    for (const QString& id : {QStringLiteral("A"), QStringLiteral("B")}) {
        for (int k = 0; k < kOwn; ++k) {
            const QString v = getSetting(ownKey(id, k), QString(), true);
            QString writer;
            if (!v.isEmpty()) {
                ++found;
                EXPECT_GE(stressIteration(v, &writer), 0)
                    << when << ": " << v.left(40).toStdString();
                EXPECT_EQ(writer, id) << when;
            }
        }
    }
    for (int k = 0; k < kShared; ++k) {
        const QString v = getSetting(sharedKey(k), QString(), true);
        if (!v.isEmpty()) {
            ++found;
            EXPECT_GE(stressIteration(v), 0) << when << ": " << v.left(40).toStdString();
        }
    }
    return found;
}

} // namespace

TEST(StoreStress, KilledWriterNeverTearsTheStoreNorLosesValues)
{
    testutil::IsolatedEnv env;
    QRandomGenerator random(20261206);
    constexpr int kRoundsA = 120;

    QProcess a;
    startHammer(a, "A", kRoundsA);
    int kills = 0;
    QElapsedTimer clock;
    clock.start();
    // No event loop runs here: waitForFinished(0) is what notices the end.
    // B goes on being killed after A is done until enough kills happened, so
    // a fast machine that finishes A early still gets the full test.
    constexpr int kMinKills = 5;
    bool aDone = false;
    while ((!aDone || kills < kMinKills) && clock.elapsed() < 60000) {
        if (!aDone && a.waitForFinished(0))
            aDone = true;
        QProcess b;
        startHammer(b, "B", 1000000);
        QThread::msleep(20 + random.bounded(120));
        checkAllValues("while running");
        if (!b.waitForFinished(0)) {
            b.kill();
            ++kills;
        }
        ASSERT_TRUE(b.waitForFinished(10000));
        // A clean exit here would mean B found a bad value or a failed save.
        EXPECT_EQ(b.exitStatus(), QProcess::CrashExit) << "B exit code " << b.exitCode();
    }
    if (!aDone)
        a.waitForFinished(30000);
    ASSERT_EQ(a.state(), QProcess::NotRunning);
    EXPECT_EQ(a.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(a.exitCode(), 0) << "3: A read a malformed value, 4: a save failed";
    EXPECT_GE(kills, kMinKills);
    RecordProperty("kills", kills);

    // B may have been killed before it wrote all of its keys.
    const int found = checkAllValues("at the end");
    EXPECT_GE(found, kOwn + kShared);
    // B never writes A's keys, so A's last save of each must have survived
    // all of B's concurrent rewrites.
    for (int k = 0; k < kOwn; ++k) {
        int last = kRoundsA - 1;
        while (last % kOwn != k)
            --last;
        EXPECT_EQ(getSetting(ownKey("A", k), QString(), true), stressValue("A", last));
    }
    const QByteArray file = testutil::readFile(settingsDir() + "/HKEY_CURRENT_USER.ini");
    EXPECT_EQ(IniDocument::fromBytes(file).sectionNames(), QStringList({programKeyPath()}));
    EXPECT_EQ(file.count('\n'), 1 + found);
}
