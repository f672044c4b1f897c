// The waiting dialog of the MS SQL settings page and its work: the
// connection to the server, made on the page's worker thread while the
// dialog animates. The page reads succeeded after the dialog has closed.
#pragma once

#include "wizard/dlg_animation.h"
#include "wizard/gui_ids.h"

#include <atomic>

class mssql_connection_animation final
    : public dlg_animation<gui::dlg_animation_id, gui::animation_icon, gui::image_first_animation_frame,
                           gui::animation_frame_count> {
public:
    mssql_connection_animation();

    // The connection: to the destination database when the converter names
    // one, else to the server; a failure is reported to the user here.
    void operator()() override;

    bool succeeded() const { return m_succeeded.load(); }

private:
    void connect();

    std::atomic<bool> m_succeeded = false;
};
