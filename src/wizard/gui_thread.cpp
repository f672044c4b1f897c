#include "wizard/gui_thread.h"

#include "toolkit/error_handler.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"
#include "wizard/wizard_shell.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>

namespace gui {

namespace {

// How often a worker's call looks again whether the open box has closed.
constexpr int box_wait_ms = 50;

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
    QMetaObject::invokeMethod(
        context, [call = std::move(call)] { run_guarded(call); }, Qt::QueuedConnection);
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
