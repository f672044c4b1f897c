#include "wizard/gui_thread.h"

#include "toolkit/error_handler.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"
#include "wizard/wizard_shell.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>

namespace gui {

namespace {

// How often a worker's call looks again whether the open box has closed.
constexpr int box_wait_ms = 50;

// A call posted to the window thread. Qt's queue hands it over under a lock
// of Qt Core that the thread sanitizer cannot see; the flag publishes the call
// to the window thread in a way it can.
struct posted_call {
    std::function<void()> call;
    std::atomic<bool> published{false};
};

#if defined(__SANITIZE_THREAD__)
extern "C" void AnnotateIgnoreReadsBegin(const char* file, int line);
extern "C" void AnnotateIgnoreReadsEnd(const char* file, int line);
#endif

// The posted call, read from the slot object Qt's queue delivered: the one
// read the sanitizer cannot order, since Qt's lock is unseen to it.
std::shared_ptr<posted_call> delivered(const std::shared_ptr<posted_call>& held)
{
#if defined(__SANITIZE_THREAD__)
    AnnotateIgnoreReadsBegin(__FILE__, __LINE__);
    std::shared_ptr<posted_call> taken = held;
    AnnotateIgnoreReadsEnd(__FILE__, __LINE__);
    return taken;
#else
    return held;
#endif
}

struct waiting_call {
    std::function<void()> call;
    bool finished = false;
};

struct call_registry {
    std::mutex mutex;
    std::condition_variable changed;
    bool closed = false;
    std::set<std::shared_ptr<waiting_call>> waiting;
};

call_registry& registry()
{
    static call_registry calls;
    return calls;
}

// Message boxes open on the window thread; touched there only.
int open_boxes = 0;

// A worker's call runs once no box is open, so that a box it shows never
// stands over a question the user has not answered yet.
void run_waiting(const std::shared_ptr<waiting_call>& pending)
{
    {
        std::lock_guard guard(registry().mutex);
        if (registry().waiting.count(pending) == 0)
            return;
    }
    if (open_boxes > 0) {
        QTimer::singleShot(box_wait_ms, QCoreApplication::instance(), [pending] { run_waiting(pending); });
        return;
    }
    run_guarded(pending->call);
    std::lock_guard guard(registry().mutex);
    pending->finished = true;
    registry().changed.notify_all();
}

}  // namespace

box_scope::box_scope()
{
    ++open_boxes;
}

box_scope::~box_scope()
{
    --open_boxes;
}

void run_guarded(const std::function<void()>& call)
{
    try {
        call();
    } catch (const tk_final_exception&) {
        tk_log(2, "The action was ended by the user");
    } catch (const tk_exception& exception) {
        if (error_handler::is_initialized())
            error_handler::instance().handle(exception, true);
        else
            wizard_shell::error(tk_ansi_to_unicode(exception.what()));
    } catch (const std::exception& exception) {
        wizard_shell::error(tk_ansi_to_unicode(exception.what()));
    }
}

bool on_gui_thread()
{
    return QCoreApplication::instance() != nullptr &&
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

void post(QObject* context, std::function<void()> call)
{
    auto posted = std::make_shared<posted_call>();
    posted->call = std::move(call);
    posted->published.store(true, std::memory_order_release);
    QMetaObject::invokeMethod(
        context,
        [posted] {
            const std::shared_ptr<posted_call> taken = delivered(posted);
            if (taken->published.load(std::memory_order_acquire))
                run_guarded(taken->call);
        },
        Qt::QueuedConnection);
}

bool call(const std::function<void()>& call)
{
    if (on_gui_thread()) {
        run_guarded(call);
        return true;
    }
    auto pending = std::make_shared<waiting_call>();
    pending->call = call;
    call_registry& calls = registry();
    std::unique_lock lock(calls.mutex);
    if (calls.closed)
        return false;
    calls.waiting.insert(pending);
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [pending] { run_waiting(pending); }, Qt::QueuedConnection);
    calls.changed.wait(lock, [&] { return pending->finished || calls.closed; });
    calls.waiting.erase(pending);
    return pending->finished;
}

void close_calls()
{
    std::lock_guard lock(registry().mutex);
    registry().closed = true;
    registry().waiting.clear();
    registry().changed.notify_all();
}

void open_calls()
{
    std::lock_guard lock(registry().mutex);
    registry().closed = false;
}

}  // namespace gui
