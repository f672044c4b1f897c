#include "toolkit/tk_send_bug.h"

#include "platform/dynamic_library.h"
#include "platform/local_time.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_temp_chdir.h"

#include <cinttypes>
#include <cstdint>
#include <cstdio>

namespace {

// The Simple MAPI message records that MAPISendMail takes.
struct mail_recipient {
    std::uint32_t reserved;
    std::uint32_t recipient_class;
    const char* name;
    const char* address;
    std::uint32_t entry_id_size;
    void* entry_id;
};

struct mail_message {
    std::uint32_t reserved;
    const char* subject;
    const char* note_text;
    const char* message_type;
    const char* date_received;
    const char* conversation_id;
    std::uint32_t flags;
    mail_recipient* originator;
    std::uint32_t recipient_count;
    mail_recipient* recipients;
    std::uint32_t file_count;
    void* files;
};

constexpr std::uint32_t mail_to = 1;
constexpr std::uint32_t mail_unread = 1;

using send_mail_function = std::uint32_t (*)(std::uintptr_t session, std::uintptr_t parent_window,
                                             mail_message* message, std::uint32_t flags, std::uint32_t reserved);

std::string date_received()
{
    const platform::local_clock_time now = platform::get_local_time();
    char date[64];
    std::snprintf(date, sizeof date, "%d/%d/%d %d:%d", now.year, now.month, now.day, now.hour, now.minute);
    return date;
}

}  // namespace

void tk_send_bug(const std::string& title, const std::string& text)
{
    tk_log(2, "tk_send_bug(%s|%s)", title.c_str(), text.c_str());
    const std::string subject = "Bug report on " + title;
    const std::string date = date_received();
    mail_recipient support{0, mail_to, tk_support_mail_address, nullptr, 0, nullptr};
    mail_message message{0,       subject.c_str(), text.c_str(), nullptr, date.c_str(),
                         nullptr, mail_unread,     nullptr,      1,       &support,
                         0,       nullptr};

    // Mail clients may change the current directory.
    const tk_temp_chdir keep_current_directory(".");
    platform::dynamic_library mail_library;
    if (!mail_library.load("MAPI32.DLL")) {
        tk_log(2, "Failed to locate MAPI32.DLL");
        return;
    }
    auto send_mail = reinterpret_cast<send_mail_function>(mail_library.find_symbol("MAPISendMail"));
    tk_log(1, "lpfnMAPISendMail=%08" PRIXPTR, reinterpret_cast<std::uintptr_t>(send_mail));
    if (!send_mail)
        return;
    tk_log(2, "lpfnMAPISendMail returns %d", static_cast<int>(send_mail(0, 0, &message, 0, 0)));
}
