// A small modal dialog that animates an icon while a worker thread does a
// piece of work; the same object is the worker's functor. The work ends the
// dialog from its thread when it is done, also when it is done before the
// dialog has opened: then the dialog does not open at all.
#pragma once

#include "toolkit/tk_thread.h"
#include "wizard/gui_thread.h"
#include "wizard/id_dialog.h"
#include "wizard/program_images.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <array>
#include <atomic>
#include <string>

// DLG the dialog id, CTRL the icon control, ICON the first of FRAMES images.
template <int DLG, int CTRL, int ICON, int FRAMES>
class dlg_animation : public id_dialog, public tk_thread_functor {
public:
    // message_control 0: the dialog keeps its own text.
    explicit dlg_animation(std::wstring message = {}, int message_control = 0, unsigned interval = 500)
        : id_dialog(DLG), m_message(std::move(message)), m_interval(interval), m_message_control(message_control)
    {
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(18, 18, 24, 18);
        layout->setSpacing(16);
        QLabel* icon = m_controls.label(CTRL, QString());
        icon->setFixedSize(48, 48);
        layout->addWidget(icon);
        QLabel* text = m_controls.label(m_message_control != 0 ? m_message_control : gui::id_static,
                                        tr("Connecting to MS SQL server. Please wait..."));
        // One short line: the dialog takes its width rather than breaking it.
        text->setWordWrap(false);
        layout->addWidget(text);
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { next_frame(); });
    }

    // -1 while the dialog is not animating.
    int frame() const { return m_frame.load(); }

    // Starts the worker and shows the dialog until the work has ended; the
    // result is 0 also when the work ended before the dialog could open.
    int run_while(tk_thread& worker)
    {
        m_work_ended = false;
        worker.start();
        if (m_work_ended.load())
            return 0;
        return run_modal();
    }

protected:
    // Called by the work on its thread when it ends, however it ends.
    void end_animation()
    {
        m_work_ended = true;
        gui::post(this, [this] {
            m_timer.stop();
            m_frame = -1;
            if (isVisible())
                done(0);
        });
    }

private:
    void on_init() override
    {
        setWindowTitle(shell_title());
        if (m_message_control != 0 && !m_message.empty())
            m_controls.set_text(m_message_control, m_message);
        const qreal ratio = devicePixelRatioF();
        for (int i = 0; i < FRAMES; ++i)
            m_icons[static_cast<std::size_t>(i)] = program_image(ICON + i, ratio);
        m_frame = 0;
        show_frame();
        m_timer.start(static_cast<int>(m_interval));
    }

    // The work closes the dialog; the user cannot.
    void on_command(int /*id*/, int /*notification*/) override {}

    void next_frame()
    {
        m_frame = (m_frame + 1) % FRAMES;
        show_frame();
    }

    void show_frame()
    {
        if (auto* icon = m_controls.item_as<QLabel>(CTRL); icon != nullptr && m_frame >= 0)
            icon->setPixmap(m_icons[static_cast<std::size_t>(m_frame.load())]);
    }

    std::wstring m_message;
    std::atomic<int> m_frame = -1;
    unsigned m_interval;
    int m_message_control;
    std::array<QPixmap, FRAMES> m_icons;
    QTimer m_timer;
    std::atomic<bool> m_work_ended = false;
};
