// The waiting dialog of the connection pages and its work: the connection to
// a server, made on a worker thread while the dialog animates. A failure is
// kept, not shown, until the dialog has closed, so that no box stands over
// the waiting dialog; the page reads the outcome after it has closed.
#pragma once

#include "toolkit/tk_thread.h"
#include "wizard/dlg_animation.h"
#include "wizard/gui_ids.h"

#include <atomic>
#include <exception>
#include <functional>
#include <string>

class connection_animation final : public dlg_animation<gui::dlg_animation_id, gui::animation_icon,
                                                        gui::image_first_animation_frame, gui::animation_frame_count> {
public:
    // message: the dialog's text, empty for the MS SQL server's.
    connection_animation(std::wstring message, std::function<void()> connect);

    void operator()() override;

    // Runs the connection on the worker while the dialog shows; true when it
    // was made. Otherwise the failure, if it was not the user's abort, is
    // raised here, on the window thread, once the dialog has gone.
    bool run(tk_thread& worker);
    bool succeeded() const { return m_succeeded.load(); }

private:
    std::function<void()> m_connect;
    std::atomic<bool> m_succeeded = false;
    std::exception_ptr m_failure;
};

// The thread that runs one animation's work.
class animation_thread final : public tk_thread {
public:
    explicit animation_thread(tk_thread_functor& work) : tk_thread(false), m_work(work) {}

protected:
    tk_thread_functor* create_functor() override { return &m_work; }

private:
    tk_thread_functor& m_work;
};
