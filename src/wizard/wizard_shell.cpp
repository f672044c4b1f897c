#include "wizard/wizard_shell.h"

#include "toolkit/tk_exception.h"
#include "toolkit/tk_file_name.h"
#include "toolkit/tk_file_tests.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_module_name.h"
#include "toolkit/tk_text_conversion.h"
#include "wizard/dialog_controls.h"
#include "wizard/gui_ids.h"
#include "wizard/gui_thread.h"
#include "wizard/program_images.h"
#include "wizard/property_page.h"
#include "wizard/user_prompts.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>

namespace {

constexpr int log_box = 1016;

struct help_state {
    std::mutex mutex;
    std::vector<int> requests;
    std::function<bool(const QUrl&)> opener;
};

help_state& help()
{
    static help_state state;
    return state;
}

// Shows a box on the window thread, owned and titled by the shell when it is
// initialized. A box that cannot be shown any more (the wizard is closing)
// counts as answered No.
bool show_box(gui::box_kind kind, const wchar_t* suffix, const std::wstring& text, bool yes_no, bool second_default)
{
    bool answer = false;
    gui::call([&] {
        const bool owned = wizard_shell::is_initialized();
        const std::wstring title = owned ? wizard_shell::ref().get_title() + L" " + suffix : std::wstring(suffix);
        QWidget* owner = owned ? &wizard_shell::ref().sheet() : nullptr;
        answer = gui::show_box({kind, title, text, yes_no, second_default, owned}, owner);
    });
    return answer;
}

}  // namespace

wizard_shell::wizard_shell(std::wstring title, int icon_id, int watermark_id, int header_id)
    : m_title(std::move(title)), m_icon_id(icon_id), m_sheet(std::make_unique<property_sheet>())
{
    tk_log(1, L"wizard_shell::ctor(%ls)", m_title.c_str());
    const qreal ratio = m_sheet->devicePixelRatioF();
    m_sheet->set_images(watermark_id != 0 ? program_image(watermark_id, ratio) : QPixmap(),
                        header_id != 0 ? program_image(header_id, ratio) : QPixmap());
    gui::open_calls();
}

wizard_shell::~wizard_shell()
{
    tk_log(1, "wizard_shell::dtor");
    m_initialized = false;
    // A worker still waiting for a box gets its answer now, so that the pages
    // can end their threads.
    gui::close_calls();
    kill_timer();
    {
        std::lock_guard lock(m_errors_mutex);
        m_errors.clear();
        m_error_count = 0;
    }
    m_sheet.reset();
}

wizard_shell& wizard_shell::ref()
{
    return static_cast<wizard_shell&>(shell_services::ref());
}

bool wizard_shell::is_initialized()
{
    tk_log(1, "wizard_shell::is_initialized");
    if (!shell_services::is_initialized()) {
        tk_log(1, "Before return false");
        return false;
    }
    tk_log(1, "Singleton has been initialized");
    return ref().m_initialized.load();
}

void wizard_shell::initialize_if()
{
    tk_log(2, "wizard_shell::initialize_if");
    if (m_initialized)
        return;
    m_sheet->setWindowTitle(to_qt(m_title));
    if (m_icon_id != 0)
        m_sheet->setWindowIcon(m_icon_id == gui::image_program_icon ? program_icon() : QIcon(program_image(m_icon_id)));
    if (m_sheet->parentWidget() == nullptr) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame(QPoint(0, 0), m_sheet->sizeHint().expandedTo(m_sheet->minimumSize()));
            frame.moveCenter(screen->availableGeometry().center());
            m_sheet->move(frame.topLeft());
        }
    }
    m_initialized = true;
}

void wizard_shell::error(const std::wstring& text)
{
    tk_log(1, L"wizard_shell::error(%ls)", text.c_str());
    show_box(gui::box_kind::error, L"Error", text, false, false);
}

void wizard_shell::error(const std::string& text)
{
    error(tk_ansi_to_unicode(text));
}

void wizard_shell::message(const std::wstring& text)
{
    tk_log(1, L"wizard_shell::message(%ls)", text.c_str());
    show_box(gui::box_kind::information, L"Message", text, false, false);
}

bool wizard_shell::question(const std::wstring& text, unsigned flags)
{
    return show_box(gui::box_kind::question, L"Question", text, true, (flags & gui::default_second_button) != 0);
}

std::wstring wizard_shell::help_file_path()
{
    tk_file_wname path(tk_get_module_wname());
    path.set_ext(L".html");
    return path.get_full_path();
}

void wizard_shell::display_help(int context_id)
{
    if (context_id != 0)
        tk_log(1, "wizard_shell::display_help(%d)", context_id);
    else
        tk_log(1, "wizard_shell::display_help");
    {
        std::lock_guard lock(help().mutex);
        help().requests.push_back(context_id);
    }
    const std::wstring path = help_file_path();
    if (!tk_is_file_exist2(path, 16384)) {
        error(L"Help file does not exist. Reinstall the program.");
        return;
    }
    QUrl url = QUrl::fromLocalFile(to_qt(path));
    if (context_id != 0)
        url.setFragment(QString("context-%1").arg(context_id));
    bool opened = false;
    gui::call([&] {
        std::function<bool(const QUrl&)> opener;
        {
            std::lock_guard lock(help().mutex);
            opener = help().opener;
        }
        opened = opener ? opener(url) : QDesktopServices::openUrl(url);
    });
    if (!opened) {
        tk_log(1, "The help file could not be opened");
        error(L"No web browser could be opened to show the help file '" + path + L"'.");
    }
}

void wizard_shell::display_help()
{
    display_help(0);
}

std::vector<int> wizard_shell::help_requests()
{
    std::lock_guard lock(help().mutex);
    return help().requests;
}

void wizard_shell::set_help_opener(std::function<bool(const QUrl&)> opener)
{
    std::lock_guard lock(help().mutex);
    help().opener = std::move(opener);
}

void wizard_shell::set_timer(std::uint32_t milliseconds)
{
    if (m_timer_running.exchange(true))
        throw tk_mail_assertion("g_wiz_sh", 281);
    gui::post(m_sheet.get(), [this, milliseconds] { m_sheet->start_timer(static_cast<int>(milliseconds)); });
}

void wizard_shell::kill_timer()
{
    if (!m_timer_running.exchange(false))
        return;
    if (gui::on_gui_thread())
        m_sheet->stop_timer();
    else
        gui::post(m_sheet.get(), [this] { m_sheet->stop_timer(); });
}

void wizard_shell::write_log(const std::wstring& text)
{
    tk_log(1, L"wizard_shell::write_log(%ls)", text.c_str());
    gui::post(m_sheet.get(), [this, text] {
        if (m_current_page == nullptr)
            return;
        auto* box = m_current_page->controls().item_as<QPlainTextEdit>(log_box);
        if (box == nullptr) {
            tk_log(1, "Editbox failed to be initialized");
            return;
        }
        // The caller ends its lines with CR LF; the box breaks lines at LF.
        std::wstring line = text;
        std::erase(line, L'\r');
        box->moveCursor(QTextCursor::End);
        box->insertPlainText(to_qt(line));
        box->ensureCursorVisible();
    });
}

void wizard_shell::add_error(const std::string& text)
{
    std::lock_guard lock(m_errors_mutex);
    ++m_error_count;
    if (m_errors.size() < max_errors)
        m_errors.push_back(text);
}

std::size_t wizard_shell::error_count() const
{
    std::lock_guard lock(m_errors_mutex);
    return m_error_count;
}

std::vector<std::string> wizard_shell::get_errors() const
{
    std::lock_guard lock(m_errors_mutex);
    return m_errors;
}
