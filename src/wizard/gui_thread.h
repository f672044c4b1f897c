// The window thread and the others. Widgets are touched on the window thread
// only: a worker hands its calls over and, when it needs the answer, waits for
// it. No exception crosses the Qt event loop: every handler runs guarded.
#pragma once

#include <functional>

class QObject;

namespace gui {

// Runs the call; a tk_exception goes to the error handler as an outermost
// report, another std::exception to the error box, tk_final_exception ends
// the action quietly. The caller goes on after any of them.
void run_guarded(const std::function<void()>& call);

bool on_gui_thread();

// Runs the call on the window thread, after the events already queued there,
// unless the context object is gone by then.
void post(QObject* context, std::function<void()> call);

// A message box is open on the window thread while one lives: calls from
// workers wait until it has closed, so that one box shows at a time.
class box_scope {
public:
    box_scope();
    ~box_scope();
    box_scope(const box_scope&) = delete;
    box_scope& operator=(const box_scope&) = delete;
};

// Runs the call on the window thread and waits for its end; on the window
// thread it runs at once, from a worker once no box is open. False when the window side is closing and the call
// was not (or no longer) waited for, so a worker never waits on a window
// thread that waits for it.
bool call(const std::function<void()>& call);

// From now on, and for the calls waiting now, call returns false at once.
void close_calls();
// Calls are waited for again (a new sheet in the same process).
void open_calls();

}  // namespace gui
