#include "toolkit/tk_exception.h"
#include "toolkit/tk_thread.h"

#include <atomic>
#include <gtest/gtest.h>

namespace {

// Counts its destruction; done when told.
class probe_functor : public tk_thread_functor {
public:
    explicit probe_functor(std::atomic<int>& destroyed) : m_destroyed(destroyed) {}
    ~probe_functor() override { ++m_destroyed; }
    bool is_done() override { return done; }
    void idle() override
    {
        ++idle_calls;
        tk_thread_functor::idle();
    }

    std::atomic<bool> done = false;
    std::atomic<int> idle_calls = 0;

private:
    std::atomic<int>& m_destroyed;
};

class probe_thread : public tk_thread {
public:
    probe_thread(bool owns, probe_functor* functor) : tk_thread(owns), m_functor(functor) {}
    ~probe_thread() override = default;

protected:
    tk_thread_functor* create_functor() override { return m_functor; }

private:
    probe_functor* m_functor;
};

void wait_until_ended(tk_thread& thread)
{
    while (thread.is_running()) {
    }
}

TEST(tk_thread_test, destroying_a_thread_whose_functor_never_finishes_stops_it)
{
    tk_thread thread(true);
    thread.start();  // the default functor polls forever
    EXPECT_TRUE(thread.is_running());
}

TEST(tk_thread_test, starting_a_running_thread_is_an_internal_error)
{
    tk_thread thread(true);
    thread.start();
    try {
        thread.start();
        FAIL();
    } catch (const tk_mail_assertion& assertion) {
        EXPECT_EQ(assertion.get_code(), 2u);
    }
}

TEST(tk_thread_test, owned_functor_is_deleted_and_borrowed_one_is_not)
{
    std::atomic<int> destroyed = 0;
    auto* owned = new probe_functor(destroyed);
    owned->done = true;
    {
        probe_thread thread(true, owned);
        thread.start();
        wait_until_ended(thread);
    }
    EXPECT_EQ(destroyed, 1);

    probe_functor borrowed(destroyed);
    {
        probe_thread thread(false, &borrowed);
        thread.start();
        EXPECT_TRUE(thread.is_running());
        borrowed.done = true;
        wait_until_ended(thread);
        thread.start();  // an ended thread can be started again
    }
    EXPECT_EQ(destroyed, 1);
    EXPECT_GE(borrowed.idle_calls, 1);
}

TEST(tk_thread_test, missing_functor_is_an_internal_error)
{
    probe_thread thread(false, nullptr);
    EXPECT_THROW(thread.start(), tk_mail_assertion);
}

}  // namespace
