#include <future>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QUuid>

#include "app/singleinstance.h"

namespace {

QString uniqueCaption()
{
    return QStringLiteral("Test Window %1").arg(QUuid::createUuid().toString());
}

TEST(InstanceClaim, OneHolderAtATime)
{
    const QString caption = uniqueCaption();
    auto first = app::InstanceClaim::take(caption);
    ASSERT_TRUE(first);
    EXPECT_FALSE(app::InstanceClaim::take(caption));
    // Another caption is another window kind.
    EXPECT_TRUE(app::InstanceClaim::take(uniqueCaption()));
    first.reset();
    EXPECT_TRUE(app::InstanceClaim::take(caption));
}

TEST(InstanceClaim, NamesDependOnDisplayAndCaption)
{
    const QByteArray old = qgetenv("DISPLAY");
    qputenv("DISPLAY", ":5");
    const QString a = app::instanceName(QStringLiteral("Kelvra Saver"));
    qputenv("DISPLAY", ":5.0");
    EXPECT_EQ(app::instanceName(QStringLiteral("Kelvra Saver")), a);
    qputenv("DISPLAY", ":6");
    EXPECT_NE(app::instanceName(QStringLiteral("Kelvra Saver")), a);
    EXPECT_NE(app::instanceName(QStringLiteral("Kelvra Saver Settings")), a);
    qputenv("DISPLAY", old);
}

TEST(SendToInstance, DeliversOneMessage)
{
    const QString caption = uniqueCaption();
    auto holder = app::InstanceClaim::take(caption);
    ASSERT_TRUE(holder);
    QStringList received;
    QObject::connect(holder.get(), &app::InstanceClaim::messageReceived,
                     [&received](const QString& m) { received << m; });

    const QString path = QStringLiteral("/home/ü/My Show.kvl");
    auto sent =
        std::async(std::launch::async, [&] { return app::sendToInstance(caption, path, 5000); });
    QElapsedTimer timer;
    timer.start();
    while (sent.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready &&
           timer.elapsed() < 10000)
        QCoreApplication::processEvents();
    ASSERT_EQ(sent.wait_for(std::chrono::seconds(0)), std::future_status::ready);
    EXPECT_TRUE(sent.get());
    EXPECT_EQ(received, QStringList{path});
}

TEST(SendToInstance, NobodyHoldsTheName)
{
    EXPECT_FALSE(app::sendToInstance(uniqueCaption(), QStringLiteral("[Restore App]"), 500));
}

} // namespace
