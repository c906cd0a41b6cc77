#include "platform/Threads.h"

#include <atomic>
#include <gtest/gtest.h>
#include <sched.h>

namespace tessarim {
namespace {

bool SameCores(const cpu_set_t& a, const cpu_set_t& b) {
    return CPU_EQUAL(&a, &b);
}

// The work is done by the time the Worker is gone; it began on another core
// than its creator's, and may then run wherever its creator may.
TEST(Worker, BeginsOnAnotherCoreThenRunsAnywhere) {
    cpu_set_t mine;
    ASSERT_EQ(::sched_getaffinity(0, sizeof mine, &mine), 0);
    int compared = 0;
    for (int round = 0; round < 20; ++round) {
        std::atomic<int> began{-1};
        cpu_set_t theirs;
        CPU_ZERO(&theirs);
        const int before = ::sched_getcpu();
        int after = -1;
        {
            const Worker worker([&] {
                began = ::sched_getcpu();
                ::sched_getaffinity(0, sizeof theirs, &theirs);
            });
            after = ::sched_getcpu();
            // Busy here, so that nothing moves the worker to this core.
            while (began.load() < 0) {
            }
        }
        EXPECT_TRUE(SameCores(theirs, mine)) << round;
        // A creator that moved while starting it has no one core to compare.
        if (CPU_COUNT(&mine) < 2 || before != after) continue;
        ++compared;
        EXPECT_NE(began.load(), before) << round;
    }
    if (CPU_COUNT(&mine) >= 2) {
        EXPECT_GT(compared, 0);
    }
}

} // namespace
} // namespace tessarim
