// The decoding threads give way to the window's thread, and only they do.

#include <sys/resource.h>
#include <unistd.h>

#include <future>
#include <string>
#include <thread>

#include <QThreadPool>

#include <gtest/gtest.h>

#include "pictures/decodepool.h"

using namespace pictures;

namespace {

int niceOf(pid_t thread)
{
    return getpriority(PRIO_PROCESS, id_t(thread));
}

struct PriorityCase {
    const char* name;
    int before; // the thread's nice value when the decode starts
    int after;
};

void PrintTo(const PriorityCase& c, std::ostream* os)
{
    *os << c.name;
}

class DecodePriority : public ::testing::TestWithParam<PriorityCase> {};

} // namespace

TEST_P(DecodePriority, TheDecodingThreadAloneRunsLower)
{
    const PriorityCase c = GetParam();
    const int windowNice = niceOf(gettid());
    ASSERT_LT(windowNice, 10) << "the test needs a process not already niced";
    int seen = -100;
    std::thread worker([&] {
        setpriority(PRIO_PROCESS, id_t(gettid()), c.before);
        lowerDecodePriority();
        seen = niceOf(gettid());
    });
    worker.join();
    EXPECT_EQ(seen, c.after);
    // Neither the calling thread nor the process's main thread (whose id is
    // the process id) moved.
    EXPECT_EQ(niceOf(gettid()), windowNice);
    EXPECT_EQ(niceOf(getpid()), windowNice);
}

INSTANTIATE_TEST_SUITE_P(Starts, DecodePriority,
                         ::testing::Values(PriorityCase{"from_normal", 0, 10},
                                           PriorityCase{"from_slightly_lower", 5, 10},
                                           PriorityCase{"already_lower_stays", 15, 15}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DecodePool, AJobOnThePoolLowersItsOwnThreadOnly)
{
    const int windowNice = niceOf(gettid());
    std::promise<int> seen;
    decodePool()->start([&seen] {
        lowerDecodePriority();
        seen.set_value(niceOf(gettid()));
    });
    auto future = seen.get_future();
    ASSERT_EQ(future.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_GT(future.get(), windowNice);
    EXPECT_EQ(niceOf(gettid()), windowNice);
}
