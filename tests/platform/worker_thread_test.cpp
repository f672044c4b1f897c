#include "platform/worker_thread.h"

#include <atomic>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TEST(worker_thread_test, stopping_wakes_a_sleeping_body_which_then_returns)
{
    std::atomic<bool> saw_stop = false;
    {
        platform::worker_thread worker([&] {
            while (!platform::stop_requested())
                platform::sleep_unless_stopped(1h);
            saw_stop = true;
        });
        EXPECT_FALSE(worker.wait_for(10ms));
    }
    EXPECT_TRUE(saw_stop);
    EXPECT_FALSE(platform::stop_requested());  // not a worker thread
}

TEST(worker_thread_test, wait_reports_the_end_of_the_body)
{
    platform::worker_thread worker([] {});
    EXPECT_TRUE(worker.wait_for(1h));
}

}  // namespace
