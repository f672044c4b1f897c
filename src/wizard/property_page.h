// One page of the wizard's property sheet. The sheet turns its navigation
// into the page's operations with integer results: on_next and on_back give
// 0 for the neighbouring page in sheet order, -1 to stay, or the dialog id of
// the page to go to. A page builds its controls by id (dialog_controls) and
// gets their commands in on_command.
#pragma once

#include "wizard/dialog_controls.h"
#include "wizard/gui_ids.h"

#include <QWidget>
#include <initializer_list>
#include <string>

class QLabel;
class QVBoxLayout;

class property_page : public QWidget {
public:
    property_page(int dialog_id, unsigned buttons, unsigned flags, std::wstring header_title,
                  std::wstring header_subtitle);
    ~property_page() override;

    int dialog_id() const { return m_dialog_id; }
    // The wizard buttons the page shows when it becomes active.
    unsigned buttons() const { return m_buttons; }
    unsigned flags() const { return m_flags; }
    bool has_header() const { return (m_flags & gui::page_hide_header) == 0; }
    bool has_help() const { return (m_flags & gui::page_has_help) != 0; }
    const std::wstring& header_title() const { return m_header_title; }
    const std::wstring& header_subtitle() const { return m_header_subtitle; }

    // Non-zero lets the page become active, 0 refuses it.
    virtual int page_init() { return 1; }
    virtual bool on_kill_active() { return true; }
    virtual bool on_finish() { return true; }
    virtual void on_help() {}
    virtual int on_next() { return gui::neighbour_page; }
    virtual int on_back() { return gui::neighbour_page; }
    // Default: asks whether to leave the wizard, No being the default answer.
    virtual bool on_cancel();
    // A control of the page reported a notification.
    virtual void on_command(int /*id*/, int /*notification*/) {}
    // A tick of the shell's progress timer while the page is current.
    virtual void on_timer() {}

    dialog_controls& controls() { return m_controls; }

    // Enabling also gives the control the focus.
    void enable_ctrl(int id, bool enable);
    void show_ctrl(int id, bool show);
    // Flips a plain check box; a control that is not one is an internal error.
    void invert_chbox(int id);

protected:
    // The large title of the pages without a header: 13 points, normal weight.
    static QFont title_font();
    // The layout of a page under the sheet's header: the page's margins, its
    // description, and a gap that sets the description apart from the
    // controls the page adds below it.
    QVBoxLayout* header_page_layout(std::initializer_list<QLabel*> description);

    dialog_controls m_controls;

private:
    int m_dialog_id;
    unsigned m_buttons;
    unsigned m_flags;
    std::wstring m_header_title;
    std::wstring m_header_subtitle;
};

// A page bound to its dialog template: DLG its id, BUTTONS the wizard
// buttons (1 Back, 2 Next, 4 Finish), FLAGS 32 for a Help button and 2048 for
// no header.
template <int DLG, unsigned BUTTONS, unsigned FLAGS>
class wizard_page : public property_page {
public:
    static constexpr int dialog = DLG;

    explicit wizard_page(std::wstring header_title = {}, std::wstring header_subtitle = {})
        : property_page(DLG, BUTTONS, FLAGS, std::move(header_title), std::move(header_subtitle))
    {}
};
